#include "measure/kinematics.h"

#include <algorithm>
#include <cmath>

#include "clips/descriptor_block.h"
#include "measure/difference_rules.h"
#include "measure/track_filter.h"
#include "support/fw_error.h"

namespace fw {

namespace {

QString Ms(double time_ms)
{
    return QString::fromStdString(FormatGeneral(time_ms, 6)) + QStringLiteral(" ms");
}

// A difference too large for a double is no value, as in the sheet.
std::optional<double> Finite(double value)
{
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

void AddDerivatives(Kinematics& result)
{
    auto& rows = result.rows;
    for (size_t i = 1; i < rows.size(); ++i) {
        const double dt_ms = rows[i].time_ms - rows[i - 1].time_ms;
        rows[i].vx = Finite(DifferenceVelocity(rows[i - 1].x, rows[i].x, dt_ms));
        rows[i].vy = Finite(DifferenceVelocity(rows[i - 1].y, rows[i].y, dt_ms));
    }
    for (size_t i = 1; i + 1 < rows.size(); ++i) {
        const double span_ms = rows[i + 1].time_ms - rows[i - 1].time_ms;
        if (rows[i].vx && rows[i + 1].vx)
            rows[i].ax = Finite(DifferenceAcceleration(*rows[i].vx, *rows[i + 1].vx, span_ms));
        if (rows[i].vy && rows[i + 1].vy)
            rows[i].ay = Finite(DifferenceAcceleration(*rows[i].vy, *rows[i + 1].vy, span_ms));
    }
}

} // namespace

double EqualSpacingRateHz(std::span<const PositionSample> samples)
{
    if (samples.size() < 2)
        throw Error(QStringLiteral("A sample rate needs at least two samples."));
    std::vector<double> steps_ms;
    for (size_t i = 1; i < samples.size(); ++i) {
        const double from_ms = samples[i - 1].time_ms;
        const double to_ms = samples[i].time_ms;
        if (!(to_ms > from_ms))
            throw Error(
                QStringLiteral("The times must increase: %1 follows %2.").arg(Ms(to_ms), Ms(from_ms)));
        steps_ms.push_back(to_ms - from_ms);
    }
    // The usual step, so that the message names the step that stands out.
    std::vector<double> sorted = steps_ms;
    std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2), sorted.end());
    const double usual_ms = sorted[sorted.size() / 2];
    for (size_t i = 0; i < steps_ms.size(); ++i) {
        if (!(std::fabs(steps_ms[i] - usual_ms) <= kSpacingTolerance * usual_ms))
            throw Error(
                QStringLiteral("The samples are not equally spaced: %1 lie between %2 and %3, where the "
                               "usual step is %4. Filters and derivatives need samples at equal steps.")
                    .arg(Ms(steps_ms[i]), Ms(samples[i].time_ms), Ms(samples[i + 1].time_ms), Ms(usual_ms)));
    }
    const double step_ms = (samples.back().time_ms - samples.front().time_ms) / double(samples.size() - 1);
    return 1000.0 / step_ms;
}

Kinematics ComputeKinematics(std::span<const PositionSample> samples, const FilterChoice& choice)
{
    Kinematics result;
    if (samples.empty())
        return result;
    const double rate_hz = samples.size() >= 2 ? EqualSpacingRateHz(samples) : 0.0;
    std::vector<double> x;
    std::vector<double> y;
    for (const PositionSample& sample : samples) {
        x.push_back(sample.x);
        y.push_back(sample.y);
    }
    const FilteredPositions filtered = FilterPositions(std::move(x), std::move(y), rate_hz, choice);
    result.cutoff_hz = filtered.cutoff_hz;
    result.warning = filtered.warning;
    for (size_t i = 0; i < samples.size(); ++i)
        result.rows.push_back({ samples[i].time_ms, filtered.x[i], filtered.y[i], {}, {}, {}, {} });
    AddDerivatives(result);
    return result;
}

} // namespace fw
