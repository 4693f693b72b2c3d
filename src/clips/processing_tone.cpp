#include "clips/processing_tone.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

// Effective black and white of one channel, kept apart so no denominator reaches zero.
struct SafeLevels {
    float black;
    float white;
    float white_max;
};

SafeLevels SafeChannelLevels(const ToneLevels& levels, int channel)
{
    auto white_of = [&levels](int c) {
        const int black = std::min<int>(levels.black[size_t(c)], 254);
        return std::max<int>(levels.white[size_t(c)], black + 1);
    };
    const int white_max = std::max({ white_of(kRed), white_of(kGreen), white_of(kBlue) });
    const int black = std::min<int>(levels.black[size_t(channel)], 254);
    return { float(black), float(white_of(channel)), float(white_max) };
}

} // namespace

float EffectiveGamma(float gamma)
{
    return gamma > 0.0F ? gamma : 0.001F;
}

int32_t GammaStep(int32_t i, float gamma)
{
    if (i <= 0)
        return 0;
    const double exponent = 1.0 / double(EffectiveGamma(gamma));
    return int32_t(std::trunc(255.0 * std::pow(double(i) / 255.0, exponent))) - i;
}

float LevelFactor(const ToneLevels& levels, int channel)
{
    const SafeLevels l = SafeChannelLevels(levels, channel);
    return (l.white_max - l.black) / (l.white - l.black) * 255.0F / (255.0F - l.black);
}

float ToneFactor(const ToneLevels& levels, int channel, float gain)
{
    const SafeLevels l = SafeChannelLevels(levels, channel);
    return gain * (l.white_max - l.black) / (l.white - l.black) * 255.0F / (255.0F - l.black);
}

ToneTable BuildToneTable(uint8_t black, float factor, float gamma)
{
    ToneTable table {};
    for (int32_t i = 0; i < 256; ++i) {
        // The product of a single-precision factor and a small integer is exact in double.
        const double value = double(i - black) * double(factor) + double(GammaStep(i, gamma));
        // A gain that is not a number, or an infinite one meeting i = B, leaves the entry dark.
        table[size_t(i)] = std::isnan(value) ? 0 : uint8_t(std::trunc(std::clamp(value, 0.0, 255.0)));
    }
    return table;
}

} // namespace fw
