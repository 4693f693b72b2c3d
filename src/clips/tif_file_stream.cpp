#include "clips/tif_file_stream.h"

#include <cstring>
#include <limits>

#include <QFile>

#include "support/fw_error.h"

namespace fw {

namespace {

// Frame files are a few megabytes; anything near this is not a picture the program can show.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

} // namespace

TIFFileStream::TIFFileStream(QByteArray bytes)
    : bytes_(std::move(bytes))
{
}

TIFFileStream TIFFileStream::FromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    if (file.size() > kMaxFileBytes)
        throw Error(QStringLiteral("%1 is too large for a TIFF frame").arg(path));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    return TIFFileStream(std::move(bytes));
}

bool TIFFileStream::Holds(uint64_t position, uint64_t length) const
{
    return position <= Size() && length <= Size() - position;
}

void TIFFileStream::Need(size_t length) const
{
    if (!Holds(position_, length))
        throw Error("The TIFF file ends too early");
}

void TIFFileStream::Seek(uint64_t position)
{
    if (position > Size())
        throw Error(QStringLiteral("TIFF offset %1 lies beyond the end of the file").arg(position));
    position_ = size_t(position);
}

uint8_t TIFFileStream::ReadByte()
{
    Need(1);
    return uint8_t(bytes_[qsizetype(position_++)]);
}

uint16_t TIFFileStream::ReadShort()
{
    const uint16_t first = ReadByte();
    const uint16_t second = ReadByte();
    return big_endian_ ? uint16_t(first << 8 | second) : uint16_t(second << 8 | first);
}

uint32_t TIFFileStream::ReadLong()
{
    const uint32_t first = ReadShort();
    const uint32_t second = ReadShort();
    return big_endian_ ? first << 16 | second : second << 16 | first;
}

void TIFFileStream::ReadBytes(uint8_t* target, size_t length)
{
    Need(length);
    if (length > 0)
        std::memcpy(target, bytes_.constData() + position_, length);
    position_ += length;
}

void TIFFileStream::WriteByte(uint8_t value)
{
    bytes_.append(char(value));
}

void TIFFileStream::WriteShort(uint16_t value)
{
    WriteByte(uint8_t(value));
    WriteByte(uint8_t(value >> 8));
}

void TIFFileStream::WriteLong(uint32_t value)
{
    WriteShort(uint16_t(value));
    WriteShort(uint16_t(value >> 16));
}

void TIFFileStream::WriteBytes(const uint8_t* source, size_t length)
{
    bytes_.append(reinterpret_cast<const char*>(source), qsizetype(length));
}

uint32_t TIFFileStream::ReserveData(uint64_t length)
{
    if (length > std::numeric_limits<uint32_t>::max() - data_offset_)
        throw Error("The TIFF file would exceed 4 GB");
    const uint32_t start = data_offset_;
    data_offset_ += uint32_t(length);
    return start;
}

} // namespace fw
