// Tracking inside the measurement: where a track starts and ends, tracked samples with their
// confidence in the sheet, and a click that corrects a tracked sample and lets the track resume.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <span>

#include "measure/motion_data_base.h"
#include "measure/point_track_plan.h"
#include "measure/sheet_elements.h"
#include "measure_test_support.h"
#include "support/fw_error.h"
#include "track_test_frames.h"

namespace fw {
namespace {

using testing::ColumnOf;
using testing::ErrorText;
using testing::MarkerClipFrames;
using testing::RmsError;
using testing::TrackToEnd;
using testing::TruePoint;
namespace marker = testing::marker;

constexpr int kHeight = marker::kHeight;

ImagePoint ImageOf(PixelPoint point)
{
    return ImagePointOfPixel(point, kHeight);
}

TEST(PointTrackPlan, PicturePixelsCountRowsFromTheTopAndImagePointsFromTheBottom)
{
    EXPECT_EQ(PixelOfImagePoint({ 12.25f, 0.0f }, 240), (PixelPoint { 12.25, 239.0 }));
    EXPECT_EQ(PixelOfImagePoint({ 0.0f, 239.0f }, 240), (PixelPoint { 0.0, 0.0 }));
    const ImagePoint back = ImagePointOfPixel({ 70.5, 125.25 }, 240);
    EXPECT_EQ(back, (ImagePoint { 70.5f, 113.75f }));
}

TEST(PointTrackPlan, StartsFromThePointOnTheStartFrameMovingAsItMovedBefore)
{
    TMotionDataBase db;
    TObjDef& point = db.NewObject(SampleClass::Point);
    EXPECT_EQ(ErrorText([&] { PlanPointTrack(point, 0, 5, 20, {}, kHeight); }),
        "Click point 1 of Point on frame 5 before tracking it");
    db.SetSamplePoint(5, point, 0, { 100.0f, 50.0f });
    EXPECT_EQ(ErrorText([&] { PlanPointTrack(point, 0, 5, 5, {}, kHeight); }),
        "Choose a last frame other than the start frame 5");

    const PointTrackPlan alone = PlanPointTrack(point, 0, 5, 20, { 15, 40, 0.7 }, kHeight);
    EXPECT_EQ(alone.request.point, (PixelPoint { 100.0, 189.0 }));
    EXPECT_EQ(alone.request.velocity, (PixelPoint {})) << "nothing known of its motion";
    EXPECT_EQ(alone.request.last_frame, 20);
    EXPECT_EQ(alone.request.settings, (TrackSettings { 15, 40, 0.7 }));
    EXPECT_FALSE(alone.clicked_frame);

    // With the frame before in the track's direction, the point keeps that velocity.
    db.SetSamplePoint(4, point, 0, { 97.0f, 51.0f });
    db.SetSamplePoint(6, point, 0, { 104.0f, 50.0f });
    EXPECT_EQ(PlanPointTrack(point, 0, 5, 20, {}, kHeight).request.velocity, (PixelPoint { 3.0, 1.0 }));
    EXPECT_EQ(PlanPointTrack(point, 0, 5, 0, {}, kHeight).request.velocity, (PixelPoint { -4.0, 0.0 }));
}

TEST(PointTrackPlan, EndsBeforeAClickedPointButOverTrackedOnes)
{
    TMotionDataBase db;
    TObjDef& line = db.NewObject(SampleClass::Line);
    db.SetSamplePoint(10, line, 1, { 10.0f, 10.0f });
    db.SetSamplePoint(14, line, 0, { 10.0f, 10.0f }); // the other point: no obstacle
    db.SetSamplePoint(17, line, 1, { 12.0f, 10.0f });
    db.SetSamplePoint(3, line, 1, { 8.0f, 10.0f });
    db.SetTrackedPoints(line, 1, { { 12, { 11.0f, 10.0f }, 0.9f } });

    const PointTrackPlan forward = PlanPointTrack(line, 1, 10, 30, {}, kHeight);
    EXPECT_EQ(forward.clicked_frame, 17);
    EXPECT_EQ(forward.request.last_frame, 16);
    EXPECT_EQ(ClickedFrameMessage(17), "Tracking stopped before frame 17, which holds a clicked point");
    const PointTrackPlan backward = PlanPointTrack(line, 1, 10, 0, {}, kHeight);
    EXPECT_EQ(backward.clicked_frame, 3);
    EXPECT_EQ(backward.request.last_frame, 4);
    EXPECT_FALSE(PlanPointTrack(line, 1, 10, 16, {}, kHeight).clicked_frame);
}

TEST(TrackedSamples, CarryTheirConfidenceIntoTheSheetAndAClickMakesThemClicked)
{
    TMotionDataBase db;
    db.SetLastFrame(10);
    TObjDef& point = db.NewObject(SampleClass::Point);
    db.SetSamplePoint(0, point, 0, { 10.0f, 20.0f });
    const std::vector<TrackedFrame> found {
        { 1, { 12.0, 219.0 }, 0.95 },
        { 2, { 14.0, 218.0 }, 0.875 },
    };
    StoreTrackedFrames(db, point, 0, found, kHeight);

    EXPECT_TRUE(point.Visible() & KindBit(QuantityKind::Confidence)) << "tracking shows the confidence";
    TSheetElement& confidence = ColumnOf(point, "Confidence");
    ASSERT_TRUE(confidence.Shown());
    EXPECT_FALSE(confidence.Value(0)) << "a click has no confidence";
    EXPECT_EQ(confidence.Text(1), "0.95");
    EXPECT_EQ(confidence.Text(2), "0.875");
    EXPECT_EQ(confidence.HeaderText(1), "Confidence");
    EXPECT_EQ(confidence.UnitLabel(), "0..1");
    EXPECT_EQ(point.SampleAt(2)->GetPoint(0), (ImagePoint { 14.0f, 21.0f }));
    EXPECT_TRUE(point.SampleAt(2)->IsTracked(0));
    EXPECT_FALSE(point.SampleAt(0)->IsTracked(0));

    // The cells of a tracked row know it; a clicked row's do not.
    TSheetElement& x = ColumnOf(point, "X");
    const int row2 = 2 + kSheetHeaderRows;
    EXPECT_EQ(db.Sheet().CellConfidence(x.GridColumn(), row2), 0.875f);
    EXPECT_FALSE(db.Sheet().CellConfidence(x.GridColumn(), kSheetHeaderRows));
    EXPECT_FALSE(db.Sheet().CellConfidence(0, row2)) << "Time";
    EXPECT_FALSE(db.Sheet().CellConfidence(x.GridColumn(), 1)) << "header";
    EXPECT_TRUE(ColumnOf(point, "X").Value(2));

    // A click at the very place tracking found changes no value, but the row is noted anew.
    db.Sheet().TakeChanges();
    db.SetSamplePoint(2, point, 0, { 14.0f, 21.0f });
    EXPECT_FALSE(point.SampleAt(2)->IsTracked(0));
    EXPECT_FALSE(confidence.Value(2));
    EXPECT_FALSE(db.Sheet().CellConfidence(x.GridColumn(), row2));
    const SheetChanges changes = db.Sheet().TakeChanges();
    const bool x_noted = std::any_of(changes.cells.begin(), changes.cells.end(),
        [&](const auto& cell) { return cell.first == &x && cell.second == 2; });
    EXPECT_TRUE(x_noted);
}

TEST(TrackedSamples, AreStoredForTheRightPointOnly)
{
    TMotionDataBase db;
    TObjDef& line = db.NewObject(SampleClass::Line);
    EXPECT_EQ(ErrorText([&] { db.SetTrackedPoints(line, 2, { { 1, {}, 1.0f } }); }), "Line has no point 3");
    EXPECT_TRUE(line.Samples().empty()) << "nothing stored";
    db.SetSamplePoint(1, line, 0, { 1.0f, 1.0f });
    db.SetTrackedPoints(line, 1, { { 1, { 5.0f, 1.0f }, 0.9f } });
    EXPECT_FALSE(line.SampleAt(1)->IsTracked(0));
    EXPECT_TRUE(line.SampleAt(1)->IsTracked(1));
    EXPECT_TRUE(line.SampleAt(1)->TrackedAngle()) << "the line is complete";
}

// A point object with the marker's true point clicked on a frame.
TObjDef& ClickedMarker(TMotionDataBase& db, int frame)
{
    TObjDef& def = db.UserObjects().empty() ? db.NewObject(SampleClass::Point) : *db.UserObjects().front();
    db.SetSamplePoint(frame, def, 0, ImageOf(TruePoint(frame)));
    return def;
}

// Tracks as the window does: plan, run, store everything after the start frame.
TrackRun TrackAndStore(TMotionDataBase& db, TObjDef& def, int32_t from, int32_t to)
{
    const PointTrackPlan plan = PlanPointTrack(def, 0, from, to, {}, kHeight);
    TrackRun run = TrackToEnd(plan.request, MarkerClipFrames().Source());
    if (run.Frames().size() > 1)
        StoreTrackedFrames(db, def, 0, std::span(run.Frames()).subspan(1), kHeight);
    return run;
}

// Distance of the stored point from the truth, in pixels.
double StoredError(const TObjDef& def, int frame)
{
    const PixelPoint stored = PixelOfImagePoint(def.SampleAt(frame)->GetPoint(0), kHeight);
    return std::hypot(stored.x - TruePoint(frame).x, stored.y - TruePoint(frame).y);
}

TEST(TrackedSamples, ACorrectionAfterTheOcclusionLetsTheTrackResume)
{
    TMotionDataBase db;
    db.SetTimeBase(0.0, 1.0, 3);
    db.SetLastFrame(marker::kFrameCount - 1);
    TObjDef& def = ClickedMarker(db, 0);
    const TrackRun first = TrackAndStore(db, def, 0, marker::kFrameCount - 1);
    ASSERT_TRUE(first.Stop());
    EXPECT_EQ(first.Stop()->frame, marker::kOcclusionFirst);
    EXPECT_EQ(def.Samples().size(), size_t(marker::kOcclusionFirst));
    EXPECT_FALSE(def.SampleAt(marker::kOcclusionFirst)) << "nothing stored where the card is";

    // The user clicks the marker where it shows again and tracks on from there.
    const int resume = marker::kOcclusionLast + 1;
    ClickedMarker(db, resume);
    const TrackRun second = TrackAndStore(db, def, resume, marker::kFrameCount - 1);
    EXPECT_FALSE(second.Stop());
    EXPECT_LE(RmsError(second.Frames()), 0.1);
    EXPECT_FALSE(def.SampleAt(resume)->IsTracked(0));
    EXPECT_TRUE(def.SampleAt(marker::kFrameCount - 1)->IsTracked(0));
    EXPECT_EQ(def.Samples().size(), size_t(marker::kOcclusionFirst + marker::kFrameCount - resume));
    for (const auto& [frame, sample] : def.Samples())
        EXPECT_LT(StoredError(def, frame), 0.2) << "frame " << frame;
}

TEST(TrackedSamples, ACorrectedTrackedSampleBecomesTheStartOfANewTrack)
{
    TMotionDataBase db;
    db.SetLastFrame(marker::kFrameCount - 1);
    TObjDef& def = ClickedMarker(db, 0);
    TrackAndStore(db, def, 0, 60);
    ASSERT_TRUE(def.SampleAt(30)->IsTracked(0));

    // Frame 30 is put off by a pixel and a half, then corrected by a click.
    PixelPoint off = TruePoint(30);
    off.x += 1.5;
    db.SetTrackedPoints(def, 0, { { 30, ImageOf(off), 0.85f } });
    ClickedMarker(db, 30);
    EXPECT_FALSE(def.SampleAt(30)->IsTracked(0));
    const PointTrackPlan plan = PlanPointTrack(def, 0, 30, 60, {}, kHeight);
    EXPECT_FALSE(plan.clicked_frame) << "tracked samples ahead are tracked again";
    EXPECT_NEAR(plan.request.velocity.x, TruePoint(30).x - TruePoint(29).x, 0.2);
    const TrackRun again = TrackAndStore(db, def, 30, 60);
    EXPECT_FALSE(again.Stop());
    EXPECT_EQ(again.Frames().size(), 31u);
    EXPECT_TRUE(def.SampleAt(31)->IsTracked(0));
    EXPECT_LE(RmsError(again.Frames()), 0.1);
}

} // namespace
} // namespace fw
