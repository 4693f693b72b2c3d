#include "exposure_limits.h"

#include <algorithm>
#include <array>

namespace fw::imager_sim {
namespace {

bool earlySensor(int type_code)
{
    return type_code == 1 || type_code == 2;
}

struct RateLimit {
    int frames_per_second;
    int longest;
};

constexpr std::array<RateLimit, 8> kNewSensorLimits { { { 0, 29998 }, { 30, 32763 }, { 60, 16653 },
    { 125, 7983 }, { 250, 3983 }, { 500, 1983 }, { 1000, 983 }, { 2000, 483 } } };
constexpr std::array<RateLimit, 4> kEarlySensorLimits { { { 0, 100 }, { 250, 3100 }, { 500, 1100 },
    { 1000, 100 } } };

} // namespace

int shortestExposure(int type_code)
{
    return earlySensor(type_code) ? 50 : 23;
}

int longestNormalExposure(int type_code, int frames_per_second)
{
    const auto find = [frames_per_second](const auto& table) {
        const auto found
            = std::find_if(table.begin(), table.end(), [frames_per_second](const RateLimit& limit) {
                  return limit.frames_per_second == frames_per_second;
              });
        return found == table.end() ? table.front().longest : found->longest;
    };
    return earlySensor(type_code) ? find(kEarlySensorLimits) : find(kNewSensorLimits);
}

int longestLowLightExposure(int type_code)
{
    return earlySensor(type_code) ? 20000 : 19983;
}

int acceptedNormalExposure(int type_code, int frames_per_second, int exposure)
{
    if (exposure <= 1)
        return std::max(exposure, 0);
    return std::clamp(
        exposure, shortestExposure(type_code), longestNormalExposure(type_code, frames_per_second));
}

} // namespace fw::imager_sim
