#pragma once

#include <cstdint>

namespace fw {

// How the two colour-difference planes are sampled against the luma plane.
enum class ChromaSampling {
    Full, // 4:4:4
    HalfWidth, // 4:2:2: one sample per two columns
    HalfBoth, // 4:2:0: one sample per two columns and two rows
};

// An 8-bit planar picture: luma, blue difference, red difference.
struct YuvPicture {
    const uint8_t* planes[3] = {};
    int linesize[3] = {};
    int32_t width = 0;
    int32_t height = 0;
    ChromaSampling sampling = ChromaSampling::Full;
};

// Converts a full-range (JPEG) picture with BT.601 coefficients to 24-bit blue-green-red rows
// stored bottom-up, `row_bytes` apart; the bytes past the last pixel of each row are zeroed.
// Chroma is repeated over the pixels it covers, as the JPEG decoders deliver it. False, with
// nothing written, when the picture is empty or a row does not fit in `row_bytes`.
bool fullRangeYuvToBgr(const YuvPicture& picture, uint8_t* pixels, int32_t row_bytes);

// True when the processor runs the vector kernel of the conversion; the plain code is only
// correct, not fast, and the scaler does better without the kernel.
bool fastFullRangeYuvToBgr();

} // namespace fw
