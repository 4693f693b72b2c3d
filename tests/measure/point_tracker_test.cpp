// The point tracker: grey values of packed frames, the sub-pixel peak, and tracks over the
// tracking marker's frames forward, backward, into an occlusion, off the picture and past the
// search area.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QFileInfo>

#include "clips/avi_stream.h"
#include "measure/clip_track_frames.h"
#include "measure/grey_image.h"
#include "measure/point_tracker.h"
#include "measure/template_match.h"
#include "measure/track_run.h"
#include "track_test_frames.h"

namespace fw {
namespace {

using testing::GreyFrame;
using testing::MarkerClipFrames;
using testing::MemoryFrames;
using testing::RmsError;
using testing::TrackToEnd;
using testing::TruePoint;
using testing::marker::Position;
namespace marker = testing::marker;

TEST(GreyImage, TakesLumaOfColoursAndReadsRowsFromTheTop)
{
    EXPECT_EQ(GreyOf(255, 255, 255), 255);
    EXPECT_EQ(GreyOf(0, 0, 0), 0);
    EXPECT_EQ(GreyOf(90, 90, 90), 90) << "equal channels keep their value";
    EXPECT_EQ(GreyOf(255, 0, 0), 77);
    EXPECT_EQ(GreyOf(0, 255, 0), 149);
    EXPECT_EQ(GreyOf(0, 0, 255), 29);

    // 24-bit, 3 x 2: the stored rows run bottom-up, blue-green-red.
    FrameImage colour(3, 2, 24);
    uint8_t* top = colour.topDownRow(0);
    top[0] = 0, top[1] = 0, top[2] = 255; // red
    top[3] = 255, top[4] = 255, top[5] = 255;
    colour.topDownRow(1)[6] = 255; // blue, bottom right
    const GreyImage grey = PackedFrameView::Of(colour)->Grey({ 0, 0, 3, 2 });
    ASSERT_EQ(grey.width, 3);
    ASSERT_EQ(grey.height, 2);
    EXPECT_EQ(grey.At(0, 0), 77);
    EXPECT_EQ(grey.At(1, 0), 255);
    EXPECT_EQ(grey.At(2, 1), 29);
    EXPECT_EQ(grey.At(0, 1), 0);
}

TEST(GreyImage, MapsIndexedPixelsThroughTheirTableAndClipsRectangles)
{
    FrameImage indexed(4, 3, 8);
    indexed.setColourTable({ { 0, 0, 0, 0 }, { 0, 0, 255, 0 }, { 200, 200, 200, 0 } });
    indexed.topDownRow(0)[0] = 1;
    indexed.topDownRow(0)[1] = 2;
    indexed.topDownRow(0)[2] = 7; // beyond the table
    const std::optional<PackedFrameView> view = PackedFrameView::Of(indexed);
    ASSERT_TRUE(view);
    const GreyImage grey = view->Grey({ -2, -1, 5, 3 });
    EXPECT_EQ(grey.width, 3) << "clipped to the picture";
    EXPECT_EQ(grey.height, 2);
    EXPECT_EQ(grey.At(0, 0), 77);
    EXPECT_EQ(grey.At(1, 0), 200);
    EXPECT_EQ(grey.At(2, 0), 0);

    const uint8_t garbage[12] = { 1, 2, 3 };
    EXPECT_FALSE(PackedFrameView::Of(garbage, sizeof garbage));
    EXPECT_FALSE(PackedFrameView::Of(FrameImage()));
}

TEST(TemplateMatch, TheParabolaFindsTheVertexOfAQuadraticPeak)
{
    const auto peak = [](double x) { return 1.0 - 0.1 * (x - 0.3) * (x - 0.3); };
    EXPECT_NEAR(ParabolaPeakOffset(peak(-1), peak(0), peak(1)), 0.3, 1e-12);
    EXPECT_EQ(ParabolaPeakOffset(0.5, 0.5, 0.5), 0.0) << "flat: no peak";
    EXPECT_EQ(ParabolaPeakOffset(0.2, 0.1, 0.2), 0.0) << "a valley is no peak";
    EXPECT_EQ(ParabolaPeakOffset(0.0, 0.9, 1.0), 0.5) << "clamped to half a pixel";
}

TEST(TemplateMatch, FindsAMarkerShiftedByAFractionOfAPixel)
{
    constexpr int kSide = 64;
    const auto grey = [](Position at) { return marker::RenderMarker(kSide, kSide, at); };
    const marker::GreyPicture reference = grey({ 32.0, 32.0 });
    GreyImage templ { 21, 21, {} };
    for (int y = 22; y < 43; ++y)
        for (int x = 22; x < 43; ++x)
            templ.pixels.push_back(reference[size_t(y * kSide + x)]);
    for (const Position shifted :
        { Position { 30.37, 33.81 }, Position { 35.5, 28.25 }, Position { 32.1, 32.9 } }) {
        const marker::GreyPicture picture = grey(shifted);
        const GreyImage search { kSide, kSide, { picture.begin(), picture.end() } };
        const TemplateMatch match = MatchTemplate(search, templ);
        EXPECT_FALSE(match.AtEdge());
        EXPECT_GT(match.score, 0.97);
        EXPECT_NEAR(match.x + match.offset_x + 10.0, shifted.x, 0.08);
        EXPECT_NEAR(match.y + match.offset_y + 10.0, shifted.y, 0.08);
    }
}

TEST(TrackSettings, RefuseTemplatesSearchAreasAndConfidencesThatCannotWork)
{
    EXPECT_TRUE(TrackSettingsProblem({}).isEmpty()) << "the defaults: 21, 64, 0.8";
    EXPECT_EQ(TrackSettingsProblem({ 2, 64, 0.8 }), "The template must be 3 to 255 pixels wide");
    EXPECT_EQ(TrackSettingsProblem({ 21, 22, 0.8 }),
        "The search area must be 23 to 1024 pixels wide: at least two more than the template");
    EXPECT_TRUE(TrackSettingsProblem({ 21, 23, 0.8 }).isEmpty());
    EXPECT_FALSE(TrackSettingsProblem({ 21, 64, 1.5 }).isEmpty());
    EXPECT_FALSE(TrackSettingsProblem({ 21, 64, std::numeric_limits<double>::quiet_NaN() }).isEmpty());
}

TrackRequest MarkerRequest(int first, int last)
{
    TrackRequest request;
    request.first_frame = first;
    request.last_frame = last;
    request.point = TruePoint(first);
    return request;
}

TEST(TrackRun, FollowsTheMarkerWithinATenthOfAPixelAndStopsWhereTheCardCoversIt)
{
    const TrackRun run = TrackToEnd(MarkerRequest(0, marker::kFrameCount - 1), MarkerClipFrames().Source());
    ASSERT_TRUE(run.Stop());
    EXPECT_EQ(run.Stop()->kind, TrackStopKind::LowConfidence);
    EXPECT_EQ(run.Stop()->frame, marker::kOcclusionFirst) << "stops on the first covered frame";
    ASSERT_TRUE(run.Stop()->confidence);
    EXPECT_LT(*run.Stop()->confidence, 0.8);
    EXPECT_EQ(TrackStopMessage(*run.Stop()),
        QStringLiteral("Tracking stopped at frame 90: confidence %1 is below the minimum 0.8")
            .arg(*run.Stop()->confidence, 0, 'g', 3));

    const std::vector<TrackedFrame>& frames = run.Frames();
    ASSERT_EQ(frames.size(), size_t(marker::kOcclusionFirst)) << "frames 0 to 89, nothing after";
    EXPECT_EQ(frames.front().confidence, 1.0);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].frame, int(i));
        EXPECT_GE(frames[i].confidence, 0.8);
    }
    EXPECT_LE(RmsError(frames), 0.1);
    EXPECT_EQ(run.FramesToTrack(), marker::kFrameCount - 1);
    EXPECT_EQ(run.FramesDone(), marker::kOcclusionFirst - 1);
}

