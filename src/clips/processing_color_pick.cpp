#include "clips/processing_color_pick.h"

#include <cmath>

namespace fw {

ChannelGains GainsForTargetColor(
    const ToneLevels& levels, float gamma, const PixelColor& pixel, const PixelColor& target)
{
    ChannelGains gains = { 1.0F, 1.0F, 1.0F };
    for (int c = kRed; c <= kBlue; ++c) {
        const int32_t raw = pixel[size_t(c)];
        const int32_t black = levels.black[size_t(c)];
        if (raw <= black)
            continue;
        const float gain = float(int32_t(target[size_t(c)]) - GammaStep(raw, gamma)) / float(raw - black)
            / LevelFactor(levels, c);
        if (std::isfinite(gain))
            gains[size_t(c)] = gain;
    }
    return gains;
}

PixelColor GreyTargetOf(const PixelColor& pixel)
{
    const auto grey = uint8_t(((pixel[kRed] + pixel[kBlue]) / 2 + pixel[kGreen]) / 2);
    return { grey, grey, grey };
}

BrightnessSplit SplitGains(const ChannelGains& effective, float current_brightness)
{
    BrightnessSplit split;
    // Dividing by a brightness of 0 or less would lose the gains or flip their sign.
    float q = current_brightness > 0.0F ? current_brightness : 1.0F;
    for (const float gain : effective) {
        if (gain / q >= 5.0F)
            q = gain / 4.95F;
    }
    if (q > kMaxBrightness) {
        q = kMaxBrightness;
        split.inaccurate = true;
    }
    split.brightness = q;
    for (size_t c = 0; c < 3; ++c)
        split.channel_gains[c] = effective[c] / q;
    return split;
}

} // namespace fw
