#include "measure/residual_analysis.h"

#include <cmath>

#include <QLocale>
#include <QString>

#include "measure/low_pass_filter.h"

namespace fw {

namespace {

constexpr int kCandidateSteps = 245; // rate / 500 .. 0.49 x rate
constexpr double kStepOfRate = 1.0 / 500.0;
constexpr int kNoiseFromStep = 125; // rate / 4
constexpr int kRefineSteps = 24;

double RoundedToThreeDigits(double hz)
{
    return QLocale::c().toDouble(QString::number(hz, 'g', 3));
}

struct Line {
    double intercept = 0.0;
    double slope = 0.0;
};

Line FitLine(std::span<const double> x, std::span<const double> y)
{
    const double n = double(x.size());
    double sx = 0.0;
    double sy = 0.0;
    double sxx = 0.0;
    double sxy = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    return { (sy - slope * sx) / n, slope };
}

} // namespace

double ResidualRms(std::span<const std::vector<double>> series, double cutoff_hz, double sample_rate_hz)
{
    const LowPass filter = ButterworthLowPass(cutoff_hz, sample_rate_hz);
    double sum = 0.0;
    size_t count = 0;
    for (const std::vector<double>& values : series) {
        const std::vector<double> smooth = FilterZeroLag(values, filter.section, filter.pad_samples);
        for (size_t i = 0; i < values.size(); ++i) {
            const double residual = values[i] - smooth[i];
            sum += residual * residual;
        }
        count += values.size();
    }
    return count ? std::sqrt(sum / double(count)) : 0.0;
}

ResidualAnalysis AnalyseResiduals(std::span<const std::vector<double>> series, double sample_rate_hz)
{
    ResidualAnalysis analysis;
    const double step_hz = sample_rate_hz * kStepOfRate;
    for (int k = 1; k <= kCandidateSteps; ++k) {
        analysis.candidates_hz.push_back(k * step_hz);
        analysis.residuals.push_back(ResidualRms(series, k * step_hz, sample_rate_hz));
    }
    const size_t noise_from = kNoiseFromStep - 1;
    const Line noise = FitLine(std::span(analysis.candidates_hz).subspan(noise_from),
        std::span(analysis.residuals).subspan(noise_from));
    analysis.intercept = noise.intercept;
    analysis.slope_per_hz = noise.slope;

    size_t at = 0;
    while (at < analysis.residuals.size() && analysis.residuals[at] > noise.intercept)
        ++at;
    if (at == 0) {
        analysis.cutoff_hz = RoundedToThreeDigits(analysis.candidates_hz.front());
        return analysis;
    }
    if (at == analysis.residuals.size()) {
        analysis.cutoff_hz = RoundedToThreeDigits(analysis.candidates_hz.back());
        return analysis;
    }
    double above_hz = analysis.candidates_hz[at - 1];
    double below_hz = analysis.candidates_hz[at];
    for (int i = 0; i < kRefineSteps; ++i) {
        const double middle_hz = (above_hz + below_hz) / 2.0;
        if (ResidualRms(series, middle_hz, sample_rate_hz) > noise.intercept)
            above_hz = middle_hz;
        else
            below_hz = middle_hz;
    }
    analysis.cutoff_hz = RoundedToThreeDigits((above_hz + below_hz) / 2.0);
    return analysis;
}

} // namespace fw
