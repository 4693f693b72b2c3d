#include "clips/processing_controls.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

// Value units per full bar; the sharpness bar starts at 0 instead of at its centre.
double Span(TrackTag tag)
{
    switch (tag) {
    case TrackTag::Brightness:
    case TrackTag::Gamma:
        return 3.0;
    case TrackTag::RedGain:
    case TrackTag::GreenGain:
    case TrackTag::BlueGain:
        return 8.0;
    case TrackTag::Sharpness:
        break;
    }
    return 10.0;
}

} // namespace

float TrackValue(TrackTag tag, int32_t position, int32_t max)
{
    if (max <= 0)
        return tag == TrackTag::Sharpness ? 0.0F : 1.0F;
    if (tag == TrackTag::Sharpness)
        return float(double(position) / max * Span(tag));
    return float(1.0 + double(position - max / 2) / max * Span(tag));
}

int32_t TrackPosition(TrackTag tag, float value, int32_t max)
{
    if (max <= 0)
        return 0;
    double position = tag == TrackTag::Sharpness
        ? std::nearbyint(double(value) / Span(tag) * max)
        : std::nearbyint((double(value) - 1.0) / Span(tag) * max) + max / 2;
    if (std::isnan(position))
        position = tag == TrackTag::Sharpness ? 0 : max / 2;
    return int32_t(std::clamp(position, 0.0, double(max)));
}

bool TrackChangeTaken(float held, float changed)
{
    return std::fabs(double(changed) - double(held)) > 0.01;
}

} // namespace fw
