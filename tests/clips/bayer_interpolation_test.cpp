#include "clips/bayer_interpolation.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "clips/processing_pipeline.h"
#include "clips/bayer_reference.h"

namespace fw {
namespace {

using bayer_reference::CellsOf;
using bayer_reference::Grid;
using bayer_reference::Pixel;
using bayer_reference::Reference;

Grid RandomGrid(int w, int h, unsigned seed)
{
    std::mt19937 random(seed);
    Grid grid { w, h, std::vector<int>(size_t(w * h)) };
    for (int& v : grid.s)
        v = int(random() % 256);
    return grid;
}

// Pixel (y, x) of a bottom-up blue-green-red DIB.
Pixel DibPixel(const std::vector<uint8_t>& dib, int w, int h, int y, int x)
{
    const size_t at = (size_t(h - 1 - y) * size_t(w) + size_t(x)) * 3;
    return { dib[at + 2], dib[at + 1], dib[at] };
}

std::vector<uint8_t> Interpolated(const Grid& grid, bool color)
{
    const std::vector<uint8_t> cells = CellsOf(grid);
    std::vector<uint8_t> dib(size_t(grid.w * grid.h * 3), 0xEE);
    InterpolateBayerRaw(BayerMosaic(cells.data(), grid.w, grid.h), color, dib.data());
    return dib;
}

void ExpectMatchesReference(const Grid& grid)
{
    const std::vector<uint8_t> dib = Interpolated(grid, true);
    int mismatches = 0;
    for (int y = 0; y < grid.h; ++y)
        for (int x = 0; x < grid.w; ++x) {
            const Pixel want = Reference(grid, y, x);
            const Pixel got = DibPixel(dib, grid.w, grid.h, y, x);
            if ((want.r != got.r || want.g != got.g || want.b != got.b) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << y << ", " << x << ") of " << grid.w << "x" << grid.h << ": got "
                              << got.r << "," << got.g << "," << got.b << " want " << want.r << "," << want.g
                              << "," << want.b;
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(BayerInterpolation, MatchesTheRulesPixelForPixelAtBothFrameSizes)
{
    for (const auto& [w, h] : { std::pair { 512, 384 }, { 512, 144 } }) {
        ExpectMatchesReference(RandomGrid(w, h, unsigned(h)));
        // Saturated samples: sums of 8-bit values must not wrap.
        ExpectMatchesReference(Grid { w, h, std::vector<int>(size_t(w * h), 255) });
    }
    // The smallest picture with middle rows, where every edge rule meets its neighbours.
    ExpectMatchesReference(RandomGrid(4, 4, 7));
}

// The vector path and the plain one give the same picture, also for widths that leave pairs
// over at the end of each row.
TEST(BayerInterpolation, VectorAndPlainPathsAgree)
{
    for (const auto& [w, h] : { std::pair { 512, 384 }, { 512, 144 }, { 36, 8 }, { 18, 6 }, { 4, 4 } }) {
        const Grid grid = RandomGrid(w, h, unsigned(w + h));
        const std::vector<uint8_t> cells = CellsOf(grid);
        std::vector<uint8_t> plain(size_t(w * h * 3), 0xEE);
        bayer_detail::InterpolateColourScalar(BayerMosaic(cells.data(), w, h), plain.data());
        EXPECT_EQ(Interpolated(grid, true), plain) << w << "x" << h;
        ExpectMatchesReference(grid);
    }
}

TEST(BayerInterpolation, TopLeftCornerTakesItsOwnCell)
{
    Grid grid = RandomGrid(512, 144, 3);
    grid.s[0] = 100; // G
    grid.s[1] = 200; // R
    grid.s[size_t(grid.w)] = 50; // B
    grid.s[size_t(grid.w) + 1] = 60; // G
    const Pixel corner = DibPixel(Interpolated(grid, true), grid.w, grid.h, 0, 0);
    EXPECT_EQ(corner.r, 200);
    EXPECT_EQ(corner.b, 50);
    EXPECT_EQ(corner.g, 95);
}

TEST(BayerInterpolation, MonochromeSpreadsEverySampleAsGrey)
{
    for (const auto& [w, h] : { std::pair { 512, 384 }, { 512, 144 } }) {
        Grid grid = RandomGrid(w, h, 11);
        grid.s[0] = 10;
        grid.s[1] = 20;
        grid.s[size_t(w)] = 30;
        grid.s[size_t(w) + 1] = 40;
        const std::vector<uint8_t> dib = Interpolated(grid, false);
        EXPECT_EQ(DibPixel(dib, w, h, 0, 0).g, 10);
        EXPECT_EQ(DibPixel(dib, w, h, 0, 1).g, 20);
        EXPECT_EQ(DibPixel(dib, w, h, 1, 0).g, 30);
        EXPECT_EQ(DibPixel(dib, w, h, 1, 1).g, 40);
        int mismatches = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Pixel got = DibPixel(dib, w, h, y, x);
                mismatches += got.r != grid(y, x) || got.g != grid(y, x) || got.b != grid(y, x);
            }
        EXPECT_EQ(mismatches, 0) << w << "x" << h;
    }
}

// The pipeline pass hands every interpolated pixel to the pipeline, sharpened by the mask the
// raw pass built.
TEST(BayerInterpolation, PipelinePassProcessesTheRawPicture)
{
    enum class Look { Default, Toned, Mask };
    for (const bool color : { true, false }) {
        for (const SharpenFilter filter : { SharpenFilter::None, SharpenFilter::Core, SharpenFilter::Clip }) {
            for (const Look look : { Look::Default, Look::Toned, Look::Mask }) {
                const Grid grid = RandomGrid(512, 144, 5);
                const std::vector<uint8_t> cells = CellsOf(grid);
                const BayerMosaic mosaic(cells.data(), grid.w, grid.h);
                ProcessingPipeline pipeline;
                if (look != Look::Default) {
                    pipeline.SetGains(1.3F, 1.0F, 0.8F);
                    pipeline.SetToneCurve(true);
                }
                pipeline.SetShowFilterMask(look == Look::Mask);
                pipeline.Sharpen().SetFilter(filter);
                pipeline.Sharpen().SetSharpness(1.5F);

                std::vector<uint8_t> rendered(cells.size() * 3);
                RenderBayerFrame(mosaic, color, pipeline, rendered.data());

                std::vector<uint8_t> raw = Interpolated(grid, color);
                pipeline.BuildFilterMask(raw.data(), grid.w, grid.h, grid.w * 3, true);
                std::vector<uint8_t> expected(raw.size());
                for (size_t at = 0; at < raw.size(); at += 3)
                    pipeline.PixelCallback(expected.data(), at, raw[at + 2], raw[at + 1], raw[at]);
                EXPECT_EQ(rendered, expected)
                    << "color " << color << " filter " << int(filter) << " look " << int(look);
            }
        }
    }
}

} // namespace
} // namespace fw