TEST(TrackRun, TracksBackwardToTheFirstFrame)
{
    const TrackRun run
        = TrackToEnd(MarkerRequest(marker::kOcclusionFirst - 1, 0), MarkerClipFrames().Source());
    EXPECT_FALSE(run.Stop());
    EXPECT_EQ(run.Direction(), -1);
    ASSERT_EQ(run.Frames().size(), size_t(marker::kOcclusionFirst));
    EXPECT_EQ(run.Frames().back().frame, 0);
    EXPECT_LE(RmsError(run.Frames()), 0.1);

    // Backward into the card from the frames after it.
    const TrackRun into_card
        = TrackToEnd(MarkerRequest(marker::kFrameCount - 1, 0), MarkerClipFrames().Source());
    ASSERT_TRUE(into_card.Stop());
    EXPECT_EQ(into_card.Stop()->frame, marker::kOcclusionLast);
    EXPECT_LE(RmsError(into_card.Frames()), 0.1);
}

TEST(TrackRun, ReadsTheSampleClipAsWellAsItsFramesInMemory)
{
    // The same track over the clip file the build writes gives the same points.
    const QString sample = QString(FW_BIN_DIR) + "/Samples/Tracking Marker.avi";
    ASSERT_TRUE(QFileInfo::exists(sample)) << "the build makes the samples";
    TAVISTREAM stream(QStringLiteral("AVI"));
    stream.Open(sample);
    ClipTrackFrames clip(stream);
    ASSERT_EQ(clip.Count(), marker::kFrameCount);
    const TrackRun from_clip = TrackToEnd(MarkerRequest(0, 40), clip.Source());
    const TrackRun from_memory = TrackToEnd(MarkerRequest(0, 40), MarkerClipFrames().Source());
    ASSERT_EQ(from_clip.Frames().size(), 41u);
    for (size_t i = 0; i < from_clip.Frames().size(); ++i) {
        EXPECT_EQ(from_clip.Frames()[i].point, from_memory.Frames()[i].point);
        EXPECT_EQ(from_clip.Frames()[i].confidence, from_memory.Frames()[i].confidence);
    }
    EXPECT_FALSE(clip.Frame(marker::kFrameCount).data) << "beyond the clip";
}

