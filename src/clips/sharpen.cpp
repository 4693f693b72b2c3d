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

// The edge strength of one pixel from its 3 x 3 neighbourhood.
int8_t MaskValue(const uint8_t* above, const uint8_t* centre, const uint8_t* below, size_t step)
{
    const int32_t neighbours = above[0] + above[step] + above[2 * step] + centre[0] + centre[2 * step]
        + below[0] + below[step] + below[2 * step];
    const int32_t v = 8 * centre[step] - neighbours;
    if (v >= 512)
        return kMaskLimit;
    if (v < -504)
        return -kMaskLimit;
    return int8_t(v / 8);
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
    // The mask follows the green byte of a blue-green-red pixel.
    const size_t channel = color_ ? 1 : 0;
    for (int32_t row = 1; row + 1 < height_; ++row) {
        const uint8_t* centre = frame + size_t(row) * stride + channel;
        int8_t* out = mask_.data() + size_t(row) * size_t(width_);
        for (int32_t x = 1; x + 1 < width_; ++x) {
            const size_t left = size_t(x - 1) * step;
            out[x] = MaskValue(centre - stride + left, centre + left, centre + stride + left, step);
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
