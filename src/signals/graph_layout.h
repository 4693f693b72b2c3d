#pragma once

#include <cstdint>
#include <vector>

#include <QColor>
#include <QString>

namespace fw {

// At most this many signals share one chart.
constexpr int kMaxGraphSignals = 6;

// The colour of the signal at a position in the chart: black, green, red, blue, yellow, lime.
QColor SignalColor(int position);

// One value axis of the chart: the plot area it sits in and the signals (chart positions) it
// carries.
struct AxisPlan {
    int area = 0;
    std::vector<int> members;
};

// How the signals of a chart are spread over plot areas and value axes. The overlay signals
// come first: they share the first plot area, on one axis when share_first_axis is set or on
// overlapping axes each with its own scale; every further signal gets an area of its own.
struct GraphLayoutPlan {
    int area_count = 0;
    std::vector<AxisPlan> axes;
    // Each area's share of the chart's height.
    double AreaHeight() const { return area_count > 0 ? 1.0 / area_count : 0.0; }
    // The axis carrying a signal, or -1.
    int AxisOf(int signal) const;
};

GraphLayoutPlan PlanGraphLayout(int signal_count, int overlay_count, bool share_first_axis);
// Signals of one group share a plot area and one axis; the areas follow the order in which
// their groups first appear.
GraphLayoutPlan PlanGroupedLayout(const std::vector<int>& group_of_signal);

// The samples of one plotted signal sit at first_ms + k × period_ms.
struct SampleTimes {
    double first_ms = 0.0;
    double period_ms = 0.0;
    int32_t count = 0;

    double TimeOf(int64_t k) const { return first_ms + double(k) * period_ms; }
    // The sample nearest a time, within 0 .. count − 1; -1 without samples.
    int32_t NearestPoint(double time_ms) const;
    // The run of samples whose time lies within [low_ms, high_ms]; empty when last < first.
    void PointsWithin(double low_ms, double high_ms, int32_t& first, int32_t& last) const;
};

// The first point of smallest (or largest) value among points first .. last, gaps (NaN)
// skipped; 0 when the range holds no value.
int32_t ExtremePoint(const std::vector<double>& values, int32_t first, int32_t last, bool largest);

// A read-out number: fixed point with 3 decimals, rounded to 6 significant digits first; an
// exponent form when the number has more than 6 integer digits.
QString ReadoutNumber(double value);

// The "X" and "Y" read-outs of the status bar. The mouse parts show only when given.
QString XReadout(double cursor_x, const double* mouse_x, const QString& x_label);
QString YReadout(double cursor_y, const double* mouse_y, const QString& y_label);

} // namespace fw
