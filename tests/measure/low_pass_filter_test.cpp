// The low-pass filters against their frequency responses: gains and phase of sines through each
// channel frequency class and the Butterworth filter, the rate limits, and the padding at the ends.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "measure/low_pass_filter.h"

namespace fw {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kRateHz = 10000.0;

using Filter = std::function<std::vector<double>(const std::vector<double>&)>;

struct Response {
    double gain_db = 0.0;
    double phase_deg = 0.0;
};

// A sine of two seconds through the filter; gain and phase fitted by least squares over the
// middle half, away from both ends.
Response ResponseAt(const Filter& filter, double frequency_hz, double rate_hz = kRateHz)
{
    const size_t n = size_t(2.0 * rate_hz);
    std::vector<double> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = std::sin(2.0 * kPi * frequency_hz * double(i) / rate_hz);
    const std::vector<double> y = filter(x);
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (size_t i = n / 4; i < 3 * n / 4; ++i) {
        const double phase = 2.0 * kPi * frequency_hz * double(i) / rate_hz;
        const double s = std::sin(phase);
        const double c = std::cos(phase);
        ss += s * s;
        sc += s * c;
        cc += c * c;
        ys += y[i] * s;
        yc += y[i] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det;
    const double b = (yc * ss - ys * sc) / det;
    return { 20.0 * std::log10(std::hypot(a, b)), std::atan2(b, a) * 180.0 / kPi };
}

Filter Cfc(FilterKind kind, double rate_hz = kRateHz)
{
    return [=](const std::vector<double>& x) {
        const LowPass filter = CfcLowPass(kind, rate_hz);
        return FilterZeroLag(x, filter.section, filter.pad_samples);
    };
}

Filter Butterworth(double cutoff_hz, double rate_hz)
{
    return [=](const std::vector<double>& x) {
        const LowPass filter = ButterworthLowPass(cutoff_hz, rate_hz);
        return FilterZeroLag(x, filter.section, filter.pad_samples);
    };
}

struct ClassCase {
    FilterKind kind;
    int cfc;
    double minus_3db_hz;
};

constexpr ClassCase kClasses[] = {
    { FilterKind::Cfc60, 60, 100.0 },
    { FilterKind::Cfc180, 180, 300.0 },
    { FilterKind::Cfc600, 600, 1000.0 },
    { FilterKind::Cfc1000, 1000, 1650.0 },
};

TEST(ChannelFrequencyClasses, PassBandFlatThreeDbDownAtTheirFrequencyAndNoPhase)
{
    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(c.cfc);
        for (double share : { 0.02, 0.1, 0.5, 1.0 }) {
            const Response r = ResponseAt(Cfc(c.kind), share * c.cfc);
            EXPECT_NEAR(r.gain_db, 0.0, 0.5) << share << " x CFC";
            EXPECT_NEAR(r.phase_deg, 0.0, 0.01) << share << " x CFC";
        }
        const Response corner = ResponseAt(Cfc(c.kind), c.minus_3db_hz);
        EXPECT_NEAR(corner.gain_db, -3.0, 1.0);
        EXPECT_NEAR(corner.phase_deg, 0.0, 0.01);
        EXPECT_LT(ResponseAt(Cfc(c.kind), 4.0 * c.minus_3db_hz).gain_db, -20.0) << "and it does cut";
    }
}

TEST(ChannelFrequencyClasses, Cfc180AtTenKilohertz)
{
    EXPECT_NEAR(ResponseAt(Cfc(FilterKind::Cfc180), 20.0).gain_db, 0.0, 0.01);
    EXPECT_NEAR(ResponseAt(Cfc(FilterKind::Cfc180), 300.0).gain_db, -3.0, 0.1);
    // The standard's section, coefficient by coefficient, for one rate.
    const double wa = std::tan(2.0 * kPi * 180.0 * 2.0775 / kRateHz / 2.0);
    const double d = 1.0 + std::sqrt(2.0) * wa + wa * wa;
    const SecondOrderSection s = CfcSection(180, kRateHz);
    EXPECT_DOUBLE_EQ(s.a0, wa * wa / d);
    EXPECT_DOUBLE_EQ(s.a1, 2.0 * s.a0);
    EXPECT_DOUBLE_EQ(s.a2, s.a0);
    EXPECT_DOUBLE_EQ(s.b1, -2.0 * (wa * wa - 1.0) / d);
    EXPECT_DOUBLE_EQ(s.b2, (-1.0 + std::sqrt(2.0) * wa - wa * wa) / d);
    EXPECT_NEAR(s.a0 + s.a1 + s.a2 + s.b1 + s.b2, 1.0, 1e-12) << "unit gain at 0 Hz";
}

TEST(ChannelFrequencyClasses, RefusedAtTheLimitWarnedBelowTenTimesTheirFrequency)
{
    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(c.cfc);
        const FilterChoice choice { c.kind, 0.0 };
        const double limit_hz = 4.155 * c.cfc;
        const RateCheck at_limit = CheckSampleRate(choice, limit_hz);
        EXPECT_FALSE(at_limit.refusal.isEmpty());
        EXPECT_TRUE(at_limit.refusal.contains(QStringLiteral("CFC %1").arg(c.cfc)))
            << at_limit.refusal.toStdString();
        EXPECT_FALSE(CheckSampleRate(choice, 0.99 * limit_hz).refusal.isEmpty());
        const RateCheck above = CheckSampleRate(choice, 1.001 * limit_hz);
        EXPECT_TRUE(above.refusal.isEmpty());
        EXPECT_FALSE(above.warning.isEmpty());
        const double warn_below_hz = 10.0 * c.minus_3db_hz;
        EXPECT_FALSE(CheckSampleRate(choice, warn_below_hz - 1.0).warning.isEmpty());
        const RateCheck enough = CheckSampleRate(choice, warn_below_hz);
        EXPECT_TRUE(enough.refusal.isEmpty());
        EXPECT_TRUE(enough.warning.isEmpty());
    }
    EXPECT_FALSE(CheckSampleRate({ FilterKind::Cfc60, 0.0 }, 0.0).refusal.isEmpty());
    EXPECT_FALSE(CheckSampleRate({ FilterKind::Cfc60, 0.0 }, std::nan("")).refusal.isEmpty());
    EXPECT_TRUE(CheckSampleRate({}, 0.0).refusal.isEmpty()) << "no filter, nothing to refuse";
}

