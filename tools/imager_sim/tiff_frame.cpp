#include "tiff_frame.h"

#include <QtEndian>

namespace fw::imager_sim {
namespace {

constexpr quint16 kShort = 3;
constexpr quint16 kLong = 4;

class TiffWriter {
public:
    explicit TiffWriter(QByteArray& bytes)
        : bytes_(bytes)
    {
    }

    void put16(int offset, quint16 value) { qToLittleEndian(value, bytes_.data() + offset); }
    void put32(int offset, quint32 value) { qToLittleEndian(value, bytes_.data() + offset); }

    // One directory entry with a single value held in the entry itself.
    void entry(int index, quint16 tag, quint16 type, quint32 count, quint32 value)
    {
        const int at = kDirectory + 2 + index * 12;
        put16(at, tag);
        put16(at + 2, type);
        put32(at + 4, count);
        if (type == kShort && count == 1)
            put16(at + 8, quint16(value));
        else
            put32(at + 8, value);
    }

    static constexpr int kDirectory = 8;

private:
    QByteArray& bytes_;
};

} // namespace

int tiffFrameBytes(int rows)
{
    return rows * kFrameColumns * 3 + kTiffPixelOffset + kCameraRecordBytes;
}

QByteArray synthesiseTiffFrame(
    const RecordingFacts& facts, int frame_number, int rows, const ColourGains& gains)
{
    const quint32 pixel_bytes = quint32(rows) * kFrameColumns * 3;
    QByteArray frame(kTiffPixelOffset, '\0');
    TiffWriter tiff(frame);
    frame[0] = 'I';
    frame[1] = 'I';
    tiff.put16(2, 42);
    tiff.put32(4, TiffWriter::kDirectory);
    constexpr int kEntries = 10;
    const int bits_at = TiffWriter::kDirectory + 2 + kEntries * 12 + 4;
    tiff.put16(TiffWriter::kDirectory, kEntries);
    tiff.entry(0, 256, kShort, 1, kFrameColumns); // width
    tiff.entry(1, 257, kShort, 1, quint32(rows)); // length
    tiff.entry(2, 258, kShort, 3, quint32(bits_at)); // bits per sample, held after the directory
    tiff.entry(3, 259, kShort, 1, 1); // no compression
    tiff.entry(4, 262, kShort, 1, 2); // RGB
    tiff.entry(5, 273, kLong, 1, kTiffPixelOffset); // the one strip
    tiff.entry(6, 277, kShort, 1, 3); // samples per pixel
    tiff.entry(7, 278, kShort, 1, quint32(rows)); // rows per strip
    tiff.entry(8, 279, kLong, 1, pixel_bytes);
    tiff.entry(9, 284, kShort, 1, 1); // chunky samples
    for (int i = 0; i < 3; ++i)
        tiff.put16(bits_at + 2 * i, 8);
    frame += synthesiseRgb(facts, frame_number, rows, gains);
    frame += cameraRecord(facts, frame_number);
    return frame;
}

} // namespace fw::imager_sim
