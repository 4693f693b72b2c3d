#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "clips/frame_image.h"
#include "clips/processing_pipeline.h"

using namespace fw;

namespace {

// The colour matrix as plain arithmetic on real numbers.
std::array<uint8_t, 3> MatrixReference(const ColorMatrix& m, const std::array<uint8_t, 3>& rgb)
{
    std::array<uint8_t, 3> out {};
    for (size_t row = 0; row < 3; ++row) {
        const double t
            = double(m[row * 3]) * rgb[0] + double(m[row * 3 + 1]) * rgb[1] + double(m[row * 3 + 2]) * rgb[2];
        out[row] = t >= 8192.0 ? 255 : t < 0.0 ? 0 : uint8_t(std::floor(t / 32.0));
    }
    return out;
}

// A pipeline whose tables are the identity, so only the matrix and the steps act.
ProcessingPipeline IdentityPipeline()
{
    ProcessingPipeline pipeline(WhiteLevelSource::Full);
    pipeline.SetBlackLevels({ 0, 0, 0 });
    pipeline.SetGamma(1.0F);
    pipeline.Sharpen().SetFilter(SharpenFilter::None);
    return pipeline;
}

std::array<uint8_t, 3> Processed(
    const ProcessingPipeline& pipeline, uint8_t r, uint8_t g, uint8_t b, int32_t step)
{
    uint8_t bgr[3] = {};
    pipeline.ProcessPixel(bgr, r, g, b, step);
    return { bgr[2], bgr[1], bgr[0] };
}

} // namespace

TEST(Pipeline, RefusesUnknownTemperatures)
{
    ProcessingPipeline pipeline;
    const ToneTable before = pipeline.Table(kBlue);
    EXPECT_FALSE(pipeline.SetColorTemperature(4));
    EXPECT_FALSE(pipeline.SetColorTemperature(-1));
    EXPECT_EQ(pipeline.Table(kBlue), before);
    EXPECT_TRUE(pipeline.SetColorTemperature(3));
    EXPECT_EQ(pipeline.Levels().white, (ChannelLevels { 132, 221, 99 }));
}

