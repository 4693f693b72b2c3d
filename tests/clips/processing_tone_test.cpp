#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "clips/processing_pipeline.h"
#include "clips/processing_tone.h"

using namespace fw;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

void ExpectTable(const ToneTable& table, std::initializer_list<std::pair<int, int>> entries)
{
    for (const auto& [i, value] : entries)
        EXPECT_EQ(table[size_t(i)], value) << "entry " << i;
}

} // namespace

TEST(ToneTables, GammaStepIsAddedToTheScaledValue)
{
    EXPECT_EQ(GammaStep(0, 1.8F), 0);
    EXPECT_EQ(GammaStep(1, 1.8F), 10);
    EXPECT_EQ(GammaStep(128, 1.8F), 45);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(GammaStep(i, 1.0F), 0) << i;

    ProcessingPipeline pipeline;
    pipeline.SetColorTemperature(0);
    // Red: (i - 15) x 1.0625 + d(i). Green's factor is single precision, so white lands on 254.
    ExpectTable(pipeline.Table(kRed), { { 0, 0 }, { 15, 37 }, { 16, 39 }, { 100, 141 }, { 255, 255 } });
    ExpectTable(pipeline.Table(kGreen), { { 10, 32 }, { 100, 144 }, { 255, 254 } });
    ExpectTable(pipeline.Table(kBlue), { { 0, 0 }, { 128, 173 } });
    pipeline.SetColorTemperature(kTungstenIndex);
    pipeline.SetGamma(1.0F);
    ExpectTable(pipeline.Table(kBlue), { { 1, 2 }, { 50, 125 }, { 101, 253 }, { 102, 255 } });
}

TEST(ToneTables, GammaNotAboveZeroCountsAsOneThousandth)
{
    for (const float gamma : { 0.0F, -2.0F, kNan }) {
        EXPECT_EQ(EffectiveGamma(gamma), 0.001F);
        for (int i : { 1, 128, 254, 255 })
            EXPECT_EQ(GammaStep(i, gamma), GammaStep(i, 0.001F)) << gamma << " " << i;
    }
    EXPECT_EQ(GammaStep(128, 0.0F), -128);
    EXPECT_EQ(GammaStep(10, kInf), 245);
}

TEST(ToneTables, GainsAtTheEdgesGiveWholeTables)
{
    ProcessingPipeline pipeline(WhiteLevelSource::Full);
    pipeline.SetGamma(1.0F);
    pipeline.SetGains(0.0F, 0.0F, 0.0F);
    for (int c = kRed; c <= kBlue; ++c)
        EXPECT_EQ(pipeline.Table(c), ToneTable {});
    pipeline.SetGains(1e30F, kInf, -kInf);
    ExpectTable(pipeline.Table(kRed), { { 15, 0 }, { 16, 255 } });
    ExpectTable(pipeline.Table(kGreen), { { 9, 0 }, { 10, 0 }, { 11, 255 } });
    ExpectTable(pipeline.Table(kBlue), { { 255, 0 } });
    pipeline.SetGains(kNan, 1.0F, 1.0F);
    EXPECT_EQ(pipeline.Table(kRed), ToneTable {});
}

TEST(ToneTables, BlackAtOrAboveWhiteStaysFiniteAndOrdered)
{
    ProcessingPipeline pipeline;
    pipeline.SetGamma(1.0F);
    pipeline.SetBlackLevels({ 200, 255, 90 });
    pipeline.SetWhiteLevels({ 100, 255, 90 });
    for (int c = kRed; c <= kBlue; ++c) {
        const ToneTable& table = pipeline.Table(c);
        for (size_t i = 1; i < table.size(); ++i)
            ASSERT_LE(table[i - 1], table[i]) << "channel " << c << " entry " << i;
        EXPECT_GT(LevelFactor(pipeline.Levels(), c), 0.0F);
        EXPECT_TRUE(std::isfinite(LevelFactor(pipeline.Levels(), c)));
    }
    ExpectTable(pipeline.Table(kRed), { { 200, 0 }, { 201, 255 } });
    ExpectTable(pipeline.Table(kBlue), { { 90, 0 }, { 91, 255 } });
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
    EXPECT_EQ(pipeline.ProcessGrey(58, 2), 104);
}
