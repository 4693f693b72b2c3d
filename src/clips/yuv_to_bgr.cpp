#include "clips/yuv_to_bgr.h"

#include <algorithm>
#include <cstring>

// On x86-64 processors with AVX2 a hand-written kernel converts 32 pixels a step; the plain
// code does the rest of each row and everything elsewhere. The plain code is written for the
// compiler's vectoriser: fixed-length chunks over local arrays (no aliasing, no remainder
// loops), so even the cheapest vectoriser cost model takes it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define FW_HAVE_AVX2_KERNEL 1
#define FW_AVX2_INLINE inline __attribute__((target("avx2"), always_inline))
#include <immintrin.h>
#else
#define FW_HAVE_AVX2_KERNEL 0
#endif

#if defined(__GNUC__) || defined(__clang__)
#define FW_INLINE inline __attribute__((always_inline))
#else
#define FW_INLINE inline
#endif

namespace fw {

namespace {

// BT.601 full-range factors, halved, in Q15 for 16-bit rounding multiplies: 2(1-Kr),
// 2(1-Kb) and the two green ones. A colour difference enters shifted left by 7, so each term
// comes out with 6 fraction bits and the green sum is rounded once.
constexpr int kRedFromCr = 22970; // 1.402 / 2
constexpr int kBlueFromCb = 29032; // 1.772 / 2
constexpr int kGreenFromCb = 5638; // 0.344136 / 2
constexpr int kGreenFromCr = 11700; // 0.714136 / 2
constexpr int kTermBits = 6;

constexpr int32_t kChunk = 128; // pixels converted at a time

// (a * b) / 2^15 rounded, as the vector kernel's multiply-high-round instruction does it.
FW_INLINE int16_t mulRound(int16_t a, int16_t b)
{
    return int16_t((int32_t(a) * int32_t(b) + (1 << 14)) >> 15);
}

FW_INLINE uint8_t clampByte(int16_t value)
{
    return uint8_t(std::clamp<int16_t>(value, 0, 255));
}

// One chunk of kChunk pixels with one chroma sample per pixel. Each channel is luma plus a
// colour-difference term carried with 6 fraction bits, so the result is the nearest level to
// the exact one (to within the precision of the factors).
FW_INLINE void convertChunk(const uint8_t* __restrict luma, const uint8_t* __restrict cb,
    const uint8_t* __restrict cr, uint8_t* __restrict bgr)
{
    uint8_t blue[kChunk];
    uint8_t green[kChunk];
    uint8_t red[kChunk];
    for (int32_t i = 0; i < kChunk; ++i) {
        const auto base = int16_t((luma[i] << kTermBits) + (1 << (kTermBits - 1)));
        const auto du = int16_t((cb[i] - 128) << 7);
        const auto dv = int16_t((cr[i] - 128) << 7);
        const auto green_term = int16_t(mulRound(du, kGreenFromCb) + mulRound(dv, kGreenFromCr));
        blue[i] = clampByte(int16_t((base + mulRound(du, kBlueFromCb)) >> kTermBits));
        green[i] = clampByte(int16_t((base - green_term) >> kTermBits));
        red[i] = clampByte(int16_t((base + mulRound(dv, kRedFromCr)) >> kTermBits));
    }
    for (int32_t i = 0; i < kChunk; ++i) {
        bgr[3 * i] = blue[i];
        bgr[3 * i + 1] = green[i];
        bgr[3 * i + 2] = red[i];
    }
}

// Repeats each of kChunk / 2 chroma samples over the two columns it covers.
FW_INLINE void widenChroma(const uint8_t* __restrict half, uint8_t* __restrict full)
{
    for (int32_t i = 0; i < kChunk / 2; ++i) {
        full[2 * i] = half[i];
        full[2 * i + 1] = half[i];
    }
}

// One chunk; `shift` is 1 when each chroma sample covers two columns.
template <int shift>
FW_INLINE void convertSampledChunk(const uint8_t* luma, const uint8_t* cb, const uint8_t* cr, uint8_t* bgr)
{
    if constexpr (shift == 0) {
        convertChunk(luma, cb, cr, bgr);
    } else {
        uint8_t cb_full[kChunk];
        uint8_t cr_full[kChunk];
        widenChroma(cb, cb_full);
        widenChroma(cr, cr_full);
        convertChunk(luma, cb_full, cr_full, bgr);
    }
}

template <int shift>
FW_INLINE void convertRow(
    const uint8_t* luma, const uint8_t* cb, const uint8_t* cr, int32_t width, uint8_t* bgr)
{
    int32_t x = 0;
    for (; x + kChunk <= width; x += kChunk)
        convertSampledChunk<shift>(luma + x, cb + (x >> shift), cr + (x >> shift), bgr + 3 * x);
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
    convertSampledChunk<shift>(luma_tail, cb_tail, cr_tail, bgr_tail);
    std::memcpy(bgr + 3 * x, bgr_tail, size_t(3 * pixels));
}

#if FW_HAVE_AVX2_KERNEL
// The same arithmetic as convertChunk, 32 pixels a step. Even and odd pixels are worked on
// as the low and high bytes of 16-bit lanes, so a chroma sample lines up with the pixel pair
// it covers and no widening of luma is needed; the colour terms are rounded to whole levels
// before luma is added, which gives the same result as adding first. Saturating packs clamp,
// and byte shuffles do the blue-green-red interleave the compiler does not find on its own.
constexpr int32_t kAvx2Step = 32;

struct Terms {
    __m256i blue;
    __m256i green;
    __m256i red;
};

// Whole-level colour terms of 16 chroma samples given as 16-bit lanes.
FW_AVX2_INLINE Terms chromaTerms(__m256i cb, __m256i cr)
{
    const __m256i centre = _mm256_set1_epi16(128);
    const __m256i half = _mm256_set1_epi16(1 << (kTermBits - 1));
    const __m256i du = _mm256_slli_epi16(_mm256_sub_epi16(cb, centre), 7);
    const __m256i dv = _mm256_slli_epi16(_mm256_sub_epi16(cr, centre), 7);
    const __m256i green = _mm256_add_epi16(_mm256_mulhrs_epi16(du, _mm256_set1_epi16(kGreenFromCb)),
        _mm256_mulhrs_epi16(dv, _mm256_set1_epi16(kGreenFromCr)));
    return Terms { _mm256_srai_epi16(
                       _mm256_add_epi16(_mm256_mulhrs_epi16(du, _mm256_set1_epi16(kBlueFromCb)), half),
                       kTermBits),
        _mm256_srai_epi16(_mm256_sub_epi16(half, green), kTermBits),
        _mm256_srai_epi16(
            _mm256_add_epi16(_mm256_mulhrs_epi16(dv, _mm256_set1_epi16(kRedFromCr)), half), kTermBits) };
}

// Shuffle masks. The packed channels hold, per 128-bit lane, the lane's 8 even pixels and then
// its 8 odd ones; byte j of 16-byte output block k takes pixel (16k + j) / 3 of the lane from
// its channel's plane when its channel is (16k + j) % 3, else zero.
struct InterleaveMasks {
    alignas(32) int8_t mask[3][3][32];
    InterleaveMasks()
    {
        for (int block = 0; block < 3; ++block) {
            for (int channel = 0; channel < 3; ++channel) {
                for (int j = 0; j < 32; ++j) {
                    const int n = 16 * block + j % 16;
                    const int pixel = n / 3;
                    const int position = pixel % 2 == 0 ? pixel / 2 : 8 + pixel / 2;
                    mask[block][channel][j] = int8_t(n % 3 == channel ? position : -128);
                }
            }
        }
    }
};

const InterleaveMasks kMasks;

FW_AVX2_INLINE __m256i mask(int block, int channel)
{
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(kMasks.mask[block][channel]));
}

// One 16-byte block of output in each lane.
FW_AVX2_INLINE __m256i interleaveBlock(__m256i blue, __m256i green, __m256i red, int block)
{
    return _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(blue, mask(block, 0)),
                               _mm256_shuffle_epi8(green, mask(block, 1))),
        _mm256_shuffle_epi8(red, mask(block, 2)));
}

