#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "clips/frame_image.h"
#include "clips/image_filer.h"

namespace fw {

class TSharpen;

// Raw 8-bit samples to the 7-bit grey values of the processors' pictures.
using EmToneTable = std::array<std::uint8_t, 256>;

// v = sample / 2; v x brightness plus the gamma step round(127 (v / 127) ^ (1 / gamma)) - v
// (none for samples below 3), limited to 0..127. A gamma of 0 or less counts as 0.001.
EmToneTable BuildEmToneTable(double brightness, double gamma);

// The 128 greys of the pictures: entry i is 2i in red, green and blue.
std::vector<RgbQuad> EmGreyPalette();

// One uploaded frame: `lines` lines of `line_length` samples, line 0 at the top.
struct EmRawImage {
    std::span<const std::uint8_t> samples;
    int lines = 0;
    int line_length = 0;
};

// How a raw frame becomes the picture. The crop rectangle is in picture coordinates, after the
// flips, and may reach past the raw line (the bitmap's rounded width): those columns repeat the
// line's last sample.
struct EmConversion {
    FrameRect crop;
    bool invert = false; // top to bottom
    bool mirror = false; // left to right
    const EmToneTable* tone = nullptr; // none: the samples unchanged (raw frames)
    TSharpen* sharpen = nullptr; // none, or a filter of no strength: no filter pass
    bool show_filter_mask = false;
};

// Writes the crop of `raw` into `picture` (8-bit, crop size, rows bottom-up as bitmaps keep
// them). With a sharpen filter, its mask is built from an unfiltered pass first and each pixel
// gets its step (or, showing the mask, 64 plus its step), limited to 0..127.
void ConvertEmFrame(const EmRawImage& raw, const EmConversion& conversion, FrameImage& picture);

} // namespace fw
