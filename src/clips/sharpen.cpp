#include "clips/sharpen.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr int32_t kMaskLimit = 63;

// "Core" ignores weak edges and eases off strong ones; values for m = 8..63.
constexpr std::array<int8_t, 56> kCoreCurve = { 1, 2, 3, 4, 5, 7, 8, 10, 11, 13, 15, 16, 18, 20, 21, 23, 24,
    25, 26, 27, 28, 29, 30, 30, 31, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
    13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1 };

int32_t PositiveResponse(SharpenFilter filter, int32_t m)
{
    switch (filter) {
    case SharpenFilter::Core:
        return m < 8 ? 0 : kCoreCurve[size_t(m - 8)];
    case SharpenFilter::Clip:
        return std::min(m, 31);
    case SharpenFilter::Linear:
        return m;
    case SharpenFilter::None:
        break;
    }
    return 0;
}

} // namespace

int32_t SharpenResponse(SharpenFilter filter, int32_t m)
{
    m = std::clamp(m, -kMaskLimit, kMaskLimit);
    return m < 0 ? -PositiveResponse(filter, -m) : PositiveResponse(filter, m);
}

TSharpen::TSharpen()
{
    RebuildSteps();
}

void TSharpen::RebuildSteps()
{
    for (int32_t m = -kMaskLimit; m <= kMaskLimit; ++m)
        steps_[size_t(m + kMaskLimit)] = SharpenResponse(filter_, m) * strength_ / 8;
}

void TSharpen::SetFilter(SharpenFilter filter)
{
    filter_ = filter;
    RebuildSteps();
}

void TSharpen::SetWidth(int32_t width)
{
    if (width != width_)
        DropMask();
    width_ = width;
}

void TSharpen::SetHeight(int32_t height)
{
    if (height != height_)
        DropMask();
    height_ = height;
}

void TSharpen::SetColor(bool color)
{
    if (color != color_)
        DropMask();
    color_ = color;
}

void TSharpen::SetFilterIndex(int index)
{
    SetFilter(index >= 0 && index < kSharpenFilterCount ? SharpenFilter(index) : SharpenFilter::None);
}

void TSharpen::SetSharpness(float sharpness)
{
    sharpness_ = std::isnan(sharpness) ? 0.0F : std::clamp(sharpness, -10.0F, 10.0F);
    strength_ = int32_t(std::trunc(8.0F * sharpness_));
    RebuildSteps();
}

void TSharpen::DropMask()
{
    mask_.clear();
    mask_.shrink_to_fit();
}

void TSharpen::BuildFilterMask(const uint8_t* frame, int32_t row_bytes)
{
    const size_t step = size_t(BytesPerPixel());
    if (!frame || width_ <= 0 || height_ <= 0)
        throw Error("Internal Error: Build Filter Mask");
    const size_t stride = row_bytes > 0 ? size_t(row_bytes) : size_t(width_) * step;
    if (stride < size_t(width_) * step)
        throw Error("Internal Error: Build Filter Mask");
    try {
        if (mask_.empty())
            mask_.assign(size_t(width_) * size_t(height_), 0);
    } catch (const std::bad_alloc&) {
        throw Error("Internal Error: Build Filter Mask");
    }
    if (!color_) {
        BuildMaskRows(frame, stride);
        return;
    }
    // The mask follows the green byte of a blue-green-red pixel: the greens are gathered into
    // one plane first, so the mask is computed over adjacent bytes.
    const size_t width = size_t(width_);
    green_plane_.resize(width * size_t(height_));
    for (int32_t row = 0; row < height_; ++row) {
        const uint8_t* bgr = frame + size_t(row) * stride + 1;
        uint8_t* green = green_plane_.data() + size_t(row) * width;
        for (size_t x = 0; x < width; ++x)
            green[x] = bgr[3 * x];
    }
    BuildMaskRows(green_plane_.data(), width);
}

// The edge strength of a pixel: 8 x centre - its eight neighbours (= 9 x centre - the 3 x 3
// sum), limited to the mask's range and divided by 8. Column sums make the loops vector code.
void TSharpen::BuildMaskRows(const uint8_t* frame, size_t stride)
{
    const size_t width = size_t(width_);
    column_sums_.resize(width);
    int32_t* column = column_sums_.data();
    for (int32_t row = 1; row + 1 < height_; ++row) {
        const uint8_t* above = frame + size_t(row - 1) * stride;
        const uint8_t* centre = above + stride;
        const uint8_t* below = centre + stride;
        for (size_t x = 0; x < width; ++x)
            column[x] = int32_t(above[x]) + centre[x] + below[x];
        int8_t* out = mask_.data() + size_t(row) * width;
        for (size_t x = 1; x + 1 < width; ++x) {
            const int32_t v = 9 * int32_t(centre[x]) - (column[x - 1] + column[x] + column[x + 1]);
            out[x] = int8_t(std::clamp(v, -8 * kMaskLimit, 8 * kMaskLimit + 7) / 8);
        }
    }
}

int8_t TSharpen::MaskAt(int32_t x, int32_t row) const
{
    if (mask_.empty() || x < 0 || row < 0 || x >= width_ || row >= height_)
        return 0;
    return mask_[size_t(row) * size_t(width_) + size_t(x)];
}

const int8_t* TSharpen::MaskRow(int32_t row) const
{
    if (mask_.empty() || row < 0 || row >= height_)
        return nullptr;
    return mask_.data() + size_t(row) * size_t(width_);
}

int32_t TSharpen::StepAt(size_t pixel_byte_offset) const
{
    const size_t index = pixel_byte_offset / size_t(BytesPerPixel());
    if (index >= mask_.size())
        return 0;
    return StepOfMask(mask_[index]);
}

int32_t TSharpen::StepAtPixel(int32_t x, int32_t row) const
{
    return StepOfMask(MaskAt(x, row));
}

void TSharpen::Apply(uint8_t* image, int w, int h, int bytes_per_pixel)
{
    if (bytes_per_pixel != 1 && bytes_per_pixel != 3)
        return;
    SetWidth(w);
    SetHeight(h);
    SetColor(bytes_per_pixel == 3);
    if (filter_ != SharpenFilter::None)
        BuildFilterMask(image);
}

} // namespace fw
