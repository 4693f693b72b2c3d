#include "measure/low_pass_filter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace fw {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kSqrt2 = std::numbers::sqrt2;
// The class's design frequency over its number.
constexpr double kCfcDesignRatio = 2.0775;
// A 2-pole section passed twice is 3 dB down where the single pass is this fraction of its
// design frequency: (sqrt 2 - 1)^(1/4).
const double kTwoPassRatio = std::pow(kSqrt2 - 1.0, 0.25);
constexpr double kPadPeriods = 3.0;
// Beyond a few lengths of the series its ends' trend is all a pad adds.
constexpr size_t kMaxPadLengths = 4;
constexpr size_t kMinPadCap = 4096;
// Rounding of 4.155 x CFC must not let the limit itself through.
constexpr double kLimitTolerance = 1e-9;

SecondOrderSection SectionOf(double wa)
{
    const double wa2 = wa * wa;
    const double d = 1.0 + kSqrt2 * wa + wa2;
    SecondOrderSection section;
    section.a0 = wa2 / d;
    section.a1 = 2.0 * section.a0;
    section.a2 = section.a0;
    section.b1 = -2.0 * (wa2 - 1.0) / d;
    section.b2 = (-1.0 + kSqrt2 * wa - wa2) / d;
    return section;
}

size_t PadFor(double design_hz, double sample_rate_hz)
{
    const double samples = std::ceil(kPadPeriods * sample_rate_hz / design_hz);
    return std::isfinite(samples) && samples > 0 ? size_t(std::min(samples, 1e9)) : 0;
}

// Runs the section in place, starting in the steady state of the line through the first two
// values: a ramp comes out as the same ramp delayed by the section's delay at 0 Hz.
void RunSection(std::vector<double>& values, const SecondOrderSection& s)
{
    if (values.empty())
        return;
    const double gain = s.a0 + s.a1 + s.a2;
    const double delay = (s.a1 + 2.0 * s.a2) / gain + (s.b1 + 2.0 * s.b2) / (1.0 - s.b1 - s.b2);
    const double start = values.front();
    const double slope = values.size() > 1 ? values[1] - start : 0.0;
    double x1 = start - slope;
    double x2 = start - 2.0 * slope;
    double y1 = x1 - slope * delay;
    double y2 = x2 - slope * delay;
    for (double& value : values) {
        const double y = s.a0 * value + s.a1 * x1 + s.a2 * x2 + s.b1 * y1 + s.b2 * y2;
        x2 = x1;
        x1 = value;
        y2 = y1;
        y1 = y;
        value = y;
    }
}

// Least-squares polynomial (degree up to 2) through samples at(0) .. at(count - 1), as a
// function of the distance k from at(0). Fitted in k / (count - 1) so long ends stay well
// conditioned.
struct EndTrend {
    double c0 = 0.0;
    double c1_per_k = 0.0;
    double c2_per_k2 = 0.0;
};

template <typename At> EndTrend FitEndTrend(At at, size_t count)
{
    const int degree = int(std::min<size_t>(count, 3)) - 1;
    if (degree <= 0)
        return { count ? at(0) : 0.0, 0.0 };
    const double scale = double(count - 1);
    // Normal equations of the polynomial in u = k / scale.
    std::array<std::array<double, 4>, 3> m {};
    for (size_t k = 0; k < count; ++k) {
        const double u = double(k) / scale;
        const std::array<double, 3> powers { 1.0, u, u * u };
        for (int r = 0; r <= degree; ++r) {
            for (int c = 0; c <= degree; ++c)
                m[size_t(r)][size_t(c)] += powers[size_t(r)] * powers[size_t(c)];
            m[size_t(r)][3] += powers[size_t(r)] * at(k);
        }
    }
    for (int i = 0; i <= degree; ++i) {
        int pivot = i;
        for (int r = i + 1; r <= degree; ++r)
            if (std::fabs(m[size_t(r)][size_t(i)]) > std::fabs(m[size_t(pivot)][size_t(i)]))
                pivot = r;
        std::swap(m[size_t(i)], m[size_t(pivot)]);
        for (int r = 0; r <= degree; ++r) {
            if (r == i)
                continue;
            const double f = m[size_t(r)][size_t(i)] / m[size_t(i)][size_t(i)];
            for (int c = i; c < 4; ++c)
                m[size_t(r)][size_t(c)] -= f * m[size_t(i)][size_t(c)];
        }
    }
    EndTrend trend;
    trend.c0 = m[0][3] / m[0][0];
    trend.c1_per_k = m[1][3] / m[1][1] / scale;
    if (degree == 2)
        trend.c2_per_k2 = m[2][3] / m[2][2] / (scale * scale);
    return trend;
}

} // namespace

SecondOrderSection CfcSection(int cfc, double sample_rate_hz)
{
    const double t_s = 1.0 / sample_rate_hz;
    const double wd = 2.0 * kPi * cfc * kCfcDesignRatio;
    return SectionOf(std::tan(wd * t_s / 2.0));
}

SecondOrderSection ButterworthSection(double cutoff_hz, double sample_rate_hz)
{
    // Pre-warped, so the -3 dB point falls on the cut-off whatever the rate.
    return SectionOf(std::tan(kPi * cutoff_hz / sample_rate_hz) / kTwoPassRatio);
}

