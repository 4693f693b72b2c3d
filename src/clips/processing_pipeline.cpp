#include "clips/processing_pipeline.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "clips/frame_image.h"
#include "support/fw_error.h"

namespace fw {

namespace {

uint8_t ClampByte(int32_t value)
{
    return uint8_t(std::clamp(value, 0, 255));
}

// One output channel of the colour matrix: 1/32 units, saturating.
template <typename Sum> uint8_t MatrixChannel(Sum t)
{
    return uint8_t(std::clamp<Sum>(t, 0, 8191) >> 5);
}

// Coefficients up to this size keep three products of a byte within 32 bits.
constexpr int64_t kSmallCoefficient = int64_t(1) << 20;

} // namespace

ProcessingPipeline::ProcessingPipeline(WhiteLevelSource white_source)
{
    if (white_source == WhiteLevelSource::Full)
        levels_.white = kColorTemperatures[0].white;
    SetColorMatrix(kDefaultColorMatrix);
    RebuildToneTables();
}

void ProcessingPipeline::SetGains(float red, float green, float blue)
{
    gains_ = { red, green, blue };
    RebuildToneTables();
}

void ProcessingPipeline::SetGamma(float gamma)
{
    gamma_ = gamma;
    RebuildToneTables();
}

bool ProcessingPipeline::SetColorTemperature(int index)
{
    if (index < 0 || index >= kColorTemperatureCount)
        return false;
    color_temperature_ = index;
    levels_.white = kColorTemperatures[size_t(index)].white;
    RebuildToneTables();
    return true;
}

void ProcessingPipeline::SetWhiteLevels(const ChannelLevels& white)
{
    levels_.white = white;
    RebuildToneTables();
}

void ProcessingPipeline::SetBlackLevels(const ChannelLevels& black)
{
    levels_.black = black;
    RebuildToneTables();
}

void ProcessingPipeline::SetGreyFrames(bool grey)
{
    grey_frames_ = grey;
    RebuildToneTables();
}

void ProcessingPipeline::SetColorMatrix(const ColorMatrix& matrix)
{
    matrix_ = matrix;
    small_matrix_ = true;
    for (size_t k = 0; k < matrix_.size(); ++k) {
        small_matrix_ = small_matrix_ && std::abs(int64_t(matrix_[k])) <= kSmallCoefficient;
        for (int64_t i = 0; i < 256; ++i)
            products_[k][size_t(i)] = int64_t(matrix_[k]) * i;
    }
    if (small_matrix_)
        for (size_t k = 0; k < matrix_.size(); ++k)
            for (size_t i = 0; i < 256; ++i)
                products32_[k][i] = int32_t(products_[k][i]);
}

void ProcessingPipeline::SetMonochrome(
    bool monochrome, float brightness, const ChannelGains& channel_gains, int color_temperature)
{
    color_interpolation_ = !monochrome;
    if (monochrome) {
        tone_curve_ = false;
        SetColorTemperature(0);
        SetGains(brightness, brightness, brightness);
        return;
    }
    SetColorTemperature(color_temperature);
    SetGains(brightness * channel_gains[kRed], brightness * channel_gains[kGreen],
        brightness * channel_gains[kBlue]);
}

void ProcessingPipeline::RebuildToneTables()
{
    for (int c = kRed; c <= kBlue; ++c) {
        float factor = 0;
        if (grey_frames_) {
            const float black = float(std::min<int>(levels_.black[kGreen], 254));
            factor = gains_[kGreen] * 255.0F / (255.0F - black);
        } else {
            factor = ToneFactor(levels_, c, gains_[size_t(c)]);
        }
        tables_[size_t(c)] = BuildToneTable(levels_.black[size_t(c)], factor, gamma_);
        for (int32_t i = 0; i < int32_t(stepped_tables_[size_t(c)].size()); ++i)
            stepped_tables_[size_t(c)][size_t(i)] = tables_[size_t(c)][ClampByte(i - kStepReach)];
    }
}

std::array<int32_t, 127> ProcessingPipeline::ClampedSteps() const
{
    std::array<int32_t, 127> steps {};
    for (int32_t m = -63; m <= 63; ++m)
        steps[size_t(m + 63)] = std::clamp(sharpen_.StepOfMask(int8_t(m)), -kStepReach, kStepReach);
    return steps;
}

template <bool kSharpened>
void ProcessingPipeline::ProcessBgrRow(
    uint8_t* p, int32_t width, const int8_t* mask, const std::array<int32_t, 127>& steps) const
{
    // Three loops without a test per pixel: plain tables, tables and a small matrix, and the
    // 64-bit sums a matrix with large coefficients needs.
    if (!tone_curve_)
        ProcessBgrRow<kSharpened, false>(p, width, mask, steps, products32_);
    else if (small_matrix_)
        ProcessBgrRow<kSharpened, true>(p, width, mask, steps, products32_);
    else
        ProcessBgrRow<kSharpened, true>(p, width, mask, steps, products_);
}

template <bool kSharpened, bool kMatrix, typename Product>
void ProcessingPipeline::ProcessBgrRow(uint8_t* p, int32_t width, const int8_t* mask,
    const std::array<int32_t, 127>& steps, [[maybe_unused]] const ProductTables<Product>& m) const
{
    const uint8_t* red_table = stepped_tables_[kRed].data() + kStepReach;
    const uint8_t* green_table = stepped_tables_[kGreen].data() + kStepReach;
    const uint8_t* blue_table = stepped_tables_[kBlue].data() + kStepReach;
    for (int32_t x = 0; x < width; ++x, p += 3) {
        int32_t step = 0;
        if constexpr (kSharpened)
            step = steps[size_t(mask[x] + 63)];
        const uint8_t red = red_table[p[2] + step];
        const uint8_t green = green_table[p[1] + step];
        const uint8_t blue = blue_table[p[0] + step];
        if constexpr (kMatrix) {
            p[2] = MatrixChannel(m[0][red] + m[1][green] + m[2][blue]);
            p[1] = MatrixChannel(m[3][red] + m[4][green] + m[5][blue]);
            p[0] = MatrixChannel(m[6][red] + m[7][green] + m[8][blue]);
        } else {
            p[2] = red;
            p[1] = green;
            p[0] = blue;
        }
    }
}

template <bool kSharpened>
void ProcessingPipeline::ProcessBgrRowPlanar(uint8_t* p, int32_t width, const int8_t* mask,
    const std::array<int32_t, 127>& steps, int32_t* planes) const
{
    int32_t* red = planes;
    int32_t* green = planes + width;
    int32_t* blue = planes + 2 * size_t(width);
    const uint8_t* red_table = stepped_tables_[kRed].data() + kStepReach;
    const uint8_t* green_table = stepped_tables_[kGreen].data() + kStepReach;
    const uint8_t* blue_table = stepped_tables_[kBlue].data() + kStepReach;
    for (int32_t x = 0; x < width; ++x) {
        int32_t step = 0;
        if constexpr (kSharpened)
            step = steps[size_t(mask[x] + 63)];
        const uint8_t* pixel = p + 3 * size_t(x);
        red[x] = red_table[pixel[2] + step];
        green[x] = green_table[pixel[1] + step];
        blue[x] = blue_table[pixel[0] + step];
    }
    const std::array<int32_t, 9> c = matrix_;
    for (int32_t x = 0; x < width; ++x) {
        const int32_t r = red[x];
        const int32_t g = green[x];
        const int32_t b = blue[x];
        red[x] = std::clamp(c[0] * r + c[1] * g + c[2] * b, 0, 8191) >> 5;
        green[x] = std::clamp(c[3] * r + c[4] * g + c[5] * b, 0, 8191) >> 5;
        blue[x] = std::clamp(c[6] * r + c[7] * g + c[8] * b, 0, 8191) >> 5;
    }
    for (int32_t x = 0; x < width; ++x, p += 3) {
        p[2] = uint8_t(red[x]);
        p[1] = uint8_t(green[x]);
        p[0] = uint8_t(blue[x]);
    }
}

void ProcessingPipeline::ProcessPixel(
    uint8_t* blue_green_red, uint8_t red, uint8_t green, uint8_t blue, int32_t step) const
{
    if (show_filter_mask_) {
        const uint8_t shown = ClampByte(128 + step);
        blue_green_red[0] = blue_green_red[1] = blue_green_red[2] = shown;
        return;
    }
    if (step != 0) {
        red = ClampByte(red + step);
        green = ClampByte(green + step);
        blue = ClampByte(blue + step);
    }
    red = tables_[kRed][red];
    green = tables_[kGreen][green];
    blue = tables_[kBlue][blue];
    if (tone_curve_) {
        const auto& p = products_;
        const uint8_t r = MatrixChannel(p[0][red] + p[1][green] + p[2][blue]);
        const uint8_t g = MatrixChannel(p[3][red] + p[4][green] + p[5][blue]);
        const uint8_t b = MatrixChannel(p[6][red] + p[7][green] + p[8][blue]);
        red = r;
        green = g;
        blue = b;
    }
    blue_green_red[0] = blue;
    blue_green_red[1] = green;
    blue_green_red[2] = red;
}

void ProcessingPipeline::PixelCallback(
    uint8_t* frame, size_t byte_offset, uint8_t red, uint8_t green, uint8_t blue) const
{
    ProcessPixel(frame + byte_offset, red, green, blue, sharpen_.StepAt(byte_offset));
}

uint8_t ProcessingPipeline::ProcessGrey(uint8_t value, int32_t step) const
{
    if (show_filter_mask_)
        return ClampByte(128 + step);
    return tables_[kGreen][ClampByte(value + step)];
}

void ProcessingPipeline::BuildFilterMask(
    const uint8_t* pixels, int32_t width, int32_t height, int32_t row_bytes, bool color)
{
    sharpen_.SetWidth(width);
    sharpen_.SetHeight(height);
    sharpen_.SetColor(color);
    if (NeedsFilterMask())
        sharpen_.BuildFilterMask(pixels, row_bytes);
}

const int8_t* ProcessingPipeline::MaskRowForSteps(int32_t row) const
{
    return NeedsFilterMask() ? sharpen_.MaskRow(row) : nullptr;
}

void ProcessingPipeline::ProcessBgrPixels(uint8_t* pixels, int32_t width, int32_t height, int32_t row_bytes)
{
    if (!pixels || width <= 0 || height <= 0 || int64_t(row_bytes) < int64_t(width) * 3)
        throw Error("Invalid frame");
    BuildFilterMask(pixels, width, height, row_bytes, true);
    const std::array<int32_t, 127> steps = ClampedSteps();
    std::vector<int32_t> planes(tone_curve_ && small_matrix_ ? 3 * size_t(width) : 0);
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* p = pixels + size_t(row) * size_t(row_bytes);
        const int8_t* mask = MaskRowForSteps(row);
        if (show_filter_mask_) {
            for (int32_t x = 0; x < width; ++x, p += 3)
                p[0] = p[1] = p[2] = ClampByte(128 + (mask ? steps[size_t(mask[x] + 63)] : 0));
        } else if (tone_curve_ && small_matrix_) {
            if (mask)
                ProcessBgrRowPlanar<true>(p, width, mask, steps, planes.data());
            else
                ProcessBgrRowPlanar<false>(p, width, mask, steps, planes.data());
        } else if (mask) {
            ProcessBgrRow<true>(p, width, mask, steps);
        } else {
            ProcessBgrRow<false>(p, width, mask, steps);
        }
    }
}

