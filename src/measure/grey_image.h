#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "clips/frame_image.h"

namespace fw {

// A grey picture, rows top-down and unpadded, one byte per pixel.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;

    uint8_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// A rectangle of a picture in pixels, rows counted from the top.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    bool operator==(const PixelRect&) const = default;
};

// The grey value of a colour: ITU-R BT.601 luma in 8-bit fixed point,
// (77 R + 150 G + 29 B + 128) / 256, so white stays 255 and equal channels keep their value.
constexpr uint8_t GreyOf(uint8_t red, uint8_t green, uint8_t blue)
{
    return uint8_t((77u * red + 150u * green + 29u * blue + 128u) >> 8);
}

// A packed frame (header, colour table, bottom-up rows) read in place, without a copy.
class PackedFrameView {
public:
    // Nothing when the bytes hold no frame the program can use.
    static std::optional<PackedFrameView> Of(const uint8_t* bytes, size_t size);
    static std::optional<PackedFrameView> Of(const FrameImage& frame);

    int Width() const { return header_.biWidth; }
    int Height() const { return header_.biHeight; }
    // Grey values of a rectangle inside the picture: 24-bit pixels by GreyOf, 8-bit pixels
    // through their colour table by the same rule (a grey table keeps the values; an index
    // beyond the table is black). The rectangle is clipped to the picture.
    GreyImage Grey(PixelRect rect) const;

private:
    PackedFrameView() = default;

    BitmapInfoHeader header_;
    const uint8_t* table_ = nullptr;
    const uint8_t* pixels_ = nullptr;
};

} // namespace fw
