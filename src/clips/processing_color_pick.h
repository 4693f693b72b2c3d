#pragma once

#include <array>
#include <cstdint>

#include "clips/processing_tone.h"

namespace fw {

// Red, green, blue of one pixel.
using PixelColor = std::array<uint8_t, 3>;

// The effective gains that make a pixel whose unprocessed colour is `pixel` come out of the tone
// tables as `target`. A channel at or below its black level keeps gain 1.
ChannelGains GainsForTargetColor(
    const ToneLevels& levels, float gamma, const PixelColor& pixel, const PixelColor& target);

// The grey that "Make Gray" chooses for a pixel: ((R + B) div 2 + G) div 2 in every channel.
PixelColor GreyTargetOf(const PixelColor& pixel);

inline constexpr float kMaxBrightness = 2.5F;
inline constexpr const char* kTransformInaccurateText
    = "Transform Inaccurate, Color is Beyond Adjustable Range.";
inline constexpr const char* kPickNeedsNoToneCurveText
    = "Color table is unavailable when the Tone Curve is applied.";

// Effective gains split back into the brightness and channel gains the track bars hold.
struct BrightnessSplit {
    float brightness = 1.0F;
    ChannelGains channel_gains = { 1.0F, 1.0F, 1.0F };
    // The brightness had to be limited, so brightness x channel gain misses the wanted gain.
    bool inaccurate = false;
};

// Keeps every channel gain below 5 by raising the brightness (starting from the current one),
// and the brightness at most 2.5. A current brightness that is not above 0 starts from 1.
BrightnessSplit SplitGains(const ChannelGains& effective, float current_brightness);

} // namespace fw