// The marker sliding left at 2.3 pixels a frame on a small picture.
MemoryFrames SlidingLeft(double start_x, int count)
{
    MemoryFrames frames;
    for (int i = 0; i < count; ++i)
        frames.Add(GreyFrame(marker::RenderMarker(96, 64, { start_x - 2.3 * i, 31.6 }), 96, 64));
    return frames;
}

TEST(TrackRun, StopsWhenTheTemplateWouldLeaveThePicture)
{
    const MemoryFrames frames = SlidingLeft(60.0, 30);
    TrackRequest request;
    request.last_frame = 29;
    request.point = { 60.0, 31.6 };
    const TrackRun run = TrackToEnd(request, frames.Source());
    ASSERT_TRUE(run.Stop());
    EXPECT_EQ(run.Stop()->kind, TrackStopKind::TemplateLeftPicture);
    EXPECT_EQ(TrackStopMessage(*run.Stop()),
        QStringLiteral("Tracking stopped at frame %1: the template around the point leaves the picture")
            .arg(run.Stop()->frame));
    // The last frame tracked still holds the whole template, 10 pixels either side.
    ASSERT_FALSE(run.Frames().empty());
    const TrackedFrame& last = run.Frames().back();
    EXPECT_GE(last.point.x, 9.5);
    EXPECT_LT(last.point.x - 2.3, 10.5) << "one more step would have cut the template";
    for (const TrackedFrame& frame : run.Frames())
        EXPECT_NEAR(frame.point.x, 60.0 - 2.3 * frame.frame, 0.1);

    // Too near the edge to cut a template at all: nothing is tracked.
    request.point = { 6.0, 31.6 };
    const TrackRun at_edge = TrackToEnd(request, frames.Source());
    ASSERT_TRUE(at_edge.Stop());
    EXPECT_EQ(at_edge.Stop()->frame, 0);
    EXPECT_EQ(at_edge.Stop()->kind, TrackStopKind::TemplateLeftPicture);
    EXPECT_EQ(TrackStopMessage(*at_edge.Stop()),
        "Tracking cannot start at frame 0: the template around the point does not fit in the picture");
    EXPECT_TRUE(at_edge.Frames().empty());

    // Expected outside the picture altogether.
    request.point = { 12.0, 31.6 };
    request.velocity = { -15.0, 0.0 };
    const TrackRun thrown_out = TrackToEnd(request, frames.Source());
    ASSERT_TRUE(thrown_out.Stop());
    EXPECT_EQ(thrown_out.Stop()->kind, TrackStopKind::PointLeftPicture);
    EXPECT_EQ(thrown_out.Stop()->frame, 1);
    EXPECT_EQ(
        TrackStopMessage(*thrown_out.Stop()), "Tracking stopped at frame 1: the point leaves the picture");
}

