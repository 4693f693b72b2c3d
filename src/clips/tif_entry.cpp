#include "clips/tif_entry.h"

#include <cmath>
#include <cstring>

namespace fw {

int TIFTypeSize(uint16_t type)
{
    switch (TIFType(type)) {
    case TIFType::ttByte:
    case TIFType::ttAscii:
        return 1;
    case TIFType::ttShort:
        return 2;
    case TIFType::ttLong:
        return 4;
    case TIFType::ttRational:
        return 8;
    }
    return 0;
}

TIFDEntry::TIFDEntry(uint16_t tag, uint16_t type, uint32_t count)
    : tag_(tag)
    , type_(type)
    , count_(count)
    , values_(size_t(ByteSize()), 0)
{
}

uint32_t TIFDEntry::Value(uint32_t index) const
{
    if (index >= count_)
        return 0;
    const uint8_t* at = values_.data() + size_t(index) * size_t(TypeSize());
    switch (TypeSize()) {
    case 1:
        return *at;
    case 2: {
        uint16_t value = 0;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    case 4: {
        uint32_t value = 0;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    default: {
        const double value = Rational(index);
        return value >= 0 && value < 4294967296.0 ? uint32_t(value) : 0;
    }
    }
}

double TIFDEntry::Rational(uint32_t index) const
{
    if (index >= count_)
        return 0;
    if (TypeSize() != 8)
        return Value(index);
    double value = 0;
    std::memcpy(&value, values_.data() + size_t(index) * 8, sizeof value);
    return value;
}

void TIFDEntry::SetValue(uint32_t index, uint32_t value)
{
    if (index >= count_)
        return;
    uint8_t* at = values_.data() + size_t(index) * size_t(TypeSize());
    switch (TypeSize()) {
    case 1:
        *at = uint8_t(value);
        break;
    case 2: {
        const uint16_t narrow = uint16_t(value);
        std::memcpy(at, &narrow, sizeof narrow);
        break;
    }
    case 4:
        std::memcpy(at, &value, sizeof value);
        break;
    default:
        SetRational(index, value);
    }
}

void TIFDEntry::SetRational(uint32_t index, double value)
{
    if (index >= count_)
        return;
    if (TypeSize() != 8) {
        SetValue(index, uint32_t(std::lround(value)));
        return;
    }
    std::memcpy(values_.data() + size_t(index) * 8, &value, sizeof value);
}

void TIFDEntry::Resize(uint32_t count)
{
    count_ = count;
    values_.resize(size_t(ByteSize()), 0);
}

} // namespace fw
