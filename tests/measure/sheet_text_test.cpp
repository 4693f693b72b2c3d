#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "measure/motion_data_base.h"
#include "measure/sheet_text.h"
#include "support/fw_error.h"

namespace fw {
namespace {

// Frames 0 to 4 at 1 ms; one point, its X and Y shown, sampled on frames 1 and 3.
class SheetText : public ::testing::Test {
protected:
    void SetUp() override
    {
        db_.SetLastFrame(4);
        point_ = &db_.NewObject(SampleClass::Point);
        db_.SetSamplePoint(1, *point_, 0, { 10, 20 });
        db_.SetSamplePoint(3, *point_, 0, { 30, 40 });
    }
    const MeasureSheet& Sheet() const { return db_.Sheet(); }

    TMotionDataBase db_;
    TObjDef* point_ = nullptr;
};

TEST_F(SheetText, GridTextHasEveryRowAndATabBetweenCells)
{
    ASSERT_EQ(Sheet().ColumnCount(), 3);
    const QString text = GridText(Sheet(), WholeSheet(Sheet(), 0));
    EXPECT_FALSE(text.contains('\n'));
    ASSERT_TRUE(text.endsWith('\r'));
    const QStringList lines = text.chopped(1).split('\r');
    ASSERT_EQ(lines.size(), 3 + 5);
    for (const QString& line : lines)
        EXPECT_EQ(line.count('\t'), 2) << line.toStdString();
    EXPECT_EQ(lines[0], "\t" + point_->Name() + "\t" + point_->Name());
    EXPECT_EQ(lines[1], "Time\tX\tY");
    EXPECT_EQ(lines[3], "0.000\t\t") << "rows without samples stay";
    EXPECT_EQ(lines[4], "1.000\t10\t20");
}

TEST_F(SheetText, DataTextLeavesOutEmptyRowsAndPutsTimeInFront)
{
    const QString text = DataText(Sheet(), WholeSheet(Sheet(), 1), ',');
    const QStringList lines = text.split("\r\n");
    ASSERT_EQ(lines.size(), 3 + 2 + 1);
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_EQ(lines[1], "Time,X,Y,");
    EXPECT_EQ(lines[3], "1.000,10,20,");
    EXPECT_EQ(lines[4], "3.000,30,40,");
    // A block that starts at "Time" does not repeat it, and its times are values: every row.
    const QStringList with_time = DataText(Sheet(), WholeSheet(Sheet(), 0), ',').split("\r\n");
    ASSERT_EQ(with_time.size(), 3 + 5 + 1);
    EXPECT_EQ(with_time[1], lines[1]);
    EXPECT_EQ(with_time[3], "0.000,,,");
    EXPECT_EQ(with_time[4], lines[3]);
}

TEST_F(SheetText, ABlockGivesItsRowsAndColumnsUnderTheHeaders)
{
    // Frame 3's Y alone.
    const SheetBlock block { 3 + kSheetHeaderRows, 3 + kSheetHeaderRows, 2, 2 };
    EXPECT_EQ(GridText(Sheet(), block), point_->Name() + "\rY\rmm\r40\r");
    EXPECT_EQ(DataText(Sheet(), block, '\t'),
        "\t" + point_->Name() + "\t\r\nTime\tY\t\r\nms\tmm\t\r\n3.000\t40\t\r\n");
    // Frame 2 has no sample: only the headers.
    const SheetBlock empty_row { 2 + kSheetHeaderRows, 2 + kSheetHeaderRows, 1, 2 };
    EXPECT_EQ(DataText(Sheet(), empty_row, ',').count("\r\n"), kSheetHeaderRows);
}

TEST_F(SheetText, ExportWritesTheDataTextOrSaysWhyNot)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("sheet.csv");
    ExportSheet(Sheet(), path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), DataText(Sheet(), WholeSheet(Sheet(), 1), ','));

    const QString missing = dir.filePath("no such folder/sheet.csv");
    try {
        ExportSheet(Sheet(), missing);
        ADD_FAILURE() << "a file in a missing folder was reported written";
    } catch (const Error& failure) {
        EXPECT_TRUE(failure.message().startsWith("Could not write " + missing + ": "))
            << failure.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace
} // namespace fw
