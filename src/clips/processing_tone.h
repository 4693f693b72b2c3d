#pragma once

#include <array>
#include <cstdint>

namespace fw {

// Channels in red, green, blue order.
inline constexpr int kRed = 0;
inline constexpr int kGreen = 1;
inline constexpr int kBlue = 2;

using ToneTable = std::array<uint8_t, 256>;
using ChannelLevels = std::array<uint8_t, 3>;
using ChannelGains = std::array<float, 3>;

// One light source of the colour temperature box: the white level of each channel.
struct ColorTemperature {
    const char* name;
    ChannelLevels white;
};

inline constexpr int kColorTemperatureCount = 4;
inline constexpr int kTungstenIndex = 2;
inline constexpr std::array<ColorTemperature, kColorTemperatureCount> kColorTemperatures = { {
    { "None", { 255, 255, 255 } },
    { "Daylight", { 175, 224, 129 } },
    { "Tungsten", { 221, 200, 88 } },
    { "Flourescent", { 132, 221, 99 } },
} };

inline constexpr ChannelLevels kDefaultBlackLevels = { 15, 10, 0 };
inline constexpr float kDefaultGamma = 1.8F;

// The black and white points the tone tables stretch between.
struct ToneLevels {
    ChannelLevels black = kDefaultBlackLevels;
    ChannelLevels white = kColorTemperatures[kTungstenIndex].white;
};

// Gamma as the tables use it: anything not above 0 (a value that is not a number included)
// counts as 0.001.
float EffectiveGamma(float gamma);

// The gamma step d(i) = trunc(255 x (i / 255) ^ (1 / gamma)) - i, with d(0) = 0.
int32_t GammaStep(int32_t i, float gamma);

// What a channel's levels do to its gain: (Wmax - B) / (W - B) x 255 / (255 - B). A white
// level at or below its black level counts as one above it, and a black level of 255 as 254,
// so the factor stays finite and positive.
float LevelFactor(const ToneLevels& levels, int channel);

// The factor of a channel's table: gain x (Wmax - B) / (W - B) x 255 / (255 - B), in single
// precision and in that order.
float ToneFactor(const ToneLevels& levels, int channel, float gain);

// One tone table: entry i = trunc((i - B) x factor + d(i)) limited to 0..255.
ToneTable BuildToneTable(uint8_t black, float factor, float gamma);

} // namespace fw
