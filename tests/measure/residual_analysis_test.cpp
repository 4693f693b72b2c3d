// The automatic cut-off on signals whose content is known.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "filter_test_signals.h"
#include "measure/residual_analysis.h"
#include "measure/track_filter.h"
#include "support/fw_error.h"

namespace fw {
namespace {

constexpr double kPi = std::numbers::pi;

// Two and five hertz, sampled at 200 Hz for two seconds.
double Slow(int i)
{
    const double t = i / 200.0;
    return std::sin(2.0 * kPi * 2.0 * t) + 0.5 * std::sin(2.0 * kPi * 5.0 * t);
}

TEST(ResidualAnalysis, FindsTheNoiseAndACutOffAboveTheSignal)
{
    testing::SeededNoise noise(11, 0.02);
    std::vector<double> truth(400);
    std::vector<double> measured(400);
    for (int i = 0; i < 400; ++i) {
        truth[size_t(i)] = Slow(i);
        measured[size_t(i)] = truth[size_t(i)] + noise();
    }
    const std::array<std::vector<double>, 1> series { measured };
    const ResidualAnalysis analysis = AnalyseResiduals(series, 200.0);
    EXPECT_NEAR(analysis.intercept, 0.02, 0.004) << "the noise line meets 0 Hz near the noise's RMS";
    EXPECT_LT(analysis.slope_per_hz, 0.0);
    EXPECT_GT(analysis.cutoff_hz, 6.0) << "keeps the 5 Hz content";
    EXPECT_LT(analysis.cutoff_hz, 20.0) << "and drops most of the noise";
    EXPECT_EQ(analysis.candidates_hz.front(), 0.4);
    EXPECT_DOUBLE_EQ(analysis.candidates_hz.back(), 98.0);
    EXPECT_GT(analysis.residuals.front(), 0.3) << "a cut-off far below the signal takes the signal away";

    const FilteredPositions filtered = FilterPositions(measured, measured, 200.0, { FilterKind::Auto, 0.0 });
    ASSERT_TRUE(filtered.cutoff_hz);
    EXPECT_DOUBLE_EQ(*filtered.cutoff_hz, analysis.cutoff_hz);
    double error = 0.0;
    for (size_t i = 0; i < truth.size(); ++i)
        error += std::pow(filtered.x[i] - truth[i], 2.0);
    EXPECT_LT(std::sqrt(error / double(truth.size())), 0.75 * 0.02) << "closer to the truth than the samples";
}

TEST(ResidualAnalysis, TheCutOffIsRoundedToWhatTheLabelShows)
{
    testing::SeededNoise noise(5, 0.3);
    std::vector<double> x(250);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = 40.0 * std::sin(2.0 * kPi * 7.0 * double(i) / 1000.0) + noise();
    const std::array<std::vector<double>, 1> series { x };
    const double cutoff_hz = AnalyseResiduals(series, 1000.0).cutoff_hz;
    EXPECT_EQ(QString::number(cutoff_hz, 'g', 3).toDouble(), cutoff_hz);
    EXPECT_GT(cutoff_hz, 7.0);
}

TEST(ResidualAnalysis, NeedsEnoughSamples)
{
    const std::vector<double> few(kMinAutoSamples - 1, 1.0);
    try {
        FilterPositions(few, few, 1000.0, { FilterKind::Auto, 0.0 });
        FAIL() << "too few samples were filtered";
    } catch (const Error& refusal) {
        EXPECT_TRUE(refusal.message().contains("at least 16 samples")) << refusal.what();
    }
    const std::vector<double> still(kMinAutoSamples, 2.5);
    const FilteredPositions flat = FilterPositions(still, still, 1000.0, { FilterKind::Auto, 0.0 });
    EXPECT_EQ(flat.cutoff_hz, 2.0) << "nothing to remove: the lowest candidate";
    for (double value : flat.x)
        EXPECT_NEAR(value, 2.5, 1e-12);
}

} // namespace
} // namespace fw
