#include <gtest/gtest.h>

#include "measure/collection_target.h"
#include "measure/motion_data_base.h"
#include "measure/sheet_elements.h"
#include "support/fw_error.h"

namespace fw {
namespace {

// Ten frames, 0 to 9.
class Collecting : public ::testing::Test {
protected:
    void SetUp() override { db_.SetLastFrame(9); }

    ImagePoint PointOf(const TObjDef& def, int32_t frame, int index) const
    {
        return def.Samples().at(frame)->GetPoint(index);
    }

    TMotionDataBase db_;
    CollectionTarget target_;
};

TEST_F(Collecting, GoesThroughThePointsThenTheObjectsThenStepsOn)
{
    TObjDef& line = db_.NewObject(SampleClass::Line);
    TObjDef& point = db_.NewObject(SampleClass::Point);
    target_.MoveToFrame(2);

    EXPECT_EQ(target_.Collect(db_, 2, { 1, 2 }, 3), 2);
    EXPECT_EQ(target_.Object(), 1);
    EXPECT_EQ(target_.Point(), 1);
    EXPECT_EQ(target_.Collect(db_, 2, { 3, 4 }, 3), 2);
    EXPECT_EQ(target_.Object(), 2);
    EXPECT_EQ(target_.Point(), 0);
    // The last object's last point: back to the first object, three frames on.
    EXPECT_EQ(target_.Collect(db_, 2, { 5, 6 }, 3), 5);
    EXPECT_EQ(target_.Object(), 1);
    EXPECT_EQ(target_.Point(), 0);

    EXPECT_EQ(PointOf(line, 2, 0).u, 1.0f);
    EXPECT_EQ(PointOf(line, 2, 1).v, 4.0f);
    EXPECT_EQ(PointOf(point, 2, 0).u, 5.0f);
    EXPECT_EQ(line.Samples().size(), 1u);
}

TEST_F(Collecting, StepsStayWithinTheClip)
{
    db_.NewObject(SampleClass::Point);
    EXPECT_EQ(target_.Collect(db_, 8, { 1, 1 }, 5), 9);
    EXPECT_EQ(target_.Collect(db_, 1, { 1, 1 }, -3), 0);
    EXPECT_EQ(target_.Collect(db_, 4, { 1, 1 }, 0), 4) << "no step stays";
    EXPECT_EQ(target_.Collect(db_, 9, { 1, 1 }, 1), 9) << "the last frame is the end";
}

TEST_F(Collecting, RefusesFramesOutsideTheClipAndStoresNothing)
{
    TObjDef& line = db_.NewObject(SampleClass::Line);
    EXPECT_THROW(target_.Collect(db_, 10, { 1, 1 }, 1), Error);
    EXPECT_THROW(target_.Collect(db_, -1, { 1, 1 }, 1), Error);
    EXPECT_TRUE(line.Samples().empty());
    EXPECT_EQ(target_.Point(), 0) << "the target waits for a click that counts";

    db_.DeleteObject(line);
    EXPECT_THROW(target_.Collect(db_, 1, { 1, 1 }, 1), Error) << "nothing to collect";
}

TEST_F(Collecting, ATargetObjectThatWentIsReplacedByTheLastOne)
{
    TObjDef& first = db_.NewObject(SampleClass::Point);
    TObjDef& second = db_.NewObject(SampleClass::Point);
    target_.Collect(db_, 0, { 1, 1 }, 1);
    ASSERT_EQ(target_.Object(), 2);
    db_.DeleteObject(second);

    EXPECT_EQ(target_.Def(db_), nullptr);
    EXPECT_EQ(target_.GridColumn(db_), -1);
    EXPECT_TRUE(target_.PromptText(db_).isEmpty());
    EXPECT_FALSE(target_.Prediction(db_));
    // The next click goes to the object that is left, which is now the last one.
    EXPECT_EQ(target_.Collect(db_, 3, { 7, 8 }, 2), 5);
    EXPECT_EQ(first.Samples().count(3), 1u);
}

TEST_F(Collecting, AnotherFrameStartsWithTheFirstObject)
{
    db_.NewObject(SampleClass::Line);
    target_.Collect(db_, 0, { 1, 1 }, 1);
    target_.MoveToFrame(0);
    EXPECT_EQ(target_.Point(), 1) << "the same frame keeps the target";
    target_.MoveToFrame(6);
    EXPECT_EQ(target_.Frame(), 6);
    EXPECT_EQ(target_.Object(), 1);
    EXPECT_EQ(target_.Point(), 0);
}

TEST_F(Collecting, ChoosesTheObjectAndPointOfASheetColumn)
{
    TObjDef& point = db_.NewObject(SampleClass::Point);
    TObjDef& angle = db_.NewObject(SampleClass::Angle);
    const MeasureSheet& sheet = db_.Sheet();
    const int last = sheet.ColumnCount() - 1;
    ASSERT_EQ(sheet.ColumnAt(last)->ObjDef(), &angle);

    EXPECT_TRUE(target_.Choose(db_, last));
    EXPECT_EQ(target_.Object(), 2);
    EXPECT_EQ(target_.Point(), 3);
    EXPECT_EQ(target_.Def(db_), &angle);
    // The target cell is the leftmost column of that point: the fourth point's X.
    const int column = target_.GridColumn(db_);
    ASSERT_GT(column, 0);
    EXPECT_EQ(sheet.ColumnAt(column)->PointIndex(), 3);
    EXPECT_EQ(sheet.ColumnAt(column - 1)->PointIndex(), 2);

    EXPECT_TRUE(target_.Choose(db_, 1));
    EXPECT_EQ(target_.Def(db_), &point);
    EXPECT_EQ(target_.GridColumn(db_), 1);
    EXPECT_FALSE(target_.Choose(db_, 0)) << "Time belongs to no object";
    EXPECT_FALSE(target_.Choose(db_, last + 1));
    EXPECT_EQ(target_.Object(), 1);
}

TEST_F(Collecting, AHiddenTargetPointHasNoCell)
{
    TObjDef& point = db_.NewObject(SampleClass::Point);
    db_.ApplyDefaultVisible(0);
    EXPECT_EQ(target_.Def(db_), &point);
    EXPECT_EQ(target_.GridColumn(db_), -1);
}

TEST_F(Collecting, PromptNamesTheObjectAndThePointOfSeveral)
{
    TObjDef& point = db_.NewObject(SampleClass::Point);
    TObjDef& line = db_.NewObject(SampleClass::Line);
    EXPECT_EQ(target_.PromptText(db_), "Next click: " + point.Name());
    target_.Collect(db_, 0, { 1, 1 }, 1);
    target_.Collect(db_, 0, { 1, 1 }, 1);
    EXPECT_EQ(target_.PromptText(db_), "Next click: " + line.Name() + ", point 2 of 2");
}

TEST_F(Collecting, PredictsTheTargetPointOnTheTargetFrame)
{
    TObjDef& point = db_.NewObject(SampleClass::Point);
    db_.SetSamplePoint(2, point, 0, { 100, 50 });
    db_.SetSamplePoint(4, point, 0, { 110, 40 });
    target_.MoveToFrame(6);
    db_.HeaderList().SetCursor(CursorMode::Smart);
    std::optional<ImagePoint> at = target_.Prediction(db_);
    ASSERT_TRUE(at);
    EXPECT_FLOAT_EQ(at->u, 120.0f);
    EXPECT_FLOAT_EQ(at->v, 30.0f);
    db_.HeaderList().SetCursor(CursorMode::Simple);
    at = target_.Prediction(db_);
    ASSERT_TRUE(at);
    EXPECT_FLOAT_EQ(at->u, 110.0f);
    db_.HeaderList().SetCursor(CursorMode::None);
    EXPECT_FALSE(target_.Prediction(db_));
}

} // namespace
} // namespace fw
