#include "clips/tif_lzw.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "clips/tif_predictor.h"
#include "clips/tif_test_files.h"
#include "support/fw_error.h"

namespace fw {
namespace {

// Packs codes most-significant bit first at the widths the decoder expects.
class CodeWriter {
public:
    void Put(uint16_t code, int width)
    {
        for (int bit = width - 1; bit >= 0; --bit) {
            current_ = uint8_t(current_ << 1 | ((code >> bit) & 1));
            if (++bits_ == 8) {
                bytes_.push_back(current_);
                current_ = 0;
                bits_ = 0;
            }
        }
    }
    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> bytes = bytes_;
        if (bits_ > 0)
            bytes.push_back(uint8_t(current_ << (8 - bits_)));
        return bytes;
    }

private:
    std::vector<uint8_t> bytes_;
    uint8_t current_ = 0;
    int bits_ = 0;
};

// Codes at the starting width of 9 bits.
std::vector<uint8_t> NineBitCodes(std::initializer_list<uint16_t> codes)
{
    CodeWriter writer;
    for (const uint16_t code : codes)
        writer.Put(code, 9);
    return writer.Bytes();
}

std::vector<uint8_t> Decoded(const std::vector<uint8_t>& codes, size_t capacity = 64)
{
    std::vector<uint8_t> out(capacity);
    out.resize(DecodeTIFLzw(codes.data(), codes.size(), out.data(), out.size()));
    return out;
}

std::string DecodeError(const std::vector<uint8_t>& codes, size_t capacity = 64)
{
    try {
        Decoded(codes, capacity);
    } catch (const Error& failure) {
        return failure.what();
    }
    return "decoded";
}

TEST(TIFLzwTest, CodeStreams)
{
    // "ABABABA": the last code is the one being defined (the string plus its own first byte).
    const std::vector<uint8_t> abab = NineBitCodes({ 256, 'A', 'B', 258, 260, 257 });
    EXPECT_EQ(Decoded(abab), (std::vector<uint8_t> { 'A', 'B', 'A', 'B', 'A', 'B', 'A' }));

    // A clear in the middle starts a new table (258 is "xy", then "zz"); the end of the input
    // ends the strip like code 257.
    const std::vector<uint8_t> cleared = NineBitCodes({ 256, 'x', 'y', 258, 256, 'z', 258 });
    EXPECT_EQ(Decoded(cleared), (std::vector<uint8_t> { 'x', 'y', 'x', 'y', 'z', 'z', 'z' }));
    const std::vector<uint8_t> unterminated = NineBitCodes({ 256, 'x', 'y', 258, 256, 'z' });
    EXPECT_EQ(Decoded(unterminated), (std::vector<uint8_t> { 'x', 'y', 'x', 'y', 'z' }));

    const std::vector<uint8_t> ahead = NineBitCodes({ 256, 'A', 300 });
    EXPECT_EQ(DecodeError(ahead), "Damaged LZW data: code 300 is not in the table");
    const std::vector<uint8_t> first_not_byte = NineBitCodes({ 256, 258 });
    EXPECT_EQ(DecodeError(first_not_byte), "Damaged LZW data: code 258 is not in the table");
    EXPECT_EQ(DecodeError(abab, 6), "Damaged LZW data: the strip decodes to more bytes than it holds");
    EXPECT_TRUE(Decoded({}).empty());
}

// The width grows to 10 bits once entry 510 is defined.
TEST(TIFLzwTest, CodeWidthGrowsAtEntry510)
{
    CodeWriter writer;
    writer.Put(256, 9);
    std::vector<uint8_t> expected;
    // Every literal after the first defines one entry: 253 literals define 258..510.
    for (int i = 0; i < 254; ++i) {
        writer.Put(uint16_t(i), 9);
        expected.push_back(uint8_t(i));
    }
    writer.Put('Q', 10);
    writer.Put(257, 10);
    expected.push_back('Q');
    EXPECT_EQ(Decoded(writer.Bytes(), 1024), expected);
}

// Strips that libtiff compressed decode to what libtiff decodes them to.
TEST(TIFLzwTest, DecodesLibtiffStrips)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("lzw.tif")).toStdString();
    tif_test::Layout layout;
    layout.width = 300;
    layout.height = 40;
    layout.rows_per_strip = 20;
    layout.compression = COMPRESSION_LZW;
    ASSERT_TRUE(tif_test::WriteWithLibtiff(path, layout, tif_test::TestSamples(300 * 40 * 3, 9)));
    TIFF* tif = TIFFOpen(path.c_str(), "rc");
    ASSERT_TRUE(tif);
    TIFLzwDecoder decoder; // one table for every strip, as the reader keeps it
    for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
        std::vector<uint8_t> raw(size_t(TIFFRawStripSize(tif, s)));
        ASSERT_EQ(TIFFReadRawStrip(tif, s, raw.data(), tmsize_t(raw.size())), tmsize_t(raw.size()));
        std::vector<uint8_t> expected(size_t(TIFFStripSize(tif)));
        expected.resize(size_t(TIFFReadEncodedStrip(tif, s, expected.data(), tmsize_t(expected.size()))));
        std::vector<uint8_t> decoded(expected.size());
        decoded.resize(decoder.Decode(raw.data(), raw.size(), decoded.data(), decoded.size()));
        EXPECT_EQ(decoded, expected) << "strip " << s;
    }
    TIFFClose(tif);
}

TEST(TIFLzwTest, HorizontalDifferencing)
{
    // Two RGB pixels a row, two rows and a part row that stays as it is.
    std::vector<uint8_t> rows { 10, 20, 30, 1, 2, 255, 5, 5, 5, 0, 0, 0, 7, 7 };
    UndoHorizontalDifferencing(rows.data(), rows.size(), 6, 3);
    EXPECT_EQ(rows, (std::vector<uint8_t> { 10, 20, 30, 11, 22, 29, 5, 5, 5, 5, 5, 5, 7, 7 }));
}

} // namespace
} // namespace fw
