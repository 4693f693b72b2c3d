#include <gtest/gtest.h>

#include <QStringList>

#include "measure/motion_data_base.h"
#include "measure/sheet_menus.h"
#include "measure_test_support.h"

namespace fw {
namespace {

using testing::ColumnOf;

QStringList Captions(const MeasureSheet& sheet)
{
    QStringList captions;
    for (int column = 0; column < sheet.ColumnCount(); ++column)
        captions << sheet.CellText(column, 0) + u':' + sheet.CellText(column, 1);
    return captions;
}

TEST(SheetColumns, EachClassCreatesItsColumnsInOrder)
{
    TMotionDataBase db;
    TObjDef& point = db.NewObject(SampleClass::Point);
    TObjDef& line = db.NewObject(SampleClass::Line);
    TObjDef& angle = db.NewObject(SampleClass::Angle);
    const auto captions = [](const TObjDef& def) {
        QStringList list;
        for (const auto& column : def.Columns().Columns())
            list << column->Caption();
        return list;
    };
    EXPECT_EQ(captions(point),
        (QStringList { "U", "V", "X", "Y", "X Displacement", "Y Displacement", "Abs. Displacement",
            "X Velocity", "Y Velocity", "Abs. Velocity", "X Acceleration", "Y Acceleration",
            "Abs. Acceleration", "Confidence" }));
    const QStringList line_captions = captions(line);
    EXPECT_EQ(line_captions.size(), 2 * 14 + 3);
    EXPECT_EQ(line_captions.mid(13, 4), (QStringList { "Confidence1", "U2", "V2", "X2" }));
    EXPECT_EQ(line_captions.mid(28), (QStringList { "Abs. Angle", "Ang. Displacement", "Ang. Velocity" }));
    const QStringList angle_captions = captions(angle);
    EXPECT_EQ(angle_captions.size(), 4 * 14 + 5);
    EXPECT_EQ(angle_captions.mid(56),
        (QStringList { "Abs. Angle1", "Abs. Angle2", "Rel. Angle", "Ang. Displacement", "Ang. Velocity" }));
    EXPECT_EQ(ColumnOf(angle, "Abs. Angle2").CoordinateIndex(), 2);
    EXPECT_EQ(ColumnOf(line, "Y2").CoordinateIndex(), 3);
}

TEST(SheetColumns, HeadersCarryNameCaptionAndUnit)
{
    TMotionDataBase db;
    db.SetLastFrame(2);
    TObjDef& point = db.NewObject(SampleClass::Point);
    const MeasureSheet& sheet = db.Sheet();
    ASSERT_EQ(sheet.ColumnCount(), 3);
    EXPECT_EQ(sheet.CellText(0, 1), "Time");
    EXPECT_EQ(sheet.CellText(0, 2), "ms");
    EXPECT_EQ(sheet.CellText(1, 0), "Point");
    EXPECT_EQ(sheet.CellText(2, 1), "Y");
    EXPECT_EQ(sheet.CellText(2, 2), "mm");
    db.SetDisplayUnits(5);
    db.RenameObject(point, "Knee");
    EXPECT_EQ(sheet.CellText(2, 2), "ft");
    EXPECT_EQ(sheet.CellText(1, 0), "Knee");
    EXPECT_EQ(ColumnOf(point, "U").UnitLabel(), "pixels");
    EXPECT_EQ(ColumnOf(point, "U").ShowMenuCaption(), "U - Knee");
    EXPECT_TRUE(db.Sheet().TakeChanges().layout);
    EXPECT_EQ(sheet.CellText(3, 3), "");
    EXPECT_EQ(sheet.CellText(0, 5), "2.000");
}

TEST(SheetColumns, AShownColumnJoinsItsObjectsShownColumns)
{
    TMotionDataBase db;
    db.ApplyDefaultVisible(0);
    TObjDef& first = db.NewObject(SampleClass::Line);
    TObjDef& second = db.NewObject(SampleClass::Point);
    const MeasureSheet& sheet = db.Sheet();
    ColumnOf(second, "X").Show();
    ColumnOf(first, "Y2").Show();
    EXPECT_EQ(Captions(sheet), (QStringList { ":Time", "Point:X", "Line:Y2" })) << "alone it stays last";
    ColumnOf(first, "U1").Show();
    EXPECT_EQ(Captions(sheet), (QStringList { ":Time", "Point:X", "Line:U1", "Line:Y2" }))
        << "in front of the first later one";
    ColumnOf(first, "Ang. Velocity").Show();
    ColumnOf(first, "X1").Show();
    EXPECT_EQ(Captions(sheet),
        (QStringList { ":Time", "Point:X", "Line:U1", "Line:X1", "Line:Y2", "Line:Ang. Velocity" }))
        << "after the last earlier one";
    ColumnOf(first, "U1").Hide();
    EXPECT_EQ(ColumnOf(first, "X1").GridColumn(), 2);
    EXPECT_EQ(first.Columns().LeftmostShownColumn(1), 3);
    EXPECT_EQ(first.Columns().LeftmostShownColumn(0), 2);
    db.Sheet().MoveColumn(1, 4);
    EXPECT_EQ(
        Captions(sheet), (QStringList { ":Time", "Line:X1", "Line:Y2", "Line:Ang. Velocity", "Point:X" }));
    EXPECT_EQ(ColumnOf(second, "X").GridColumn(), 4);
}

TEST(SheetColumns, DeletingAnObjectRemovesItsColumns)
{
    TMotionDataBase db;
    TObjDef& first = db.NewObject(SampleClass::Point);
    TObjDef& second = db.NewObject(SampleClass::Point);
    db.SetSamplePoint(1, second, 0, { 3, 4 });
    db.SetSamplePoint(1, first, 0, { 5, 6 });
    db.Sheet().TakeChanges();
    db.SetSamplePoint(2, first, 0, { 5, 6 });
    db.DeleteObject(first);
    EXPECT_TRUE(db.Sheet().TakeChanges().cells.empty()) << "no change refers to a freed column";
    const MeasureSheet& sheet = db.Sheet();
    db.SetLastFrame(1);
    EXPECT_EQ(Captions(sheet), (QStringList { ":Time", "Point2:X", "Point2:Y" }));
    EXPECT_EQ(sheet.CellText(2, 4), "4");
}

TEST(ShowMenu, ListsHiddenColumnsAndBreaksLongMenus)
{
    TMotionDataBase db;
    db.ApplyDefaultVisible(kAllKindsSet & ~KindBit(QuantityKind::ImageU));
    db.NewObject(SampleClass::Point);
    std::vector<ShowMenuItem> items = ShowMenuItems(db.HeaderList());
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].caption, "U - Point");
    EXPECT_FALSE(items[0].break_before);

