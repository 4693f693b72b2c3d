#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace fw {

// The automatic cut-off by residual analysis (Winter's method). For each candidate cut-off the
// series are run through the zero-lag Butterworth filter and the RMS of what it took away (the
// residual) is measured. Where the filter removes noise only, the residual falls along a straight
// line towards half the sample rate; that line, fitted by least squares, meets 0 Hz at about the
// noise's RMS (its intercept). The cut-off chosen is the lowest at which the residual comes down to the
// intercept: below it the filter starts removing signal.
//
// Candidates run from rate / 500 to 0.49 x rate in steps of rate / 500; the noise line is fitted
// to the candidates from rate / 4 up. The crossing is refined between the two candidates around
// it and rounded to three significant digits, and that rounded cut-off is the one the filter
// uses. A residual already at the intercept at the lowest candidate (nothing but noise above a
// slow trend) gives the lowest candidate.
struct ResidualAnalysis {
    double cutoff_hz = 0.0;
    double intercept = 0.0;
    double slope_per_hz = 0.0;
    std::vector<double> candidates_hz;
    std::vector<double> residuals;
};

// Fewer samples than this give no noise line worth the name.
constexpr size_t kMinAutoSamples = 16;

// Several series (X and Y of one point) share one cut-off: their residuals are pooled. Every
// series has the same length, at least kMinAutoSamples, and finite values.
ResidualAnalysis AnalyseResiduals(std::span<const std::vector<double>> series, double sample_rate_hz);

// RMS of what the zero-lag Butterworth filter at a cut-off takes away from the series.
double ResidualRms(std::span<const std::vector<double>> series, double cutoff_hz, double sample_rate_hz);

} // namespace fw
