#include "clips/yuv_to_bgr.h"

#include <algorithm>
#include <cstring>

// The hot loops are written for the compiler's vectoriser: fixed-length chunks over local
// arrays (no aliasing, no remainder loops), so even the cheapest vectoriser cost model takes
// them. The picture loop is built twice on x86-64, for AVX2 and for the baseline, and the
// loader picks the one the processor can run.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define FW_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define FW_VECTOR_CLONES
#endif

#if defined(__GNUC__) || defined(__clang__)
#define FW_INLINE inline __attribute__((always_inline))
#else
#define FW_INLINE inline
#endif

namespace fw {

namespace {

// BT.601 full-range factors in 16.16 fixed point: 2(1-Kr), 2(1-Kb), and the two green ones.
constexpr int kFractionBits = 16;
constexpr int kHalf = 1 << (kFractionBits - 1);
constexpr int kRedFromCr = 91881; // 1.402
constexpr int kBlueFromCb = 116130; // 1.772
constexpr int kGreenFromCb = 22554; // 0.344136
constexpr int kGreenFromCr = 46802; // 0.714136

constexpr int32_t kChunk = 128; // pixels converted at a time

FW_INLINE uint8_t clampByte(int16_t value)
{
    return uint8_t(std::clamp<int16_t>(value, 0, 255));
}

// One chunk of kChunk pixels; `shift` is 1 when each chroma sample covers two columns.
// The colour-difference terms are rounded as a whole, so each channel is Y plus a correctly
// rounded term: the nearest integer to the exact result.
template <int shift>
FW_INLINE void convertChunk(const uint8_t* __restrict luma, const uint8_t* __restrict cb,
    const uint8_t* __restrict cr, uint8_t* __restrict bgr)
{
    int16_t blue_term[kChunk];
    int16_t green_term[kChunk];
    int16_t red_term[kChunk];
    for (int32_t i = 0; i < (kChunk >> shift); ++i) {
        const int du = cb[i] - 128;
        const int dv = cr[i] - 128;
        const auto blue = int16_t((kBlueFromCb * du + kHalf) >> kFractionBits);
        const auto green = int16_t((-kGreenFromCb * du - kGreenFromCr * dv + kHalf) >> kFractionBits);
        const auto red = int16_t((kRedFromCr * dv + kHalf) >> kFractionBits);
        for (int k = 0; k < (1 << shift); ++k) {
            blue_term[(i << shift) + k] = blue;
            green_term[(i << shift) + k] = green;
            red_term[(i << shift) + k] = red;
        }
    }
    uint8_t blue[kChunk];
    uint8_t green[kChunk];
    uint8_t red[kChunk];
    for (int32_t i = 0; i < kChunk; ++i) {
        blue[i] = clampByte(int16_t(luma[i] + blue_term[i]));
        green[i] = clampByte(int16_t(luma[i] + green_term[i]));
        red[i] = clampByte(int16_t(luma[i] + red_term[i]));
    }
    for (int32_t i = 0; i < kChunk; ++i) {
        bgr[3 * i] = blue[i];
        bgr[3 * i + 1] = green[i];
        bgr[3 * i + 2] = red[i];
    }
}

template <int shift>
FW_INLINE void convertRow(
    const uint8_t* luma, const uint8_t* cb, const uint8_t* cr, int32_t width, uint8_t* bgr)
{
    int32_t x = 0;
    for (; x + kChunk <= width; x += kChunk)
        convertChunk<shift>(luma + x, cb + (x >> shift), cr + (x >> shift), bgr + 3 * x);
    if (x == width)
        return;
    // The last, short chunk goes through zero-filled copies so no byte past the row is read
    // or written; an odd width takes the chroma sample of its last column along.
    const int32_t pixels = width - x;
    const int32_t samples = (pixels + (1 << shift) - 1) >> shift;
    uint8_t luma_tail[kChunk] = {};
    uint8_t cb_tail[kChunk] = {};
    uint8_t cr_tail[kChunk] = {};
    uint8_t bgr_tail[3 * kChunk];
    std::memcpy(luma_tail, luma + x, size_t(pixels));
    std::memcpy(cb_tail, cb + (x >> shift), size_t(samples));
    std::memcpy(cr_tail, cr + (x >> shift), size_t(samples));
    convertChunk<shift>(luma_tail, cb_tail, cr_tail, bgr_tail);
    std::memcpy(bgr + 3 * x, bgr_tail, size_t(3 * pixels));
}

FW_VECTOR_CLONES void convertPicture(const YuvPicture& picture, uint8_t* pixels, int32_t row_bytes)
{
    const bool half_width = picture.sampling != ChromaSampling::Full;
    const int row_shift = picture.sampling == ChromaSampling::HalfBoth ? 1 : 0;
    const size_t padding = size_t(row_bytes) - size_t(picture.width) * 3;
    for (int32_t y = 0; y < picture.height; ++y) {
        const int32_t chroma_row = y >> row_shift;
        const uint8_t* luma = picture.planes[0] + int64_t(y) * picture.linesize[0];
        const uint8_t* cb = picture.planes[1] + int64_t(chroma_row) * picture.linesize[1];
        const uint8_t* cr = picture.planes[2] + int64_t(chroma_row) * picture.linesize[2];
        uint8_t* bgr = pixels + int64_t(picture.height - 1 - y) * row_bytes;
        if (half_width)
            convertRow<1>(luma, cb, cr, picture.width, bgr);
        else
            convertRow<0>(luma, cb, cr, picture.width, bgr);
        std::memset(bgr + size_t(picture.width) * 3, 0, padding);
    }
}

} // namespace

bool fullRangeYuvToBgr(const YuvPicture& picture, uint8_t* pixels, int32_t row_bytes)
{
    if (picture.width < 1 || picture.height < 1 || int64_t(row_bytes) < int64_t(picture.width) * 3)
        return false;
    convertPicture(picture, pixels, row_bytes);
    return true;
}

} // namespace fw
