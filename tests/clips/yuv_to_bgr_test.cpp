// The full-range converter against FFmpeg's scaler (which it replaces for JPEG pictures) and
// against the exact BT.601 formula.

#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include "clips/frame_image.h"
#include "clips/yuv_to_bgr.h"

namespace fw::test {
namespace {

constexpr uint8_t kUnwritten = 0xa5;

// An 8-bit planar picture that owns its planes; rows are padded like a decoder's.
struct Planes {
    Planes(int32_t w, int32_t h, ChromaSampling s)
        : width(w)
        , height(h)
        , sampling(s)
    {
        const bool half_width = s != ChromaSampling::Full;
        const bool half_height = s == ChromaSampling::HalfBoth;
        chroma_width = half_width ? (w + 1) / 2 : w;
        chroma_height = half_height ? (h + 1) / 2 : h;
        linesize[0] = w + 13;
        linesize[1] = linesize[2] = chroma_width + 7;
        data[0].assign(size_t(linesize[0]) * size_t(h), 0);
        data[1].assign(size_t(linesize[1]) * size_t(chroma_height), 0);
        data[2].assign(size_t(linesize[2]) * size_t(chroma_height), 0);
    }

    uint8_t& at(int plane, int32_t x, int32_t y)
    {
        return data[plane][size_t(y) * size_t(linesize[plane]) + size_t(x)];
    }

    YuvPicture picture() const
    {
        YuvPicture p;
        for (int i = 0; i < 3; ++i) {
            p.planes[i] = data[i].data();
            p.linesize[i] = linesize[i];
        }
        p.width = width;
        p.height = height;
        p.sampling = sampling;
        return p;
    }

