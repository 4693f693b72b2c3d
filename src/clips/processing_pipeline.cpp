#include "clips/processing_pipeline.h"

#include <algorithm>

#include "clips/frame_image.h"
#include "support/fw_error.h"

namespace fw {

namespace {

uint8_t ClampByte(int32_t value)
{
    return uint8_t(std::clamp(value, 0, 255));
}

// One output channel of the colour matrix: 1/32 units, saturating.
uint8_t MatrixChannel(int64_t t)
{
    if (t >= 8192)
        return 255;
    if (t < 0)
        return 0;
    return uint8_t(t / 32);
}

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
    for (size_t k = 0; k < matrix_.size(); ++k)
        for (int64_t i = 0; i < 256; ++i)
            products_[k][size_t(i)] = int64_t(matrix_[k]) * i;
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
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* p = pixels + size_t(row) * size_t(row_bytes);
        const int8_t* mask = MaskRowForSteps(row);
        for (int32_t x = 0; x < width; ++x, p += 3)
            ProcessPixel(p, p[2], p[1], p[0], mask ? sharpen_.StepOfMask(mask[x]) : 0);
    }
}

void ProcessingPipeline::ProcessGreyPixels(uint8_t* pixels, int32_t width, int32_t height, int32_t row_bytes)
{
    if (!pixels || width <= 0 || height <= 0 || row_bytes < width)
        throw Error("Invalid frame");
    BuildFilterMask(pixels, width, height, row_bytes, false);
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* p = pixels + size_t(row) * size_t(row_bytes);
        const int8_t* mask = MaskRowForSteps(row);
        for (int32_t x = 0; x < width; ++x)
            p[x] = ProcessGrey(p[x], mask ? sharpen_.StepOfMask(mask[x]) : 0);
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
