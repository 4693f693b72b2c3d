#include "clips/tif_lzw.h"

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
        while (bits_ < width) {
            if (position_ >= size_)
                return false;
            buffer_ = buffer_ << 8 | input_[position_++];
            bits_ += 8;
        }
        bits_ -= width;
        code = uint16_t((buffer_ >> bits_) & ((1u << width) - 1));
        return true;
    }

private:
    const uint8_t* input_;
    size_t size_;
    size_t position_ = 0;
    uint32_t buffer_ = 0;
    int bits_ = 0;
};

[[noreturn]] void FailCode(uint16_t code)
{
    throw Error(QStringLiteral("Damaged LZW data: code %1 is not in the table").arg(code));
}

} // namespace

void TIFLzwDecoder::ResetTable()
{
    if (table_[255].length == 0) {
        for (uint16_t i = 0; i < 256; ++i)
            table_[i] = Entry { 0, 1, uint8_t(i), uint8_t(i) };
    }
    next_code_ = 258;
    width_ = 9;
}

void TIFLzwDecoder::Emit(uint16_t code, uint8_t* output, size_t capacity, size_t& written) const
{
    const size_t length = table_[code].length;
    if (length > capacity - written)
        throw Error("Damaged LZW data: the strip decodes to more bytes than it holds");
    // Strings are chained from their last byte back to their first.
    uint8_t* at = output + written + length;
    for (uint16_t c = code;; c = table_[c].prefix) {
        *--at = table_[c].last;
        if (table_[c].length == 1)
            break;
    }
    written += length;
}

size_t TIFLzwDecoder::Decode(const uint8_t* input, size_t input_size, uint8_t* output, size_t capacity)
{
    ResetTable();
    CodeReader reader(input, input_size);
    size_t written = 0;
    int previous = -1; // no string yet after a clear
    uint16_t code = 0;
    while (reader.Next(width_, code) && code != kEndCode) {
        if (code == kClearCode) {
            ResetTable();
            previous = -1;
            continue;
        }
        if (previous < 0) {
            if (code > 255)
                FailCode(code);
            Emit(code, output, capacity, written);
            previous = code;
            continue;
        }
        if (code > next_code_)
            FailCode(code);
        const bool known = code < next_code_;
        const uint8_t first = known ? table_[code].first : table_[previous].first;
        if (next_code_ < kTableSize) {
            const Entry& before = table_[size_t(previous)];
            table_[size_t(next_code_)]
                = Entry { uint16_t(previous), uint16_t(before.length + 1), first, before.first };
            ++next_code_;
            if (next_code_ == 511 || next_code_ == 1023 || next_code_ == 2047)
                ++width_;
        }
        Emit(code, output, capacity, written);
        previous = code;
    }
    return written;
}

size_t DecodeTIFLzw(const uint8_t* input, size_t input_size, uint8_t* output, size_t capacity)
{
    TIFLzwDecoder decoder;
    return decoder.Decode(input, input_size, output, capacity);
}

} // namespace fw