// Clamps and interleaves 32 pixels given as even and odd luma plus their colour terms.
FW_AVX2_INLINE void storeBgr(
    __m256i luma_even, __m256i luma_odd, const Terms& even, const Terms& odd, uint8_t* bgr)
{
    const __m256i blue
        = _mm256_packus_epi16(_mm256_add_epi16(luma_even, even.blue), _mm256_add_epi16(luma_odd, odd.blue));
    const __m256i green
        = _mm256_packus_epi16(_mm256_add_epi16(luma_even, even.green), _mm256_add_epi16(luma_odd, odd.green));
    const __m256i red
        = _mm256_packus_epi16(_mm256_add_epi16(luma_even, even.red), _mm256_add_epi16(luma_odd, odd.red));
    const __m256i block0 = interleaveBlock(blue, green, red, 0);
    const __m256i block1 = interleaveBlock(blue, green, red, 1);
    const __m256i block2 = interleaveBlock(blue, green, red, 2);
    // Lane 0 holds pixels 0-15 (bytes 0-47), lane 1 pixels 16-31 (bytes 48-95).
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bgr), _mm256_permute2x128_si256(block0, block1, 0x20));
    _mm256_storeu_si256(
        reinterpret_cast<__m256i*>(bgr + 32), _mm256_permute2x128_si256(block2, block0, 0x30));
    _mm256_storeu_si256(
        reinterpret_cast<__m256i*>(bgr + 64), _mm256_permute2x128_si256(block1, block2, 0x31));
}

