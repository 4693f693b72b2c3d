#include "shell/clip_window_layout.h"

#include <gtest/gtest.h>

#include "shell/view_options.h"

namespace fw {
namespace {

using namespace clip_window_metrics;

constexpr uint32_t kCounters = voFrameCounter | voTimeCounter;
constexpr uint32_t kPlayable = kCounters | voVideoControls | voPreserveAspectRatio;

ClipWindowLayout layoutOf(
    int frame_width, int frame_height, uint32_t options, bool saving = false, bool frames_open = true)
{
    ClipWindowLayout layout;
    layout.SetFrameSize(frame_width, frame_height);
    layout.SetView(options, saving, frames_open);
    return layout;
}

TEST(ClipWindowLayoutTest, FullSizeClipWithCountersAndControls)
{
    ClipWindowLayout layout = layoutOf(320, 240, kPlayable | voFullSize);
    EXPECT_EQ(layout.Parts(), (ClipWindowParts { true, true, false, true, true, false }));
    EXPECT_EQ(layout.ExtraHeight(), kLegendHeight + kControlsHeight);
    // Frame and time panels side by side are narrower than the controls need.
    EXPECT_EQ(layout.MinimumWidth(), kMinimumControlsWidth);

    const ClientSize size = layout.Fit(500, 500, 1000);
    EXPECT_EQ(size, (ClientSize { 320, 240 + 76 }));
    const ClipWindowRects at = layout.Place(size.width, size.height);
    EXPECT_EQ(at.picture, QRect(0, 0, 320, 240));
    EXPECT_EQ(at.legend, QRect(0, 240, 320, kLegendHeight));
    EXPECT_EQ(at.counters.frame_left, 0);
    EXPECT_EQ(at.counters.reticle_left, -1);
    EXPECT_EQ(at.counters.time_left, 320 - kTimePanelWidth);
    EXPECT_EQ(at.controls, QRect(0, 262, 320, kControlsHeight));
    EXPECT_TRUE(at.save_panel.isNull());
    EXPECT_EQ(layout.Picture(), at.picture);
    EXPECT_EQ(layout.HorizontalScale(), 1.0f);
    EXPECT_EQ(layout.VerticalScale(), 1.0f);
    EXPECT_EQ(layout.SizeItem(), uint32_t(voFullSize));
    EXPECT_EQ(layout.CropLimits(), (CropLimit { 0, 0, 320, 240 }));
}

TEST(ClipWindowLayoutTest, DoubleSizeDoublesThePictureAndItsScale)
{
    ClipWindowLayout layout = layoutOf(160, 120, kPlayable | voDoubleSize);
    const ClientSize size = layout.Fit(100, 100, 1000);
    EXPECT_EQ(size, (ClientSize { 320, 240 + 76 }));
    const ClipWindowRects at = layout.Place(size.width, size.height);
    EXPECT_EQ(at.picture, QRect(0, 0, 320, 240));
    EXPECT_EQ(layout.HorizontalScale(), 2.0f);
    EXPECT_EQ(layout.VerticalScale(), 2.0f);
    EXPECT_EQ(layout.SizeItem(), uint32_t(voDoubleSize));
    EXPECT_EQ(layout.CropLimits(), (CropLimit { 0, 0, 320, 240 }));
}

TEST(ClipWindowLayoutTest, AllThreeCountersSetTheNarrowestWidth)
{
    ClipWindowLayout layout = layoutOf(320, 240, kPlayable | voReticlePosition | voHalfSize);
    EXPECT_EQ(layout.MinimumWidth(), kFramePanelWidth + kReticlePanelWidth + kTimePanelWidth);
    // Half of 320 is narrower than the legend: the legend's width wins, the aspect ratio holds.
    const ClientSize size = layout.Fit(500, 500, 1000);
    EXPECT_EQ(size, (ClientSize { 310, 310 * 240 / 320 + 76 }));
    const ClipWindowRects at = layout.Place(size.width, size.height);
    EXPECT_EQ(at.counters.frame_left, 0);
    EXPECT_EQ(at.counters.reticle_left, (310 - kReticlePanelWidth) / 2);
    EXPECT_EQ(at.counters.time_left, 310 - kTimePanelWidth);
    EXPECT_EQ(layout.SizeItem(), uint32_t(voAnySize));
}

TEST(ClipWindowLayoutTest, HiddenLegendAndControlsLeaveThePictureTheWholeWindow)
{
    // A window over another source has no frames of its own to play.
    ClipWindowLayout layout = layoutOf(200, 100, voVideoControls | voAnySize, false, false);
    EXPECT_EQ(layout.Parts(), ClipWindowParts {});
    EXPECT_EQ(layout.ExtraHeight(), 0);
    EXPECT_EQ(layout.MinimumWidth(), 0);
    EXPECT_EQ(layout.Fit(333, 222, 1000), (ClientSize { 333, 222 }));
    const ClipWindowRects at = layout.Place(333, 222);
    EXPECT_EQ(at.picture, QRect(0, 0, 333, 222));
    EXPECT_TRUE(at.legend.isNull());
    EXPECT_TRUE(at.controls.isNull());
    EXPECT_FLOAT_EQ(layout.HorizontalScale(), 333.0f / 200.0f);
    EXPECT_FLOAT_EQ(layout.VerticalScale(), 222.0f / 100.0f);
}

TEST(ClipWindowLayoutTest, SavePanelTakesThePlaceOfLegendAndControls)
{
    ClipWindowLayout layout = layoutOf(320, 240, kPlayable | voFullSize, true);
    EXPECT_EQ(layout.Parts(), (ClipWindowParts { true, true, false, false, false, true }));
    EXPECT_EQ(layout.ExtraHeight(), kSavePanelHeight);
    EXPECT_EQ(layout.MinimumWidth(), 0);
    const ClientSize size = layout.Fit(500, 500, 1000);
    EXPECT_EQ(size, (ClientSize { 320, 240 + kSavePanelHeight }));
    const ClipWindowRects at = layout.Place(size.width, size.height);
    EXPECT_EQ(at.picture, QRect(0, 0, 320, 240));
    EXPECT_TRUE(at.legend.isNull());
    EXPECT_TRUE(at.controls.isNull());
    EXPECT_EQ(at.save_panel, QRect(0, 240, 320, kSavePanelHeight));
}

TEST(ClipWindowLayoutTest, HidingTheLegendKeepsThePictureAndShrinksTheWindow)
{
    ClipWindowLayout layout = layoutOf(320, 240, kPlayable | voFullSize);
    EXPECT_EQ(layout.Fit(500, 500, 1000), (ClientSize { 320, 316 }));
    // The counters go off: the window loses the legend's row, the picture keeps its size.
    layout.SetView(voVideoControls | voPreserveAspectRatio | voAnySize, false, true);
    const ClientSize size = layout.Fit(320, 316, 1000);
    EXPECT_EQ(size, (ClientSize { 320, 240 + kControlsHeight }));
    EXPECT_EQ(layout.Place(size.width, size.height).picture, QRect(0, 0, 320, 240));
    // And back on: the row comes back under the same picture.
    layout.SetView(kPlayable | voAnySize, false, true);
    EXPECT_EQ(layout.Fit(size.width, size.height, 1000), (ClientSize { 320, 316 }));
}

TEST(ClipWindowLayoutTest, TooShortWindowGivesThePictureNoRows)
{
    ClipWindowLayout layout = layoutOf(320, 240, kPlayable | voAnySize);
    const ClipWindowRects at = layout.Place(300, 50);
    EXPECT_EQ(at.picture, QRect(0, 0, 300, 0));
    EXPECT_EQ(at.legend, QRect(0, 0, 300, kLegendHeight));
    EXPECT_EQ(at.controls, QRect(0, kLegendHeight, 300, kControlsHeight));
}

TEST(ClipWindowLayoutTest, FrameSizeReportsAChangeOnce)
{
    ClipWindowLayout layout;
    EXPECT_EQ(layout.HorizontalScale(), 1.0f);
    EXPECT_TRUE(layout.SetFrameSize(64, 48));
    EXPECT_FALSE(layout.SetFrameSize(64, 48));
    EXPECT_TRUE(layout.SetFrameSize(64, 49));
    EXPECT_EQ(layout.FrameWidth(), 64);
    EXPECT_EQ(layout.FrameHeight(), 49);
}

} // namespace
} // namespace fw
