#include "clips/tif_file.h"

#include <cstring>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "clips/tif_errors.h"
#include "clips/tif_test_files.h"
#include "support/fw_error.h"

namespace fw {
namespace {

using tif_test::Layout;

class TIFFileTest : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const
    {
        return dir_.filePath(QString::fromLatin1(name)).toStdString();
    }

    // Writes the layout with libtiff and loads it; the picture written is kept in `samples`.
    std::string WriteLayout(
        const Layout& layout, std::vector<uint8_t>& samples, const char* name = "frame.tif")
    {
        samples
            = tif_test::TestSamples(size_t(layout.width) * layout.height * layout.samples * layout.bits / 8);
        const std::string path = PathOf(name);
        EXPECT_TRUE(tif_test::WriteWithLibtiff(path, layout, samples));
        return path;
    }

    // The whole picture through ExtractRect: top row first, blue-green-red for colour.
    static std::vector<uint8_t> Extracted(TIFFile& file)
    {
        const int32_t w = file.Width();
        const int32_t h = file.Height();
        std::vector<uint8_t> out(size_t(w) * size_t(h) * size_t(file.SamplesPerPixel()));
        file.ExtractRect(out.data(), FrameRect { 0, 0, w - 1, h - 1 }, nullptr, w, h);
        return out;
    }

    static std::vector<uint8_t> RedBlueSwapped(std::vector<uint8_t> rgb)
    {
        for (size_t i = 0; i + 2 < rgb.size(); i += 3)
            std::swap(rgb[i], rgb[i + 2]);
        return rgb;
    }

    static std::string LoadError(const QByteArray& bytes)
    {
        TIFFile file;
        try {
            file.LoadFromBytes(bytes);
        } catch (const Error& failure) {
            EXPECT_FALSE(file.Loaded());
            return failure.what();
        }
        return "loaded";
    }

    std::string LoadLayoutError(const Layout& layout)
    {
        std::vector<uint8_t> samples;
        const std::string path = WriteLayout(layout, samples);
        TIFFile file(QString::fromStdString(path));
        try {
            file.LoadFrame();
        } catch (const Error& failure) {
            return failure.what();
        }
        return "loaded";
    }