FW_AVX2_INLINE __m256i load32(const uint8_t* bytes)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

FW_AVX2_INLINE __m256i evenBytes(__m256i bytes)
{
    return _mm256_and_si256(bytes, _mm256_set1_epi16(0x00ff));
}

// Converts the whole 32-pixel steps of a row; returns how many pixels it did.
template <int shift>
__attribute__((target("avx2"))) int32_t convertRowAvx2(
    const uint8_t* luma, const uint8_t* cb, const uint8_t* cr, int32_t width, uint8_t* bgr)
{
    int32_t x = 0;
    for (; x + kAvx2Step <= width; x += kAvx2Step) {
        const __m256i y = load32(luma + x);
        const __m256i y_even = evenBytes(y);
        const __m256i y_odd = _mm256_srli_epi16(y, 8);
        if constexpr (shift == 1) {
            // Lane 0 of the luma holds pixels 0-15, whose chroma is samples 0-7.
            const __m256i u
                = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cb + x / 2)));
            const __m256i v
                = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cr + x / 2)));
            const Terms terms = chromaTerms(u, v);
            storeBgr(y_even, y_odd, terms, terms, bgr + 3 * x);
        } else {
            const __m256i u = load32(cb + x);
            const __m256i v = load32(cr + x);
            const Terms even = chromaTerms(evenBytes(u), evenBytes(v));
            const Terms odd = chromaTerms(_mm256_srli_epi16(u, 8), _mm256_srli_epi16(v, 8));
            storeBgr(y_even, y_odd, even, odd, bgr + 3 * x);
        }
    }
    return x;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

void convertPicture(const YuvPicture& picture, uint8_t* pixels, int32_t row_bytes)
{
    const bool half_width = picture.sampling != ChromaSampling::Full;
    const int row_shift = picture.sampling == ChromaSampling::HalfBoth ? 1 : 0;
    const size_t padding = size_t(row_bytes) - size_t(picture.width) * 3;
    // Output rows in address order: the target is cold and the hardware fetches it ahead only
    // for rising addresses; the source was just decoded and is still in the cache.
    for (int32_t y = picture.height - 1; y >= 0; --y) {
        const int32_t chroma_row = y >> row_shift;
        const uint8_t* luma = picture.planes[0] + int64_t(y) * picture.linesize[0];
        const uint8_t* cb = picture.planes[1] + int64_t(chroma_row) * picture.linesize[1];
        const uint8_t* cr = picture.planes[2] + int64_t(chroma_row) * picture.linesize[2];
        uint8_t* bgr = pixels + int64_t(picture.height - 1 - y) * row_bytes;
        int32_t done = 0;
#if FW_HAVE_AVX2_KERNEL
        if (kHasAvx2) {
            done = half_width ? convertRowAvx2<1>(luma, cb, cr, picture.width, bgr)
                              : convertRowAvx2<0>(luma, cb, cr, picture.width, bgr);
        }
#endif
        const int shift = half_width ? 1 : 0;
        if (half_width)
            convertRow<1>(luma + done, cb + (done >> shift), cr + (done >> shift), picture.width - done,
                bgr + 3 * done);
        else
            convertRow<0>(luma + done, cb + done, cr + done, picture.width - done, bgr + 3 * done);
        std::memset(bgr + size_t(picture.width) * 3, 0, padding);
    }
}

} // namespace

bool fastFullRangeYuvToBgr()
{
#if FW_HAVE_AVX2_KERNEL
    return kHasAvx2;
#else
    return false;
#endif
}

bool fullRangeYuvToBgr(const YuvPicture& picture, uint8_t* pixels, int32_t row_bytes)
{
    if (picture.width < 1 || picture.height < 1 || int64_t(row_bytes) < int64_t(picture.width) * 3)
        return false;
    convertPicture(picture, pixels, row_bytes);
    return true;
}

} // namespace fw
