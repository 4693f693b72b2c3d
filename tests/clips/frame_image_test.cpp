#include "clips/frame_image.h"

#include <cstring>

#include <QBuffer>
#include <QImageReader>
#include <gtest/gtest.h>

#include "support/fw_error.h"

namespace fw {
namespace {

std::vector<uint8_t> PackedBytes(const FrameImage& frame)
{
    return std::vector<uint8_t>(frame.packed(), frame.packed() + frame.packedSize());
}

BitmapInfoHeader& HeaderOf(std::vector<uint8_t>& bytes)
{
    return *reinterpret_cast<BitmapInfoHeader*>(bytes.data());
}

// A 5 x 3 frame (rows padded to 8 bytes for 8-bit, 16 bytes for 24-bit) with a distinct value
// at every pixel, written through the top-down row accessor.
FrameImage PatternFrame(int bits)
{
    FrameImage frame(5, 3, bits);
    const int bytes_per_pixel = bits / 8;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            for (int c = 0; c < bytes_per_pixel; ++c)
                frame.topDownRow(y)[x * bytes_per_pixel + c] = uint8_t(16 * y + 4 * x + c + 1);
        }
    }
    return frame;
}

TEST(FrameImageLayout, RowsArePaddedToFourBytesAndStoredBottomUp)
{
    EXPECT_EQ(dibRowBytes(5, 8), 8);
    EXPECT_EQ(dibRowBytes(5, 24), 16);
    EXPECT_EQ(imageSize(5, 3, 8, 3), 48);
    EXPECT_EQ(imageSize(5, 3, 24, 1), 48);
    EXPECT_EQ(imageSize(65535, 65535, 8, 3), int64_t(196608) * 65535);

    const FrameImage grey = PatternFrame(8);
    EXPECT_EQ(grey.packedSize(), 40u + 256 * 4 + 24);
    EXPECT_EQ(grey.colourTable()[200].green, 200);
    // The first row in memory is the bottom row of the picture.
    EXPECT_EQ(grey.pixels()[0], 16 * 2 + 1);
    EXPECT_EQ(grey.pixels()[2 * 8], 1);

    const FrameImage colour = PatternFrame(24);
    EXPECT_EQ(colour.packedSize(), 40u + 48);
    EXPECT_EQ(colour.pixels()[2 * 16 + 2], 3);

    EXPECT_THROW(FrameImage(0, 3, 8), Error);
    EXPECT_THROW(FrameImage(4, 3, 16), Error);
    EXPECT_THROW(FrameImage(70000, 3, 8), Error);
    EXPECT_THROW(FrameImage(65535, 65535, 24), Error); // image bytes beyond 32 bits
}

TEST(FrameImagePacked, AcceptsWellFormedFramesAndCopiesThem)
{
    for (int bits : { 8, 24 }) {
        const FrameImage frame = PatternFrame(bits);
        std::vector<uint8_t> bytes = PackedBytes(frame);
        EXPECT_EQ(validPackedSize(bytes.data(), bytes.size()), bytes.size());
        // Trailing bytes beyond the frame are not part of it.
        bytes.resize(bytes.size() + 7, 0xEE);
        const FrameImage copy = FrameImage::fromPacked(bytes.data(), bytes.size());
        EXPECT_EQ(PackedBytes(copy), PackedBytes(frame));
    }

    FrameImage small_table(4, 2, 8);
    small_table.setColourTable({ RgbQuad { 1, 2, 3, 0 }, RgbQuad { 4, 5, 6, 0 } });
    std::vector<uint8_t> bytes = PackedBytes(small_table);
    EXPECT_EQ(bytes.size(), 40u + 8 + 8);
    EXPECT_EQ(validPackedSize(bytes.data(), bytes.size()), bytes.size());
}

