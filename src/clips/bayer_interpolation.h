#pragma once

#include <cstddef>
#include <cstdint>

namespace fw {

class ProcessingPipeline;

// A Bayer mosaic is stored as 4-byte cells, each covering 2 x 2 pixels: G (top left), R (top
// right), B (bottom left), G (bottom right); a cell row is 2 x width bytes and covers two rows.
// Output goes to a bottom-up 24-bit DIB of width x height (rows of width x 3 bytes, so widths
// must keep rows 4-byte aligned): every pixel is handed to a sink as
// sink(byte offset into the DIB, red, green, blue).
//
// Width and height must be even and at least 4; the BAY frame sizes are 512 x 144 and 512 x 384.
class BayerMosaic {
public:
    BayerMosaic(const uint8_t* cells, int32_t width, int32_t height)
        : cells_(cells)
        , width_(width)
        , height_(height)
    {
    }

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    const uint8_t* Cells() const { return cells_; }
    // The sample of image pixel (row y from the top, column x).
    uint8_t At(int32_t y, int32_t x) const
    {
        return cells_[size_t(y / 2) * size_t(2 * width_) + size_t(x / 2) * 4 + size_t(y % 2) * 2
            + size_t(x % 2)];
    }
    size_t DibOffset(int32_t y, int32_t x) const
    {
        return (size_t(height_ - 1 - y) * size_t(width_) + size_t(x)) * 3;
    }

private:
    const uint8_t* cells_;
    int32_t width_;
    int32_t height_;
};

namespace bayer_detail {

// The interpolation rules of one pixel class; `m` is the mosaic, (y, x) the pixel.
struct Rgb {
    int32_t r;
    int32_t g;
    int32_t b;
};

inline Rgb EvenRowG(const BayerMosaic& m, int32_t y, int32_t x)
{
    return { (m.At(y, x - 1) + m.At(y, x + 1)) / 2,
        (4 * m.At(y, x) + m.At(y - 1, x - 1) + m.At(y - 1, x + 1) + m.At(y + 1, x - 1) + m.At(y + 1, x + 1))
            / 8,
        (m.At(y - 1, x) + m.At(y + 1, x)) / 2 };
}

inline Rgb OddRowG(const BayerMosaic& m, int32_t y, int32_t x)
{
    return { (m.At(y - 1, x) + m.At(y + 1, x)) / 2,
        (4 * m.At(y, x) + m.At(y - 1, x - 1) + m.At(y - 1, x + 1) + m.At(y + 1, x - 1) + m.At(y + 1, x + 1))
            / 8,
        (m.At(y, x - 1) + m.At(y, x + 1)) / 2 };
}

inline int32_t Diagonals(const BayerMosaic& m, int32_t y, int32_t x)
{
    return (m.At(y - 1, x - 1) + m.At(y - 1, x + 1) + m.At(y + 1, x - 1) + m.At(y + 1, x + 1)) / 4;
}

inline int32_t Crosswise(const BayerMosaic& m, int32_t y, int32_t x)
{
    return (m.At(y - 1, x) + m.At(y + 1, x) + m.At(y, x - 1) + m.At(y, x + 1)) / 4;
}

inline Rgb RSite(const BayerMosaic& m, int32_t y, int32_t x)
{
    return { m.At(y, x), Crosswise(m, y, x), Diagonals(m, y, x) };
}

inline Rgb BSite(const BayerMosaic& m, int32_t y, int32_t x)
{
    return { Diagonals(m, y, x), Crosswise(m, y, x), m.At(y, x) };
}

// Row 0: G R G R ... G R.
Rgb TopRow(const BayerMosaic& m, int32_t x);
// A middle row's first and last pixel.
Rgb FirstColumn(const BayerMosaic& m, int32_t y);
Rgb LastColumn(const BayerMosaic& m, int32_t y);
// Row H - 1: B G B G ... B G.
Rgb BottomRow(const BayerMosaic& m, int32_t x);

// The raw colour pass without vector instructions; InterpolateBayerRaw uses them where it can.
void InterpolateColourScalar(const BayerMosaic& m, uint8_t* dib);

template <typename Sink> void Emit(const BayerMosaic& m, int32_t y, int32_t x, Rgb rgb, Sink& sink)
{
    sink(m.DibOffset(y, x), uint8_t(rgb.r), uint8_t(rgb.g), uint8_t(rgb.b));
}

} // namespace bayer_detail

// Colour interpolation: row 0 left to right, then the middle row pairs (2j + 1, 2j + 2) cell by
// cell, then the last row. Edge pixels leave out neighbours outside the image with their own
// divisors, which is why some edge rules weigh one side only.
template <typename Sink> void InterpolateBayer(const BayerMosaic& m, Sink&& sink)
{
    using namespace bayer_detail;
    const int32_t w = m.Width();
    const int32_t h = m.Height();
    for (int32_t x = 0; x < w; ++x)
        Emit(m, 0, x, TopRow(m, x), sink);
    for (int32_t y = 1; y + 2 < h; y += 2) {
        const int32_t odd = y;
        const int32_t even = y + 1;
        Emit(m, odd, 0, FirstColumn(m, odd), sink);
        Emit(m, even, 0, FirstColumn(m, even), sink);
        for (int32_t x = 1; x + 1 < w; x += 2) {
            Emit(m, odd, x, OddRowG(m, odd, x), sink);
            Emit(m, even, x, RSite(m, even, x), sink);
            Emit(m, odd, x + 1, BSite(m, odd, x + 1), sink);
            Emit(m, even, x + 1, EvenRowG(m, even, x + 1), sink);
        }
        Emit(m, odd, w - 1, LastColumn(m, odd), sink);
        Emit(m, even, w - 1, LastColumn(m, even), sink);
    }
    for (int32_t x = 0; x < w; ++x)
        Emit(m, h - 1, x, BottomRow(m, x), sink);
}

// A monochrome imager's mosaic: every sample goes unchanged to its own pixel as grey.
template <typename Sink> void SpreadBayerGrey(const BayerMosaic& m, Sink&& sink)
{
    for (int32_t y = 0; y < m.Height(); y += 2)
        for (int32_t x = 0; x < m.Width(); x += 2) {
            const uint8_t cell[4] = { m.At(y, x), m.At(y, x + 1), m.At(y + 1, x), m.At(y + 1, x + 1) };
            sink(m.DibOffset(y, x), cell[0], cell[0], cell[0]);
            sink(m.DibOffset(y, x + 1), cell[1], cell[1], cell[1]);
            sink(m.DibOffset(y + 1, x), cell[2], cell[2], cell[2]);
            sink(m.DibOffset(y + 1, x + 1), cell[3], cell[3], cell[3]);
        }
}

// Stores unprocessed R, G, B into a bottom-up DIB.
struct BayerRawStore {
    uint8_t* dib;
    void operator()(size_t offset, uint8_t red, uint8_t green, uint8_t blue) const
    {
        dib[offset] = blue;
        dib[offset + 1] = green;
        dib[offset + 2] = red;
    }
};

// The raw pass: the unprocessed picture into `dib`, colour or grey. Gives what InterpolateBayer
// and SpreadBayerGrey give into a BayerRawStore, through a faster path for the middle rows.
void InterpolateBayerRaw(const BayerMosaic& m, bool color, uint8_t* dib);
// The pipeline pass: every pixel through the pipeline's pixel hook. A sharpening filter needs
// the raw pass first, to build the filter mask from. RenderBayerFrame gives the same picture by
// processing the raw pass as a whole frame.
void InterpolateBayerProcessed(
    const BayerMosaic& m, bool color, const ProcessingPipeline& pipeline, uint8_t* dib);
// Raw pass and mask when the pipeline sharpens, then the pipeline pass.
void RenderBayerFrame(const BayerMosaic& m, bool color, ProcessingPipeline& pipeline, uint8_t* dib);

} // namespace fw
