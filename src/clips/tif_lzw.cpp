#include "clips/tif_lzw.h"

#include <cstring>

#include <emmintrin.h>

#include <QString>

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr uint16_t kClearCode = 256;
constexpr uint16_t kEndCode = 257;
constexpr size_t kShortCopy_bytes = 16;

// The 256 single-byte strings, with room for a whole short copy behind the last one.
struct LiteralBytes {
    constexpr LiteralBytes()
    {
        for (int i = 0; i < 256; ++i)
            bytes[i] = uint8_t(i);
    }
    uint8_t bytes[256 + kShortCopy_bytes] {};
};
constexpr LiteralBytes kLiterals;

// Reads codes most-significant bit first.
class CodeReader {
public:
    CodeReader(const uint8_t* input, size_t size)
        : input_(input)
        , size_(size)
    {
    }

    // False at the end of the input.
    bool Next(int width, uint16_t& code)
    {
        if (bits_ < width && !Refill(width))
            return false;
        bits_ -= width;
        code = uint16_t((buffer_ >> bits_) & ((1u << width) - 1));
        return true;
    }

private:
    bool Refill(int width)
    {
        if (size_ - position_ >= 8) {
            // As many whole bytes as fit behind the bits still held, in one load.
            uint64_t next;
            std::memcpy(&next, input_ + position_, sizeof next);
            next = __builtin_bswap64(next);
            const int taken_bytes = (63 - bits_) >> 3;
            buffer_ = buffer_ << (taken_bytes * 8) | next >> (64 - taken_bytes * 8);
            bits_ += taken_bytes * 8;
            position_ += size_t(taken_bytes);
            return true;
        }
        while (bits_ <= 56 && position_ < size_) {
            buffer_ = buffer_ << 8 | input_[position_++];
            bits_ += 8;
        }
        return bits_ >= width;
    }

    const uint8_t* input_;
    size_t size_;
    size_t position_ = 0;
    uint64_t buffer_ = 0;
    int bits_ = 0;
};

[[noreturn]] void FailOverflow()
{
    throw Error("Damaged LZW data: the strip decodes to more bytes than it holds");
}

[[noreturn]] void FailCode(uint16_t code)
{
    throw Error(QStringLiteral("Damaged LZW data: code %1 is not in the table").arg(code));
}

} // namespace

TIFLzwDecoder::TIFLzwDecoder()
{
    for (int i = 0; i < 256; ++i)
        table_[size_t(i)] = Entry { &kLiterals.bytes[i], 1 };
}

void TIFLzwDecoder::ResetTable()
{
    next_code_ = 258;
    width_ = 9;
}

inline void TIFLzwDecoder::Emit(
    uint16_t code, bool self_referencing, uint8_t* output, size_t capacity, size_t& written) const
{
    const Entry& entry = table_[code];
    const size_t room = capacity - written;
    if (entry.length > room)
        FailOverflow();
    uint8_t* to = output + written;
    if (entry.length <= kShortCopy_bytes && room >= kShortCopy_bytes && !self_referencing) {
        // Most strings are a few bytes: one 16-byte load and store. The string ends before `to`,
        // so its bytes are loaded before the store; the bytes past it are written again by the
        // strings that follow (or lie beyond the end). The load stays inside the output, which
        // has 16 bytes of room behind `to`, or inside the literal table.
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(entry.from));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes);
    } else if (!self_referencing) {
        std::memmove(to, entry.from, entry.length);
    } else {
        // The string just defined: the previous string, then its own first byte.
        std::memmove(to, entry.from, entry.length - 1);
        to[entry.length - 1] = entry.from[0];
    }
    written += entry.length;
}

size_t TIFLzwDecoder::Decode(const uint8_t* input, size_t input_size, uint8_t* output, size_t capacity)
{
    ResetTable();
    CodeReader reader(input, input_size);
    size_t written = 0;
    // Where the previous string starts in the output and how long it is; no string after a clear.
    size_t previous_at = 0;
    uint32_t previous_length = 0;
    uint16_t code = 0;
    while (reader.Next(width_, code) && code != kEndCode) {
        if (code == kClearCode) {
            ResetTable();
            previous_length = 0;
            continue;
        }
        if (previous_length == 0 ? code > 255 : code > next_code_)
            FailCode(code);
        const bool self_referencing = code == next_code_;
        if (previous_length > 0 && next_code_ < kTableSize) {
            table_[size_t(next_code_)] = Entry { output + previous_at, previous_length + 1 };
            ++next_code_;
            if (next_code_ == 511 || next_code_ == 1023 || next_code_ == 2047)
                ++width_;
        }
        previous_at = written;
        Emit(code, self_referencing, output, capacity, written);
        previous_length = uint32_t(written - previous_at);
    }
    return written;
}

size_t DecodeTIFLzw(const uint8_t* input, size_t input_size, uint8_t* output, size_t capacity)
{
    TIFLzwDecoder decoder;
    return decoder.Decode(input, input_size, output, capacity);
}

} // namespace fw
