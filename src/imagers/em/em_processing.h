#pragma once

#include "clips/processing_settings.h"
#include "imagers/em/em_stream_settings.h"

namespace fw {

class TEM1012AVI;

// The download window's processing bars run 0..500; the middle is the default.
inline constexpr int kEmTrackMax = 500;

// Bar position to value: brightness 1 + 3 (p - M/2) / M, gamma 1.8 + ..., sharpness 3 (p - M/2) / M.
double EmBrightnessAt(int position);
double EmGammaAt(int position);
double EmSharpnessAt(int position);
// The nearest bar position of a value.
int EmBrightnessPosition(double brightness);
int EmGammaPosition(double gamma);
int EmSharpnessPosition(double sharpness);

// The controls the download window hands to the processing settings window: the three bars, the
// sharpening filter, invert, mirror and the crop of the picture.
ProcessingSettings EmHandOver(const TEM1012AVI& stream, const CropState& crop);
// Takes the settings window's (or a settings file's) values into the stream; answers whether
// cropping is on. The crop rectangle is taken, the cropping itself is the caller's to apply.
bool EmTakeSettings(const ProcessingSettings& settings, TEM1012AVI& stream);

// The download window's processing values in the stream: brightness, gamma, sharpness, filter,
// invert and mirror.
void EmApplyValues(const EmStreamSettings& values, TEM1012AVI& stream);
// What the processing settings window gets from the download window: the stream's controls, the
// crop with its colour, the lock and the connected settings file.
ProcessingSettings EmWindowHandOver(const TEM1012AVI& stream, const EmStreamSettings& values, bool locked);
// Takes back what the settings window (or a settings file) returned into the values and the
// stream. The stream's own crop stays whole: the window crops only while it saves. Answers
// whether the settings are locked.
bool EmWindowTakeBack(const ProcessingSettings& settings, TEM1012AVI& stream, EmStreamSettings& values);

} // namespace fw
