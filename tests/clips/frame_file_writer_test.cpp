#include "clips/frame_file_writer.h"

#include <random>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "avi_test_clips.h"
#include "clips/frame_image.h"

namespace fw {
namespace {

using Bgr = std::vector<uint8_t>; // top-down blue-green-red, no padding

// A frame whose every pixel follows `value(x, y, channel)`; 8-bit frames use `table`.
template <typename Value>
FrameImage makeFrame(
    int32_t width, int32_t height, int bits, Value value, const std::vector<RgbQuad>& table = {})
{
    FrameImage frame(width, height, bits);
    if (!table.empty())
        frame.setColourTable(table);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width * bits / 8; ++x)
            frame.topDownRow(y)[x] = uint8_t(value(x / (bits / 8), y, x % (bits / 8)));
    return frame;
}

Bgr expectedBgr(const FrameImage& frame)
{
    return test::topDownBgr(frame.packed(), int32_t(frame.packedSize()));
}

Bgr qtBgr(const QString& path)
{
    const QImage image = QImageReader(path).read().convertToFormat(QImage::Format_BGR888);
    Bgr bgr;
    for (int y = 0; y < image.height(); ++y)
        bgr.insert(bgr.end(), image.constScanLine(y), image.constScanLine(y) + 3 * image.width());
    return bgr;
}

Bgr ffmpegBgr(const QString& path)
{
    QByteArray raw;
    test::runFfmpeg({ "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr24", "-" }, &raw);
    return Bgr(raw.begin(), raw.end());
}

QByteArray runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.exitCode() == 0 ? process.readAllStandardOutput().trimmed() : QByteArray();
}

// How the file stores its pixels, as FFmpeg's decoder reports it ("pal8", "gray", "rgb24" ...).
std::string storedFormat(const QString& path)
{
    return runTool("ffprobe", { "-v", "error", "-show_entries", "stream=pix_fmt", "-of", "csv=p=0", path })
        .toStdString();
}

std::vector<RgbQuad> colourTable(int entries)
{
    std::vector<RgbQuad> table(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i)
        table[size_t(i)] = RgbQuad { uint8_t(255 - i), uint8_t(i * 7), uint8_t(i * 13 + 5), 0 };
    return table;
}

class FrameFileWriterTest : public ::testing::Test {
protected:
    QString write(const QString& name, int type, const FrameImage& frame)
    {
        const QString path = dir_.filePath(name);
        QString error;
        EXPECT_TRUE(WriteFrameFile(path, type, frame.packed(), frame.packedSize(), error))
            << error.toStdString();
        return path;
    }
    QStringList entries() const
    {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir_;
};

// Odd widths throughout, so every row of the packed frame carries padding.
const FrameImage kColourFrame
    = makeFrame(37, 23, 24, [](int x, int y, int c) { return x * 7 + y * 3 + c * 50; });
const FrameImage kPaletteFrame = makeFrame(
    37, 23, 8, [](int x, int y, int) { return (x * 3 + y * 5) % 40; }, colourTable(40));
const FrameImage kGreyFrame = makeFrame(37, 23, 8, [](int x, int y, int) { return x * 6 + y; });

TEST(FrameFileName, CountsFromZeroInSevenDigits)
{
    EXPECT_EQ(FrameFileName(kBmpFrameFiles, 0), "F0000000.bmp");
    EXPECT_EQ(FrameFileName(kGifFrameFiles, 12), "F0000012.gif");
    EXPECT_EQ(FrameFileName(kJpegFrameFiles, 1234567), "F1234567.jpg");
    EXPECT_EQ(FrameFileName(kTiffFrameFiles, 12345678), "F12345678.tif");
    EXPECT_TRUE(FrameFileName(2, 0).isEmpty());
    EXPECT_TRUE(FrameFileName(7, 0).isEmpty());
}

TEST_F(FrameFileWriterTest, BmpFilesHoldThePackedFrameUnchanged)
{
    for (const FrameImage* frame : { &kColourFrame, &kPaletteFrame }) {
        const QString path = write("F0000000.bmp", kBmpFrameFiles, *frame);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const std::vector<uint8_t> expected = frame->toBmpFile();
        EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), expected);
        EXPECT_EQ(qtBgr(path), expectedBgr(*frame));
    }
}

TEST_F(FrameFileWriterTest, TiffFilesReadBackExactlyInTheirKind)
{
    // An inverted grey table still makes a grey file, with the levels the table gives.
    std::vector<RgbQuad> inverted(256);
    for (int i = 0; i < 256; ++i)
        inverted[size_t(i)] = RgbQuad { uint8_t(255 - i), uint8_t(255 - i), uint8_t(255 - i), 0 };
    const FrameImage inverted_grey = makeFrame(
        9, 4, 8, [](int x, int y, int) { return x * 20 + y; }, inverted);

    const struct {
        const FrameImage& frame;
        const char* type;
    } cases[] = { { kColourFrame, "rgb24" }, { kPaletteFrame, "pal8" }, { kGreyFrame, "gray" },
        { inverted_grey, "gray" } };
    for (const auto& c : cases) {
        const QString path = write("F0000000.tif", kTiffFrameFiles, c.frame);
        EXPECT_EQ(ffmpegBgr(path), expectedBgr(c.frame)) << c.type;
        EXPECT_EQ(storedFormat(path), c.type);
    }
}

