#include "clips/bayer_interpolation.h"

#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

void bayer_detail::InterpolateColourScalar(const BayerMosaic& m, uint8_t* dib)
{
    // Kept between frames: the preview and a save each render one frame after another.
    thread_local std::vector<uint8_t> rows;
    rows.resize(size_t(m.Width()) * size_t(m.Height()));
    UnpackCells(m, rows.data());
    InterpolateMiddle(rows.data(), m.Width(), m.Height(), dib);
    InterpolateEdges(m, dib);
}

#if defined(__SSE2__)

namespace {

// One sample of eight neighbouring cells, as 16-bit lanes.
template <int Shift> __m128i CellSample(__m128i cells_lo, __m128i cells_hi)
{
    const __m128i byte = _mm_set1_epi32(0xFF);
    return _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(cells_lo, Shift), byte),
        _mm_and_si128(_mm_srli_epi32(cells_hi, Shift), byte));
}

struct EightCells {
    __m128i g0; // G at the top left
    __m128i r0; // R at the top right
    __m128i b1; // B at the bottom left
    __m128i g1; // G at the bottom right
};

EightCells LoadEightCells(const uint8_t* cells)
{
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + 16));
    return { CellSample<0>(lo, hi), CellSample<8>(lo, hi), CellSample<16>(lo, hi), CellSample<24>(lo, hi) };
}

// Eight pixel pairs, each given as six 16-bit lanes of blue, green, red, blue, green, red, stored
// six bytes apart. Each store writes eight bytes; the two after a pair are written again by the
// next pair, or, after the last, by the edge pixels, which are written after the middle.
void StoreEightPairs(uint8_t* out, const __m128i (&c)[6])
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i v01 = _mm_or_si128(c[0], _mm_slli_epi16(c[1], 8));
    const __m128i v23 = _mm_or_si128(c[2], _mm_slli_epi16(c[3], 8));
    const __m128i v45 = _mm_or_si128(c[4], _mm_slli_epi16(c[5], 8));
    const __m128i t_lo = _mm_unpacklo_epi16(v01, v23);
    const __m128i t_hi = _mm_unpackhi_epi16(v01, v23);
    const __m128i u_lo = _mm_unpacklo_epi16(v45, zero);
    const __m128i u_hi = _mm_unpackhi_epi16(v45, zero);
    const __m128i pairs[4] = { _mm_unpacklo_epi32(t_lo, u_lo), _mm_unpackhi_epi32(t_lo, u_lo),
        _mm_unpacklo_epi32(t_hi, u_hi), _mm_unpackhi_epi32(t_hi, u_hi) };
    for (int k = 0; k < 4; ++k) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12 * k), pairs[k]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12 * k + 6), _mm_srli_si128(pairs[k], 8));
    }
}

// Pairs i .. i + 7 of rows 2j + 1 and 2j + 2 (pair i: columns 2i + 1 and 2i + 2), from cell
// rows j (`up`) and j + 1 (`down`), by the same rules as InterpolateMiddle.
void InterpolateEightPairs(const uint8_t* up, const uint8_t* down, uint8_t* out_odd, uint8_t* out_even)
{
    const EightCells u = LoadEightCells(up);
    const EightCells un = LoadEightCells(up + 4);
    const EightCells d = LoadEightCells(down);
    const EightCells dn = LoadEightCells(down + 4);
    const auto add = [](__m128i a, __m128i b) { return _mm_add_epi16(a, b); };
    const auto four_g = [](__m128i g) { return _mm_slli_epi16(g, 2); };
    const __m128i odd[6] = {
        _mm_srli_epi16(add(u.b1, un.b1), 1),
        _mm_srli_epi16(add(add(four_g(u.g1), add(u.g0, un.g0)), add(d.g0, dn.g0)), 3),
        _mm_srli_epi16(add(u.r0, d.r0), 1),
        un.b1,
        _mm_srli_epi16(add(add(un.g0, dn.g0), add(u.g1, un.g1)), 2),
        _mm_srli_epi16(add(add(u.r0, un.r0), add(d.r0, dn.r0)), 2),
    };
    const __m128i even[6] = {
        _mm_srli_epi16(add(add(u.b1, un.b1), add(d.b1, dn.b1)), 2),
        _mm_srli_epi16(add(add(u.g1, d.g1), add(d.g0, dn.g0)), 2),
        d.r0,
        _mm_srli_epi16(add(un.b1, dn.b1), 1),
        _mm_srli_epi16(add(add(four_g(dn.g0), add(u.g1, un.g1)), add(d.g1, dn.g1)), 3),
        _mm_srli_epi16(add(d.r0, dn.r0), 1),
    };
    StoreEightPairs(out_odd, odd);
    StoreEightPairs(out_even, even);
}

// The middle rows eight pairs at a time; the pairs left over at the end of each row go through
// the plain rules.
void InterpolateMiddleSse2(const BayerMosaic& m, uint8_t* dib)
{
    using namespace bayer_detail;
    const int32_t w = m.Width();
    const int32_t h = m.Height();
    const size_t cells_per_row = size_t(w) / 2;
    const size_t dib_row = size_t(w) * 3;
    BayerRawStore store { dib };
    for (int32_t j = 0; 2 * j + 2 < h - 1; ++j) {
        const uint8_t* up = m.Cells() + size_t(j) * cells_per_row * 4;
        const uint8_t* down = up + cells_per_row * 4;
        uint8_t* out_odd = dib + size_t(h - 2 - 2 * j) * dib_row + 3;
        uint8_t* out_even = out_odd - dib_row;
        size_t i = 0;
        for (; i + 9 <= cells_per_row; i += 8)
            InterpolateEightPairs(up + 4 * i, down + 4 * i, out_odd + 6 * i, out_even + 6 * i);
        const int32_t odd = 2 * j + 1;
        const int32_t even = odd + 1;
        for (; i + 1 < cells_per_row; ++i) {
            const int32_t x = int32_t(2 * i + 1);
            Emit(m, odd, x, OddRowG(m, odd, x), store);
            Emit(m, even, x, RSite(m, even, x), store);
            Emit(m, odd, x + 1, BSite(m, odd, x + 1), store);
            Emit(m, even, x + 1, EvenRowG(m, even, x + 1), store);
        }
    }
}

} // namespace

#endif

void InterpolateBayerRaw(const BayerMosaic& m, bool color, uint8_t* dib)
{
    if (!color) {
        SpreadBayerGrey(m, BayerRawStore { dib });
        return;
    }
#if defined(__SSE2__)
    InterpolateMiddleSse2(m, dib);
    InterpolateEdges(m, dib);
#else
    bayer_detail::InterpolateColourScalar(m, dib);
#endif
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