void ProcessingPipeline::ProcessGreyPixels(uint8_t* pixels, int32_t width, int32_t height, int32_t row_bytes)
{
    if (!pixels || width <= 0 || height <= 0 || row_bytes < width)
        throw Error("Invalid frame");
    BuildFilterMask(pixels, width, height, row_bytes, false);
    const std::array<int32_t, 127> steps = ClampedSteps();
    const uint8_t* table = stepped_tables_[kGreen].data() + kStepReach;
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* p = pixels + size_t(row) * size_t(row_bytes);
        const int8_t* mask = MaskRowForSteps(row);
        if (show_filter_mask_) {
            for (int32_t x = 0; x < width; ++x)
                p[x] = ClampByte(128 + (mask ? steps[size_t(mask[x] + 63)] : 0));
        } else if (mask) {
            for (int32_t x = 0; x < width; ++x)
                p[x] = table[p[x] + steps[size_t(mask[x] + 63)]];
        } else {
            for (int32_t x = 0; x < width; ++x)
                p[x] = table[p[x]];
        }
    }
}

void ProcessingPipeline::ProcessFrame(FrameImage& frame)
{
    if (frame.isNull())
        throw Error("Invalid frame");
    if (frame.bitsPerPixel() == 24)
        ProcessBgrPixels(frame.pixels(), frame.width(), frame.height(), frame.rowBytes());
    else if (frame.bitsPerPixel() == 8)
        ProcessGreyPixels(frame.pixels(), frame.width(), frame.height(), frame.rowBytes());
    else
        throw Error("Invalid frame");
}

ColourTransform ProcessingPipeline::MakeColourTransform() const
{
    return [this](int32_t x, int32_t y, uint8_t* bgr) {
        ProcessPixel(bgr, bgr[2], bgr[1], bgr[0], sharpen_.StepAtPixel(x, y));
    };
}

} // namespace fw
