#include "clips/tif_file_writer.h"

#include <algorithm>
#include <cmath>

#include "clips/tif_file_stream.h"
#include "support/fw_error.h"

namespace fw {

namespace {

constexpr uint16_t kStripOffsetsTag = 273;

void WriteRational(TIFFileStream& out, double value)
{
    // Held as a double; written back over a fixed denominator.
    constexpr double kDenominator = 10000;
    const double scaled = std::round(value * kDenominator);
    if (scaled >= 0 && scaled <= 4294967295.0) {
        out.WriteLong(uint32_t(scaled));
        out.WriteLong(uint32_t(kDenominator));
    } else {
        out.WriteLong(value >= 0 && value <= 4294967295.0 ? uint32_t(value) : 0);
        out.WriteLong(1);
    }
}

void WriteValues(TIFFileStream& out, const TIFDEntry& entry)
{
    for (uint32_t i = 0; i < entry.Count(); ++i) {
        switch (entry.TypeSize()) {
        case 1:
            out.WriteByte(uint8_t(entry.Value(i)));
            break;
        case 2:
            out.WriteShort(uint16_t(entry.Value(i)));
            break;
        case 4:
            out.WriteLong(entry.Value(i));
            break;
        default:
            WriteRational(out, entry.Rational(i));
        }
    }
}

// Small values are packed from the start of the 4-byte field.
void WriteValueField(TIFFileStream& out, const TIFDEntry& entry)
{
    WriteValues(out, entry);
    for (uint64_t i = entry.ByteSize(); i < 4; ++i)
        out.WriteByte(0);
}

void PlaceStrips(TIFFileStream& out, std::vector<TIFDEntry>& entries, size_t strip_count, uint64_t strip_size)
{
    const auto offsets = std::find_if(
        entries.begin(), entries.end(), [](const TIFDEntry& e) { return e.Tag() == kStripOffsetsTag; });
    for (size_t i = 0; i < strip_count; ++i) {
        const uint32_t start = out.ReserveData(strip_size);
        if (offsets != entries.end())
            offsets->SetValue(uint32_t(i), start);
    }
}

void WriteStrip(TIFFileStream& out, const std::vector<uint8_t>& strip, uint64_t strip_size)
{
    const size_t kept = size_t(std::min<uint64_t>(strip.size(), strip_size));
    out.WriteBytes(strip.data(), kept);
    for (uint64_t i = kept; i < strip_size; ++i)
        out.WriteByte(0);
}

} // namespace

QByteArray WriteTIFFile(
    std::vector<TIFDEntry> entries, const std::vector<std::vector<uint8_t>>& strips, uint64_t strip_size)
{
    if (entries.size() > 0xFFFF)
        throw Error("Too many TIFF tags to write");
    const auto offsets = std::find_if(
        entries.begin(), entries.end(), [](const TIFDEntry& e) { return e.Tag() == kStripOffsetsTag; });
    const size_t strip_count = offsets == entries.end() ? 0 : offsets->Count();
    TIFFileStream out;
    out.SetDataOffset(uint32_t(8 + 2 + 12 * entries.size() + 4));
    std::vector<uint32_t> value_offsets(entries.size(), 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].ByteSize() > 4)
            value_offsets[i] = out.ReserveData(entries[i].ByteSize());
    }
    PlaceStrips(out, entries, strip_count, strip_size);

    static constexpr uint8_t kLittleEndian[4] = { 0x49, 0x49, 0x2A, 0x00 };
    out.WriteBytes(kLittleEndian, 4);
    out.WriteLong(8);
    out.WriteShort(uint16_t(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        out.WriteShort(entries[i].Tag());
        out.WriteShort(entries[i].Type());
        out.WriteLong(entries[i].Count());
        if (entries[i].ByteSize() > 4)
            out.WriteLong(value_offsets[i]);
        else
            WriteValueField(out, entries[i]);
    }
    out.WriteLong(0);
    for (const TIFDEntry& entry : entries) {
        if (entry.ByteSize() > 4)
            WriteValues(out, entry);
    }
    static const std::vector<uint8_t> kNoStrip;
    for (size_t i = 0; i < strip_count; ++i)
        WriteStrip(out, i < strips.size() ? strips[i] : kNoStrip, strip_size);
    return out.Bytes();
}

} // namespace fw