TEST(Pipeline, ColourMatrixMatchesRealArithmetic)
{
    ProcessingPipeline pipeline = IdentityPipeline();
    pipeline.SetToneCurve(true);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int32_t> small(-64, 96);
    std::uniform_int_distribution<int32_t> any(
        std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    for (int i = 0; i < 20; ++i) {
        ColorMatrix m = kDefaultColorMatrix;
        for (int32_t& c : m)
            c = i == 0 ? c : i < 10 ? small(random) : any(random);
        pipeline.SetColorMatrix(m);
        for (int n = 0; n < 2000; ++n) {
            const std::array<uint8_t, 3> rgb
                = { uint8_t(byte(random)), uint8_t(byte(random)), uint8_t(byte(random)) };
            ASSERT_EQ(Processed(pipeline, rgb[0], rgb[1], rgb[2], 0), MatrixReference(m, rgb));
        }
    }
    // t = 8191 stays 255 by division, t = 8192 by saturation.
    pipeline.SetColorMatrix({ 8191, 0, 0, 8192, 0, 0, -1, 0, 0 });
    EXPECT_EQ(Processed(pipeline, 1, 0, 0, 0), (std::array<uint8_t, 3> { 255, 255, 0 }));
}

TEST(Pipeline, StepsRunInOrderSharpenTablesMatrix)
{
    ProcessingPipeline pipeline(WhiteLevelSource::Full);
    pipeline.SetGamma(1.0F);
    // The step is added before the tables and limited: red 250 + 20 reads entry 255.
    const auto stepped = Processed(pipeline, 250, 5, 100, 20);
    EXPECT_EQ(stepped[0], pipeline.Table(kRed)[255]);
    EXPECT_EQ(stepped[1], pipeline.Table(kGreen)[25]);
    EXPECT_EQ(stepped[2], pipeline.Table(kBlue)[120]);
    const auto darkened = Processed(pipeline, 10, 200, 3, -30);
    EXPECT_EQ(darkened[0], pipeline.Table(kRed)[0]);
    EXPECT_EQ(darkened[2], pipeline.Table(kBlue)[0]);

    // The matrix works on the table output.
    pipeline.SetBlackLevels({ 0, 0, 0 });
    pipeline.SetGains(0.5F, 1.0F, 1.0F);
    pipeline.SetToneCurve(true);
    pipeline.SetColorMatrix({ 32, 0, 0, 32, 0, 0, 0, 0, 32 });
    EXPECT_EQ(Processed(pipeline, 200, 0, 7, 0), (std::array<uint8_t, 3> { 100, 100, 7 }));

    // The mask view bypasses everything else.
    pipeline.SetShowFilterMask(true);
    EXPECT_EQ(Processed(pipeline, 200, 0, 7, -20), (std::array<uint8_t, 3> { 108, 108, 108 }));
    EXPECT_EQ(Processed(pipeline, 0, 0, 0, 500), (std::array<uint8_t, 3> { 255, 255, 255 }));
    EXPECT_EQ(pipeline.ProcessGrey(9, -300), 0);
}

TEST(Pipeline, FramesAreSharpenedFromTheirUnprocessedPixels)
{
    // 5 x 3 picture of 24-bit pixels: rows of 15 bytes padded to 16.
    FrameImage frame(5, 3, 24);
    ASSERT_EQ(frame.rowBytes(), 16);
    for (int32_t row = 0; row < 3; ++row) {
        uint8_t* p = frame.pixels() + row * 16;
        for (int i = 0; i < 15; ++i)
            p[i] = 100;
        p[15] = 0xAB;
    }
    frame.pixels()[16 + 2 * 3 + 1] = 140; // green of the middle pixel
    ProcessingPipeline pipeline = IdentityPipeline();
    pipeline.Sharpen().SetFilter(SharpenFilter::Linear);
    pipeline.ProcessFrame(frame);

    const uint8_t* middle = frame.pixels() + 16;
    EXPECT_EQ(middle[2 * 3 + 0], 140); // 100 + 40 on every channel
    EXPECT_EQ(middle[2 * 3 + 1], 180);
    EXPECT_EQ(middle[1 * 3 + 1], 95); // a neighbour: -40 / 8
    EXPECT_EQ(middle[0 * 3 + 1], 100); // the border is not sharpened
    for (int32_t row = 0; row < 3; ++row)
        EXPECT_EQ(frame.pixels()[row * 16 + 15], 0xAB);
}

TEST(Pipeline, PixelHooksUseTheMaskOfTheirPosition)
{
    ProcessingPipeline pipeline = IdentityPipeline();
    std::vector<uint8_t> raw(9 * 3, 0);
    raw[4 * 3 + 1] = 8; // green of the centre: mask 8
    pipeline.BuildFilterMask(raw.data(), 3, 3, 9, true);
    EXPECT_FALSE(pipeline.Sharpen().HasMask());
    pipeline.Sharpen().SetFilter(SharpenFilter::Linear);
    pipeline.BuildFilterMask(raw.data(), 3, 3, 9, true);

    std::vector<uint8_t> out(9 * 3, 0);
    pipeline.PixelCallback(out.data(), 4 * 3, 50, 60, 70);
    EXPECT_EQ(
        std::vector<uint8_t>(out.begin() + 12, out.begin() + 15), (std::vector<uint8_t> { 78, 68, 58 }));

    uint8_t centre[3] = { 10, 20, 30 };
    pipeline.MakeColourTransform()(1, 1, centre);
    EXPECT_EQ(centre[2], 38);
}

namespace {

// The edge strength of every inner pixel written out as the 3 x 3 rule: 8 x centre minus the
// eight neighbours, 63 from 512 up, -63 below -504, else divided by 8 toward zero.
int8_t ReferenceMask(const FrameImage& frame, int x, int y, int channel, int bytes)
{
    if (x == 0 || y == 0 || x + 1 == frame.width() || y + 1 == frame.height())
        return 0;
    auto at = [&](int dx, int dy) {
        return int(frame.pixels()[size_t(y + dy) * frame.rowBytes() + size_t(x + dx) * bytes + channel]);
    };
    int v = 8 * at(0, 0);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0)
                v -= at(dx, dy);
    return v >= 512 ? 63 : v < -504 ? -63 : int8_t(v / 8);
}

FrameImage NoiseFrame(int bits, unsigned seed)
{
    FrameImage frame(37, 23, bits); // odd sizes: padded rows, no vector-width multiples
    std::mt19937 random(seed);
    for (size_t i = 0; i < frame.pixelBytes(); ++i)
        frame.pixels()[i] = uint8_t(random());
    return frame;
}

} // namespace

