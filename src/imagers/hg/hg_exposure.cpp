#include "imagers/hg/hg_exposure.h"

#include <algorithm>

#include "imagers/hg/hg_protocol.h"
#include "imagers/hg/hg_rates.h"

namespace fw {

namespace {

bool IsEarlyType(int type_code)
{
    return type_code == 1 || type_code == 2;
}

// Longest normal exposure by recording rate; 0 frames per second is the external clock. Old
// models only offer the external clock and 250 to 1000 fps.
int LongestNormalExposure(int type_code, int frames_per_second)
{
    if (IsEarlyType(type_code)) {
        switch (frames_per_second) {
        case 250:
            return 3100;
        case 500:
            return 1100;
        default:
            return 100;
        }
    }
    switch (frames_per_second) {
    case 30:
        return 32763;
    case 60:
        return 16653;
    case 125:
        return 7983;
    case 250:
        return 3983;
    case 500:
        return 1983;
    case 1000:
        return 983;
    case 2000:
        return 483;
    default:
        return 29998;
    }
}

} // namespace

int HGShortestExposure(int type_code)
{
    return IsEarlyType(type_code) ? 50 : 23;
}

HGExposureTrack HGNormalExposureTrack(int type_code, int rate_index)
{
    const int frames_per_second = HGFramesPerSecond(IsNewModelType(type_code), rate_index);
    return { 0, LongestNormalExposure(type_code, frames_per_second) };
}

HGExposureTrack HGLowLightExposureTrack(int type_code)
{
    return { HGShortestExposure(type_code), IsEarlyType(type_code) ? 20000 : 19983 };
}

int SnapNormalExposure(int type_code, int rate_index, int position_us)
{
    if (position_us <= kHGExternalExposureTop)
        return std::max(position_us, 0);
    const int maximum = HGNormalExposureTrack(type_code, rate_index).maximum_us;
    return std::min(std::max(position_us, HGShortestExposure(type_code)), maximum);
}

QString HGExposureText(int position_us)
{
    return IsExternalExposure(position_us) ? QStringLiteral("External") : QString::number(position_us);
}

} // namespace fw
