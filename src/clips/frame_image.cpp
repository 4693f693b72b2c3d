#include "clips/frame_image.h"

#include <cstring>

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr uint32_t kHeaderSize = sizeof(BitmapInfoHeader);
constexpr int32_t kMaxSide = 65535;

} // namespace

FrameImage::FrameImage(int32_t width, int32_t height, int bits_per_pixel)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide
        || (bits_per_pixel != 8 && bits_per_pixel != 24))
        throw Error("Invalid frame format");
    if (uint64_t(dibRowBytes(width, bits_per_pixel)) * uint64_t(height) > UINT32_MAX)
        throw Error("Invalid frame format");
    BitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = static_cast<uint16_t>(bits_per_pixel);
    h.biClrUsed = bits_per_pixel == 8 ? 256 : 0;
    h.biSizeImage = static_cast<uint32_t>(dibRowBytes(width, bits_per_pixel)) * static_cast<uint32_t>(height);
    bytes_.assign(kHeaderSize + 4 * h.biClrUsed + h.biSizeImage, 0);
    std::memcpy(bytes_.data(), &h, kHeaderSize);
    if (bits_per_pixel == 8)
        setGreyColourTable();
}

size_t validPackedSize(const uint8_t* bytes, size_t size)
{
    if (!bytes || size < kHeaderSize)
        return 0;
    BitmapInfoHeader h;
    std::memcpy(&h, bytes, kHeaderSize);
    if (h.biSize != kHeaderSize || h.biWidth < 1 || h.biHeight < 1 || h.biWidth > kMaxSide
        || h.biHeight > kMaxSide)
        return 0;
    if (h.biCompression != 0 || (h.biBitCount != 8 && h.biBitCount != 24))
        return 0;
    if (h.biBitCount == 8 && (h.biClrUsed < 1 || h.biClrUsed > 256))
        return 0;
    if (h.biBitCount == 24 && h.biClrUsed != 0)
        return 0;
    const uint64_t image = static_cast<uint64_t>(dibRowBytes(h.biWidth, h.biBitCount)) * h.biHeight;
    if (h.biSizeImage != image)
        return 0;
    const uint64_t total = kHeaderSize + 4ull * h.biClrUsed + image;
    return total <= size ? static_cast<size_t>(total) : 0;
}

FrameImage FrameImage::fromPacked(const uint8_t* bytes, size_t size)
{
    const size_t total = validPackedSize(bytes, size);
    if (total == 0)
        throw Error("Invalid frame format");
    FrameImage frame;
    frame.bytes_.assign(bytes, bytes + total);
    return frame;
}

const BitmapInfoHeader& FrameImage::header() const
{
    static const BitmapInfoHeader empty { 40, 0, 0, 1, 24, 0, 0, 0, 0, 0, 0 };
    if (bytes_.empty())
        return empty;
    return *reinterpret_cast<const BitmapInfoHeader*>(bytes_.data());
}

RgbQuad* FrameImage::colourTable()
{
    return reinterpret_cast<RgbQuad*>(bytes_.data() + kHeaderSize);
}

const RgbQuad* FrameImage::colourTable() const
{
    return reinterpret_cast<const RgbQuad*>(bytes_.data() + kHeaderSize);
}

void FrameImage::setColourTable(const std::vector<RgbQuad>& table)
{
    if (bitsPerPixel() != 8 || table.empty() || table.size() > 256)
        throw Error("Invalid colour table");
    BitmapInfoHeader h = header();
    std::vector<uint8_t> pixels_copy(pixels(), pixels() + pixelBytes());
    h.biClrUsed = static_cast<uint32_t>(table.size());
    bytes_.assign(kHeaderSize + 4 * h.biClrUsed + h.biSizeImage, 0);
    std::memcpy(bytes_.data(), &h, kHeaderSize);
    std::memcpy(colourTable(), table.data(), 4 * table.size());
    std::memcpy(pixels(), pixels_copy.data(), pixels_copy.size());
}

void FrameImage::setGreyColourTable()
{
    std::vector<RgbQuad> grey(256);
    for (int i = 0; i < 256; ++i)
        grey[i] = RgbQuad { uint8_t(i), uint8_t(i), uint8_t(i), 0 };
    setColourTable(grey);
}

uint8_t* FrameImage::pixels()
{
    return bytes_.data() + kHeaderSize + 4 * header().biClrUsed;
}

const uint8_t* FrameImage::pixels() const
{
    return bytes_.data() + kHeaderSize + 4 * header().biClrUsed;
}

QImage FrameImage::toQImage() const
{
    if (isNull())
        return {};
    const int w = width();
    const int h = height();
    if (bitsPerPixel() == 8) {
        QImage image(w, h, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (uint32_t i = 0; i < colourCount(); ++i)
            table << qRgb(colourTable()[i].red, colourTable()[i].green, colourTable()[i].blue);
        image.setColorTable(table);
        for (int y = 0; y < h; ++y)
            std::memcpy(image.scanLine(y), topDownRow(y), static_cast<size_t>(w));
        return image;
    }
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = topDownRow(y);
        uint8_t* dst = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return image;
}

std::vector<uint8_t> FrameImage::toBmpFile() const
{
    std::vector<uint8_t> file(14 + bytes_.size());
    const uint32_t file_size = static_cast<uint32_t>(file.size());
    const uint32_t bits_offset = 14 + kHeaderSize + 4 * colourCount();
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(&file[2], &file_size, 4);
    std::memcpy(&file[10], &bits_offset, 4);
    std::memcpy(&file[14], bytes_.data(), bytes_.size());
    return file;
}

} // namespace fw
