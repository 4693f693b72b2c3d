#include "measure/track_filter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "measure/low_pass_filter.h"
#include "measure/residual_analysis.h"
#include "support/fw_error.h"

namespace fw {

namespace {

void ApplyLowPass(FilteredPositions& positions, const LowPass& filter)
{
    positions.x = FilterZeroLag(positions.x, filter.section, filter.pad_samples);
    positions.y = FilterZeroLag(positions.y, filter.section, filter.pad_samples);
    const auto finite = [](const std::vector<double>& values) {
        return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    };
    if (!finite(positions.x) || !finite(positions.y))
        throw Error(QStringLiteral("The positions are too large to filter."));
}

} // namespace

FilteredPositions FilterPositions(
    std::vector<double> x, std::vector<double> y, double sample_rate_hz, const FilterChoice& choice)
{
    FilteredPositions positions { std::move(x), std::move(y), std::nullopt, QString() };
    const size_t count = positions.x.size();
    if (choice.kind == FilterKind::None || (count < 2 && choice.kind != FilterKind::Auto))
        return positions;
    if (choice.kind == FilterKind::Auto && count < kMinAutoSamples)
        throw Error(QStringLiteral("The automatic cut-off needs at least %1 samples; there are %2.")
                        .arg(kMinAutoSamples)
                        .arg(count));
    const RateCheck check = CheckSampleRate(choice, sample_rate_hz);
    if (!check.refusal.isEmpty())
        throw Error(check.refusal);
    positions.warning = check.warning;
    if (choice.kind != FilterKind::Auto) {
        ApplyLowPass(positions,
            IsCfc(choice.kind) ? CfcLowPass(choice.kind, sample_rate_hz)
                               : ButterworthLowPass(choice.cutoff_hz, sample_rate_hz));
        return positions;
    }
    const std::array<std::vector<double>, 2> series { positions.x, positions.y };
    positions.cutoff_hz = AnalyseResiduals(series, sample_rate_hz).cutoff_hz;
    ApplyLowPass(positions, ButterworthLowPass(*positions.cutoff_hz, sample_rate_hz));
    return positions;
}

} // namespace fw