TEST(FrameImagePacked, RejectsHostileHeaders)
{
    const std::vector<uint8_t> good = PackedBytes(PatternFrame(8));
    using Edit = void (*)(BitmapInfoHeader&);
    const std::pair<const char*, Edit> edits[] = {
        { "header size", [](BitmapInfoHeader& h) { h.biSize = 124; } },
        { "zero width", [](BitmapInfoHeader& h) { h.biWidth = 0; } },
        { "negative width", [](BitmapInfoHeader& h) { h.biWidth = -5; } },
        { "top-down rows", [](BitmapInfoHeader& h) { h.biHeight = -3; } },
        { "huge width", [](BitmapInfoHeader& h) { h.biWidth = 0x7FFFFFFF; } },
        { "huge height", [](BitmapInfoHeader& h) { h.biHeight = 100000; } },
        { "compressed", [](BitmapInfoHeader& h) { h.biCompression = 1; } },
        { "16 bits", [](BitmapInfoHeader& h) { h.biBitCount = 16; } },
        { "24 bits with table", [](BitmapInfoHeader& h) { h.biBitCount = 24; } },
        { "no colours", [](BitmapInfoHeader& h) { h.biClrUsed = 0; } },
        { "too many colours", [](BitmapInfoHeader& h) { h.biClrUsed = 257; } },
        { "colours past the end", [](BitmapInfoHeader& h) { h.biClrUsed = 0xFFFFFFFF; } },
        { "image size too small", [](BitmapInfoHeader& h) { h.biSizeImage = 15; } },
        { "image size too large", [](BitmapInfoHeader& h) { h.biSizeImage = 0xFFFFFFF0; } },
        { "wider than the bytes",
            [](BitmapInfoHeader& h) {
                h.biWidth = 9;
                h.biSizeImage = 12 * 3;
            } },
    };
    for (const auto& [what, edit] : edits) {
        std::vector<uint8_t> bytes = good;
        edit(HeaderOf(bytes));
        EXPECT_EQ(validPackedSize(bytes.data(), bytes.size()), 0u) << what;
        EXPECT_THROW(FrameImage::fromPacked(bytes.data(), bytes.size()), Error) << what;
    }

    // Truncated anywhere: in the header, the colour table or the last pixel.
    for (size_t size : { size_t(0), size_t(39), size_t(40), size_t(40 + 1023), good.size() - 1 })
        EXPECT_EQ(validPackedSize(good.data(), size), 0u) << size;
    EXPECT_EQ(validPackedSize(nullptr, 4096), 0u);
}

TEST(FrameImageConvert, QImageIsTopDownWithColoursInPlace)
{
    FrameImage grey = PatternFrame(8);
    std::vector<RgbQuad> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = RgbQuad { uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0 };
    grey.setColourTable(table);
    EXPECT_EQ(grey.topDownRow(1)[3], 16 + 12 + 1); // pixels survive a new table
    const QImage grey_image = grey.toQImage();
    ASSERT_EQ(grey_image.format(), QImage::Format_Indexed8);
    ASSERT_EQ(grey_image.size(), QSize(5, 3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const int index = 16 * y + 4 * x + 1;
            ASSERT_EQ(grey_image.pixelIndex(x, y), index);
            EXPECT_EQ(grey_image.pixel(x, y), qRgb(index / 2, 255 - index, index)) << x << "," << y;
        }
    }

    const QImage colour_image = PatternFrame(24).toQImage();
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const int blue = 16 * y + 4 * x + 1;
            EXPECT_EQ(colour_image.pixel(x, y), qRgb(blue + 2, blue + 1, blue)) << x << "," << y;
        }
    }
    EXPECT_TRUE(FrameImage().toQImage().isNull());
}

TEST(FrameImageConvert, BmpFileDecodesToTheSamePicture)
{
    for (int bits : { 8, 24 }) {
        const FrameImage frame = PatternFrame(bits);
        const std::vector<uint8_t> file = frame.toBmpFile();
        ASSERT_EQ(file.size(), 14 + frame.packedSize());
        uint32_t file_size = 0;
        uint32_t bits_offset = 0;
        std::memcpy(&file_size, &file[2], 4);
        std::memcpy(&bits_offset, &file[10], 4);
        EXPECT_EQ(file_size, file.size());
        EXPECT_EQ(bits_offset, 14 + 40 + 4 * frame.colourCount());

        QByteArray data(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
        QBuffer buffer(&data);
        QImageReader reader(&buffer, "bmp");
        const QImage decoded = reader.read();
        ASSERT_FALSE(decoded.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32),
            frame.toQImage().convertToFormat(QImage::Format_RGB32))
            << bits;
    }
}

} // namespace
} // namespace fw
