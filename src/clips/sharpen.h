#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "clips/image_filer.h"

namespace fw {

// The response curves of the sharpening filter, in the order of the filter combo box.
enum class SharpenFilter : uint8_t { None = 0, Core = 1, Clip = 2, Linear = 3 };

inline constexpr int kSharpenFilterCount = 4;
// The combo box items, index = filter.
inline constexpr std::array<const char*, kSharpenFilterCount> kSharpenFilterNames
    = { "None", "Core", "Clip", "Linear" };

// Response of a filter to a mask value m in -63..63 (values outside are limited to that range).
int32_t SharpenResponse(SharpenFilter filter, int32_t m);

// The sharpening filter: a mask of edge strengths built from one unprocessed frame, and the step
// each pixel of the processed frame gets from it. The mask is kept between frames and only
// reallocated when the frame size or the colour flag changes.
class TSharpen : public TSharpener {
public:
    TSharpen();

    int32_t Width() const { return width_; }
    void SetWidth(int32_t width);
    int32_t Height() const { return height_; }
    void SetHeight(int32_t height);
    // true: 3 bytes a pixel and the mask comes from the green byte; false: 1 byte a pixel.
    bool Color() const { return color_; }
    void SetColor(bool color);
    int BytesPerPixel() const { return color_ ? 3 : 1; }

    SharpenFilter Filter() const { return filter_; }
    void SetFilter(SharpenFilter filter);
    // An index outside the combo box's items (a damaged settings value) selects "None".
    void SetFilterIndex(int index);
    float Sharpness() const { return sharpness_; }
    // Limited to -10..10 (a value that is not a number counts as 0); strength = trunc(8 x sharpness).
    void SetSharpness(float sharpness);
    int32_t Strength() const { return strength_; }

    // Builds the mask from a frame of Width() x Height() pixels whose rows lie row_bytes apart
    // (0: packed without padding). Rows are taken in buffer order, so the steps follow the same
    // order. Throws fw::Error("Internal Error: Build Filter Mask") when the mask cannot be had.
    void BuildFilterMask(const uint8_t* frame, int32_t row_bytes = 0);
    bool HasMask() const { return !mask_.empty(); }
    // Mask entry of pixel x in buffer row `row`; 0 outside the frame or without a mask.
    int8_t MaskAt(int32_t x, int32_t row) const;

    // The step of the pixel at a byte offset into a packed frame of Width() x Height() pixels.
    int32_t StepAt(size_t pixel_byte_offset) const;
    // The step of pixel x in buffer row `row`.
    int32_t StepAtPixel(int32_t x, int32_t row) const;

    // Mask entries of one buffer row, or nullptr without a mask (for walking a whole frame).
    const int8_t* MaskRow(int32_t row) const;
    // The step a mask value gives: curve x strength / 8, truncated toward zero.
    int32_t StepOfMask(int8_t m) const { return steps_[size_t(m + 63)]; }

    // The image filer's hook: builds the mask from the extracted picture (top row first, rows
    // unpadded), adopting its size and colour; the picture is left as it is, the processed pass
    // adds the steps.
    void Apply(uint8_t* image, int w, int h, int bytes_per_pixel) override;

private:
    // The mask of a picture of one byte per pixel.
    void BuildMaskRows(const uint8_t* frame, size_t stride);
    void RebuildSteps();
    void DropMask();

    int32_t width_ = 0;
    int32_t height_ = 0;
    bool color_ = true;
    float sharpness_ = 1.0F;
    SharpenFilter filter_ = SharpenFilter::Clip;
    int32_t strength_ = 8;
    std::vector<int8_t> mask_;
    // The step of every mask value -63..63 under the current filter and strength.
    std::array<int32_t, 127> steps_ {};
    std::vector<int32_t> column_sums_;
    std::vector<uint8_t> green_plane_;
};

} // namespace fw