TEST(ButterworthLowPass, ThreeDbDownAtTheCutOffAtAnyRate)
{
    for (double share : { 0.005, 0.05, 0.2, 0.4 }) {
        const double cutoff_hz = share * 1000.0;
        SCOPED_TRACE(cutoff_hz);
        const Response r = ResponseAt(Butterworth(cutoff_hz, 1000.0), cutoff_hz, 1000.0);
        EXPECT_NEAR(r.gain_db, -3.0103, 0.05);
        EXPECT_NEAR(r.phase_deg, 0.0, 0.01);
        EXPECT_NEAR(ResponseAt(Butterworth(cutoff_hz, 1000.0), cutoff_hz / 10.0, 1000.0).gain_db, 0.0, 0.01);
    }
    EXPECT_FALSE(CheckSampleRate({ FilterKind::Butterworth, 50.0 }, 100.0).refusal.isEmpty());
    EXPECT_TRUE(CheckSampleRate({ FilterKind::Butterworth, 50.0 }, 100.5).refusal.isEmpty());
    EXPECT_FALSE(CheckSampleRate({ FilterKind::Butterworth, 0.0 }, 1000.0).refusal.isEmpty());
    EXPECT_FALSE(CheckSampleRate({ FilterKind::Butterworth, -5.0 }, 1000.0).refusal.isEmpty());
}

