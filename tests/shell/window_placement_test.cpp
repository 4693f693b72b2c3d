#include "shell/window_placement.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/settings_store.h"

namespace fw {
namespace {

const QRect kScreen(0, 0, 1920, 1080);

TEST(WindowPlacementTest, FormatsSizeableAndFixedWindows)
{
    const WindowPlacement placement { 40, 30, 800, 600, 0x03E800D8 };
    EXPECT_EQ(FormatPlacement(placement, true), "40,30,800,600,65536216");
    EXPECT_EQ(FormatPlacement(placement, false), "40,30,,,65536216");
}

TEST(WindowPlacementTest, ParseTakesNumbersInOrderAndKeepsWhatIsMissingOrInvalid)
{
    const WindowPlacement current { 1, 2, 3, 4, 5 };
    EXPECT_EQ(ParsePlacement("10,20,300,400,7", current), (WindowPlacement { 10, 20, 300, 400, 7 }));
    EXPECT_EQ(ParsePlacement("10,20,,,7", current), (WindowPlacement { 10, 20, 3, 4, 7 }));
    EXPECT_EQ(ParsePlacement("10,x,300", current), (WindowPlacement { 10, 2, 300, 4, 5 }));
    EXPECT_EQ(ParsePlacement("", current), current);
    EXPECT_EQ(ParsePlacement("garbage", current), current);
    EXPECT_EQ(ParsePlacement("1.5,2e3, 9 ,99999999999,", current), (WindowPlacement { 1, 2, 9, 4, 5 }));
    // Extra bit sets may have been written unsigned.
    EXPECT_EQ(ParsePlacement(",,,,4294967295", current).extra, -1);
    EXPECT_EQ(ParsePlacement(",,,,4294967296", current).extra, 5);
}

TEST(WindowPlacementTest, WindowsOffTheScreenComeBackTwelvePixelsIn)
{
    auto kept = [](int top, int left) {
        return KeepOnScreen(WindowPlacement { top, left, 300, 200, 0 }, kScreen);
    };
    EXPECT_EQ(kept(0, 0), (WindowPlacement { 12, 12, 300, 200, 0 }));
    EXPECT_EQ(kept(-50, 5), (WindowPlacement { 12, 5, 300, 200, 0 }));
    EXPECT_EQ(kept(1, 1), (WindowPlacement { 1, 1, 300, 200, 0 }));
    // Exactly 12 pixels inside the right and bottom edges stays; one more goes.
    EXPECT_EQ(kept(1068, 1908), (WindowPlacement { 1068, 1908, 300, 200, 0 }));
    EXPECT_EQ(kept(1069, 1909), (WindowPlacement { 12, 12, 300, 200, 0 }));

    // A second screen beside the first: positions are relative to the screen given.
    const WindowPlacement right
        = KeepOnScreen(WindowPlacement { 100, 1900, 300, 200, 0 }, QRect(1920, 0, 1280, 1024));
    EXPECT_EQ(right.left, 1932);
    EXPECT_EQ(right.top, 100);
}

TEST(WindowPlacementTest, StoreRoundTripUnderComponentName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SettingsStore store(dir.filePath("settings.ini"));

    const WindowPlacement fallback { 50, 60, 640, 480, 0 };
    EXPECT_EQ(ReadPlacement(store, "DisplayForm", fallback, kScreen), fallback);

    WritePlacement(store, "DisplayForm", WindowPlacement { 100, 200, 720, 540, 0x03E800D8 }, true);
    EXPECT_EQ(store.readString("Desktop", "DisplayForm"), "100,200,720,540,65536216");
    EXPECT_EQ(ReadPlacement(store, "DisplayForm", fallback, kScreen),
        (WindowPlacement { 100, 200, 720, 540, 0x03E800D8 }));

    WritePlacement(store, "AboutBox", WindowPlacement { -5, 3000, 720, 540, 9 }, false);
    EXPECT_EQ(ReadPlacement(store, "AboutBox", fallback, kScreen), (WindowPlacement { 12, 12, 640, 480, 9 }));
}

} // namespace
} // namespace fw
