#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "clips/processing_pipeline.h"
#include "clips/processing_tone.h"

using namespace fw;

namespace {

ToneLevels NoneLevels()
{
    ToneLevels levels;
    levels.white = kColorTemperatures[0].white;
    return levels;
}

void ExpectMonotone(const ToneTable& table)
{
    for (size_t i = 1; i < table.size(); ++i)
        ASSERT_LE(table[i - 1], table[i]) << "entry " << i;
}

} // namespace

TEST(ToneTables, FactorsFollowTheWhiteAndBlackLevels)
{
    const ToneLevels none = NoneLevels();
    EXPECT_FLOAT_EQ(ToneFactor(none, kRed, 1.0F), 255.0F / 240.0F);
    EXPECT_FLOAT_EQ(ToneFactor(none, kGreen, 1.0F), 255.0F / 245.0F);
    EXPECT_FLOAT_EQ(ToneFactor(none, kBlue, 1.0F), 1.0F);

    const ToneLevels tungsten; // the default white levels
    EXPECT_FLOAT_EQ(ToneFactor(tungsten, kRed, 1.0F), 255.0F / 240.0F);
    EXPECT_FLOAT_EQ(ToneFactor(tungsten, kBlue, 1.0F), 221.0F / 88.0F);
    EXPECT_FLOAT_EQ(ToneFactor(tungsten, kGreen, 2.0F), 2.0F * 211.0F / 190.0F * 255.0F / 245.0F);
    EXPECT_FLOAT_EQ(LevelFactor(tungsten, kBlue), 221.0F / 88.0F);
}

TEST(ToneTables, GammaStepIsAddedToTheScaledValue)
{
    EXPECT_EQ(GammaStep(0, 1.8F), 0);
    EXPECT_EQ(GammaStep(1, 1.8F), 10);
    EXPECT_EQ(GammaStep(128, 1.8F), 45);
    EXPECT_EQ(GammaStep(255, 1.8F), 0);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(GammaStep(i, 1.0F), 0) << i;

    ProcessingPipeline pipeline;
    pipeline.SetColorTemperature(0);
    // Red: (i - 15) x 1.0625 + d(i); green's factor is single precision, so white lands on 254.
    const ToneTable& red = pipeline.Table(kRed);
    EXPECT_EQ(red[0], 0);
    EXPECT_EQ(red[15], 37);
    EXPECT_EQ(red[16], 39);
    EXPECT_EQ(red[100], 141);
    EXPECT_EQ(red[255], 255);
    const ToneTable& green = pipeline.Table(kGreen);
    EXPECT_EQ(green[10], 32);
    EXPECT_EQ(green[100], 144);
    EXPECT_EQ(green[255], 254);
    EXPECT_EQ(pipeline.Table(kBlue)[0], 0);
    EXPECT_EQ(pipeline.Table(kBlue)[128], 173);

    pipeline.SetColorTemperature(kTungstenIndex);
    pipeline.SetGamma(1.0F);
    const ToneTable& blue = pipeline.Table(kBlue);
    EXPECT_EQ(blue[1], 2);
    EXPECT_EQ(blue[50], 125);
    EXPECT_EQ(blue[101], 253);
    EXPECT_EQ(blue[102], 255);
}

TEST(ToneTables, GammaNotAboveZeroCountsAsOneThousandth)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const float gamma : { 0.0F, -2.0F, nan }) {
        EXPECT_EQ(EffectiveGamma(gamma), 0.001F);
        for (int i : { 1, 128, 254, 255 })
            EXPECT_EQ(GammaStep(i, gamma), GammaStep(i, 0.001F)) << gamma << " " << i;
    }
    // Such a steep curve pushes every value below white to black.
    EXPECT_EQ(GammaStep(128, 0.0F), -128);
    EXPECT_EQ(GammaStep(255, 0.0F), 0);
    EXPECT_EQ(GammaStep(10, std::numeric_limits<float>::infinity()), 245);
}

TEST(ToneTables, GainsAtTheEdgesGiveWholeTables)
{
    ProcessingPipeline pipeline(WhiteLevelSource::Full);
    pipeline.SetGamma(1.0F);
    pipeline.SetGains(0.0F, 0.0F, 0.0F);
    for (int c = kRed; c <= kBlue; ++c)
        for (uint8_t entry : pipeline.Table(c))
            ASSERT_EQ(entry, 0);

    const float inf = std::numeric_limits<float>::infinity();
    pipeline.SetGains(1e30F, inf, -inf);
    EXPECT_EQ(pipeline.Table(kRed)[15], 0);
    EXPECT_EQ(pipeline.Table(kRed)[16], 255);
    EXPECT_EQ(pipeline.Table(kGreen)[9], 0);
    EXPECT_EQ(pipeline.Table(kGreen)[10], 0);
    EXPECT_EQ(pipeline.Table(kGreen)[11], 255);
    EXPECT_EQ(pipeline.Table(kBlue)[255], 0);

    pipeline.SetGains(std::numeric_limits<float>::quiet_NaN(), 1.0F, 1.0F);
    for (uint8_t entry : pipeline.Table(kRed))
        ASSERT_EQ(entry, 0);
    EXPECT_EQ(pipeline.Table(kGreen)[255], 254);
}

TEST(ToneTables, BlackAtOrAboveWhiteStaysFiniteAndOrdered)
{
    ProcessingPipeline pipeline;
    pipeline.SetGamma(1.0F);
    pipeline.SetBlackLevels({ 200, 255, 90 });
    pipeline.SetWhiteLevels({ 100, 255, 90 });
    for (int c = kRed; c <= kBlue; ++c) {
        const ToneTable& table = pipeline.Table(c);
        ExpectMonotone(table);
        EXPECT_EQ(table[0], 0) << c;
    }
    EXPECT_EQ(pipeline.Table(kRed)[200], 0);
    EXPECT_EQ(pipeline.Table(kRed)[201], 255);
    EXPECT_EQ(pipeline.Table(kBlue)[91], 255);
    for (int c = kRed; c <= kBlue; ++c) {
        EXPECT_TRUE(std::isfinite(LevelFactor(pipeline.Levels(), c)));
        EXPECT_GT(LevelFactor(pipeline.Levels(), c), 0.0F);
    }
}

TEST(ToneTables, GreyFramesUseTheGreenGainInEveryTable)
{
    ProcessingPipeline pipeline(WhiteLevelSource::Full);
    pipeline.SetGamma(1.0F);
    pipeline.SetGains(0.5F, 2.0F, 0.25F);
    pipeline.SetGreyFrames(true);
    // k = 2 x 255 / 245 for all three; each table keeps its own black level.
    EXPECT_EQ(pipeline.Table(kGreen)[60], 104);
    EXPECT_EQ(pipeline.Table(kRed)[60], 93);
    EXPECT_EQ(pipeline.Table(kBlue)[60], 124);
    EXPECT_EQ(pipeline.ProcessGrey(60, 0), 104);
    EXPECT_EQ(pipeline.ProcessGrey(58, 2), 104);
}
