#pragma once

#include <cstdint>

namespace fw {

// Every processing track bar runs from 0 to this maximum around its centre.
inline constexpr int32_t kTrackMax = 500;

// The channel a processing track bar carries in its Tag.
enum class TrackTag { Brightness = 0, RedGain = 1, GreenGain = 2, BlueGain = 3, Gamma = 4, Sharpness = 5 };

// The value of a bar at a position: brightness and gamma 1 + (P - Max div 2) / Max x 3, the
// gains 1 + (P - Max div 2) / Max x 8, sharpness P / Max x 10.
float TrackValue(TrackTag tag, int32_t position, int32_t max = kTrackMax);

// The position that shows a value: the inverse, rounded half to even and kept on the bar.
int32_t TrackPosition(TrackTag tag, float value, int32_t max = kTrackMax);

// A bar change is taken only when it moves the value by more than 0.01.
bool TrackChangeTaken(float held, float changed);

} // namespace fw
