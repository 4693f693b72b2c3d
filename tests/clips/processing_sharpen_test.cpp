#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "clips/sharpen.h"
#include "support/fw_error.h"

using namespace fw;

namespace {

// A w x h grey frame of `background` with the given pixels {x, row, value} set.
TSharpen GreySharpen(int32_t w, int32_t h, uint8_t background,
    std::initializer_list<std::array<int, 3>> pixels, SharpenFilter filter, float sharpness)
{
    std::vector<uint8_t> frame(size_t(w * h), background);
    for (const auto& [x, row, value] : pixels)
        frame[size_t(row * w + x)] = uint8_t(value);
    TSharpen sharpen;
    sharpen.SetWidth(w);
    sharpen.SetHeight(h);
    sharpen.SetColor(false);
    sharpen.SetFilter(filter);
    sharpen.SetSharpness(sharpness);
    sharpen.BuildFilterMask(frame.data());
    return sharpen;
}

} // namespace

TEST(SharpenCurves, AreOddAndFollowTheirShapes)
{
    for (int f = 0; f < kSharpenFilterCount; ++f)
        for (int32_t m = 0; m <= 63; ++m)
            ASSERT_EQ(SharpenResponse(SharpenFilter(f), -m), -SharpenResponse(SharpenFilter(f), m));
    const int32_t core_at[][2] = { { 7, 0 }, { 8, 1 }, { 13, 7 }, { 31, 30 }, { 32, 31 }, { 33, 31 },
        { 34, 30 }, { 40, 24 }, { 63, 1 } };
    for (const auto& [m, value] : core_at)
        EXPECT_EQ(SharpenResponse(SharpenFilter::Core, m), value) << m;
    EXPECT_EQ(SharpenResponse(SharpenFilter::Clip, 40), 31);
    EXPECT_EQ(SharpenResponse(SharpenFilter::Clip, -20), -20);
    EXPECT_EQ(SharpenResponse(SharpenFilter::None, 50), 0);
    // Out-of-range mask values are limited, never read past the table.
    EXPECT_EQ(SharpenResponse(SharpenFilter::Linear, 1000), 63);
    EXPECT_EQ(SharpenResponse(SharpenFilter::Core, -1000), -1);
}

TEST(SharpenSettings, StrengthFollowsTheLimitedSharpness)
{
    TSharpen sharpen;
    const std::pair<float, int32_t> cases[]
        = { { -0.99F, -7 }, { 1e9F, 80 }, { std::numeric_limits<float>::quiet_NaN(), 0 } };
    for (const auto& [sharpness, strength] : cases) {
        sharpen.SetSharpness(sharpness);
        EXPECT_EQ(sharpen.Strength(), strength) << sharpness;
    }
    sharpen.SetFilterIndex(200);
    EXPECT_EQ(sharpen.Filter(), SharpenFilter::None);
}

TEST(SharpenMask, BrightPointGivesPeakAndHaloWithZeroBorder)
{
    // Strength 3; the corner pixel is on the border and only shows in its neighbour.
    const TSharpen sharpen
        = GreySharpen(5, 5, 0, { { 2, 2, 100 }, { 4, 4, 255 } }, SharpenFilter::Linear, 0.375F);
    EXPECT_EQ(sharpen.MaskAt(2, 2), 63); // 800 is beyond the limit
    EXPECT_EQ(sharpen.MaskAt(1, 1), -12); // -100 / 8 truncated toward zero
    EXPECT_EQ(sharpen.MaskAt(3, 3), -44); // (-100 - 255) / 8
    for (int32_t i = 0; i < 5; ++i)
        EXPECT_EQ(
            sharpen.MaskAt(i, 0) | sharpen.MaskAt(0, i) | sharpen.MaskAt(4, i) | sharpen.MaskAt(i, 4), 0);
    // -44 x 3 / 8 = -16.5 goes toward zero.
    EXPECT_EQ(sharpen.StepAtPixel(3, 3), -16);
    EXPECT_EQ(sharpen.StepAt(size_t(3 * 5 + 3)), -16);
    EXPECT_EQ(sharpen.StepAtPixel(2, 2), 23);
    EXPECT_EQ(sharpen.StepAt(1000), 0);
    EXPECT_EQ(sharpen.StepAtPixel(-1, 2), 0);
}

TEST(SharpenMask, LimitsAndTheCoreExample)
{
    EXPECT_EQ(GreySharpen(3, 3, 255, { { 1, 1, 0 } }, SharpenFilter::Linear, 1).MaskAt(1, 1), -63);
    EXPECT_EQ(GreySharpen(3, 3, 63, { { 1, 1, 0 } }, SharpenFilter::Linear, 1).MaskAt(1, 1), -63); // v = -504
    EXPECT_EQ(
        GreySharpen(3, 3, 63, { { 1, 1, 0 }, { 0, 0, 62 } }, SharpenFilter::Linear, 1).MaskAt(1, 1), -62);
    // v = 320, mask 40: 24 x 16 / 8.
    EXPECT_EQ(GreySharpen(3, 3, 0, { { 1, 1, 40 } }, SharpenFilter::Core, 2).StepAtPixel(1, 1), 48);
    EXPECT_EQ(GreySharpen(3, 3, 0, { { 1, 1, 40 } }, SharpenFilter::Core, 0).StepAtPixel(1, 1), 0);
}

TEST(SharpenMask, ColourFramesUseGreenAndPaddedRows)
{
    // 3 x 3 blue-green-red pixels, rows padded to 12 bytes. Red, blue and padding are ignored.
    std::vector<uint8_t> frame(36, 0);
    frame[12 + 3] = frame[12 + 5] = 255;
    frame[12 + 4] = 16;
    frame[9] = frame[21] = frame[33] = 255;
    TSharpen sharpen;
    sharpen.SetWidth(3);
    sharpen.SetHeight(3);
    sharpen.SetFilter(SharpenFilter::Linear);
    sharpen.BuildFilterMask(frame.data(), 12);
    EXPECT_EQ(sharpen.MaskAt(1, 1), 16);
    EXPECT_EQ(sharpen.StepAt(size_t(4 * 3)), 16);

    // The image filer's hook adopts the picture's shape and leaves the picture as it is.
    std::vector<uint8_t> grey(16, 0);
    grey[5] = 24;
    static_cast<TSharpener&>(sharpen).Apply(grey.data(), 4, 4, 1);
    EXPECT_EQ(grey[5], 24);
    EXPECT_EQ(sharpen.MaskAt(1, 1), 24);

    // A new shape drops the mask; bad frames are refused with the program's text.
    sharpen.SetHeight(8);
    EXPECT_FALSE(sharpen.HasMask());
    EXPECT_EQ(sharpen.StepAtPixel(1, 1), 0);
    EXPECT_THROW(sharpen.BuildFilterMask(nullptr), Error);
    try {
        sharpen.BuildFilterMask(frame.data(), 2); // rows shorter than a row of pixels
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.message(), "Internal Error: Build Filter Mask");
    }
}
