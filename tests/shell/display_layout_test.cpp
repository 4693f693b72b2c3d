#include "shell/display_layout.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

constexpr uint32_t kHalf = 1, kFull = 2, kDouble = 4, kAspect = 128, kAny = 256;

DisplaySizing sizing(int client_width, int client_height, uint32_t options)
{
    DisplaySizing s;
    s.frame_width = 320;
    s.frame_height = 240;
    s.client_width = client_width;
    s.client_height = client_height;
    s.last_width = client_width;
    s.last_height = client_height;
    s.extra_height = 50;
    s.previous_extra_height = 50;
    s.legend_width = 290;
    s.screen_height = 1000;
    s.options = options;
    return s;
}

TEST(DisplayLayoutTest, SizeItemsSetTheClientSizeFromTheFrame)
{
    EXPECT_EQ(ComputeClientSize(sizing(500, 500, kDouble | kAspect)), (ClientSize { 640, 530 }));
    EXPECT_EQ(ComputeClientSize(sizing(500, 500, kFull)), (ClientSize { 320, 290 }));
    // Half of 320x240 is narrower than the legend: the legend wins, the height follows it.
    EXPECT_EQ(ComputeClientSize(sizing(500, 500, kHalf)), (ClientSize { 290, 170 }));
    EXPECT_EQ(ComputeClientSize(sizing(500, 500, kHalf | kAspect)), (ClientSize { 290, 267 }));
}

TEST(DisplayLayoutTest, NarrowFullSizeFrameGrowsToLegendWidthKeepingAspect)
{
    DisplaySizing s = sizing(100, 100, kFull | kAspect);
    s.frame_width = 100;
    s.frame_height = 50;
    EXPECT_EQ(ComputeClientSize(s), (ClientSize { 290, 145 + 50 }));
    s.options = kFull;
    EXPECT_EQ(ComputeClientSize(s), (ClientSize { 290, 100 }));
}

TEST(DisplayLayoutTest, AspectRatioFollowsWhicheverEdgeTheUserMoved)
{
    // Width dragged: the height follows it.
    DisplaySizing s = sizing(640, 290, kAny | kAspect);
    s.last_width = 320;
    EXPECT_EQ(ComputeClientSize(s), (ClientSize { 640, 530 }));
    // Height dragged: the width follows it.
    s = sizing(320, 530, kAny | kAspect);
    s.last_height = 290;
    EXPECT_EQ(ComputeClientSize(s), (ClientSize { 640, 530 }));
    // Legend shown or hidden: the picture keeps its height, the extra rows are added.
    s = sizing(320, 240 + 28, kAny | kAspect);
    s.previous_extra_height = 28;
    EXPECT_EQ(ComputeClientSize(s), (ClientSize{320, 240 + 50}));
    // Without aspect ratio the user's size stands.
    EXPECT_EQ(ComputeClientSize(sizing(333, 444, kAny)), (ClientSize { 333, 444 }));
}

TEST(DisplayLayoutTest, ClientNeverTallerThanTheScreen)
{
    DisplaySizing s = sizing(500, 500, kDouble | kAspect);
    s.screen_height = 400;
    EXPECT_EQ(ComputeClientSize(s), (ClientSize { 466, 400 }));
}

TEST(DisplayLayoutTest, UnusableFrameSizeLeavesTheWindowAlone)
{
    DisplaySizing s = sizing(123, 45, kDouble);
    s.frame_height = 0;
    EXPECT_EQ(ComputeClientSize(s), (ClientSize { 123, 45 }));
}

TEST(DisplayLayoutTest, MatchingSizeItem)
{
    EXPECT_EQ(MatchingSizeItem(640, 480, 320, 240), kDouble);
    EXPECT_EQ(MatchingSizeItem(320, 240, 320, 240), kFull);
    EXPECT_EQ(MatchingSizeItem(160, 120, 320, 240), kHalf);
    EXPECT_EQ(MatchingSizeItem(160, 121, 320, 240), kAny);
    EXPECT_EQ(MatchingSizeItem(3, 2, 7, 5), kHalf); // integer halves
}

TEST(DisplayLayoutTest, LegendPanelsSitAtTheEdgesOrCentred)
{
    auto at = [](int f, int r, int t) {
        const LegendPositions p = PlaceLegendPanels(400, f, r, t);
        return std::make_tuple(p.frame_left, p.reticle_left, p.time_left);
    };
    EXPECT_EQ(at(70, 120, 120), std::make_tuple(0, 140, 280));
    EXPECT_EQ(at(70, 0, 120), std::make_tuple(0, -1, 280));
    EXPECT_EQ(at(0, 120, 120), std::make_tuple(-1, 0, 280));
    EXPECT_EQ(at(70, 120, 0), std::make_tuple(0, 280, -1));
    EXPECT_EQ(at(0, 0, 120), std::make_tuple(-1, -1, 140));
    EXPECT_EQ(at(0, 0, 0), std::make_tuple(-1, -1, -1));
}

TEST(DisplayLayoutTest, ReticleOriginIsBottomLeftInFramePixels)
{
    const ReticlePoint bottom_left = ReticleAt(0, 199, 200, 200, 100, 100);
    EXPECT_FLOAT_EQ(bottom_left.x, 0.0f);
    EXPECT_FLOAT_EQ(bottom_left.y, 0.0f);
    const ReticlePoint top = ReticleAt(100, 0, 200, 200, 100, 100);
    EXPECT_FLOAT_EQ(top.x, 50.0f);
    EXPECT_FLOAT_EQ(top.y, 99.5f);
    const ReticlePoint none = ReticleAt(5, 5, 0, 0, 100, 100);
    EXPECT_FLOAT_EQ(none.x, 0.0f);
}

} // namespace
} // namespace fw