// The frame loops take short cuts (stepped tables, 32-bit sums, a gathered green plane): every
// combination must give what the per-pixel rule gives.
TEST(ProcessingPipelineFrames, EveryPathMatchesThePixelRule)
{
    struct Case {
        SharpenFilter filter;
        float sharpness;
        bool tone_curve;
        bool show_mask;
        ColorMatrix matrix;
    };
    const ColorMatrix large = { 40000000, -3, 7, -2000000, 46, -6, 1, -16, 2100000000 };
    const std::vector<Case> cases = { { SharpenFilter::None, 0.0F, false, false, kDefaultColorMatrix },
        { SharpenFilter::Clip, 2.0F, true, false, kDefaultColorMatrix },
        { SharpenFilter::Linear, 10.0F, true, false, kDefaultColorMatrix },
        { SharpenFilter::Core, -10.0F, false, false, kDefaultColorMatrix },
        { SharpenFilter::Linear, 3.0F, true, false, large },
        { SharpenFilter::Clip, 5.0F, false, true, large } };
    for (int bits : { 24, 8 }) {
        for (size_t c = 0; c < cases.size(); ++c) {
            SCOPED_TRACE(testing::Message() << "bits " << bits << " case " << c);
            ProcessingPipeline pipeline;
            pipeline.SetGains(1.3F, 0.8F, 1.1F);
            pipeline.SetGamma(1.7F);
            pipeline.SetGreyFrames(bits == 8);
            pipeline.SetColorMatrix(cases[c].matrix);
            pipeline.SetToneCurve(cases[c].tone_curve);
            pipeline.SetShowFilterMask(cases[c].show_mask);
            pipeline.Sharpen().SetFilter(cases[c].filter);
            pipeline.Sharpen().SetSharpness(cases[c].sharpness);
            const FrameImage source = NoiseFrame(bits, unsigned(c));
            FrameImage frame = source;
            pipeline.ProcessFrame(frame);
            const int bytes = bits / 8;
            for (int y = 0; y < source.height(); ++y) {
                for (int x = 0; x < source.width(); ++x) {
                    const size_t at = size_t(y) * source.rowBytes() + size_t(x) * bytes;
                    const uint8_t* in = source.pixels() + at;
                    const int step = cases[c].filter == SharpenFilter::None
                        ? 0
                        : pipeline.Sharpen().StepOfMask(
                            ReferenceMask(source, x, y, bits == 24 ? 1 : 0, bytes));
                    if (bits == 8) {
                        const int shown = cases[c].show_mask
                            ? std::clamp(128 + step, 0, 255)
                            : pipeline.Table(kGreen)[size_t(std::clamp(in[0] + step, 0, 255))];
                        ASSERT_EQ(frame.pixels()[at], shown) << x << "," << y;
                        continue;
                    }
                    uint8_t expected[3];
                    pipeline.ProcessPixel(expected, in[2], in[1], in[0], step);
                    ASSERT_EQ(0, std::memcmp(frame.pixels() + at, expected, 3)) << x << "," << y;
                }
            }
        }
    }
}
