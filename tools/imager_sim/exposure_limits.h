#pragma once

// The exposures an imager takes, in microseconds: its sensor's shortest, and the longest that
// fits the frame period at each recording rate (0 frames per second: the external clock).

namespace fw::imager_sim {

int shortestExposure(int type_code);
int longestNormalExposure(int type_code, int frames_per_second);
int longestLowLightExposure(int type_code);
// A normal exposure as the imager keeps it: 0 and 1 (external exposure) stay, others are
// brought within the limits.
int acceptedNormalExposure(int type_code, int frames_per_second, int exposure);

} // namespace fw::imager_sim
