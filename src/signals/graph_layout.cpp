#include "signals/graph_layout.h"

#include <algorithm>
#include <cmath>

namespace fw {

QColor SignalColor(int position)
{
    static const QColor colours[kMaxGraphSignals] = {
        QColor(0, 0, 0),
        QColor(0, 128, 0),
        QColor(255, 0, 0),
        QColor(0, 0, 255),
        QColor(255, 255, 0),
        QColor(0, 255, 0),
    };
    return colours[((position % kMaxGraphSignals) + kMaxGraphSignals) % kMaxGraphSignals];
}

int GraphLayoutPlan::AxisOf(int signal) const
{
    for (size_t axis = 0; axis < axes.size(); ++axis) {
        if (std::find(axes[axis].members.begin(), axes[axis].members.end(), signal)
            != axes[axis].members.end())
            return int(axis);
    }
    return -1;
}

GraphLayoutPlan PlanGraphLayout(int signal_count, int overlay_count, bool share_first_axis)
{
    GraphLayoutPlan plan;
    signal_count = std::max(0, signal_count);
    overlay_count = std::clamp(overlay_count, 0, signal_count);
    int next = 0;
    if (overlay_count > 0) {
        plan.area_count = 1;
        if (share_first_axis) {
            AxisPlan shared;
            for (; next < overlay_count; ++next)
                shared.members.push_back(next);
            plan.axes.push_back(shared);
        } else {
            for (; next < overlay_count; ++next)
                plan.axes.push_back(AxisPlan { 0, { next } });
        }
    }
    for (; next < signal_count; ++next)
        plan.axes.push_back(AxisPlan { plan.area_count++, { next } });
    return plan;
}

GraphLayoutPlan PlanGroupedLayout(const std::vector<int>& group_of_signal)
{
    GraphLayoutPlan plan;
    std::vector<int> groups;
    for (size_t signal = 0; signal < group_of_signal.size(); ++signal) {
        const auto known = std::find(groups.begin(), groups.end(), group_of_signal[signal]);
        if (known == groups.end()) {
            groups.push_back(group_of_signal[signal]);
            plan.axes.push_back(AxisPlan { plan.area_count++, { int(signal) } });
        } else {
            plan.axes[size_t(known - groups.begin())].members.push_back(int(signal));
        }
    }
    return plan;
}

int32_t SampleTimes::NearestPoint(double time_ms) const
{
    if (count <= 0)
        return -1;
    if (!(period_ms > 0.0) || !std::isfinite(time_ms))
        return 0;
    const double k = std::round((time_ms - first_ms) / period_ms);
    if (!(k > 0.0))
        return 0;
    return k >= double(count - 1) ? count - 1 : int32_t(k);
}

void SampleTimes::PointsWithin(double low_ms, double high_ms, int32_t& first, int32_t& last) const
{
    first = 0;
    last = -1;
    if (count <= 0 || !(period_ms > 0.0) || !(low_ms <= high_ms))
        return;
    const double from = std::ceil((low_ms - first_ms) / period_ms - 1e-9);
    const double to = std::floor((high_ms - first_ms) / period_ms + 1e-9);
    if (to < 0.0 || from > double(count - 1) || from > to)
        return;
    first = from <= 0.0 ? 0 : int32_t(from);
    last = to >= double(count - 1) ? count - 1 : int32_t(to);
}

int32_t ExtremePoint(const std::vector<double>& values, int32_t first, int32_t last, bool largest)
{
    first = std::max(first, 0);
    last = std::min<int64_t>(last, int64_t(values.size()) - 1);
    int32_t best = -1;
    for (int32_t k = first; k <= last; ++k) {
        const double value = values[size_t(k)];
        if (std::isnan(value))
            continue;
        // Strict comparison: the first of equal extremes is kept.
        if (best < 0 || (largest ? value > values[size_t(best)] : value < values[size_t(best)]))
            best = k;
    }
    return best < 0 ? 0 : best;
}

QString ReadoutNumber(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    const double magnitude = std::fabs(value);
    if (magnitude >= 999999.5)
        return QString::number(value, 'E', 5);
    if (magnitude > 0.0) {
        const int integer_digits = int(std::floor(std::log10(magnitude))) + 1;
        const int decimals = 6 - integer_digits;
        if (decimals < 3) {
            const double scale = std::pow(10.0, decimals);
            value = std::round(value * scale) / scale;
        }
    }
    QString text = QString::number(value, 'f', 3);
    if (text == QStringLiteral("-0.000"))
        text.remove(0, 1);
    return text;
}

QString XReadout(double cursor_x, const double* mouse_x, const QString& x_label)
{
    QString text = ReadoutNumber(cursor_x);
    if (mouse_x)
        text += QStringLiteral(" (") + ReadoutNumber(*mouse_x - cursor_x) + QStringLiteral(") ");
    else
        text += QLatin1Char(' ');
    return text + x_label;
}

QString YReadout(double cursor_y, const double* mouse_y, const QString& y_label)
{
    QString text = ReadoutNumber(cursor_y) + QLatin1Char(' ');
    if (mouse_y)
        text += QLatin1Char('(') + ReadoutNumber(*mouse_y - cursor_y) + QStringLiteral(") ");
    return text + y_label;
}

} // namespace fw
