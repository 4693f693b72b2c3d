#include "shell/window_spot.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

// 1600 x 1000 with a 30-pixel panel at the top.
const QRect kScreen(0, 30, 1600, 970);
// The main window: a menu and tool bar across the top left.
const QRect kMain(0, 30, 520, 110);

int64_t overlap(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : int64_t(common.width()) * common.height();
}

TEST(WindowSpotTest, FreeWantedPlaceIsTakenAsItIs)
{
    const QRect clip(0, 150, 700, 560);
    const QRect spot = ChooseSpot({ kScreen, QSize(560, 460), QPoint(704, 150), { kMain, clip }, {} });
    EXPECT_EQ(spot, QRect(704, 150, 560, 460));
}

TEST(WindowSpotTest, SecondClipOverTheFirstGoesBesideIt)
{
    const QRect first(12, 150, 700, 560);
    const QRect spot = ChooseSpot({ kScreen, first.size(), first.topLeft(), { kMain, first }, {} });
    EXPECT_TRUE(kScreen.contains(spot));
    EXPECT_EQ(overlap(spot, first), 0);
    EXPECT_EQ(overlap(spot, kMain), 0);
    EXPECT_EQ(spot.top(), first.top()) << "beside, not below, while the screen is wide enough";
}

TEST(WindowSpotTest, MeasureWindowOfAClipAtTheRightEdgeStaysOnScreenAndOffTheClip)
{
    const QRect clip(900, 150, 700, 560);
    const QRect spot = ChooseSpot({ kScreen, QSize(560, 460), QPoint(1604, 150), { kMain, clip }, {} });
    EXPECT_TRUE(kScreen.contains(spot));
    EXPECT_EQ(overlap(spot, clip), 0);
    EXPECT_EQ(overlap(spot, kMain), 0);
}

TEST(WindowSpotTest, GraphWantedOverTheMenuMovesOffIt)
{
    const QRect spot = ChooseSpot({ kScreen, QSize(760, 520), QPoint(0, 30), { kMain }, {} });
    EXPECT_TRUE(kScreen.contains(spot));
    EXPECT_EQ(overlap(spot, kMain), 0);
}

TEST(WindowSpotTest, OtherWindowsAreCoveredBeforeTheOnesInUse)
{
    const QRect clip(0, 150, 800, 850);
    const QRect other(800, 150, 800, 850);
    const QRect spot = ChooseSpot({ kScreen, QSize(560, 460), QPoint(804, 150), { kMain, clip }, { other } });
    EXPECT_TRUE(kScreen.contains(spot));
    EXPECT_EQ(overlap(spot, clip), 0);
    EXPECT_EQ(overlap(spot, kMain), 0);
    // The strip to the right of the main window is too low for it; the other clip gives way.
    EXPECT_GT(overlap(spot, other), 0);
}

TEST(WindowSpotTest, WithoutRoomItStaysOnScreenAndCoversAsLittleAsPossible)
{
    const QRect screen(0, 0, 800, 600);
    const QRect clip(0, 0, 700, 600);
    const QRect spot = ChooseSpot({ screen, QSize(300, 300), QPoint(704, 0), { clip }, {} });
    EXPECT_TRUE(screen.contains(spot));
    EXPECT_EQ(overlap(spot, clip), 200 * 300);

    // Larger than the screen: cut to it.
    const QRect huge = ChooseSpot({ screen, QSize(2000, 900), QPoint(-50, -50), {}, {} });
    EXPECT_EQ(huge, screen);
}

TEST(WindowSpotTest, ClampKeepsTheWholeFrameOnTheScreen)
{
    const QRect right_screen(1600, 30, 1280, 994);
    EXPECT_EQ(ClampOntoScreen(QRect(2700, 900, 300, 200), right_screen), QRect(2580, 824, 300, 200));
    EXPECT_EQ(ClampOntoScreen(QRect(1500, 0, 300, 200), right_screen), QRect(1600, 30, 300, 200));
    EXPECT_EQ(ClampOntoScreen(QRect(1700, 100, 300, 200), right_screen), QRect(1700, 100, 300, 200));
    EXPECT_EQ(ClampOntoScreen(QRect(0, 0, 1400, 2000), right_screen), QRect(1600, 30, 1280, 994));
}

} // namespace
} // namespace fw
