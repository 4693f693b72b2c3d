#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "clips/sharpen.h"
#include "support/fw_error.h"

using namespace fw;

namespace {

// A grey frame of the given size, all `background`, with single pixels set.
struct GreyFrame {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> bytes;

    GreyFrame(int32_t w, int32_t h, uint8_t background = 0)
        : width(w)
        , height(h)
        , bytes(size_t(w * h), background)
    {
    }
    void Set(int32_t x, int32_t row, uint8_t value) { bytes[size_t(row * width + x)] = value; }
};

TSharpen GreySharpen(const GreyFrame& frame, SharpenFilter filter, float sharpness)
{
    TSharpen sharpen;
    sharpen.SetWidth(frame.width);
    sharpen.SetHeight(frame.height);
    sharpen.SetColor(false);
    sharpen.SetFilter(filter);
    sharpen.SetSharpness(sharpness);
    sharpen.BuildFilterMask(frame.bytes.data());
    return sharpen;
}

} // namespace

TEST(SharpenCurves, AreOddAndFollowTheirShapes)
{
    for (int f = 0; f < kSharpenFilterCount; ++f)
        for (int32_t m = 0; m <= 63; ++m)
            ASSERT_EQ(SharpenResponse(SharpenFilter(f), -m), -SharpenResponse(SharpenFilter(f), m));

    const auto core = [](int32_t m) { return SharpenResponse(SharpenFilter::Core, m); };
    EXPECT_EQ(core(7), 0);
    EXPECT_EQ(core(8), 1);
    EXPECT_EQ(core(13), 7);
    EXPECT_EQ(core(31), 30);
    EXPECT_EQ(core(32), 31);
    EXPECT_EQ(core(33), 31);
    EXPECT_EQ(core(34), 30);
    EXPECT_EQ(core(40), 24);
    EXPECT_EQ(core(63), 1);
    EXPECT_EQ(SharpenResponse(SharpenFilter::Clip, 40), 31);
    EXPECT_EQ(SharpenResponse(SharpenFilter::Clip, -20), -20);
    EXPECT_EQ(SharpenResponse(SharpenFilter::Linear, -63), -63);
    EXPECT_EQ(SharpenResponse(SharpenFilter::None, 50), 0);
    // Out-of-range mask values are limited, never read past the table.
    EXPECT_EQ(SharpenResponse(SharpenFilter::Linear, 1000), 63);
    EXPECT_EQ(SharpenResponse(SharpenFilter::Core, -1000), -1);
}