    int32_t width;
    int32_t height;
    ChromaSampling sampling;
    int32_t chroma_width;
    int32_t chroma_height;
    int linesize[3] = {};
    std::vector<uint8_t> data[3];
};

void fillRandom(Planes& p, uint32_t seed)
{
    std::mt19937 random(seed);
    for (auto& plane : p.data) {
        for (uint8_t& byte : plane)
            byte = uint8_t(random());
    }
}

// Smooth ramps in all three planes, the kind of content a camera sees.
void fillGradient(Planes& p)
{
    for (int32_t y = 0; y < p.height; ++y) {
        for (int32_t x = 0; x < p.width; ++x)
            p.at(0, x, y) = uint8_t((x * 255) / std::max(1, p.width - 1));
    }
    for (int32_t y = 0; y < p.chroma_height; ++y) {
        for (int32_t x = 0; x < p.chroma_width; ++x) {
            p.at(1, x, y) = uint8_t((y * 255) / std::max(1, p.chroma_height - 1));
            p.at(2, x, y) = uint8_t(255 - (x * 255) / std::max(1, p.chroma_width - 1));
        }
    }
}

// Bottom-up padded rows as the converter writes them; the buffer starts out marked.
std::vector<uint8_t> convert(const Planes& p)
{
    const int32_t row_bytes = dibRowBytes(p.width, 24);
    std::vector<uint8_t> pixels(size_t(row_bytes) * size_t(p.height), kUnwritten);
    EXPECT_TRUE(fullRangeYuvToBgr(p.picture(), pixels.data(), row_bytes));
    return pixels;
}

// The scaler's conversion of the same picture, top-down rows without padding.
std::vector<uint8_t> scalerReference(const Planes& p)
{
    const AVPixelFormat format = p.sampling == ChromaSampling::Full ? AV_PIX_FMT_YUV444P
        : p.sampling == ChromaSampling::HalfWidth                   ? AV_PIX_FMT_YUV422P
                                                                    : AV_PIX_FMT_YUV420P;
    SwsContext* context = sws_getContext(p.width, p.height, format, p.width, p.height, AV_PIX_FMT_BGR24,
        SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!context)
        return {};
    int* table = nullptr;
    int* unused = nullptr;
    int src_range = 0;
    int dst_range = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    sws_getColorspaceDetails(
        context, &table, &src_range, &unused, &dst_range, &brightness, &contrast, &saturation);
    sws_setColorspaceDetails(context, table, 1, unused, dst_range, brightness, contrast, saturation);
    // The scaler writes whole groups of pixels past the end of a row; give it room.
    const int stride = p.width * 3 + 64;
    std::vector<uint8_t> scaled(size_t(stride) * size_t(p.height) + 64);
    const uint8_t* source[4] = { p.data[0].data(), p.data[1].data(), p.data[2].data(), nullptr };
    const int source_lines[4] = { p.linesize[0], p.linesize[1], p.linesize[2], 0 };
    uint8_t* target[4] = { scaled.data(), nullptr, nullptr, nullptr };
    const int target_lines[4] = { stride, 0, 0, 0 };
    const int rows = sws_scale(context, source, source_lines, 0, p.height, target, target_lines);
    sws_freeContext(context);
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < p.height; ++y)
        out.insert(out.end(), scaled.begin() + y * stride, scaled.begin() + y * stride + p.width * 3);
    return rows == p.height ? out : std::vector<uint8_t>();
}

// Largest channel difference to the scaler; also checks the rows are bottom-up and every
// padding byte is zero. (For subsampled pictures of odd height the scaler interpolates chroma
// instead of repeating it, so those are not compared; the packer leaves them to the scaler.)
int compareWithScaler(const Planes& p)
{
    const std::vector<uint8_t> ours = convert(p);
    const std::vector<uint8_t> reference = scalerReference(p);
    EXPECT_EQ(reference.size(), size_t(p.width) * size_t(p.height) * 3);
    if (reference.empty())
        return 256;
    const int32_t row_bytes = dibRowBytes(p.width, 24);
    int worst = 0;
    for (int32_t y = 0; y < p.height; ++y) {
        const uint8_t* row = ours.data() + size_t(p.height - 1 - y) * size_t(row_bytes);
        const uint8_t* expected = reference.data() + size_t(y) * size_t(p.width) * 3;
        for (int32_t i = 0; i < p.width * 3; ++i)
            worst = std::max(worst, std::abs(int(row[i]) - int(expected[i])));
        for (int32_t i = p.width * 3; i < row_bytes; ++i)
            EXPECT_EQ(row[i], 0) << "padding of row " << y;
    }
    return worst;
}

const ChromaSampling kSamplings[]
    = { ChromaSampling::Full, ChromaSampling::HalfWidth, ChromaSampling::HalfBoth };

// Odd and even sizes, single pixels, and widths around the converter's chunk of 128.
const std::pair<int32_t, int32_t> kSizes[]
    = { { 1, 1 }, { 2, 2 }, { 1, 6 }, { 3, 4 }, { 8, 3 }, { 64, 48 }, { 64, 49 }, { 65, 48 }, { 65, 49 },
          { 127, 4 }, { 128, 3 }, { 129, 6 }, { 255, 8 }, { 256, 7 }, { 513, 2 } };

TEST(FullRangeYuvToBgr, MatchesTheScalerOnRandomPictures)
{
    uint32_t seed = 1;
    for (ChromaSampling sampling : kSamplings) {
        for (auto [width, height] : kSizes) {
            if (sampling != ChromaSampling::Full && height % 2 == 1)
                continue;
            Planes planes(width, height, sampling);
            fillRandom(planes, seed++);
            EXPECT_LE(compareWithScaler(planes), 2)
                << width << "x" << height << " sampling " << int(sampling);
        }
    }
}

TEST(FullRangeYuvToBgr, MatchesTheScalerOnGradients)
{
    for (ChromaSampling sampling : kSamplings) {
        for (auto [width, height] : kSizes) {
            if (sampling != ChromaSampling::Full && height % 2 == 1)
                continue;
            Planes planes(width, height, sampling);
            fillGradient(planes);
            EXPECT_LE(compareWithScaler(planes), 2)
                << width << "x" << height << " sampling " << int(sampling);
        }
    }
}

// Every chroma pair over dark, mid and bright luma, against the exact formula clamped: each
// level must be the nearest one, give or take the 1/64-level steps the terms are carried in.
TEST(FullRangeYuvToBgr, EveryChromaPairIsRoundedToTheNearestLevel)
{
    for (int luma : { 0, 1, 77, 128, 200, 254, 255 }) {
        Planes planes(256, 256, ChromaSampling::Full);
        for (int32_t y = 0; y < 256; ++y) {
            for (int32_t x = 0; x < 256; ++x) {
                planes.at(0, x, y) = uint8_t(luma);
                planes.at(1, x, y) = uint8_t(x);
                planes.at(2, x, y) = uint8_t(y);
            }
        }
        const std::vector<uint8_t> ours = convert(planes);
        double worst = 0;
        for (int cr = 0; cr < 256; ++cr) {
            const uint8_t* row = ours.data() + size_t(255 - cr) * 768;
            for (int cb = 0; cb < 256; ++cb) {
                const double expected[3] = { luma + 1.772 * (cb - 128),
                    luma - 0.344136 * (cb - 128) - 0.714136 * (cr - 128), luma + 1.402 * (cr - 128) };
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::abs(std::clamp(expected[c], 0.0, 255.0) - row[3 * cb + c]));
            }
        }
        EXPECT_LE(worst, 0.52) << "luma " << luma;
    }
}

