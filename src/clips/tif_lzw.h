#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace fw {

// Decodes TIFF LZW strips (codes most-significant bit first, 9 to 12 bits wide, clear 256, end
// 257). A stream with a code that is not in the table,
// or that would write past `capacity` bytes, throws fw::Error; the end of the input ends the
// strip like the end code does.
class TIFLzwDecoder {
public:
    TIFLzwDecoder();

    // Returns the number of bytes written to `output`.
    size_t Decode(const uint8_t* input, size_t input_size, uint8_t* output, size_t capacity);

private:
    static constexpr int kTableSize = 4096;

    // Every string in the table has been written to the output already: the previous string
    // followed by the first byte of the one after it. An entry therefore just points there; the
    // single bytes point into a constant table, so every code is emitted the same way.
    struct Entry {
        const uint8_t* from = nullptr;
        uint32_t length = 0;
    };

    void ResetTable();
    // Writes the string of `code` at output + written. `self_referencing`: the code is the string
    // defined by this very code, whose last byte is its own first one, not written yet.
    void Emit(uint16_t code, bool self_referencing, uint8_t* output, size_t capacity, size_t& written) const;

    std::array<Entry, kTableSize> table_ {};
    int next_code_ = 258;
    int width_ = 9;
};

// Decodes one strip with a fresh decoder.
size_t DecodeTIFLzw(const uint8_t* input, size_t input_size, uint8_t* output, size_t capacity);

} // namespace fw