std::vector<double> ReflectionPadded(std::span<const double> values, size_t pad)
{
    const size_t n = values.size();
    if (n == 0)
        return {};
    const size_t mirrored = std::min(pad, n - 1);
    const EndTrend head = FitEndTrend([&](size_t k) { return values[k]; }, mirrored + 1);
    const EndTrend tail = FitEndTrend([&](size_t k) { return values[n - 1 - k]; }, mirrored + 1);
    // Point reflection through the end sample, 2 x(0) - x(k), keeps value and slope; adding
    // 2 c2 k^2 keeps the curvature too. Beyond the samples there are to mirror: the trend T(-k).
    const auto padded_at = [&](const EndTrend& trend, size_t k, auto x) {
        const double kk = double(k);
        if (k <= mirrored)
            return 2.0 * x(0) + 2.0 * trend.c2_per_k2 * kk * kk - x(k);
        return trend.c0 - trend.c1_per_k * kk + trend.c2_per_k2 * kk * kk;
    };
    std::vector<double> padded;
    padded.reserve(n + 2 * pad);
    for (size_t k = pad; k >= 1; --k)
        padded.push_back(padded_at(head, k, [&](size_t i) { return values[i]; }));
    padded.insert(padded.end(), values.begin(), values.end());
    for (size_t k = 1; k <= pad; ++k)
        padded.push_back(padded_at(tail, k, [&](size_t i) { return values[n - 1 - i]; }));
    return padded;
}

std::vector<double> FilterZeroLag(
    std::span<const double> values, const SecondOrderSection& section, size_t pad_samples)
{
    const size_t n = values.size();
    if (n == 0)
        return {};
    // The line from the first to the last value passes the filter unchanged; taking it out first
    // leaves a rest that starts and ends at 0, which the runs' steady start then fits.
    const double first = values.front();
    const double slope = n > 1 ? (values.back() - first) / double(n - 1) : 0.0;
    std::vector<double> rest(values.begin(), values.end());
    for (size_t i = 0; i < n; ++i)
        rest[i] -= first + slope * double(i);
    const size_t pad = std::min(pad_samples, std::max(kMaxPadLengths * n, kMinPadCap));
    std::vector<double> work = ReflectionPadded(rest, pad);
    RunSection(work, section);
    std::reverse(work.begin(), work.end());
    RunSection(work, section);
    std::vector<double> out(n);
    // The work runs backward now: sample i sits at pad + n - 1 - i.
    for (size_t i = 0; i < n; ++i)
        out[i] = work[pad + n - 1 - i] + first + slope * double(i);
    return out;
}

LowPass CfcLowPass(FilterKind kind, double sample_rate_hz)
{
    const int cfc = CfcNumber(kind);
    return { CfcSection(cfc, sample_rate_hz), PadFor(kCfcDesignRatio * cfc, sample_rate_hz) };
}

LowPass ButterworthLowPass(double cutoff_hz, double sample_rate_hz)
{
    return { ButterworthSection(cutoff_hz, sample_rate_hz),
        PadFor(cutoff_hz / kTwoPassRatio, sample_rate_hz) };
}

RateCheck CheckSampleRate(const FilterChoice& choice, double sample_rate_hz)
{
    RateCheck check;
    if (choice.kind == FilterKind::None)
        return check;
    const QString rate = FrequencyText(sample_rate_hz);
    if (!std::isfinite(sample_rate_hz) || !(sample_rate_hz > 0.0)) {
        check.refusal = QStringLiteral("The samples have no sample rate to filter at.");
        return check;
    }
    if (IsCfc(choice.kind)) {
        const int cfc = CfcNumber(choice.kind);
        const double limit_hz = 2.0 * kCfcDesignRatio * cfc;
        const QString name = FilterLabel(choice);
        if (sample_rate_hz <= limit_hz * (1.0 + kLimitTolerance)) {
            check.refusal = QStringLiteral("A sample rate of %1 Hz is too low for %2: it must be above %3 Hz "
                                           "(4.155 x %4).")
                                .arg(rate, name, FrequencyText(limit_hz), QString::number(cfc));
            return check;
        }
        const double minus_3db_hz = CfcMinus3DbHz(choice.kind);
        if (sample_rate_hz < 10.0 * minus_3db_hz)
            check.warning
                = QStringLiteral("A sample rate of %1 Hz is below %2 Hz, ten times the %3 Hz at which %4 "
                                 "is 3 dB down: its response is not reliable there.")
                      .arg(rate, FrequencyText(10.0 * minus_3db_hz), FrequencyText(minus_3db_hz), name);
        return check;
    }
    if (choice.kind == FilterKind::Butterworth
        && !(std::isfinite(choice.cutoff_hz) && choice.cutoff_hz > 0.0)) {
        check.refusal = QStringLiteral("A Butterworth cut-off must be a frequency above 0 Hz.");
        return check;
    }
    if (choice.kind == FilterKind::Butterworth && !(choice.cutoff_hz < sample_rate_hz / 2.0)) {
        check.refusal
            = QStringLiteral("A sample rate of %1 Hz is too low for a Butterworth cut-off of %2 Hz: it "
                             "must be above %3 Hz (twice the cut-off).")
                  .arg(rate, FrequencyText(choice.cutoff_hz), FrequencyText(2.0 * choice.cutoff_hz));
    }
    return check;
}

} // namespace fw
