#pragma once

#include <cstdint>
#include <vector>

namespace fw {

// TIFF field types this reader knows the size of.
enum class TIFType : uint16_t { ttByte = 1, ttAscii = 2, ttShort = 3, ttLong = 4, ttRational = 5 };

// Bytes per value of a field type; 0 for types the reader does not know.
int TIFTypeSize(uint16_t type);

// One tag of an image file directory with its values in native byte order. A RATIONAL is held
// as a double (numerator / denominator, 0 when the denominator is 0).
class TIFDEntry {
public:
    TIFDEntry(uint16_t tag, uint16_t type, uint32_t count);

    uint16_t Tag() const { return tag_; }
    uint16_t Type() const { return type_; }
    uint32_t Count() const { return count_; }
    int TypeSize() const { return TIFTypeSize(type_); }
    // count x type size: the bytes the values take in a file.
    uint64_t ByteSize() const { return uint64_t(count_) * uint64_t(TypeSize()); }

    // Value i as an integer; a RATIONAL gives its whole part. 0 at or beyond the count.
    uint32_t Value(uint32_t index) const;
    double Rational(uint32_t index) const;
    // Writes nothing at or beyond the count.
    void SetValue(uint32_t index, uint32_t value);
    void SetRational(uint32_t index, double value);
    // Grows or shrinks the value list; new values are 0.
    void Resize(uint32_t count);

    // The stored bytes of a BYTE or ASCII field.
    const std::vector<uint8_t>& Bytes() const { return values_; }

private:
    uint16_t tag_;
    uint16_t type_;
    uint32_t count_;
    std::vector<uint8_t> values_;
};

} // namespace fw