TEST_F(FrameFileWriterTest, GifFilesKeepPalettesAndSmallColourSets)
{
    // Random indexes over the whole table defeat the LZW strings, so the code table fills and
    // restarts many times.
    std::mt19937 random(7);
    const FrameImage noise = makeFrame(
        301, 207, 8, [&](int, int, int) { return random() % 256; }, colourTable(256));
    const FrameImage few_colours
        = makeFrame(33, 9, 24, [](int x, int y, int c) { return (x / 4 + y + c) * 30; });
    for (const FrameImage* frame : { &noise, &kPaletteFrame, &kGreyFrame, &few_colours }) {
        const QString path = write("F0000000.gif", kGifFrameFiles, *frame);
        EXPECT_EQ(qtBgr(path), expectedBgr(*frame));
        EXPECT_EQ(ffmpegBgr(path), expectedBgr(*frame));
    }
}

TEST_F(FrameFileWriterTest, GifFilesOfManyColoursComeClose)
{
    const FrameImage gradient = makeFrame(160, 120, 24, [](int x, int y, int c) {
        return c == 0 ? x * 255 / 159 : c == 1 ? y * 255 / 119 : (x + y) * 255 / 278;
    });
    const QString path = write("F0000000.gif", kGifFrameFiles, gradient);
    const Bgr read = qtBgr(path);
    EXPECT_LE(test::maxDifference(read, expectedBgr(gradient)), 24);
    EXPECT_EQ(read, ffmpegBgr(path));
}

TEST_F(FrameFileWriterTest, JpegFilesAreQuality100InTheFramesColours)
{
    const struct {
        const FrameImage& frame;
        const char* type;
    } cases[] = { { kColourFrame, "yuvj444p" }, { kPaletteFrame, "yuvj444p" }, { kGreyFrame, "gray" } };
    for (const auto& c : cases) {
        const QString path = write("F0000000.jpg", kJpegFrameFiles, c.frame);
        EXPECT_LE(test::maxDifference(qtBgr(path), expectedBgr(c.frame)), 4) << c.type;
        EXPECT_EQ(storedFormat(path), c.type);
        EXPECT_EQ(runTool("identify", { "-format", "%Q", path }), "100");
    }
}

TEST_F(FrameFileWriterTest, BrokenFramesAreRefusedAndLeaveNoFile)
{
    const std::vector<uint8_t> good(
        kPaletteFrame.packed(), kPaletteFrame.packed() + kPaletteFrame.packedSize());
    auto broken = [&](auto change) {
        std::vector<uint8_t> bytes = good;
        change(*reinterpret_cast<BitmapInfoHeader*>(bytes.data()));
        return bytes;
    };
    const std::vector<std::vector<uint8_t>> cases {
        std::vector<uint8_t>(good.begin(), good.end() - 1), // truncated pixels
        std::vector<uint8_t>(good.begin(), good.begin() + 20), // truncated header
        broken([](BitmapInfoHeader& h) { h.biSize = 12; }),
        broken([](BitmapInfoHeader& h) { h.biBitCount = 16; }),
        broken([](BitmapInfoHeader& h) { h.biClrUsed = 300; }),
        broken([](BitmapInfoHeader& h) { h.biSizeImage += 4; }),
        broken([](BitmapInfoHeader& h) { h.biHeight = -23; }),
        broken([](BitmapInfoHeader& h) { h.biWidth = 0x7fffffff; }),
        broken([](BitmapInfoHeader& h) { h.biCompression = 1; }),
    };
    for (int type = kBmpFrameFiles; type <= kTiffFrameFiles; ++type) {
        for (const std::vector<uint8_t>& bytes : cases) {
            QString error;
            EXPECT_FALSE(WriteFrameFile(
                dir_.filePath(FrameFileName(type, 0)), type, bytes.data(), bytes.size(), error));
            EXPECT_TRUE(error.contains("not a valid 8-bit or 24-bit bitmap")) << error.toStdString();
        }
        QString error;
        EXPECT_FALSE(WriteFrameFile(dir_.filePath("null"), type, nullptr, 100, error));
    }
    QString error;
    EXPECT_FALSE(WriteFrameFile(dir_.filePath("x.avi"), 1, good.data(), good.size(), error));
    EXPECT_TRUE(entries().isEmpty()) << entries().join(' ').toStdString();
}

TEST_F(FrameFileWriterTest, FramesTooWideForJpegAreRefused)
{
    const FrameImage wide(65535, 1, 8);
    QString error;
    EXPECT_FALSE(WriteFrameFile(
        dir_.filePath("F0000000.jpg"), kJpegFrameFiles, wide.packed(), wide.packedSize(), error));
    EXPECT_TRUE(error.contains("too large for a JPEG file")) << error.toStdString();
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(FrameFileWriterTest, FailedWritesLeaveNothingBehind)
{
    QString error;
    const QString missing = dir_.filePath("missing/F0000000.tif");
    EXPECT_FALSE(
        WriteFrameFile(missing, kTiffFrameFiles, kColourFrame.packed(), kColourFrame.packedSize(), error));
    EXPECT_TRUE(error.startsWith("Unable to write " + missing + ": ")) << error.toStdString();

    // A directory in the way of the file: the temporary file is written but cannot replace it.
    ASSERT_TRUE(QDir(dir_.path()).mkdir("F0000000.gif"));
    EXPECT_FALSE(WriteFrameFile(dir_.filePath("F0000000.gif"), kGifFrameFiles, kColourFrame.packed(),
        kColourFrame.packedSize(), error));
    EXPECT_EQ(entries(), QStringList { "F0000000.gif" });

    // A complete file replaces an older one.
    write("F0000000.bmp", kBmpFrameFiles, kColourFrame);
    const QString path = write("F0000000.bmp", kBmpFrameFiles, kGreyFrame);
    EXPECT_EQ(QFileInfo(path).size(), qint64(kGreyFrame.toBmpFile().size()));
    EXPECT_EQ(entries(), (QStringList { "F0000000.bmp", "F0000000.gif" }));
}

} // namespace
} // namespace fw
