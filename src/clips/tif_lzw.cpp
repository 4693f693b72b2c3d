#include "clips/tif_lzw.h"

#include <cstring>

#include <QString>

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr uint16_t kClearCode = 256;
constexpr uint16_t kEndCode = 257;

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
        // Whole bytes while they fit, so most codes need no refill of their own.
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

void TIFLzwDecoder::ResetTable()
{
    next_code_ = 258;
    width_ = 9;
}

inline void TIFLzwDecoder::Emit(uint16_t code, uint8_t* output, size_t capacity, size_t& written) const
{
    if (code < 256) {
        if (written == capacity)
            FailOverflow();
        output[written++] = uint8_t(code);
        return;
    }
    const Entry& entry = table_[code];
    if (entry.length > capacity - written)
        FailOverflow();
    const uint8_t* from = output + entry.offset;
    uint8_t* to = output + written;
    // Most strings are a few bytes: with room behind them they go as one fixed 16-byte copy, whose
    // bytes past the string are written again by the strings that follow (or cut off at the end).
    if (entry.length <= 16 && entry.offset + 16 <= written && capacity - written >= 16) {
        std::memcpy(to, from, 16);
    } else if (entry.offset + entry.length <= written && entry.length > 16) {
        std::memcpy(to, from, entry.length);
    } else {
        // Byte by byte: short strings, and the string just defined, whose last byte is its own
        // first one, written by this very copy.
        for (uint32_t i = 0; i < entry.length; ++i)
            to[i] = from[i];
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
        if (previous_length > 0 && next_code_ < kTableSize) {
            table_[size_t(next_code_)] = Entry { uint32_t(previous_at), previous_length + 1 };
            ++next_code_;
            if (next_code_ == 511 || next_code_ == 1023 || next_code_ == 2047)
                ++width_;
        }
        previous_at = written;
        Emit(code, output, capacity, written);
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
