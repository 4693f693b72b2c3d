#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QImage>

namespace fw {

// BITMAPINFOHEADER, little-endian on disk and in memory (40 bytes).
#pragma pack(push, 1)
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0; // positive: rows bottom-up
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 24;
    uint32_t biCompression = 0; // BI_RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(sizeof(RgbQuad) == 4);

// Bytes in one stored row: padded to a multiple of 4.
constexpr int32_t dibRowBytes(int32_t width, int bits_per_pixel)
{
    return ((width * bits_per_pixel / 8) + 3) & ~3;
}

// The generic image size rule of every image source.
constexpr int64_t imageSize(int32_t width, int32_t height, int bits_per_sample, int samples_per_pixel)
{
    return ((int64_t(width) * bits_per_sample * samples_per_pixel / 8 + 3) & ~int64_t(3)) * height;
}

// A packed device-independent bitmap as it travels between the parts of the program: header,
// colour table, bottom-up pixel rows. 8-bit frames carry their own colour table; 24-bit frames
// are blue-green-red without one.
class FrameImage {
public:
    FrameImage() = default;
    // A zero-filled frame; 8-bit frames get a grey colour table of 256 entries.
    FrameImage(int32_t width, int32_t height, int bits_per_pixel);
    // Adopts packed bytes; throws fw::Error when they do not form a valid packed frame.
    static FrameImage fromPacked(const uint8_t* bytes, size_t size);

    bool isNull() const { return bytes_.empty(); }
    const BitmapInfoHeader& header() const;
    int32_t width() const { return header().biWidth; }
    int32_t height() const { return header().biHeight; }
    int bitsPerPixel() const { return header().biBitCount; }
    int32_t rowBytes() const { return dibRowBytes(width(), bitsPerPixel()); }

    RgbQuad* colourTable();
    const RgbQuad* colourTable() const;
    uint32_t colourCount() const { return header().biClrUsed; }
    void setColourTable(const std::vector<RgbQuad>& table); // 8-bit frames only
    void setGreyColourTable();

    uint8_t* pixels();
    const uint8_t* pixels() const;
    size_t pixelBytes() const { return header().biSizeImage; }
    // Row y counted from the top of the picture.
    uint8_t* topDownRow(int32_t y) { return pixels() + static_cast<size_t>(height() - 1 - y) * rowBytes(); }
    const uint8_t* topDownRow(int32_t y) const
    {
        return pixels() + static_cast<size_t>(height() - 1 - y) * rowBytes();
    }

    // header + colour table + image: what goes to the clipboard and to frame copies.
    const uint8_t* packed() const { return bytes_.data(); }
    size_t packedSize() const { return bytes_.size(); }

    // A top-down QImage copy for painting, clipboard and PNG/BMP writing. 8-bit frames become
    // indexed images with their colour table.
    QImage toQImage() const;
    // BMP file bytes (file header + packed frame).
    std::vector<uint8_t> toBmpFile() const;

private:
    std::vector<uint8_t> bytes_;
};

// Checks that bytes hold a packed frame the program can use (40-byte header, 8 or 24 bits,
// sizes consistent and inside the buffer). Returns the total packed size or 0.
size_t validPackedSize(const uint8_t* bytes, size_t size);

} // namespace fw
