#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

namespace fw {

// Byte-order aware access to the bytes of one TIFF file: reads swap 16- and 32-bit numbers when
// the file is big-endian, writes always produce little-endian numbers. Reads that would pass the
// end of the bytes throw fw::Error, so a damaged file never reads outside its buffer.
class TIFFileStream {
public:
    TIFFileStream() = default;
    explicit TIFFileStream(QByteArray bytes);
    // Reads the whole file; throws fw::Error when it cannot be read or is implausibly large.
    static TIFFileStream FromFile(const QString& path);

    void SetBigEndian(bool big_endian) { big_endian_ = big_endian; }
    bool BigEndian() const { return big_endian_; }

    size_t Size() const { return size_t(bytes_.size()); }
    size_t Position() const { return position_; }
    void Seek(uint64_t position);
    // Whether `length` bytes from `position` lie inside the file.
    bool Holds(uint64_t position, uint64_t length) const;

    uint8_t ReadByte();
    uint16_t ReadShort();
    uint32_t ReadLong();
    // Copies `length` bytes from the current position.
    void ReadBytes(uint8_t* target, size_t length);

    // Little-endian writes appended to the bytes; the data offset runs ahead of them and tells
    // where the next block laid out after the directory goes.
    void WriteByte(uint8_t value);
    void WriteShort(uint16_t value);
    void WriteLong(uint32_t value);
    void WriteBytes(const uint8_t* source, size_t length);
    uint32_t DataOffset() const { return data_offset_; }
    // Reserves `length` bytes at the data offset and returns where they start.
    uint32_t ReserveData(uint64_t length);
    void SetDataOffset(uint32_t offset) { data_offset_ = offset; }
    const QByteArray& Bytes() const { return bytes_; }

private:
    void Need(size_t length) const;

    QByteArray bytes_;
    size_t position_ = 0;
    bool big_endian_ = false;
    uint32_t data_offset_ = 0;
};

} // namespace fw
