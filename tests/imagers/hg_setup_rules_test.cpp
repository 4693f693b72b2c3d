#include <gtest/gtest.h>

#include <QDateTime>

#include "imagers/hg/hg_exposure.h"
#include "imagers/hg/hg_irig_time.h"
#include "imagers/hg/hg_setup_values.h"

namespace fw {
namespace {

constexpr int kExternal = 0;
constexpr int k250 = 1; // old models' rate list: External, 250, 500, 1000
constexpr int k1000Old = 3;
constexpr int k30 = 1; // new models' rate list: External, 30 ... 2000
constexpr int k2000 = 7;

TEST(HGExposureTest, NormalTrackMaximumFollowsTypeAndRate)
{
    for (int type : { 4, 5, 6 }) {
        EXPECT_EQ(HGNormalExposureTrack(type, kExternal).maximum_us, 29998);
        EXPECT_EQ(HGNormalExposureTrack(type, k30).maximum_us, 32763);
        EXPECT_EQ(HGNormalExposureTrack(type, k2000).maximum_us, 483) << "2000 fps leaves 483 us";
        EXPECT_EQ(HGNormalExposureTrack(type, k2000).minimum_us, 0);
    }
    EXPECT_EQ(HGNormalExposureTrack(3, kExternal).maximum_us, 29998);
    EXPECT_EQ(HGNormalExposureTrack(3, k250).maximum_us, 3983);
    EXPECT_EQ(HGNormalExposureTrack(3, k1000Old).maximum_us, 983);
    for (int type : { 1, 2 }) {
        EXPECT_EQ(HGNormalExposureTrack(type, kExternal).maximum_us, 100);
        EXPECT_EQ(HGNormalExposureTrack(type, k250).maximum_us, 3100);
        EXPECT_EQ(HGNormalExposureTrack(type, k1000Old).maximum_us, 100);
    }
    // A rate that could not be read counts as the external clock.
    EXPECT_EQ(HGNormalExposureTrack(4, -1).maximum_us, 29998);
}

TEST(HGExposureTest, NormalPositionsSnapToWhatTheImagerTakes)
{
    EXPECT_EQ(SnapNormalExposure(4, k30, 1), 1);
    EXPECT_EQ(HGExposureText(1), "External");
    EXPECT_EQ(HGExposureText(0), "External");
    EXPECT_EQ(SnapNormalExposure(4, k30, 10), 23) << "type 4 snaps up to 23";
    EXPECT_EQ(SnapNormalExposure(3, k250, 2), 23);
    EXPECT_EQ(SnapNormalExposure(1, k250, 10), 50) << "types 1 and 2 snap up to 50";
    EXPECT_EQ(SnapNormalExposure(2, k250, 49), 50);
    EXPECT_EQ(SnapNormalExposure(4, k30, 24), 24);
    EXPECT_EQ(SnapNormalExposure(4, k2000, 900), 483);
    EXPECT_EQ(HGExposureText(483), "483");
}

TEST(HGExposureTest, LowLightTrackLimitsByType)
{
    EXPECT_EQ(HGLowLightExposureTrack(1).minimum_us, 50);
    EXPECT_EQ(HGLowLightExposureTrack(2).maximum_us, 20000);
    EXPECT_EQ(HGLowLightExposureTrack(5).minimum_us, 23);
    EXPECT_EQ(HGLowLightExposureTrack(3).maximum_us, 19983);
}

TEST(HGSetupValuesTest, ByteRegistersAndSplitFrameCounts)
{
    EXPECT_EQ(CapRegisterByte(300), 255);
    EXPECT_EQ(CapRegisterByte(255), 255);
    EXPECT_EQ(CapRegisterByte(7), 7);
    // Split frames: 8/3 as many on, 3/8 off, rounded.
    EXPECT_EQ(RescaleForSplitFrames(300, true), 800);
    EXPECT_EQ(RescaleForSplitFrames(800, false), 300);
    EXPECT_EQ(RescaleForSplitFrames(100, true), 267);
    EXPECT_EQ(RescaleForSplitFrames(267, false), 100);
    EXPECT_EQ(RescaleForSplitFrames(1, false), 0);
}

TEST(HGSetupValuesTest, ListsHoldTheirChoicesInRegisterOrder)
{
    const QStringList delays = HGRecordDelayNames();
    ASSERT_EQ(delays.size(), 101);
    EXPECT_EQ(delays.front(), "none");
    EXPECT_EQ(delays[1], "54");
    EXPECT_EQ(delays.back(), "5400");
    EXPECT_EQ(HGPlayRateNames().back(), "30 fps");
    EXPECT_EQ(HGAutoSaveNames()[kHGAutoSaveDisabled], "disabled");
    EXPECT_EQ(HGWhiteBalanceNames()[kHGWhitePatchBalance], "White Patch");
}

TEST(HGSetupValuesTest, RearPanelRegisters)
{
    EXPECT_EQ(HGAutoAcqValue(HGOneButtonMode::Off, true), 1u);
    EXPECT_EQ(HGAutoAcqValue(HGOneButtonMode::RecordPlay, false), 256u);
    EXPECT_EQ(HGAutoAcqValue(HGOneButtonMode::RecordDownload, true), 257u);
    EXPECT_EQ(HGOneButtonModeOf(257, 1), HGOneButtonMode::RecordDownload);
    EXPECT_EQ(HGOneButtonModeOf(256, 0), HGOneButtonMode::RecordPlay);
    EXPECT_EQ(HGOneButtonModeOf(1, 1), HGOneButtonMode::Off);
    EXPECT_EQ(HGOneButtonModeOf(-1, 1), HGOneButtonMode::Off) << "a failed read";
    EXPECT_TRUE(HGAutoAcqExposure(257));
    EXPECT_FALSE(HGAutoAcqExposure(256));
    EXPECT_FALSE(HGAutoAcqExposure(-1));
}

TEST(HGSetupValuesTest, ColourBalanceNeedsAClockAndAnExposureOfItsOwn)
{
    EXPECT_TRUE(ColourBalancePossible(0, 6, 500));
    EXPECT_FALSE(ColourBalancePossible(1, 6, 500)) << "frame sync";
    EXPECT_FALSE(ColourBalancePossible(0, 0, 500)) << "external rate";
    EXPECT_FALSE(ColourBalancePossible(0, 6, 0)) << "external exposure";
    EXPECT_TRUE(ColourBalancePossible(-1, -1, -1)) << "failed reads do not stop it";
    EXPECT_TRUE(ColourBalanceSettingsText().startsWith(
        "Please check the following settings on the Recording page:\n"));
}

TEST(HGSetupValuesTest, CommandArgumentsAndPackedRegisters)
{
    EXPECT_EQ(HGAutoExposureArgument(983, 128), "001703D780");
    EXPECT_EQ(HGCardDownloadArgument(-5, 14, false), "FFFB000E01");
    EXPECT_EQ(HGCardDownloadArgument(0, 9, true), "0000000903");
    EXPECT_EQ(HGDownloadRangeValue(2, 17), 0x00020011u);
    EXPECT_EQ(HGDownloadRangeFirst(0x00020011), 2);
    EXPECT_EQ(HGDownloadRangeLast(0x00020011), 17);
    EXPECT_EQ(HGPatchMoveValue(300, 100), 300u - 8 + (100u - 8) * 65536);
    EXPECT_EQ(HGPatchMoveValue(3, 5), 0u) << "the patch stays on the image";
    EXPECT_EQ(HGCardPathText("[ROOT]"), "\\");
    EXPECT_EQ(HGCardPathText("\\SESS1\\"), "SESS1");
}

TEST(HGSetupValuesTest, ClockRegistersAreBcd)
{
    EXPECT_EQ(HGDateText(0x123199), "12/31/99");
    EXPECT_EQ(HGTimeText(0x235907), "23:59:07");
    EXPECT_EQ(HGDateRegisterOf("02/29/24"), 0x022924u);
    EXPECT_EQ(HGTimeRegisterOf("08:05:00"), 0x080500u);
    EXPECT_FALSE(HGDateRegisterOf("13/01/24"));
    EXPECT_FALSE(HGTimeRegisterOf("24:00:00"));
    EXPECT_FALSE(HGTimeRegisterOf("noon"));
}

TEST(HGSetupValuesTest, StatusTexts)
{
    EXPECT_EQ(HGTemperatureText(31), QString("31") + QChar(0xBA) + " C");
    EXPECT_EQ(HGButtonForState(1), HGStateButton::LiveLow);
    EXPECT_EQ(HGButtonForState(3), HGStateButton::Ready);
    EXPECT_EQ(HGButtonForState(4), HGStateButton::None);
    EXPECT_EQ(HGButtonForState(6), HGStateButton::Play);
    EXPECT_EQ(HGButtonForState(5), HGStateButton::Stop);
    EXPECT_EQ(HGButtonForState(10), HGStateButton::Stop);
    EXPECT_TRUE(HGRecordingPresent(4));
    EXPECT_TRUE(HGRecordingPresent(9));
    EXPECT_FALSE(HGRecordingPresent(3));
    EXPECT_FALSE(HGRecordingPresent(10));
}

TEST(HGIrigTimeTest, SettingTextHoldsTenthsOfAMillisecond)
{
    EXPECT_EQ(HGIrigTimeArgument({ 7, 12, 30, 45, 12.3 }), "00070C1E2D007B") << "12.3 ms is 123 tenths";
    EXPECT_EQ(HGIrigTimeArgument({ 365, 23, 59, 59, 999.96 }), "016D173B3B2710") << "rounded";
}

TEST(HGIrigTimeTest, RegisterTextIsReadByPosition)
{
    const auto time = ParseHGIrigTime("0000070C1E2D0000300C");
    ASSERT_TRUE(time);
    EXPECT_EQ(time->day, 7);
    EXPECT_EQ(time->hours, 12);
    EXPECT_EQ(time->minutes, 30);
    EXPECT_EQ(time->seconds, 45);
    EXPECT_DOUBLE_EQ(time->milliseconds, 12.3);
    EXPECT_EQ(HGIrigMillisecondsText(time->milliseconds), "12.3");
    EXPECT_FALSE(ParseHGIrigTime("0000070C1E2D0000300")) << "short";
    EXPECT_FALSE(ParseHGIrigTime("000XYZ0C1E2D0000300C"));
    EXPECT_FALSE(ParseHGIrigTime(""));
}

TEST(HGIrigTimeTest, ComputerClockCountsDaysFromTheFirstOfJanuary)
{
    EXPECT_EQ(HGIrigTimeOf(QDateTime(QDate(2024, 1, 1), QTime(0, 0))).day, 0);
    const HGIrigTime march = HGIrigTimeOf(QDateTime(QDate(2024, 3, 1), QTime(13, 14, 15, 678)));
    EXPECT_EQ(march.day, 60) << "a leap year";
    EXPECT_EQ(march.hours, 13);
    EXPECT_EQ(march.seconds, 15);
    EXPECT_DOUBLE_EQ(march.milliseconds, 678.0);
}

} // namespace
} // namespace fw