    db.ApplyDefaultVisible(0);
    db.NewObject(SampleClass::Point);
    items = ShowMenuItems(db.HeaderList());
    ASSERT_EQ(items.size(), 28u);
    EXPECT_FALSE(items[18].break_before);
    EXPECT_TRUE(items[19].break_before);
    EXPECT_EQ(items[13].caption, "Confidence - Point");
    EXPECT_EQ(items[14].caption, "U - Point2");
    items[14].column->Show();
    EXPECT_EQ(ShowMenuItems(db.HeaderList()).size(), 27u);

    // Twenty entries still fit in one menu column.
    db.ApplyDefaultVisible(KindBit(QuantityKind::ImageU) | KindBit(QuantityKind::ImageV)
        | KindBit(QuantityKind::ObjectX) | KindBit(QuantityKind::ObjectY));
    items = ShowMenuItems(db.HeaderList());
    ASSERT_EQ(items.size(), 20u);
    EXPECT_TRUE(
        std::none_of(items.begin(), items.end(), [](const ShowMenuItem& item) { return item.break_before; }));
}

TEST(ShowMenu, VisibleChoicesFollowTheSet)
{
    std::vector<VisibleChoice> choices = VisibleColumnChoices(kDefaultVisibleSet);
    ASSERT_EQ(choices.size(), 18u);
    EXPECT_EQ(choices[17].name, "Confidence");
    EXPECT_EQ(choices[2].name, "Object X");
    EXPECT_TRUE(choices[3].checked);
    EXPECT_FALSE(choices[4].checked);
    EXPECT_EQ(choices[16].name, "Abs. Acceleration");
    choices[16].checked = true;
    choices[2].checked = false;
    EXPECT_EQ(VisibleSetOf(choices), KindBit(QuantityKind::ObjectY) | KindBit(QuantityKind::AbsAcceleration));
}

TEST(SheetFormat, ValuesHaveSixDigitsAndTimesTheClipsDecimals)
{
    EXPECT_EQ(FormatValueCell(1234567.0), "1.23457E6");
    EXPECT_EQ(FormatValueCell(-0.000123456789), "-0.000123457");
    EXPECT_EQ(FormatValueCell(0.0000012), "1.2E-6");
    EXPECT_EQ(FormatValueCell(60.0), "60");
    EXPECT_EQ(FormatTimeCell(12.5, 2), "12.50");
    EXPECT_EQ(FormatTimeCell(-0.0001, 2), "0.00");
    // Long clips keep every frame's time apart.
    EXPECT_EQ(FormatTimeCell(123456.7, 1), "123456.7");
    EXPECT_EQ(FormatTimeCell(123456.8, 1), "123456.8");
}

} // namespace
} // namespace fw
