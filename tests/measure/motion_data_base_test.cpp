#include <gtest/gtest.h>

#include <QStringList>

#include "measure/motion_data_base.h"
#include "measure/sheet_elements.h"
#include "measure_test_support.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {
namespace {

using testing::ColumnOf;
using testing::ErrorText;
using testing::ShownValue;

TEST(SampleObjects, ReportIndexAndEmptySlotFaultsInTheirOwnWords)
{
    TPointObject point(nullptr, nullptr);
    EXPECT_EQ(ErrorText([&] { point.GetPoint(1); }), "TPointObject Point Index of 1");
    EXPECT_EQ(ErrorText([&] { point.SetPoint(-1, {}); }), "TPointObject Point Index of -1");
    EXPECT_EQ(ErrorText([&] { point.SetPointCount(2); }), "TPointObject SetPointCount of 2");
    EXPECT_NO_THROW(point.SetPointCount(1));

    TLineObject line(nullptr, nullptr);
    line.SetPoint(0, { 1, 2 });
    EXPECT_EQ(ErrorText([&] { line.GetPoint(1); }), "TLineObject coordinate 1 is nil");
    EXPECT_EQ(ErrorText([&] { line.GetPoint(2); }), "TLineObject Point Index of 2");

    TAngleObject angle(nullptr, nullptr);
    EXPECT_EQ(ErrorText([&] { angle.HasPoint(4); }), "TAngleObject Point Index of 4");
    EXPECT_EQ(ErrorText([&] { angle.SetPointCount(5); }), "TAngleObject SetPointCount of 5");
    THiddenPoint hidden(nullptr, nullptr);
    EXPECT_EQ(ErrorText([&] { hidden.GetPoint(3); }), "THiddenPoint Point Index of 3");
}

TEST(SampleObjects, LineAndAngleBecomeValidOnlyWhenComplete)
{
    TLineObject line(nullptr, nullptr);
    line.SetPoint(0, { 10, 10 });
    EXPECT_FALSE(line.LineAngle(0));
    line.SetPoint(1, { 10, 10 });
    EXPECT_FALSE(line.LineAngle(0)) << "a line of no length has no direction";
    line.SetPoint(1, { 0, 10 });
    EXPECT_NEAR(*line.LineAngle(0), std::numbers::pi, 1e-12);
    line.SetPoint(1, { 10, 0 });
    EXPECT_NEAR(*line.LineAngle(0), 1.5 * std::numbers::pi, 1e-12);

    TAngleObject angle(nullptr, nullptr);
    angle.SetPoint(0, { 0, 0 });
    angle.SetPoint(1, { 0, 10 });
    angle.SetPoint(2, { 5, 10 });
    EXPECT_FALSE(angle.RelAngle());
    angle.SetPoint(3, { 5, 0 });
    EXPECT_NEAR(*angle.RelAngle(), std::numbers::pi, 1e-12) << "opposite upright lines";
    angle.SetPoint(3, { 5, 20 });
    EXPECT_EQ(*angle.RelAngle(), 0.0) << "parallel, same way";
}

TEST(RelativeAngle, IsMeasuredCounterClockwiseIntoZeroToTwoPi)
{
    const double quarter = std::numbers::pi / 2;
    EXPECT_NEAR(RelativeAngle({ 0, 0 }, { 1, 0 }, { 0, 0 }, { 0, 1 }), quarter, 1e-12);
    EXPECT_NEAR(RelativeAngle({ 0, 0 }, { 0, 1 }, { 0, 0 }, { 1, 0 }), 3 * quarter, 1e-12);
    EXPECT_NEAR(RelativeAngle({ 0, 0 }, { -1, 0 }, { 0, 0 }, { 1, 0 }), 2 * quarter, 1e-12);
}

TEST(FrameList, KeepsFramesInOrderAndNamesAMissingFrame)
{
    TMotionDataBase db;
    TFrameObjectList& frames = db.FrameList();
    frames.GetOrCreate(7);
    frames.GetOrCreate(3);
    TFrameObject& five = frames.GetOrCreate(5);
    EXPECT_EQ(&frames.GetOrCreate(5), &five);
    ASSERT_EQ(frames.Frames().size(), 4u);
    EXPECT_EQ(frames.NextFrame(five)->FrameNumber(), 7);
    EXPECT_EQ(frames.PrevFrame(five)->FrameNumber(), 3);
    EXPECT_EQ(five.GridRow(), 8);
    const FrameFind gap = frames.Find(4);
    EXPECT_FALSE(gap.exact);
    EXPECT_EQ(gap.frame, &five);
    EXPECT_EQ(gap.position, 2u);
    EXPECT_EQ(frames.Find(9).frame, nullptr);

    TFrameObjectList other;
    TFrameObject& stray = other.GetOrCreate(11);
    EXPECT_EQ(ErrorText([&] { frames.NextFrame(stray); }), "NextFrame 11 not found");
    EXPECT_EQ(ErrorText([&] { frames.PrevFrame(stray); }), "PrevFrame 11 not found");
    EXPECT_EQ(ErrorText([&] { five.SampleOrFail(&db.RefObject()); }), "Ref sample not found");
}

TEST(ObjectNaming, NumbersPerClassAndSkipsNamesTakenInAnyCase)
{
    TMotionDataBase db;
    EXPECT_EQ(db.NewObject(SampleClass::Point).Name(), "Point");
    TObjDef& second = db.NewObject(SampleClass::Point);
    EXPECT_EQ(second.Name(), "Point2");
    EXPECT_EQ(db.NewObject(SampleClass::Line).Name(), "Line");
    EXPECT_EQ(db.HeaderList().NewObjectName(SampleClass::Point), "Point3");
    db.RenameObject(second, "point3");
    EXPECT_EQ(db.NewObject(SampleClass::Point).Name(), "Point4");
    EXPECT_EQ(
        ErrorText([&] { db.RenameObject(second, "LINE"); }), "Another object already has the name \"LINE\".");
    EXPECT_EQ(second.Name(), "point3");
    EXPECT_EQ(
        ErrorText([&] { db.RenameObject(second, "ref"); }), "Another object already has the name \"ref\".");
}

TEST(ObjectDefinitions, TakeMarkersAndColoursInTurnAndKnowTheirShape)
{
    TMotionDataBase db;
    std::vector<TObjDef*> made;
    for (int i = 0; i < 14; ++i)
        made.push_back(&db.NewObject(i % 2 ? SampleClass::Angle : SampleClass::Line));
    EXPECT_EQ(made[0]->Polymarker(), 0);
    EXPECT_EQ(made[7]->Polymarker(), 7);
    EXPECT_EQ(made[8]->Polymarker(), 0);
    EXPECT_EQ(made[0]->Colour(), 0xFFFF00u);
    EXPECT_EQ(made[12]->Colour(), 0x00FFFFu);
    EXPECT_EQ(made[13]->Colour(), 0xFFFF00u);
    EXPECT_EQ(made[0]->PointCount(), 2);
    EXPECT_EQ(made[1]->PointCount(), 4);
    EXPECT_EQ(made[1]->KindCode(), 2);
    EXPECT_EQ(db.RefObject().Columns().Columns().size(), 0u);
}

TEST(ObjectCoordinates, ScaleToDisplayUnitsAndSubtractTheFixedReference)
{
    TMotionDataBase db;
    ASSERT_TRUE(db.SetScaleFactor(0, 0.5));
    ASSERT_TRUE(db.SetDisplayUnits(1));
    EXPECT_DOUBLE_EQ(db.Scaler().Scale(), 0.05);
    TObjDef& point = db.NewObject(SampleClass::Point);
    TSampleObject& sample = db.SetSamplePoint(4, point, 0, { 100, 40 });
    ObjectPoint at = db.Referencer().ObjectCoordinates(sample, 0);
    EXPECT_NEAR(at.x, 5.0, 1e-12);
    EXPECT_NEAR(at.y, 2.0, 1e-12);

    db.SetFixedReferencePoint({ 20, 20 });
    db.SetReferenceBase(true, 10, -1);
    at = db.Referencer().ObjectCoordinates(sample, 0);
    EXPECT_NEAR(at.x, 5.0 - 1.0 + 10.0, 1e-12);
    EXPECT_NEAR(at.y, 2.0 - 1.0 - 1.0, 1e-12);
    EXPECT_FLOAT_EQ(*ColumnOf(point, "X").Value(4), 14.0f) << "shown columns follow the reference";

    // The base is kept in display units: cm to mm multiplies it by ten.
    ASSERT_TRUE(db.SetDisplayUnits(0));
    EXPECT_DOUBLE_EQ(db.Referencer().BaseX(), 100.0);
    EXPECT_FLOAT_EQ(*ColumnOf(point, "X").Value(4), 50.0f - 10.0f + 100.0f);
}

class MovingReference : public ::testing::Test {
protected:
    void TearDown() override { installPrompt(nullptr); }
};

TEST_F(MovingReference, GivesNoValueOnFramesWithoutAReferenceSample)
{
    TMotionDataBase db;
    TObjDef& hub = db.NewObject(SampleClass::Point);
    TObjDef& tip = db.NewObject(SampleClass::Point);
    db.SetSamplePoint(1, hub, 0, { 10, 10 });
    db.SetSamplePoint(1, tip, 0, { 15, 12 });
    db.SetSamplePoint(2, tip, 0, { 16, 13 });
    db.SetMovingReference(&hub, 1);
    EXPECT_FLOAT_EQ(*ColumnOf(tip, "X").Value(1), 5.0f);
    EXPECT_FALSE(ColumnOf(tip, "X").Value(2)) << "no hub sample on frame 2";
    TSampleObject& on_two = *tip.SampleAt(2);
    EXPECT_EQ(ErrorText([&] { db.Referencer().ObjectCoordinates(on_two, 0); }), "Point sample not found");
    EXPECT_FALSE(ShownValue(tip, "X Velocity", 2));
    EXPECT_EQ(db.ReferenceProblem(2), "Point sample not found");
    EXPECT_EQ(db.ReferenceProblem(1), std::nullopt);

    // The reference's sample arriving fills the other objects' rows on that frame.
    db.SetSamplePoint(2, hub, 0, { 11, 10 });
    EXPECT_FLOAT_EQ(*ColumnOf(tip, "X").Value(2), 5.0f);
    EXPECT_FLOAT_EQ(*ColumnOf(tip, "X Velocity").Value(2), 0.0f);

    // A point number beyond the reference object's points has no reference point.
    db.SetMovingReference(&hub, 2);
    EXPECT_FALSE(ColumnOf(tip, "X").Value(1));
}

TEST_F(MovingReference, DeletingTheReferenceObjectFallsBackToTheImagePoint)
{
    ScriptedPrompt prompt;
    installPrompt(&prompt);
    TMotionDataBase db;
    TObjDef& hub = db.NewObject(SampleClass::Point);
    TObjDef& tip = db.NewObject(SampleClass::Point);
    db.SetSamplePoint(3, hub, 0, { 10, 10 });
    db.SetSamplePoint(3, tip, 0, { 15, 12 });
    db.SetSamplePoint(4, tip, 0, { 18, 12 });
    db.SetMovingReference(&hub);
    EXPECT_FALSE(ColumnOf(tip, "X").Value(4));

    db.DeleteObject(hub);
    installPrompt(nullptr);
    EXPECT_FALSE(db.Referencer().Moving());
    EXPECT_EQ(prompt.texts(), QStringList { "Referencing has changed to image point fixed" });
    EXPECT_FLOAT_EQ(*ColumnOf(tip, "X").Value(3), 15.0f);
    EXPECT_FLOAT_EQ(*ColumnOf(tip, "X").Value(4), 18.0f);
    ASSERT_EQ(db.UserObjects().size(), 1u);
    EXPECT_EQ(db.FrameList().Find(3).frame->Samples().size(), 1u) << "the hub's samples are freed";

    // Deleting an object that is not the reference says nothing.
    db.DeleteObject(tip);
    EXPECT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(db.UserObjects().empty());
}

TEST(Samples, AFailedPointLeavesNoEmptySampleBehind)
{
    TMotionDataBase db;
    TObjDef& point = db.NewObject(SampleClass::Point);
    EXPECT_THROW(db.SetSamplePoint(6, point, 1, { 1, 1 }), Error);
    EXPECT_EQ(point.Range().count, 0);
    db.SetSamplePoint(6, point, 0, { 1, 1 });
    db.SetSamplePoint(2, point, 0, { 1, 1 });
    const CollectedRange range = point.Range();
    EXPECT_EQ(range.count, 2);
    EXPECT_EQ(*range.first_frame, 2);
    EXPECT_EQ(*range.last_frame, 6);
    db.ClearObject(point);
    EXPECT_EQ(point.Range().count, 0);
    EXPECT_FALSE(ColumnOf(point, "X").Value(6));
    EXPECT_TRUE(db.FrameList().Find(6).exact) << "frame records stay";
}

class CursorPositioning : public ::testing::Test {
protected:
    void SetUp() override
    {
        point_ = &db_.NewObject(SampleClass::Point);
        db_.SetSamplePoint(10, *point_, 0, { 100, 50 });
        db_.SetSamplePoint(12, *point_, 0, { 110, 40 });
    }
    TMotionDataBase db_;
    TObjDef* point_ = nullptr;
};

TEST_F(CursorPositioning, SmartExtrapolatesAtConstantVelocity)
{
    db_.HeaderList().SetCursor(CursorMode::Smart);
    const std::optional<ImagePoint> at = db_.CursorTarget(*point_, 0, 14);
    ASSERT_TRUE(at);
    EXPECT_FLOAT_EQ(at->u, 120.0f);
    EXPECT_FLOAT_EQ(at->v, 30.0f);
    // Between the samples the same line interpolates.
    EXPECT_FLOAT_EQ(db_.CursorTarget(*point_, 0, 11)->u, 105.0f);
}

TEST_F(CursorPositioning, SimpleTakesTheLatestPointAndNoneNothing)
{
    db_.HeaderList().SetCursor(CursorMode::Simple);
    EXPECT_FLOAT_EQ(db_.CursorTarget(*point_, 0, 14)->u, 110.0f);
    EXPECT_FLOAT_EQ(db_.CursorTarget(*point_, 0, 11)->u, 110.0f) << "starts at the next recorded frame";
    EXPECT_FLOAT_EQ(db_.CursorTarget(*point_, 0, 10)->u, 100.0f);
    EXPECT_FALSE(db_.CursorTarget(*point_, 1, 14)) << "no such point";
    db_.HeaderList().SetCursor(CursorMode::None);
    EXPECT_FALSE(db_.CursorTarget(*point_, 0, 14));
}

TEST_F(CursorPositioning, SkipsSamplesWithoutThatPoint)
{
    db_.HeaderList().SetCursor(CursorMode::Smart);
    TObjDef& line = db_.NewObject(SampleClass::Line);
    db_.SetSamplePoint(3, line, 1, { 7, 8 });
    db_.SetSamplePoint(5, line, 0, { 1, 2 });
    const std::optional<ImagePoint> second_end = db_.CursorTarget(line, 1, 6);
    ASSERT_TRUE(second_end);
    EXPECT_FLOAT_EQ(second_end->u, 7.0f);
    EXPECT_FLOAT_EQ(db_.CursorTarget(line, 0, 4)->u, 1.0f) << "starts at the next recorded frame";
    EXPECT_FALSE(db_.CursorTarget(line, 0, 2)) << "frame 3 has no first point";
}

TEST(FramesBeyondTheClip, KeepTheirSamplesButAddNoRows)
{
    TMotionDataBase db;
    db.SetLastFrame(9);
    TObjDef& point = db.NewObject(SampleClass::Point);
    db.SetSamplePoint(8, point, 0, { 1, 0 });
    db.SetSamplePoint(20, point, 0, { 13, 0 });
    EXPECT_EQ(db.Sheet().RowCount(), 13);
    EXPECT_EQ(db.Sheet().CellText(1, 3 + 20), "");
    EXPECT_FLOAT_EQ(*ShownValue(point, "X Velocity", 20), 1.0f);
    EXPECT_EQ(db.Sheet().CellText(1, 3 + 8), "1");
}

} // namespace
} // namespace fw