    QTemporaryDir dir_;
};

// Every supported layout gives exactly libtiff's pixels, strip by strip and through the frame.
TEST_F(TIFFileTest, PixelsMatchLibtiffInEveryLayout)
{
    struct Coding {
        uint16_t compression;
        uint16_t predictor;
    };
    const Coding codings[] = { { COMPRESSION_NONE, PREDICTOR_NONE }, { COMPRESSION_LZW, PREDICTOR_NONE },
        { COMPRESSION_LZW, PREDICTOR_HORIZONTAL } };
    for (const bool big_endian : { false, true })
        for (const Coding& coding : codings)
            for (const uint16_t samples : { 1, 3 })
                for (const uint32_t width : { 37u, 64u })
                    for (const uint32_t rows_per_strip : { 7u, 50u }) {
                        Layout layout;
                        layout.big_endian = big_endian;
                        layout.compression = coding.compression;
                        layout.predictor = coding.predictor;
                        layout.samples = samples;
                        layout.width = width;
                        layout.rows_per_strip = rows_per_strip;
                        SCOPED_TRACE(::testing::Message()
                            << "big " << big_endian << " compression " << coding.compression << " predictor "
                            << coding.predictor << " samples " << samples << " width " << width << " rows "
                            << rows_per_strip);
                        std::vector<uint8_t> written;
                        const std::string path = WriteLayout(layout, written);
                        uint32_t strips = 0;
                        const std::vector<uint8_t> reference = tif_test::ReadWithLibtiff(path, &strips);
                        ASSERT_EQ(reference, written);

                        TIFFile file(QString::fromStdString(path));
                        ASSERT_TRUE(file.LoadFrame());
                        ASSERT_EQ(file.StripCount(), strips);
                        std::vector<uint8_t> joined;
                        for (size_t s = 0; s < strips; ++s)
                            joined.insert(joined.end(), file.Strip(s).begin(), file.Strip(s).end());
                        EXPECT_EQ(joined, reference);
                        EXPECT_EQ(Extracted(file), samples == 3 ? RedBlueSwapped(reference) : reference);
                        EXPECT_EQ(file.TagValue(tif_tag::kCompression), 1u);
                    }
}

// A full-size colour frame fills the LZW table several times over.
TEST_F(TIFFileTest, LargeLzwFrameMatchesLibtiff)
{
    Layout layout;
    layout.width = 512;
    layout.height = 384;
    layout.rows_per_strip = 16;
    layout.compression = COMPRESSION_LZW;
    layout.predictor = PREDICTOR_HORIZONTAL;
    std::vector<uint8_t> written;
    const std::string path = WriteLayout(layout, written);
    TIFFile file(QString::fromStdString(path));
    file.LoadFrame();
    EXPECT_EQ(Extracted(file), RedBlueSwapped(tif_test::ReadWithLibtiff(path)));
}

TEST_F(TIFFileTest, StripArithmetic)
{
    TIFFile file;
    file.SetWidth(10);
    file.SetSamplesPerPixel(3);
    file.SetBitsPerSample(8);
    file.SetTag(tif_tag::kRowsPerStrip, 32);
    file.SetHeight(100);
    EXPECT_EQ(file.StripCount(), 4u);
    EXPECT_EQ(file.StripListSize(), 4u);
    EXPECT_EQ(file.BytesPerRow(), 30);
    EXPECT_EQ(file.StripSize(), 30u * 32u);
    file.RemoveTag(tif_tag::kRowsPerStrip);
    file.SetHeight(480);
    EXPECT_EQ(file.RowsPerStrip(), 480u);
    EXPECT_EQ(file.StripCount(), 1u);
}

// Without RowsPerStrip the whole picture is one strip.
TEST_F(TIFFileTest, RowsPerStripAbsentReadsOneStrip)
{
    Layout layout;
    layout.samples = 1;
    layout.rows_per_strip = layout.height;
    std::vector<uint8_t> written;
    const std::string path = WriteLayout(layout, written);
    QFile in(QString::fromStdString(path));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    // Renames the RowsPerStrip entry to an unused tag; the entries stay in tag order.
    const char rows_tag[] = { 0x16, 0x01 };
    const qsizetype at = bytes.indexOf(QByteArray(rows_tag, 2), 8);
    ASSERT_GT(at, 0);
    bytes[at] = char(0x18); // 280, MinSampleValue: nothing the reader uses
    TIFFile file;
    file.LoadFromBytes(bytes);
    EXPECT_FALSE(file.FindTag(tif_tag::kRowsPerStrip));
    EXPECT_EQ(file.StripCount(), 1u);
    EXPECT_EQ(file.RowsPerStrip(), layout.height);
    EXPECT_EQ(Extracted(file), written);
}

TEST_F(TIFFileTest, BigEndianShortInValueField)
{
    tif_test::RawTiff raw = tif_test::GreyTiff(640, 2, tif_test::kGreyDataOffset, 1280, 1, true);
    raw.Bytes(std::vector<uint8_t>(1280, 9));
    TIFFile file;
    file.LoadFromBytes(raw.Data());
    EXPECT_EQ(file.Width(), 640);
    EXPECT_EQ(file.Height(), 2);
    EXPECT_EQ(file.BitsPerSample(), 8);
    EXPECT_EQ(file.SamplesPerPixel(), 1);
}

TEST_F(TIFFileTest, RefusedLayoutsSayWhy)
{
    Layout jpeg;
    jpeg.compression = COMPRESSION_JPEG;
    jpeg.rows_per_strip = 16;
    EXPECT_EQ(LoadLayoutError(jpeg), "Unsupported Compression Flavor: 7");
    Layout planar;
    planar.planar = PLANARCONFIG_SEPARATE;
    EXPECT_EQ(LoadLayoutError(planar), "TIFF files with separate colour planes are not supported");
    Layout palette;
    palette.samples = 1;
    palette.photometric = PHOTOMETRIC_PALETTE;
    EXPECT_EQ(LoadLayoutError(palette), "TIFF files with a colour palette are not supported");
    Layout white_is_zero;
    white_is_zero.samples = 1;
    white_is_zero.photometric = PHOTOMETRIC_MINISWHITE;
    EXPECT_EQ(LoadLayoutError(white_is_zero), "TIFF files where zero is white are not supported");
    Layout deep;
    deep.bits = 16;
    EXPECT_EQ(LoadLayoutError(deep), "TIFF files with 16-bit samples are not supported");
    Layout tiled;
    tiled.tile_side = 16;
    EXPECT_EQ(LoadLayoutError(tiled), "Tiled TIFF files are not supported");
    Layout rgba;
    rgba.samples = 4;
    rgba.photometric = PHOTOMETRIC_RGB;
    EXPECT_EQ(LoadLayoutError(rgba), "TIFF files with 4 samples per pixel are not supported");

    EXPECT_EQ(LoadError(QByteArray("GIF89a\0\0\0\0", 10)), "Not a TIFF Image File");
    tif_test::RawTiff predicted(false);
    predicted.Directory({ { 259, 3, 1, 5 }, { 273, 4, 1, 0 }, { 317, 3, 1, 3 } });
    EXPECT_EQ(LoadError(predicted.Data()), "TIFF predictor 3 is not supported");
    tif_test::RawTiff no_offsets(false);
    no_offsets.Directory(
        { { 256, 3, 1, 4 }, { 257, 3, 1, 4 }, { 258, 3, 1, 8 }, { 259, 3, 1, 1 }, { 279, 4, 1, 16 } });
    EXPECT_EQ(LoadError(no_offsets.Data()), "Missing Tag # 273");
}

TEST_F(TIFFileTest, TagAccess)
{
    TIFFile file;
    EXPECT_EQ(file.TagValue(tif_tag::kCameraBlock), 0u);
    try {
        file.RequiredTag(tif_tag::kCameraBlock);
        FAIL() << "no exception";
    } catch (const MissingTagException& missing) {
        EXPECT_STREQ(missing.what(), "Missing Tag # 34071");
        EXPECT_EQ(missing.Tag(), tif_tag::kCameraBlock);
    }
    file.SetTag(tif_tag::kStripOffsets, 5);
    file.SetTag(tif_tag::kImageWidth, 5);
    file.SetTag(tif_tag::kNewSubfileType, 0);
    file.SetBitsPerSample(8);
    file.SetSamplesPerPixel(3);
    ASSERT_EQ(file.Entries().size(), 5u);
    EXPECT_EQ(file.Entries()[0].Tag(), tif_tag::kNewSubfileType);
    EXPECT_EQ(file.Entries()[0].Type(), uint16_t(TIFType::ttLong));
    EXPECT_EQ(file.Entries()[1].Type(), uint16_t(TIFType::ttShort));
    EXPECT_EQ(file.Entries()[3].Tag(), tif_tag::kStripOffsets);
    EXPECT_EQ(file.Entries()[4].Tag(), tif_tag::kSamplesPerPixel);
    // SamplesPerPixel re-applies BitsPerSample to every sample.
    const TIFDEntry& bits = file.RequiredTag(tif_tag::kBitsPerSample);
    ASSERT_EQ(bits.Count(), 3u);
    EXPECT_EQ(bits.Value(2), 8u);
    EXPECT_EQ(bits.Value(3), 0u);
    file.SetWidth(70000);
    EXPECT_EQ(file.Width(), 70000);
    EXPECT_EQ(file.RequiredTag(tif_tag::kImageWidth).Type(), uint16_t(TIFType::ttLong));
    file.Clear();
    EXPECT_TRUE(file.Entries().empty());
    EXPECT_EQ(file.Width(), 0);
}

TEST_F(TIFFileTest, RationalsAndUnknownTypesInAFile)
{
    constexpr uint32_t kRationalAt = 8 + 2 + 8 * 12 + 4;
    tif_test::RawTiff raw(true);
    // Entry 700 is UNDEFINED and far longer than the file: it is skipped.
    raw.Directory({ { 256, 3, 1, 1 }, { 257, 3, 1, 1 }, { 258, 3, 1, 8 }, { 259, 3, 1, 1 },
        { 273, 4, 1, kRationalAt + 8 }, { 279, 4, 1, 1 }, { 282, 5, 1, kRationalAt },
        { 700, 7, 3000000000u, 12345 } });
    raw.Long(3);
    raw.Long(2);
    raw.Bytes({ 77 });
    TIFFile file;
    file.LoadFromBytes(raw.Data());
    ASSERT_TRUE(file.FindTag(282));
    EXPECT_DOUBLE_EQ(file.FindTag(282)->Rational(0), 1.5);
    EXPECT_EQ(file.TagValue(282), 1u);
    EXPECT_FALSE(file.FindTag(700));
    EXPECT_EQ(file.Strip(0), std::vector<uint8_t> { 77 });
}

TEST_F(TIFFileTest, ExtractRectCropsAndMapsGrey)
{
    Layout layout;
    layout.samples = 1;
    layout.width = 9;
    layout.height = 6;
    std::vector<uint8_t> written;
    TIFFile file(QString::fromStdString(WriteLayout(layout, written)));
    std::vector<uint8_t> out(4 * 3);
    EXPECT_THROW(file.ExtractRect(out.data(), FrameRect { 2, 1, 5, 3 }, nullptr, 4, 3), Error);
    file.LoadFrame();
    file.SetGreyTransform([](uint8_t value) { return uint8_t(255 - value); });
    file.ExtractRect(out.data(), FrameRect { 2, 1, 5, 3 }, nullptr, 4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(out[size_t(y * 4 + x)], 255 - written[size_t((y + 1) * 9 + x + 2)]);
}

TEST_F(TIFFileTest, ExtractRectHandsColourTransformBlueGreenRed)
{
    Layout layout;
    layout.width = 3;
    layout.height = 2;
    std::vector<uint8_t> written;
    TIFFile file(QString::fromStdString(WriteLayout(layout, written)));
    file.LoadFrame();
    std::vector<uint8_t> seen;
    file.SetColourTransform(
        [&seen](int32_t, int32_t, uint8_t* bgr) { seen.insert(seen.end(), bgr, bgr + 3); });
    std::vector<uint8_t> out(3 * 2 * 3);
    file.ExtractRect(out.data(), FrameRect { 0, 0, 2, 1 }, nullptr, 3, 2);
    EXPECT_EQ(seen, RedBlueSwapped(written));
}

// Files written by the program read back in libtiff with the same pixels.
TEST_F(TIFFileTest, SavedFilesReadBackInLibtiff)
{
    TIFFile made;
    made.SetWidth(37);
    made.SetSamplesPerPixel(3);
    made.SetBitsPerSample(8);
    made.SetTag(tif_tag::kCompression, 1);
    made.SetTag(tif_tag::kPhotometric, 2);
    made.SetTag(tif_tag::kRowsPerStrip, 8);
    made.SetHeight(20);
    ASSERT_EQ(made.StripListSize(), 3u);
    std::vector<uint8_t> picture = tif_test::TestSamples(37 * 20 * 3, 5);
    for (size_t s = 0; s < 3; ++s) {
        const size_t begin = s * made.StripSize();
        const size_t end = std::min(picture.size(), begin + made.StripSize());
        made.Strip(s).assign(picture.begin() + std::ptrdiff_t(begin), picture.begin() + std::ptrdiff_t(end));
    }
    const QString made_path = dir_.filePath(QStringLiteral("made.tif"));
    made.SaveToFile(made_path);
    std::vector<uint8_t> read_back = tif_test::ReadWithLibtiff(made_path.toStdString());
    read_back.resize(picture.size());
    EXPECT_EQ(read_back, picture);

    // A big-endian LZW file from elsewhere, saved again, keeps its pixels.
    Layout layout;
    layout.big_endian = true;
    layout.compression = COMPRESSION_LZW;
    layout.predictor = PREDICTOR_HORIZONTAL;
    layout.height = 21;
    std::vector<uint8_t> written;
    TIFFile loaded(QString::fromStdString(WriteLayout(layout, written)));
    loaded.LoadFrame();
    const QString saved_path = dir_.filePath(QStringLiteral("saved.tif"));
    loaded.SaveToFile(saved_path);
    read_back = tif_test::ReadWithLibtiff(saved_path.toStdString());
    read_back.resize(written.size());
    EXPECT_EQ(read_back, written);
    TIFFile again(saved_path);
    again.LoadFrame();
    EXPECT_EQ(again.TagValue(tif_tag::kPredictor), 0u);
    EXPECT_EQ(Extracted(again), RedBlueSwapped(written));

    TIFFile empty;
    const QString empty_path = dir_.filePath(QStringLiteral("empty.tif"));
    empty.SaveToFile(empty_path);
    EXPECT_TRUE(QFile::exists(empty_path));
    EXPECT_EQ(QFile(empty_path).size(), 0);
}

// Damaged and hostile files end in a message, never in a crash, a hang or a huge allocation.
TEST_F(TIFFileTest, HostileFilesAreRefused)
{
    Layout layout;
    layout.compression = COMPRESSION_LZW;
    layout.width = 16;
    layout.height = 12;
    layout.rows_per_strip = 5;
    std::vector<uint8_t> written;
    QFile in(QString::fromStdString(WriteLayout(layout, written)));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray whole = in.readAll();
    for (qsizetype cut = 0; cut < whole.size(); ++cut)
        EXPECT_NE(LoadError(whole.left(cut)), "") << cut;

    const std::vector<uint8_t> row(16, 1);
    auto grey = [&row](uint32_t w, uint32_t h, uint32_t offset, uint32_t count, uint16_t compression = 1) {
        tif_test::RawTiff raw = tif_test::GreyTiff(w, h, offset, count, compression);
        raw.Bytes(row);
        return raw.Data();
    };
    EXPECT_EQ(LoadError(grey(16, 1, tif_test::kGreyDataOffset, 16)), "loaded");
    EXPECT_EQ(LoadError(grey(16, 1, tif_test::kGreyDataOffset + 1, 16)),
        "TIFF strip 0 lies beyond the end of the file");
    // Only the rows are read from an uncompressed strip, whatever its byte count claims.
    EXPECT_EQ(LoadError(grey(16, 1, tif_test::kGreyDataOffset, 0xFFFFFFFFu)), "loaded");
    EXPECT_EQ(LoadError(grey(16, 2, tif_test::kGreyDataOffset, 16)),
        "TIFF strip 0 holds 16 bytes, too few for its rows");
    EXPECT_EQ(LoadError(grey(60000, 60000, tif_test::kGreyDataOffset, 16)),
        "The TIFF image of 60000 x 60000 pixels is too large");
    EXPECT_EQ(LoadError(grey(0, 1, tif_test::kGreyDataOffset, 16)), "The TIFF image has no pixels");
    // LZW: a first code that is no byte; a stream that decodes past its strip; one too short.
    auto lzw = [](uint32_t width, uint8_t fill) {
        tif_test::RawTiff raw = tif_test::GreyTiff(width, 1, tif_test::kGreyDataOffset, 16, 5);
        raw.Bytes(std::vector<uint8_t>(16, fill));
        return raw.Data();
    };
    EXPECT_EQ(LoadError(lzw(16, 0xFF)), "Damaged LZW data: code 511 is not in the table");
    EXPECT_EQ(LoadError(lzw(4, 0)), "Damaged LZW data: the strip decodes to more bytes than it holds");
    EXPECT_EQ(LoadError(lzw(16, 0)), "TIFF strip 0 holds 14 bytes, too few for its rows");

    tif_test::RawTiff far_directory(false);
    QByteArray bytes = far_directory.Data();
    bytes[4] = char(0xF0);
    EXPECT_EQ(LoadError(bytes), "TIFF offset 240 lies beyond the end of the file");
    tif_test::RawTiff many_entries(false);
    many_entries.Short(0xFFFF);
    many_entries.Entry(256, 3, 1, 1);
    EXPECT_EQ(LoadError(many_entries.Data()), "The TIFF directory runs past the end of the file");
    tif_test::RawTiff long_values(false);
    long_values.Directory({ { 273, 4, 0x40000000u, 8 } });
    EXPECT_EQ(LoadError(long_values.Data()), "The values of TIFF tag 273 lie beyond the end of the file");
    // Two rows of one row each need two strip offsets.
    tif_test::RawTiff two_strips(false);
    two_strips.Directory({ { 256, 3, 1, 16 }, { 257, 3, 1, 2 }, { 258, 3, 1, 8 }, { 259, 3, 1, 1 },
        { 273, 4, 1, 8 }, { 278, 3, 1, 1 }, { 279, 4, 1, 16 } });
    EXPECT_EQ(LoadError(two_strips.Data()), "The TIFF file lists fewer strips than its 2 rows need");
    // Every entry points at the same block: the tags would take far more memory than the file.
    tif_test::RawTiff repeated;
    repeated.Short(200);
    for (uint16_t tag = 1000; tag < 1200; ++tag)
        repeated.Entry(tag, 1, 100000, 8);
    repeated.Long(0);
    repeated.Bytes(std::vector<uint8_t>(100000, 0));
    EXPECT_EQ(LoadError(repeated.Data()), "The TIFF tags hold more data than a frame file can");
}

} // namespace
} // namespace fw
