#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "measure/scale_calibration.h"

namespace fw {
namespace {

TEST(ScaleCalibration, TwoClicksMeasureTheLengthAndGiveTheFactor)
{
    ScaleCalibration scale;
    EXPECT_FALSE(scale.Click({ 10, 20 }));
    EXPECT_TRUE(scale.Click({ 160, 220 })); // 150 x 200
    EXPECT_DOUBLE_EQ(scale.ImageLengthPx(), 250.0);
    ASSERT_TRUE(scale.FactorFor(100.0));
    EXPECT_DOUBLE_EQ(*scale.FactorFor(100.0), 0.4);
    EXPECT_DOUBLE_EQ(*scale.FactorFor(-100.0), 0.4) << "the sign of the known length does not count";
}

TEST(ScaleCalibration, NoFactorUntilBothLengthsAreAboveZero)
{
    ScaleCalibration scale;
    EXPECT_FALSE(scale.FactorFor(100.0)) << "nothing clicked";
    scale.Click({ 5, 5 });
    EXPECT_FALSE(scale.FactorFor(100.0)) << "one end only";
    scale.Click({ 5, 5 });
    EXPECT_EQ(scale.ImageLengthPx(), 0.0);
    EXPECT_FALSE(scale.FactorFor(100.0)) << "both ends on one pixel";
    scale.Click({ 0, 0 });
    scale.Click({ 3, 4 });
    EXPECT_FALSE(scale.FactorFor(0.0));
    EXPECT_FALSE(scale.FactorFor(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_DOUBLE_EQ(*scale.FactorFor(1.0), 0.2);
}

TEST(ScaleCalibration, EachPairMeasuresAgainAndRestartDropsAHalfPair)
{
    ScaleCalibration scale;
    scale.Click({ 0, 0 });
    scale.Click({ 0, 10 });
    EXPECT_FALSE(scale.Click({ 100, 100 }));
    EXPECT_DOUBLE_EQ(scale.ImageLengthPx(), 10.0) << "a half pair keeps the last length";
    EXPECT_TRUE(scale.Click({ 100, 130 }));
    EXPECT_DOUBLE_EQ(scale.ImageLengthPx(), 30.0);

    scale.Click({ 50, 50 });
    scale.Restart();
    EXPECT_FALSE(scale.Click({ 0, 0 })) << "the first end again";
    EXPECT_TRUE(scale.Click({ 6, 8 }));
    EXPECT_DOUBLE_EQ(scale.ImageLengthPx(), 10.0);
}

} // namespace
} // namespace fw