TEST(TrackRun, StopsRatherThanJumpWhenThePointOutrunsTheSearchArea)
{
    MemoryFrames frames;
    for (const double x : { 40.0, 41.0, 56.0 })
        frames.Add(GreyFrame(marker::RenderMarker(96, 64, { x, 30.0 }), 96, 64));
    TrackRequest request;
    request.last_frame = 2;
    request.point = { 40.0, 30.0 };
    request.settings = { 21, 31, 0.0 }; // five placements either side, every score accepted
    const TrackRun run = TrackToEnd(request, frames.Source());
    ASSERT_TRUE(run.Stop());
    EXPECT_EQ(run.Stop()->kind, TrackStopKind::LeftSearchArea);
    EXPECT_EQ(run.Stop()->frame, 2);
    EXPECT_EQ(run.Frames().size(), 2u);
    EXPECT_TRUE(TrackStopMessage(*run.Stop())
                    .startsWith("Tracking stopped at frame 2: the point moved beyond "
                                "the search area"));
}

TEST(TrackRun, StopsAtAFrameThatCannotBeRead)
{
    MemoryFrames frames;
    for (int i = 0; i < 6; ++i)
        frames.Add(GreyFrame(marker::RenderFrame(i), marker::kWidth, marker::kHeight));
    frames.MakeUnreadable(3);
    TrackRun run(MarkerRequest(0, 5), frames.Source());
    EXPECT_TRUE(run.Advance(2)) << "two frames a call";
    EXPECT_EQ(run.Frames().size(), 3u);
    EXPECT_FALSE(run.Advance(2));
    ASSERT_TRUE(run.Stop());
    EXPECT_EQ(run.Stop()->kind, TrackStopKind::FrameUnreadable);
    EXPECT_EQ(run.Stop()->frame, 3);
    EXPECT_EQ(run.Frames().size(), 3u);

    TrackRun no_start(MarkerRequest(3, 5), frames.Source());
    EXPECT_TRUE(no_start.Ended());
    EXPECT_EQ(
        TrackStopMessage(*no_start.Stop()), "Tracking cannot start at frame 3: the frame cannot be read");
}

TEST(TrackRun, AStartFrameAloneIsTheWholeTrack)
{
    TrackRun run(MarkerRequest(7, 7), MarkerClipFrames().Source());
    EXPECT_TRUE(run.Ended());
    EXPECT_FALSE(run.Stop());
    ASSERT_EQ(run.Frames().size(), 1u);
    EXPECT_EQ(run.Frames()[0].point, TruePoint(7));
    EXPECT_EQ(run.FramesToTrack(), 0);
}

} // namespace
} // namespace fw
