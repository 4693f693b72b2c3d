#include "clips/bayer_interpolation.h"

#include <vector>

#include "clips/processing_pipeline.h"

namespace fw {

namespace bayer_detail {

Rgb TopRow(const BayerMosaic& m, int32_t x)
{
    const int32_t last = m.Width() - 1;
    if (x == 0)
        return { m.At(0, 1), (7 * m.At(0, 0) + m.At(1, 1)) / 8, m.At(1, 0) };
    if (x == last)
        return { m.At(0, last), (m.At(0, last - 1) + 7 * m.At(1, last)) / 8, m.At(1, last - 1) };
    if (x % 2 == 1)
        return { m.At(0, x), (m.At(0, x - 1) + m.At(0, x + 1) + m.At(1, x)) / 3,
            (m.At(1, x - 1) + m.At(1, x + 1)) / 2 };
    return { (m.At(0, x - 1) + m.At(0, x + 1)) / 2, (6 * m.At(0, x) + m.At(1, x - 1) + m.At(1, x + 1)) / 8,
        m.At(1, x) };
}

Rgb FirstColumn(const BayerMosaic& m, int32_t y)
{
    if (y % 2 == 1)
        return { (m.At(y - 1, 1) + m.At(y + 1, 1)) / 2, (m.At(y - 1, 0) + m.At(y, 1) + m.At(y + 1, 0)) / 3,
            m.At(y, 0) };
    return { m.At(y, 1), (6 * m.At(y, 0) + m.At(y - 1, 1) + m.At(y + 1, 1)) / 8,
        (m.At(y - 1, 0) + m.At(y + 1, 0)) / 2 };
}

Rgb LastColumn(const BayerMosaic& m, int32_t y)
{
    const int32_t last = m.Width() - 1;
    if (y % 2 == 1)
        return { (m.At(y - 1, last) + m.At(y + 1, last)) / 2, (7 * m.At(y, last) + m.At(y - 1, last - 1)) / 8,
            m.At(y, last - 1) };
    return { m.At(y, last), (m.At(y - 1, last) + m.At(y + 1, last) + m.At(y, last - 1)) / 3,
        (m.At(y - 1, last - 1) + m.At(y + 1, last - 1)) / 2 };
}

Rgb BottomRow(const BayerMosaic& m, int32_t x)
{
    const int32_t y = m.Height() - 1;
    const int32_t last = m.Width() - 1;
    if (x == 0)
        return { m.At(y - 1, 1), (m.At(y - 1, 0) + m.At(y, 1)) / 2, m.At(y, 0) };
    if (x == last)
        return { m.At(y - 1, last), (m.At(y - 1, last - 1) + 7 * m.At(y, last)) / 8, m.At(y, last - 1) };
    if (x % 2 == 1)
        return { m.At(y - 1, x), (m.At(y - 1, x - 1) + 6 * m.At(y, x) + m.At(y - 1, x + 1)) / 8,
            (m.At(y, x - 1) + m.At(y, x + 1)) / 2 };
    return { (m.At(y - 1, x - 1) + m.At(y - 1, x + 1)) / 2,
        (m.At(y, x - 1) + m.At(y - 1, x) + m.At(y, x + 1)) / 3, m.At(y, x) };
}

} // namespace bayer_detail

namespace {

// The mosaic as plain rows of samples, row 0 reading G R G R ...
void UnpackCells(const BayerMosaic& m, uint8_t* rows)
{
    const size_t w = size_t(m.Width());
    const uint8_t* cell = m.Cells();
    for (int32_t pair = 0; pair < m.Height() / 2; ++pair) {
        uint8_t* top = rows + size_t(2 * pair) * w;
        uint8_t* bottom = top + w;
        for (size_t x = 0; x < w; x += 2, cell += 4) {
            top[x] = cell[0];
            top[x + 1] = cell[1];
            bottom[x] = cell[2];
            bottom[x + 1] = cell[3];
        }
    }
}

inline void StoreBgr(uint8_t* at, uint32_t red, uint32_t green, uint32_t blue)
{
    at[0] = uint8_t(blue);
    at[1] = uint8_t(green);
    at[2] = uint8_t(red);
}

// Rows 1 .. H - 2 without their first and last pixel, by the middle-row rules.
void InterpolateMiddle(const uint8_t* rows, int32_t w, int32_t h, uint8_t* dib)
{
    const size_t dib_row = size_t(w) * 3;
    for (int32_t y = 1; y + 2 < h; y += 2) {
        const uint8_t* a = rows + size_t(y - 1) * size_t(w); // G R row above
        const uint8_t* o = a + w; // B G row y
        const uint8_t* e = o + w; // G R row y + 1
        const uint8_t* b = e + w; // B G row below
        uint8_t* out_o = dib + size_t(h - 1 - y) * dib_row;
        uint8_t* out_e = out_o - dib_row;
        for (int32_t x = 1; x + 1 < w; x += 2) {
            const uint32_t diag_o = a[x - 1] + a[x + 1] + e[x - 1] + e[x + 1];
            const uint32_t diag_e = o[x] + o[x + 2] + b[x] + b[x + 2];
            StoreBgr(out_o + 3 * x, (a[x] + e[x]) >> 1, (4u * o[x] + diag_o) >> 3, (o[x - 1] + o[x + 1]) >> 1);
            StoreBgr(out_e + 3 * x, e[x], (o[x] + b[x] + e[x - 1] + e[x + 1]) >> 2,
                (o[x - 1] + o[x + 1] + b[x - 1] + b[x + 1]) >> 2);
            StoreBgr(out_o + 3 * (x + 1), (a[x] + a[x + 2] + e[x] + e[x + 2]) >> 2,
                (a[x + 1] + e[x + 1] + o[x] + o[x + 2]) >> 2, o[x + 1]);
            StoreBgr(out_e + 3 * (x + 1), (e[x] + e[x + 2]) >> 1, (4u * e[x + 1] + diag_e) >> 3,
                (o[x + 1] + b[x + 1]) >> 1);
        }
    }
}

void InterpolateEdges(const BayerMosaic& m, uint8_t* dib)
{
    using namespace bayer_detail;
    BayerRawStore store { dib };
    const int32_t w = m.Width();
    const int32_t h = m.Height();
    for (int32_t x = 0; x < w; ++x) {
        Emit(m, 0, x, TopRow(m, x), store);
        Emit(m, h - 1, x, BottomRow(m, x), store);
    }
    for (int32_t y = 1; y + 1 < h; ++y) {
        Emit(m, y, 0, FirstColumn(m, y), store);
        Emit(m, y, w - 1, LastColumn(m, y), store);
    }
}

} // namespace

void InterpolateBayerRaw(const BayerMosaic& m, bool color, uint8_t* dib)
{
    if (!color) {
        SpreadBayerGrey(m, BayerRawStore { dib });
        return;
    }
    // Kept between frames: the preview and a save each render one frame after another.
    thread_local std::vector<uint8_t> rows;
    rows.resize(size_t(m.Width()) * size_t(m.Height()));
    UnpackCells(m, rows.data());
    InterpolateMiddle(rows.data(), m.Width(), m.Height(), dib);
    InterpolateEdges(m, dib);
}

void InterpolateBayerProcessed(
    const BayerMosaic& m, bool color, const ProcessingPipeline& pipeline, uint8_t* dib)
{
    const auto hook = [&pipeline, dib](size_t offset, uint8_t red, uint8_t green, uint8_t blue) {
        pipeline.PixelCallback(dib, offset, red, green, blue);
    };
    if (color)
        InterpolateBayer(m, hook);
    else
        SpreadBayerGrey(m, hook);
}

void RenderBayerFrame(const BayerMosaic& m, bool color, ProcessingPipeline& pipeline, uint8_t* dib)
{
    // The whole-frame pass builds the filter mask from the raw picture and then processes it,
    // as the pixel hook would pixel by pixel.
    InterpolateBayerRaw(m, color, dib);
    pipeline.ProcessBgrPixels(dib, m.Width(), m.Height(), m.Width() * 3);
}

} // namespace fw
