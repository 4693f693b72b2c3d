// Pixel delivery of the GenICam library: bottom-up lines, decimation by leaving out lines and
// columns, colour as blue-green-red-unused and grey from colour.

#include <gtest/gtest.h>

#include <vector>

#include "imaq_genicam/frame_copy.h"

namespace fw::imaq_genicam {
namespace {

FrameLayout Layout(SourceFormat format, uint32_t width, uint32_t height, bool colour, uint32_t step = 1)
{
    FrameLayout layout = FullLayout(format, width, height, colour);
    layout.step_x = step;
    layout.step_y = step;
    return layout;
}

std::vector<uint8_t> Copy(const FrameLayout& layout, const std::vector<uint8_t>& source)
{
    std::vector<uint8_t> target(layout.deliveredBytes(), 0xEE);
    EXPECT_TRUE(CopyFrameBottomUp(layout, source.data(), source.size(), target.data(), target.size()));
    return target;
}

TEST(FrameCopy, MonoLinesComeLastFirst)
{
    const FrameLayout layout = Layout(SourceFormat::kMono8, 3, 3, false);
    EXPECT_EQ(
        Copy(layout, { 1, 2, 3, 4, 5, 6, 7, 8, 9 }), (std::vector<uint8_t> { 7, 8, 9, 4, 5, 6, 1, 2, 3 }));
}

TEST(FrameCopy, HalfKeepsEvenLinesAndColumns)
{
    // 5 x 5 with the value 10 * line + column; odd sizes round down.
    std::vector<uint8_t> source;
    for (uint8_t line = 0; line < 5; ++line)
        for (uint8_t column = 0; column < 5; ++column)
            source.push_back(static_cast<uint8_t>(10 * line + column));
    const FrameLayout layout = Layout(SourceFormat::kMono8, 5, 5, false, 2);
    ASSERT_EQ(layout.width(), 2u);
    ASSERT_EQ(layout.height(), 2u);
    EXPECT_EQ(Copy(layout, source), (std::vector<uint8_t> { 20, 22, 0, 2 }));

    FrameLayout lines_only = Layout(SourceFormat::kMono8, 5, 5, false);
    lines_only.step_y = 2;
    EXPECT_EQ(Copy(lines_only, source), (std::vector<uint8_t> { 20, 21, 22, 23, 24, 0, 1, 2, 3, 4 }));
}

TEST(FrameCopy, ColourPixelsAreBlueGreenRedUnused)
{
    // Two lines of one pixel: red above blue.
    const std::vector<uint8_t> rgb { 200, 10, 20, 30, 40, 250 };
    EXPECT_EQ(Copy(Layout(SourceFormat::kRgb8, 1, 2, true), rgb),
        (std::vector<uint8_t> { 250, 40, 30, 0, 20, 10, 200, 0 }));
    const std::vector<uint8_t> bgr { 20, 10, 200, 250, 40, 30 };
    EXPECT_EQ(Copy(Layout(SourceFormat::kBgr8, 1, 2, true), bgr),
        (std::vector<uint8_t> { 250, 40, 30, 0, 20, 10, 200, 0 }));
    EXPECT_EQ(Copy(Layout(SourceFormat::kMono8, 2, 1, true), { 9, 200 }),
        (std::vector<uint8_t> { 9, 9, 9, 0, 200, 200, 200, 0 }));
}

TEST(FrameCopy, GreyFromColourWeighsGreenMost)
{
    const std::vector<uint8_t> rgb { 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0 };
    EXPECT_EQ(
        Copy(Layout(SourceFormat::kRgb8, 5, 1, false), rgb), (std::vector<uint8_t> { 77, 149, 29, 255, 0 }));
    const std::vector<uint8_t> bgr { 0, 0, 255, 0, 255, 0, 255, 0, 0 };
    EXPECT_EQ(Copy(Layout(SourceFormat::kBgr8, 3, 1, false), bgr), (std::vector<uint8_t> { 77, 149, 29 }));
}

TEST(FrameCopy, PaddedCameraLinesAreSkipped)
{
    FrameLayout layout = Layout(SourceFormat::kMono8, 2, 2, false);
    layout.source_stride = 4;
    // The last line needs no padding after it.
    EXPECT_EQ(layout.sourceBytes(), 6u);
    EXPECT_EQ(Copy(layout, { 1, 2, 0xAA, 0xAA, 3, 4 }), (std::vector<uint8_t> { 3, 4, 1, 2 }));
}

TEST(FrameCopy, ShortBuffersAreRefusedUntouched)
{
    const FrameLayout layout = Layout(SourceFormat::kRgb8, 4, 4, true);
    const std::vector<uint8_t> source(layout.sourceBytes(), 1);
    std::vector<uint8_t> target(layout.deliveredBytes(), 0xEE);
    EXPECT_FALSE(CopyFrameBottomUp(layout, source.data(), source.size() - 1, target.data(), target.size()));
    EXPECT_FALSE(CopyFrameBottomUp(layout, source.data(), source.size(), target.data(), target.size() - 1));
    EXPECT_FALSE(CopyFrameBottomUp(layout, nullptr, source.size(), target.data(), target.size()));
    EXPECT_EQ(target, std::vector<uint8_t>(layout.deliveredBytes(), 0xEE));
    FrameLayout narrow_stride = layout;
    narrow_stride.source_stride = 11;
    EXPECT_FALSE(
        CopyFrameBottomUp(narrow_stride, source.data(), source.size(), target.data(), target.size()));
}

} // namespace
} // namespace fw::imaq_genicam