// Each chroma sample belongs to the two columns (and, for 4:2:0, two rows) it covers, the
// last one of an odd size included; a shift by one column or row shows up here.
TEST(FullRangeYuvToBgr, ChromaCoversItsOwnPixels)
{
    for (ChromaSampling sampling : kSamplings) {
        Planes planes(131, 5, sampling);
        std::fill(planes.data[0].begin(), planes.data[0].end(), uint8_t(128));
        std::fill(planes.data[1].begin(), planes.data[1].end(), uint8_t(128));
        std::fill(planes.data[2].begin(), planes.data[2].end(), uint8_t(128));
        const int32_t x_shift = sampling == ChromaSampling::Full ? 0 : 1;
        const int32_t y_shift = sampling == ChromaSampling::HalfBoth ? 1 : 0;
        // Full blue difference in the last chroma column, full red difference in the last row.
        for (int32_t y = 0; y < planes.chroma_height; ++y)
            planes.at(1, planes.chroma_width - 1, y) = 255;
        for (int32_t x = 0; x < planes.chroma_width; ++x)
            planes.at(2, x, planes.chroma_height - 1) = 255;
        const std::vector<uint8_t> ours = convert(planes);
        const int32_t row_bytes = dibRowBytes(131, 24);
        for (int32_t y = 0; y < 5; ++y) {
            const uint8_t* row = ours.data() + size_t(4 - y) * size_t(row_bytes);
            for (int32_t x = 0; x < 131; ++x) {
                const bool blue = (x >> x_shift) == planes.chroma_width - 1;
                const bool red = (y >> y_shift) == planes.chroma_height - 1;
                EXPECT_EQ(row[3 * x] == 255, blue)
                    << "x " << x << " y " << y << " sampling " << int(sampling);
                EXPECT_EQ(row[3 * x + 2] == 255, red)
                    << "x " << x << " y " << y << " sampling " << int(sampling);
            }
        }
    }
}

// Rows are done in wide steps where the processor allows and the rest pixel by pixel; both
// must give the same levels. Columns 0-63 and 64-127 hold the same content here, and the row
// ends inside a step.
TEST(FullRangeYuvToBgr, WideStepsAndRowEndsAgree)
{
    for (ChromaSampling sampling : kSamplings) {
        Planes planes(127, 4, sampling);
        fillRandom(planes, 99);
        const int32_t half = sampling == ChromaSampling::Full ? 64 : 32;
        for (int plane = 0; plane < 3; ++plane) {
            const int32_t columns = plane == 0 ? 64 : half;
            const int32_t rows = plane == 0 ? 4 : planes.chroma_height;
            for (int32_t y = 0; y < rows; ++y) {
                for (int32_t x = columns; x < (plane == 0 ? 127 : planes.chroma_width); ++x)
                    planes.at(plane, x, y) = planes.at(plane, x - columns, y);
            }
        }
        const std::vector<uint8_t> ours = convert(planes);
        const int32_t row_bytes = dibRowBytes(127, 24);
        for (int32_t y = 0; y < 4; ++y) {
            const uint8_t* row = ours.data() + size_t(y) * size_t(row_bytes);
            EXPECT_TRUE(std::equal(row + 64 * 3, row + 127 * 3, row))
                << "row " << y << " sampling " << int(sampling);
        }
    }
}

TEST(FullRangeYuvToBgr, RefusesRowsThatDoNotFit)
{
    Planes planes(10, 2, ChromaSampling::HalfWidth);
    std::vector<uint8_t> pixels(64, kUnwritten);
    EXPECT_FALSE(fullRangeYuvToBgr(planes.picture(), pixels.data(), 29));
    YuvPicture empty = planes.picture();
    empty.height = 0;
    EXPECT_FALSE(fullRangeYuvToBgr(empty, pixels.data(), 32));
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kUnwritten), 64);
}

} // namespace
} // namespace fw::test
