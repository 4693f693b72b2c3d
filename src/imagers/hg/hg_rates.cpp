#include "imagers/hg/hg_rates.h"

#include <array>

namespace fw {

namespace {

constexpr std::array<int, 8> kNewModelRates = { 0, 30, 60, 125, 250, 500, 1000, 2000 };
constexpr std::array<int, 4> kOldModelRates = { 0, 250, 500, 1000 };

} // namespace

QStringList HGRateNames(bool new_model)
{
    QStringList names { QStringLiteral("External") };
    const int* rates = new_model ? kNewModelRates.data() : kOldModelRates.data();
    const size_t count = new_model ? kNewModelRates.size() : kOldModelRates.size();
    for (size_t i = 1; i < count; ++i)
        names << QStringLiteral("%1 fps").arg(rates[i]);
    return names;
}

int HGFramesPerSecond(bool new_model, int rate_index)
{
    const size_t count = new_model ? kNewModelRates.size() : kOldModelRates.size();
    if (rate_index < 0 || size_t(rate_index) >= count)
        return 0;
    return new_model ? kNewModelRates[size_t(rate_index)] : kOldModelRates[size_t(rate_index)];
}

} // namespace fw
