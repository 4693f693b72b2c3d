#pragma once

#include <QString>

namespace fw {

// The two exposure tracks of the setup window, in microseconds. Their limits depend on the
// imager type and, for the normal track, on the recording rate.
struct HGExposureTrack {
    int minimum_us = 0;
    int maximum_us = 0;
};

// Normal-track positions 0 and 1 stand for exposure by an external signal.
inline constexpr int kHGExternalExposureTop = 1;
inline bool IsExternalExposure(int position_us)
{
    return position_us <= kHGExternalExposureTop;
}

// The shortest exposure an imager takes: 50 us for types 1 and 2, 23 us for the others.
int HGShortestExposure(int type_code);
// Normal track: from 0 (external) to the maximum for the type and "Frame Rate" index.
HGExposureTrack HGNormalExposureTrack(int type_code, int rate_index);
// Low-light track: from the shortest exposure to 20000 us (types 1, 2) or 19983 us.
HGExposureTrack HGLowLightExposureTrack(int type_code);
// A normal-track position as the imager can take it: 0 and 1 stay (external), positions above
// them up to the shortest exposure become the shortest exposure, the rest is capped at the
// track's maximum.
int SnapNormalExposure(int type_code, int rate_index, int position_us);
// What the track's readout shows: "External" or the microseconds.
QString HGExposureText(int position_us);

} // namespace fw