TEST(SharpenSettings, StrengthFollowsTheLimitedSharpness)
{
    TSharpen sharpen;
    EXPECT_EQ(sharpen.Filter(), SharpenFilter::Clip);
    EXPECT_EQ(sharpen.Strength(), 8);
    EXPECT_TRUE(sharpen.Color());
    sharpen.SetSharpness(2.0F);
    EXPECT_EQ(sharpen.Strength(), 16);
    sharpen.SetSharpness(-0.99F);
    EXPECT_EQ(sharpen.Strength(), -7);
    sharpen.SetSharpness(1e9F);
    EXPECT_EQ(sharpen.Strength(), 80);
    sharpen.SetSharpness(-std::numeric_limits<float>::infinity());
    EXPECT_EQ(sharpen.Strength(), -80);
    sharpen.SetSharpness(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(sharpen.Strength(), 0);
    sharpen.SetFilterIndex(3);
    EXPECT_EQ(sharpen.Filter(), SharpenFilter::Linear);
    sharpen.SetFilterIndex(200);
    EXPECT_EQ(sharpen.Filter(), SharpenFilter::None);
}

TEST(SharpenMask, BrightPointGivesPeakAndHaloWithZeroBorder)
{
    GreyFrame frame(5, 5);
    frame.Set(2, 2, 100);
    frame.Set(4, 4, 255); // a border pixel never enters the mask
    const TSharpen sharpen = GreySharpen(frame, SharpenFilter::Linear, 0.375F);
    EXPECT_EQ(sharpen.MaskAt(2, 2), 63); // 800 is beyond the limit
    EXPECT_EQ(sharpen.MaskAt(1, 1), -12); // -100 / 8 truncated toward zero
    EXPECT_EQ(sharpen.MaskAt(3, 2), -12);
    EXPECT_EQ(sharpen.MaskAt(3, 3), -44); // (-100 - 255) / 8, also next to the corner pixel
    for (int32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(sharpen.MaskAt(i, 0), 0);
        EXPECT_EQ(sharpen.MaskAt(0, i), 0);
        EXPECT_EQ(sharpen.MaskAt(4, i), 0);
        EXPECT_EQ(sharpen.MaskAt(i, 4), 0);
    }
    // Strength 3: -44 x 3 / 8 = -16.5 goes toward zero.
    EXPECT_EQ(sharpen.StepAtPixel(3, 3), -16);
    EXPECT_EQ(sharpen.StepAt(size_t(3 * 5 + 3)), -16);
    EXPECT_EQ(sharpen.StepAtPixel(2, 2), 23);
    EXPECT_EQ(sharpen.StepAt(1000), 0);
    EXPECT_EQ(sharpen.StepAtPixel(-1, 2), 0);
}

TEST(SharpenMask, LimitsAndTheCoreExample)
{
    GreyFrame dark_point(3, 3, 255);
    dark_point.Set(1, 1, 0);
    EXPECT_EQ(GreySharpen(dark_point, SharpenFilter::Linear, 1.0F).MaskAt(1, 1), -63);

    GreyFrame ring(3, 3, 63);
    ring.Set(1, 1, 0); // v = -504, the last value that is not limited
    EXPECT_EQ(GreySharpen(ring, SharpenFilter::Linear, 1.0F).MaskAt(1, 1), -63);
    ring.Set(0, 0, 62); // v = -503
    EXPECT_EQ(GreySharpen(ring, SharpenFilter::Linear, 1.0F).MaskAt(1, 1), -62);

    GreyFrame edge(3, 3);
    edge.Set(1, 1, 40); // v = 320, mask 40
    const TSharpen core = GreySharpen(edge, SharpenFilter::Core, 2.0F);
    EXPECT_EQ(core.MaskAt(1, 1), 40);
    EXPECT_EQ(core.StepAtPixel(1, 1), 48);
    EXPECT_EQ(GreySharpen(edge, SharpenFilter::Core, 0.0F).StepAtPixel(1, 1), 0);
    EXPECT_EQ(GreySharpen(edge, SharpenFilter::None, 5.0F).StepAtPixel(1, 1), 0);
}

TEST(SharpenMask, ColourFramesUseGreenAndPaddedRows)
{
    // 3 x 3 blue-green-red pixels, rows padded to 12 bytes. Red and blue spikes are ignored.
    std::vector<uint8_t> frame(36, 0);
    auto pixel = [&frame](int x, int row) { return frame.data() + row * 12 + x * 3; };
    pixel(1, 1)[0] = 255;
    pixel(1, 1)[2] = 255;
    pixel(1, 1)[1] = 16;
    for (int pad = 9; pad < 36; pad += 12)
        frame[size_t(pad)] = 255;
    TSharpen sharpen;
    sharpen.SetWidth(3);
    sharpen.SetHeight(3);
    sharpen.SetFilter(SharpenFilter::Linear);
    sharpen.BuildFilterMask(frame.data(), 12);
    EXPECT_EQ(sharpen.MaskAt(1, 1), 16);
    EXPECT_EQ(sharpen.StepAt(size_t(4 * 3)), 16);
}

TEST(SharpenMask, IsDroppedWhenTheShapeChangesAndRefusesBadFrames)
{
    GreyFrame frame(4, 4);
    frame.Set(1, 1, 80);
    TSharpen sharpen = GreySharpen(frame, SharpenFilter::Linear, 1.0F);
    ASSERT_TRUE(sharpen.HasMask());
    sharpen.SetWidth(4);
    EXPECT_TRUE(sharpen.HasMask());
    sharpen.SetHeight(8);
    EXPECT_FALSE(sharpen.HasMask());
    EXPECT_EQ(sharpen.StepAtPixel(1, 1), 0);

    sharpen.SetHeight(0);
    EXPECT_THROW(sharpen.BuildFilterMask(frame.bytes.data()), Error);
    sharpen.SetHeight(4);
    EXPECT_THROW(sharpen.BuildFilterMask(nullptr), Error);
    try {
        sharpen.BuildFilterMask(frame.bytes.data(), 2); // rows shorter than a row of pixels
        FAIL();
    } catch (const Error& error) {
        EXPECT_EQ(error.message(), "Internal Error: Build Filter Mask");
    }
}

TEST(SharpenMask, FilerHookBuildsFromTheExtractedPictureAndLeavesIt)
{
    GreyFrame frame(3, 3);
    frame.Set(1, 1, 24);
    const std::vector<uint8_t> before = frame.bytes;
    TSharpen sharpen;
    sharpen.SetFilter(SharpenFilter::Linear);
    TSharpener& hook = sharpen;
    hook.Apply(frame.bytes.data(), 3, 3, 1);
    EXPECT_EQ(frame.bytes, before);
    EXPECT_FALSE(sharpen.Color());
    EXPECT_EQ(sharpen.MaskAt(1, 1), 24);
}