TEST(ButterworthLowPass, APulseKeepsItsPlace)
{
    // A pulse off the middle: a filter run one way only would move its peak later.
    std::vector<double> pulse(801);
    for (size_t i = 0; i < pulse.size(); ++i)
        pulse[i] = std::exp(-std::pow((double(i) - 300.0) / 12.0, 2.0));
    const std::vector<double> out = Butterworth(20.0, 1000.0)(pulse);
    size_t peak = 0;
    for (size_t i = 1; i < out.size(); ++i)
        if (out[i] > out[peak])
            peak = i;
    EXPECT_EQ(peak, 300u);
    for (size_t k = 1; k < 100; ++k)
        EXPECT_NEAR(out[300 - k], out[300 + k], 1e-9) << "symmetric about the peak, " << k;
    EXPECT_LT(out[300], 1.0) << "and smoothed";
}

TEST(ReflectionPadding, ContinuesLinesAndParabolasThroughTheEnds)
{
    const std::vector<double> parabola { 1.0, 2.0, 4.0 };
    const std::vector<double> padded = ReflectionPadded(parabola, 2);
    const std::vector<double> continued { 2.0, 1.0, 1.0, 2.0, 4.0, 7.0, 11.0 };
    ASSERT_EQ(padded.size(), continued.size());
    for (size_t i = 0; i < padded.size(); ++i)
        EXPECT_NEAR(padded[i], continued[i], 1e-12) << i;
    // Beyond the mirrored samples, the trend goes on alone.
    const std::vector<double> far = ReflectionPadded(parabola, 4);
    const std::vector<double> far_continued { 7.0, 4.0, 2.0, 1.0, 1.0, 2.0, 4.0, 7.0, 11.0, 16.0, 22.0 };
    ASSERT_EQ(far.size(), far_continued.size());
    for (size_t i = 0; i < far.size(); ++i)
        EXPECT_NEAR(far[i], far_continued[i], 1e-9) << i;
    const std::vector<double> two { 3.0, 5.0 };
    EXPECT_EQ(ReflectionPadded(two, 2), (std::vector<double> { -1.0, 1.0, 3.0, 5.0, 7.0, 9.0 }));
    EXPECT_EQ(ReflectionPadded(std::vector<double> { 4.0 }, 2), (std::vector<double>(5, 4.0)));
    EXPECT_TRUE(ReflectionPadded(std::vector<double> {}, 3).empty());
    // Noise about the trend is mirrored, so the padded ends carry noise of the same size.
    const std::vector<double> noisy { 0.0, 1.0, -1.0, 1.0, -1.0 };
    const std::vector<double> mirrored = ReflectionPadded(noisy, 4);
    EXPECT_NE(mirrored[3], mirrored[5]);
}

TEST(ReflectionPadding, AStraightLineStaysStraightToTheEnds)
{
    std::vector<double> line(500);
    for (size_t i = 0; i < line.size(); ++i)
        line[i] = 12.5 - 0.75 * double(i);
    for (const Filter& filter :
        { Cfc(FilterKind::Cfc60), Cfc(FilterKind::Cfc1000), Butterworth(5.0, 1000.0) }) {
        const std::vector<double> out = filter(line);
        ASSERT_EQ(out.size(), line.size());
        for (size_t i = 0; i < line.size(); ++i)
            ASSERT_NEAR(out[i], line[i], 1e-6) << i;
    }
    // A parabola too: the ends of a thrown object's flight keep its acceleration.
    std::vector<double> flight(300);
    for (size_t i = 0; i < flight.size(); ++i)
        flight[i] = 45.0 + 2.25 * double(i) - 0.0074 * double(i) * double(i);
    const std::vector<double> out = Butterworth(4.0, 1000.0)(flight);
    for (size_t i = 0; i < flight.size(); ++i)
        ASSERT_NEAR(out[i], flight[i], 1e-4) << i;
}

} // namespace
} // namespace fw
