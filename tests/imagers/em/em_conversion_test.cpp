// Tone table, picture conversion and the HS 4540's frame numbering: pure rules, no bus.

#include <gtest/gtest.h>

#include "clips/sharpen.h"
#include "imagers/em/em_frame_conversion.h"
#include "imagers/em/hs4540_avi.h"

namespace fw {

namespace {

TEST(EmToneTable, DefaultCurveBrightnessAndLimits)
{
    const EmToneTable plain = BuildEmToneTable(1.0, 1.0);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(plain[size_t(i)], i / 2) << i;

    const EmToneTable curve = BuildEmToneTable(1.0, 1.8);
    EXPECT_EQ(curve[2], 1); // below 3 there is no gamma step
    EXPECT_EQ(curve[40], 45); // 127 (20 / 127) ^ (1 / 1.8) = 45.48
    EXPECT_EQ(curve[255], 127);
    for (int i = 1; i < 256; ++i)
        EXPECT_GE(curve[size_t(i)], curve[size_t(i - 1)]) << i;

    const EmToneTable bright = BuildEmToneTable(3.0, 1.0);
    EXPECT_EQ(bright[100], 127);
    const EmToneTable dark = BuildEmToneTable(-1.0, 1.0);
    EXPECT_EQ(dark[200], 0);
    // A gamma of zero or less is taken as a very small one, not a division by zero.
    const EmToneTable flat = BuildEmToneTable(1.0, 0.0);
    EXPECT_EQ(flat[100], BuildEmToneTable(1.0, 0.001)[100]);

    const std::vector<RgbQuad> palette = EmGreyPalette();
    ASSERT_EQ(palette.size(), 128U);
    EXPECT_EQ(palette[127].red, 254);
    EXPECT_EQ(palette[127].blue, 254);
}

// Three lines of five samples: line y, column x holds 10y + x.
struct SmallRaw {
    std::vector<std::uint8_t> samples;
    SmallRaw()
    {
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                samples.push_back(std::uint8_t(10 * y + x));
    }
    EmRawImage Image() const { return EmRawImage { samples, 3, 5 }; }
};

std::vector<int> TopDown(const FrameImage& picture)
{
    std::vector<int> values;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            values.push_back(picture.topDownRow(y)[x]);
    return values;
}

TEST(EmConversion, CropFlipsAndPaddingColumns)
{
    const SmallRaw raw;
    FrameImage picture(8, 3, 8);
    ConvertEmFrame(raw.Image(), EmConversion { FrameRect { 0, 0, 7, 2 } }, picture);
    // Rows are stored bottom-up: the top line is the last row in memory.
    EXPECT_EQ(picture.pixels()[2 * picture.rowBytes()], 0);
    EXPECT_EQ(TopDown(picture),
        (std::vector<int> {
            0, 1, 2, 3, 4, 4, 4, 4, 10, 11, 12, 13, 14, 14, 14, 14, 20, 21, 22, 23, 24, 24, 24, 24 }));

    FrameImage flipped(2, 2, 8);
    EmConversion both { FrameRect { 1, 0, 2, 1 }, true, true };
    ConvertEmFrame(raw.Image(), both, flipped);
    EXPECT_EQ(TopDown(flipped), (std::vector<int> { 23, 22, 13, 12 }));

    const EmToneTable halves = BuildEmToneTable(1.0, 1.0);
    FrameImage toned(2, 1, 8);
    EmConversion tone { FrameRect { 3, 2, 4, 2 } };
    tone.tone = &halves;
    ConvertEmFrame(raw.Image(), tone, toned);
    EXPECT_EQ(TopDown(toned), (std::vector<int> { 11, 12 }));
}

TEST(EmConversion, FilterPassAndItsMask)
{
    const std::vector<std::uint8_t> flat(16 * 16, 100);
    const EmToneTable halves = BuildEmToneTable(1.0, 1.0);
    TSharpen sharpen;
    sharpen.SetFilter(SharpenFilter::Linear);
    sharpen.SetSharpness(2.0F);
    EmConversion conversion { FrameRect { 0, 0, 15, 15 } };
    conversion.tone = &halves;
    conversion.sharpen = &sharpen;
    FrameImage picture(16, 16, 8);
    ConvertEmFrame(EmRawImage { flat, 16, 16 }, conversion, picture);
    EXPECT_EQ(picture.topDownRow(8)[8], 50); // no edges, no step

    conversion.show_filter_mask = true;
    ConvertEmFrame(EmRawImage { flat, 16, 16 }, conversion, picture);
    EXPECT_EQ(picture.topDownRow(8)[8], 64);

    // An edge is sharpened: the bright side gets brighter, never past 127.
    std::vector<std::uint8_t> edge(16 * 16, 40);
    for (int y = 0; y < 16; ++y)
        for (int x = 8; x < 16; ++x)
            edge[size_t(y * 16 + x)] = 250;
    conversion.show_filter_mask = false;
    ConvertEmFrame(EmRawImage { edge, 16, 16 }, conversion, picture);
    EXPECT_GT(picture.topDownRow(8)[8], 125);
    EXPECT_LE(picture.topDownRow(8)[15], 127);
    EXPECT_LT(picture.topDownRow(8)[7], 20);
}

TEST(HsFrameNumbers, ZeroIsSkippedAroundTheTrigger)
{
    T4540AVI stream(nullptr);
    stream.SetFrames(-100, stream.FramesBetween(-100, 100, 1), 1);
    EXPECT_EQ(stream.FrameCount(), 200);
    EXPECT_EQ(stream.ProcessorFrame(99), -1);
    EXPECT_EQ(stream.ProcessorFrame(100), 1);
    EXPECT_EQ(stream.ProcessorFrame(199), 100);
    for (int index = 0; index < 200; ++index)
        EXPECT_EQ(stream.ClipIndex(stream.ProcessorFrame(index)), index) << index;

    // Every third frame from -9 up to 1: -9, -6, -3, then 0 steps up to 1.
    EXPECT_EQ(stream.FramesBetween(-9, 1, 3), 4);
    EXPECT_EQ(stream.FramesBetween(-9, 0, 3), 3);
    EXPECT_EQ(stream.FramesBetween(1, 1024, 1), 1024);
    EXPECT_EQ(stream.FramesBetween(5, 4, 1), 0);

    TEM1012AVI em(nullptr);
    EXPECT_EQ(em.FramesBetween(5, 17, 4), 4);
    em.SetFrames(-2, 5, 1);
    EXPECT_EQ(em.ProcessorFrame(2), 0);
}

} // namespace

} // namespace fw
