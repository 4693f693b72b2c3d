// Position files come from spreadsheets, scripts and other programs: any bytes must read into
// finite samples or fail with a message, and whatever reads must filter and differentiate into
// finite numbers or fail with a message.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include <QByteArray>

#include "measure/kinematics.h"
#include "measure/position_csv.h"
#include "support/fw_error.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool FiniteOrNone(const std::optional<double>& value)
{
    return !value || std::isfinite(*value);
}

// The first byte chooses the filter, so the corpus reaches each of them.
fw::FilterChoice ChoiceOf(uint8_t byte)
{
    switch (byte % 5) {
    case 0:
        return {};
    case 1:
        return { fw::FilterKind::Cfc60, 0.0 };
    case 2:
        return { fw::FilterKind::Butterworth, 1.0 + byte };
    case 3:
        return { fw::FilterKind::Auto, 0.0 };
    default:
        return { fw::FilterKind::Cfc1000, 0.0 };
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<fw::PositionSample> samples;
    try {
        samples = fw::ReadPositionCsv(bytes);
    } catch (const fw::Error& failure) {
        Check(!failure.message().isEmpty());
        return 0;
    }
    for (const fw::PositionSample& sample : samples)
        Check(std::isfinite(sample.time_ms) && std::isfinite(sample.x) && std::isfinite(sample.y));
    try {
        const fw::Kinematics result = fw::ComputeKinematics(samples, ChoiceOf(size ? data[0] : 0));
        Check(result.rows.size() == samples.size());
        for (const fw::KinematicsRow& row : result.rows) {
            Check(std::isfinite(row.x) && std::isfinite(row.y));
            Check(
                FiniteOrNone(row.vx) && FiniteOrNone(row.vy) && FiniteOrNone(row.ax) && FiniteOrNone(row.ay));
        }
    } catch (const fw::Error& failure) {
        Check(!failure.message().isEmpty());
    }
    return 0;
}
