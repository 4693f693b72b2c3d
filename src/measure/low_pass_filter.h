#pragma once

#include <QString>

#include <cstddef>
#include <span>
#include <vector>

#include "measure/filter_choice.h"

namespace fw {

// One 2-pole low-pass section: y[t] = a0 x[t] + a1 x[t-1] + a2 x[t-2] + b1 y[t-1] + b2 y[t-2].
struct SecondOrderSection {
    double a0 = 1.0;
    double a1 = 0.0;
    double a2 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
};

// The section of a channel frequency class (60, 180, 600, 1000) at a sample rate, exactly as the
// standard gives it: wd = 2 pi CFC 2.0775, wa = tan(wd T / 2).
SecondOrderSection CfcSection(int cfc, double sample_rate_hz);
// The Butterworth section whose forward-and-backward response is 3 dB down at the cut-off, at
// any rate below twice the cut-off.
SecondOrderSection ButterworthSection(double cutoff_hz, double sample_rate_hz);

// The ends of a series extended by `pad` samples each, so that a filter starts and stops on data
// that continues the series. The samples next to each end are mirrored through the end sample
// (2 x(0) - x(k), which keeps value and slope) with the curvature of the end's trend added back
// (a parabola, or a line for two samples, fitted by least squares to the mirrored samples); a
// pad longer than the series goes on with that trend alone. A straight line or a parabola
// continues unchanged; noise is mirrored, never repeated.
std::vector<double> ReflectionPadded(std::span<const double> values, size_t pad);

// Runs the section forward and then backward over the padded series, so nothing lags; the result
// has the values' length. The straight line from the first to the last value is taken out before
// and put back after, and each run starts in the steady state of the ramp its first two values
// begin, so a steady drift starts no transient. The pad is kept within four lengths of the series
// (at least 4096 samples).
std::vector<double> FilterZeroLag(
    std::span<const double> values, const SecondOrderSection& section, size_t pad_samples);

// A fixed low-pass filter at a rate: its section and how far its ends are padded (three periods
// of the section's design frequency, about thirteen of its time constants).
struct LowPass {
    SecondOrderSection section;
    size_t pad_samples = 0;
};
LowPass CfcLowPass(FilterKind kind, double sample_rate_hz);
LowPass ButterworthLowPass(double cutoff_hz, double sample_rate_hz);

// Whether a filter may run at a sample rate: the reason it may not (empty when it may), and what
// to beware of when it may.
struct RateCheck {
    QString refusal;
    QString warning;
};
// CFC classes are refused at or below 4.155 x CFC and warned about below ten times their -3 dB
// frequency; a Butterworth cut-off must lie below half the rate.
RateCheck CheckSampleRate(const FilterChoice& choice, double sample_rate_hz);

} // namespace fw
