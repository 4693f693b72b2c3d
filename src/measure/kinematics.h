#pragma once

#include <QString>

#include <optional>
#include <span>
#include <vector>

#include "measure/filter_choice.h"

namespace fw {

// One position of a point at a time.
struct PositionSample {
    double time_ms = 0.0;
    double x = 0.0;
    double y = 0.0;
};

// A sample after the filter, with its derivatives per second and per second squared; nothing
// where a neighbour they need is missing or the difference is too large for a double.
struct KinematicsRow {
    double time_ms = 0.0;
    double x = 0.0;
    double y = 0.0;
    std::optional<double> vx;
    std::optional<double> vy;
    std::optional<double> ax;
    std::optional<double> ay;
};

struct Kinematics {
    std::vector<KinematicsRow> rows;
    // The cut-off the automatic choice settled on.
    std::optional<double> cutoff_hz;
    // What to beware of; empty when nothing.
    QString warning;
};

// Steps between samples may differ from the usual (median) step by this share of it (times
// written with few decimals), never more.
constexpr double kSpacingTolerance = 0.01;

// The rate of samples at equal steps; fails (fw::Error) naming the first step that is not
// equal, or a time that does not increase. Needs at least two samples.
double EqualSpacingRateHz(std::span<const PositionSample> samples);

// The positions through the filter, then velocity from the previous sample and acceleration by
// the second derivative over three samples, as the data sheet takes them. Fails (fw::Error) for
// unequal spacing or a filter that refuses the rate.
Kinematics ComputeKinematics(std::span<const PositionSample> samples, const FilterChoice& choice);

} // namespace fw
