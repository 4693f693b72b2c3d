#include <cmath>
#include <cstdlib>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "clips/processing_color_pick.h"
#include "clips/processing_color_table.h"
#include "clips/processing_controls.h"
#include "clips/processing_pipeline.h"
#include "support/settings_store.h"

using namespace fw;

TEST(ColorPick, GainsBringThePixelToTheTarget)
{
    struct Case {
        int temperature;
        float gamma;
        PixelColor pixel;
        PixelColor target;
    };
    const Case cases[] = {
        { 2, 1.8F, { 120, 90, 60 }, { 200, 200, 200 } },
        { 0, 1.0F, { 40, 200, 250 }, { 128, 64, 32 } },
        { 1, 2.4F, { 250, 30, 17 }, { 10, 240, 128 } },
        { 3, 0.6F, { 77, 77, 77 }, { 255, 0, 90 } },
    };
    for (const Case& c : cases) {
        ProcessingPipeline pipeline;
        pipeline.SetColorTemperature(c.temperature);
        pipeline.SetGamma(c.gamma);
        const ChannelGains gains = GainsForTargetColor(pipeline.Levels(), c.gamma, c.pixel, c.target);
        pipeline.SetGains(gains[0], gains[1], gains[2]);
        uint8_t bgr[3] = {};
        pipeline.ProcessPixel(bgr, c.pixel[0], c.pixel[1], c.pixel[2], 0);
        // Truncation and the limits of the table may leave one step short of the target.
        for (int ch = kRed; ch <= kBlue; ++ch)
            EXPECT_LE(std::abs(int(bgr[2 - ch]) - int(c.target[size_t(ch)])), 1)
                << "temperature " << c.temperature << " channel " << ch;
    }
}

TEST(ColorPick, ChannelsAtOrBelowBlackKeepGainOneAndMakeGrayAverages)
{
    const ChannelGains dark = GainsForTargetColor(ToneLevels {}, 1.8F, { 16, 10, 0 }, { 0, 200, 200 });
    EXPECT_LT(dark[0], 0.0F); // the gamma step alone already lifts it above the target
    EXPECT_EQ(dark[1], 1.0F);
    EXPECT_EQ(dark[2], 1.0F);
    EXPECT_EQ(GreyTargetOf({ 100, 60, 51 }), (PixelColor { 67, 67, 67 }));
}

TEST(ColorPick, SplitKeepsChannelGainsUnderFiveAndBrightnessAtMostTwoAndAHalf)
{
    // Green raises the brightness again after red did.
    BrightnessSplit split = SplitGains({ 5.0F, 7.0F, 1.0F }, 1.0F);
    EXPECT_FLOAT_EQ(split.brightness, 7.0F / 4.95F);
    EXPECT_FLOAT_EQ(split.channel_gains[1], 4.95F);
    EXPECT_FALSE(split.inaccurate);
    split = SplitGains({ 20.0F, 1.0F, 1.0F }, 1.0F);
    EXPECT_TRUE(split.inaccurate);
    EXPECT_EQ(split.brightness, 2.5F);
    EXPECT_FLOAT_EQ(split.channel_gains[0], 8.0F);
    // A brightness of zero or below would divide the gains away.
    for (const float brightness : { 0.0F, -0.5F }) {
        split = SplitGains({ 2.0F, 0.5F, 1.0F }, brightness);
        EXPECT_EQ(split.brightness, 1.0F);
        EXPECT_EQ(split.channel_gains, (ChannelGains { 2.0F, 0.5F, 1.0F }));
    }
}

TEST(TrackBars, ValuesAndPositionsMapBothWays)
{
    EXPECT_FLOAT_EQ(TrackValue(TrackTag::Brightness, 250), 1.0F);
    EXPECT_FLOAT_EQ(TrackValue(TrackTag::Gamma, 0), -0.5F);
    EXPECT_FLOAT_EQ(TrackValue(TrackTag::RedGain, 0), -3.0F);
    EXPECT_FLOAT_EQ(TrackValue(TrackTag::Sharpness, 100), 2.0F);
    for (int tag = 0; tag <= 5; ++tag)
        for (int32_t p = 0; p <= kTrackMax; ++p)
            ASSERT_EQ(TrackPosition(TrackTag(tag), TrackValue(TrackTag(tag), p)), p) << tag;

    EXPECT_EQ(TrackPosition(TrackTag::GreenGain, 100.0F), 500);
    EXPECT_EQ(TrackPosition(TrackTag::Brightness, std::nanf("")), 250);
    EXPECT_FALSE(TrackChangeTaken(1.0F, 1.009F));
    EXPECT_TRUE(TrackChangeTaken(1.0F, 0.985F));
}

TEST(ColorTable, StoredColoursAreBlueGreenRedWithWhiteAsEmpty)
{
    EXPECT_EQ(CustomColorFromText("0000ff"), QColor(255, 0, 0));
    for (const char* empty : { "FFFFFF", "1000000", "", "xyz", "-1", "FFFFFFFFFF" })
        EXPECT_FALSE(CustomColorFromText(empty).has_value()) << empty;

    QTemporaryDir dir;
    SettingsStore store(dir.filePath("store.ini"));
    const CustomColors defaults = ReadCustomColors(store);
    EXPECT_EQ(defaults[1], QColor(0xF8, 0xF8, 0x68));
    EXPECT_FALSE(defaults[3].has_value());

    CustomColors colors;
    colors[5] = QColor(10, 20, 30);
    colors[15] = QColor(0, 0, 0);
    WriteCustomColors(store, colors);
    EXPECT_EQ(store.readString("ColorTable", "ColorP"), "000000");
    EXPECT_EQ(ReadCustomColors(store), colors);
}
