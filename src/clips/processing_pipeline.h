#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "clips/image_filer.h"
#include "clips/processing_tone.h"
#include "clips/sharpen.h"

namespace fw {

class FrameImage;

// Rows give output red, green, blue from input red, green, blue, in 1/32.
using ColorMatrix = std::array<int32_t, 9>;
inline constexpr ColorMatrix kDefaultColorMatrix = { 36, 12, -16, -8, 46, -6, -8, -16, 56 };

// Where a source's white levels come from when it is created.
enum class WhiteLevelSource {
    ColorTemperature, // the "Tungsten" row of the colour temperature table
    Full, // 255 in every channel
};

// The colour pipeline a frame source carries: sharpening, one tone table per channel and the
// optional colour matrix ("Tone Curve"). Every setter rebuilds the tables at once, so the next
// pixel already uses the new values. The per-pixel path is table look-ups and integer
// arithmetic only.
class ProcessingPipeline {
public:
    explicit ProcessingPipeline(WhiteLevelSource white_source = WhiteLevelSource::ColorTemperature);

    // Effective gains: brightness x channel gain.
    void SetGains(float red, float green, float blue);
    ChannelGains Gains() const { return gains_; }
    void SetGamma(float gamma);
    float Gamma() const { return gamma_; }
    // Loads the white levels of a row of the colour temperature table; an index outside the
    // table changes nothing and answers false.
    bool SetColorTemperature(int index);
    int ColorTemperatureIndex() const { return color_temperature_; }
    void SetWhiteLevels(const ChannelLevels& white);
    void SetBlackLevels(const ChannelLevels& black);
    const ToneLevels& Levels() const { return levels_; }
    // Grey frames have no white balance: every table takes the green gain and green black level.
    void SetGreyFrames(bool grey);
    bool GreyFrames() const { return grey_frames_; }

    void SetColorMatrix(const ColorMatrix& matrix);
    const ColorMatrix& Matrix() const { return matrix_; }
    void SetToneCurve(bool on) { tone_curve_ = on; }
    bool ToneCurve() const { return tone_curve_; }
    // Off for a monochrome imager, whose mosaic is spread as grey.
    void SetColorInterpolation(bool on) { color_interpolation_ = on; }
    bool ColorInterpolation() const { return color_interpolation_; }
    // Shows the filter mask (128 + step) instead of the picture.
    void SetShowFilterMask(bool on) { show_filter_mask_ = on; }
    bool ShowFilterMask() const { return show_filter_mask_; }

    // A monochrome imager's frames: tone curve off, colour temperature "None", the brightness as
    // every gain and no colour interpolation. Switching back restores the colour temperature of
    // the box and brightness x channel gains.
    void SetMonochrome(
        bool monochrome, float brightness, const ChannelGains& channel_gains, int color_temperature);

    TSharpen& Sharpen() { return sharpen_; }
    const TSharpen& Sharpen() const { return sharpen_; }
    const ToneTable& Table(int channel) const { return tables_[size_t(channel)]; }

    // Writes one processed pixel, blue first, from its unprocessed R, G, B and sharpening step.
    void ProcessPixel(uint8_t* blue_green_red, uint8_t red, uint8_t green, uint8_t blue, int32_t step) const;
    // The pixel hook of an interpolating source: the step comes from the filter mask entry of
    // the pixel's byte offset into a packed frame of the sharpener's size.
    void PixelCallback(uint8_t* frame, size_t byte_offset, uint8_t red, uint8_t green, uint8_t blue) const;
    // One grey value through the green table.
    uint8_t ProcessGrey(uint8_t value, int32_t step) const;

    // Whether frames need an unprocessed pass first, to build the filter mask from.
    bool NeedsFilterMask() const { return sharpen_.Filter() != SharpenFilter::None; }
    // Sizes the sharpener to an unprocessed picture and builds its mask from it (nothing is built
    // with the filter "None").
    void BuildFilterMask(const uint8_t* pixels, int32_t width, int32_t height, int32_t row_bytes, bool color);

    // Processes a 24-bit blue-green-red or 8-bit grey picture in place. With a filter other than
    // "None" the mask is first built from the unprocessed picture. Rows may be in any order;
    // row_bytes is their distance.
    void ProcessBgrPixels(uint8_t* pixels, int32_t width, int32_t height, int32_t row_bytes);
    void ProcessGreyPixels(uint8_t* pixels, int32_t width, int32_t height, int32_t row_bytes);
    // A packed frame, 24-bit or 8-bit (the latter taken as grey values).
    void ProcessFrame(FrameImage& frame);

    // The colour hook of an image filer's processed pass; positions are those of the pass that
    // built the mask through the filer's sharpener hook. The hook refers to this pipeline.
    ColourTransform MakeColourTransform() const;

private:
    void RebuildToneTables();
    // The sharpening steps of every mask value, kept within the reach of the stepped tables.
    std::array<int32_t, 127> ClampedSteps() const;
    template <typename Product> using ProductTables = std::array<std::array<Product, 256>, 9>;
    template <bool kSharpened, bool kMatrix, typename Product>
    void ProcessBgrRow(uint8_t* p, int32_t width, const int8_t* mask, const std::array<int32_t, 127>& steps,
        const ProductTables<Product>& products) const;
    template <bool kSharpened>
    void ProcessBgrRow(
        uint8_t* p, int32_t width, const int8_t* mask, const std::array<int32_t, 127>& steps) const;
    // The tone curve with a small matrix in three passes over one row, so the matrix runs on
    // whole lanes of red, green and blue: `planes` holds 3 x width values.
    template <bool kSharpened>
    void ProcessBgrRowPlanar(uint8_t* p, int32_t width, const int8_t* mask,
        const std::array<int32_t, 127>& steps, int32_t* planes) const;
    // The mask row whose steps apply, or nullptr when nothing is sharpened.
    const int8_t* MaskRowForSteps(int32_t row) const;

    ChannelGains gains_ = { 1.0F, 1.0F, 1.0F };
    float gamma_ = kDefaultGamma;
    int color_temperature_ = kTungstenIndex;
    ToneLevels levels_;
    bool grey_frames_ = false;
    std::array<ToneTable, 3> tables_ {};
    // The tone tables indexed by value + sharpening step + kStepReach, so a sharpened value
    // needs no clamping: steps stay within 63 x 80 / 8.
    static constexpr int32_t kStepReach = 640;
    std::array<std::array<uint8_t, 256 + 2 * kStepReach>, 3> stepped_tables_ {};

    ColorMatrix matrix_ = kDefaultColorMatrix;
    // products_[k][i] = matrix_[k] x i; 64-bit so any stored matrix sums without overflow.
    ProductTables<int64_t> products_ {};
    // The same in 32 bits, used while every coefficient is small enough for 32-bit sums.
    ProductTables<int32_t> products32_ {};
    bool small_matrix_ = true;
    bool tone_curve_ = false;
    bool color_interpolation_ = true;
    bool show_filter_mask_ = false;
    TSharpen sharpen_;
};

} // namespace fw
