#include "measure/grey_image.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace fw {

std::optional<PackedFrameView> PackedFrameView::Of(const uint8_t* bytes, size_t size)
{
    if (validPackedSize(bytes, size) == 0)
        return std::nullopt;
    PackedFrameView view;
    std::memcpy(&view.header_, bytes, sizeof view.header_);
    view.table_ = bytes + sizeof view.header_;
    view.pixels_ = view.table_ + 4 * size_t(view.header_.biClrUsed);
    return view;
}

std::optional<PackedFrameView> PackedFrameView::Of(const FrameImage& frame)
{
    return frame.isNull() ? std::nullopt : Of(frame.packed(), frame.packedSize());
}

GreyImage PackedFrameView::Grey(PixelRect rect) const
{
    const int left = std::clamp(rect.left, 0, Width());
    const int top = std::clamp(rect.top, 0, Height());
    const int right = std::clamp(rect.Right(), left, Width());
    const int bottom = std::clamp(rect.Bottom(), top, Height());
    GreyImage grey { right - left, bottom - top, {} };
    grey.pixels.resize(size_t(grey.width) * size_t(grey.height));
    const int bits = header_.biBitCount;
    const size_t row_bytes = size_t(dibRowBytes(Width(), bits));
    std::array<uint8_t, 256> lookup {};
    if (bits == 8) {
        for (uint32_t i = 0; i < header_.biClrUsed; ++i) {
            const uint8_t* entry = table_ + 4 * i;
            lookup[i] = GreyOf(entry[2], entry[1], entry[0]);
        }
    }
    uint8_t* out = grey.pixels.data();
    for (int y = top; y < bottom; ++y) {
        const uint8_t* row = pixels_ + size_t(Height() - 1 - y) * row_bytes;
        if (bits == 8) {
            for (int x = left; x < right; ++x)
                *out++ = lookup[row[x]];
        } else {
            for (const uint8_t* pixel = row + 3 * size_t(left); pixel < row + 3 * size_t(right); pixel += 3)
                *out++ = GreyOf(pixel[2], pixel[1], pixel[0]);
        }
    }
    return grey;
}

} // namespace fw
