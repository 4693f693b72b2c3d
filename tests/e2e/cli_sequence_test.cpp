// framewright-cli on numbered TIFF and BAY sequences: facts, frames as read, conversions and
// their failures, checked against the bytes the test wrote, libtiff and ffmpeg.

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "cli_runner.h"
#include "clips/bay_record.h"
#include "clips/bayer_interpolation.h"
#include "clips/descriptor_block.h"
#include "clips/tif_test_files.h"

namespace fw::e2e {
namespace {

constexpr uint32_t kTifWidth = 6;
constexpr uint32_t kTifHeight = 4;
constexpr int32_t kBayWidth = 512;
constexpr int32_t kBayHeight = 144;
constexpr size_t kMosaic = size_t(kBayWidth) * kBayHeight;

std::string descriptorValue(const QJsonObject& info, const char* section, const char* key)
{
    std::string value;
    GetDescriptorValue(info.value("descriptor").toString().toStdString(), section, key, value);
    return value;
}

class CliSequenceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString& name) const { return dir_.filePath(name); }

    // A grey TIFF frame whose pixels depend on `seed`; with a camera block at rate code 5
    // (500 frames per second) unless `rate_code` is negative.
    std::vector<uint8_t> writeTiff(const QString& name, uint8_t seed, int rate_code = 5)
    {
        std::vector<uint8_t> pixels(kTifWidth * kTifHeight);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t(seed + i * 9);
        EXPECT_TRUE(
            writeFile(path(name), tif_test::GreyTiffWithCamera(kTifWidth, kTifHeight, pixels, rate_code)));
        return pixels;
    }

    // A 512 x 144 BAY frame of a colour HG imager at 125 frames per second; its mosaic depends
    // on `seed`. Answers the whole file.
    QByteArray writeBay(const QString& name, uint8_t seed, uint8_t camera_code = 1)
    {
        QByteArray bytes(qsizetype(kMosaic + kBayRecordBytes), '\0');
        for (size_t i = 0; i < kMosaic; ++i)
            bytes[qsizetype(i)] = char(uint8_t(i * 7 + seed * 31 + i / 1024));
        std::memcpy(bytes.data() + kMosaic, "EK BAY 2", 8);
        bytes[qsizetype(kMosaic + 8)] = char(camera_code); // 1 colour, 2 monochrome
        bytes[qsizetype(kMosaic + 10)] = 42; // camera ID
        bytes[qsizetype(kMosaic + 11)] = 3; // 125 frames per second
        const char date[6] = { 0x05, 0x04, 0x03, 0x02, 0x01, 0x07 }; // 2007-01-02 03:04:05
        std::memcpy(bytes.data() + kMosaic + 33, date, 6);
        EXPECT_TRUE(writeFile(path(name), bytes));
        return bytes;
    }

    // What the raw pass makes of a BAY file: bottom-up rows of blue, green, red.
    static QByteArray rawPass(const QByteArray& file, bool color = true)
    {
        QByteArray dib(qsizetype(kMosaic * 3), '\0');
        InterpolateBayerRaw(
            BayerMosaic(reinterpret_cast<const uint8_t*>(file.constData()), kBayWidth, kBayHeight), color,
            reinterpret_cast<uint8_t*>(dib.data()));
        return dib;
    }

    static QByteArray topDown(const QByteArray& dib)
    {
        const qsizetype row = kBayWidth * 3;
        QByteArray rows;
        for (qsizetype y = kBayHeight - 1; y >= 0; --y)
            rows += dib.mid(y * row, row);
        return rows;
    }

    // Pixel data of a BMP file as stored (bottom-up rows).
    static QByteArray bmpPixels(const QByteArray& bmp)
    {
        if (bmp.size() < 54)
            return {};
        uint32_t offset = 0;
        std::memcpy(&offset, bmp.constData() + 10, 4);
        return bmp.mid(offset);
    }

    static QJsonObject info(const QString& file)
    {
        const RunResult run = runCli({ "info", file });
        EXPECT_EQ(run.exit_code, 0) << run.err.constData();
        return parseJson(run.out);
    }

    QTemporaryDir dir_;
};

TEST_F(CliSequenceTest, TiffSequenceIsOneClipNumberedFromTheLowestFile)
{
    writeTiff("shot7.tif", 70);
    writeTiff("shot8.tif", 80);
    const std::vector<uint8_t> shot10 = writeTiff("shot10.tif", 100);

    const QJsonObject facts = info(path("shot8.tif"));
    EXPECT_EQ(facts.value("frames").toInt(), 3);
    EXPECT_EQ(facts.value("first_number").toInt(), 7);
    EXPECT_EQ(facts.value("last_number").toInt(), 9);
    EXPECT_EQ(facts.value("width").toInt(), int(kTifWidth));
    EXPECT_EQ(facts.value("height").toInt(), int(kTifHeight));
    EXPECT_EQ(facts.value("bits_per_pixel").toInt(), 8);
    EXPECT_EQ(descriptorValue(facts, "Camera", "Camera Type"), "HG Model 2000 Color (tif)");
    EXPECT_EQ(descriptorValue(facts, "Camera", "Camera ID"), "7");
    EXPECT_EQ(descriptorValue(facts, "Camera", "Session ID"), "3");
    EXPECT_EQ(descriptorValue(facts, "Camera", "Recording Rate"), "500");
    EXPECT_EQ(descriptorValue(facts, "Camera", "Exposure Setting"), "1 mS");
    EXPECT_FALSE(descriptorValue(facts, "Camera", "Date and Time").empty());
    EXPECT_EQ(descriptorValue(facts, "Timing", "Frame Rate"), "500");
    EXPECT_EQ(facts.value("frame_period_ms").toDouble(), 2.0);
    EXPECT_EQ(facts.value("first_frame_time_ms").toDouble(), 0.0);

    // Frame 2 is shot10.tif as stored: 8-bit grey with a grey colour table.
    for (const char* option : { "", "--raw" }) {
        SCOPED_TRACE(option);
        QStringList args { "frame", path("shot7.tif"), "2", path("f2.bmp") };
        if (*option)
            args << option;
        const RunResult run = runCli(args);
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        const QImage image(path("f2.bmp"));
        ASSERT_EQ(image.format(), QImage::Format_Indexed8);
        for (uint32_t y = 0; y < kTifHeight; ++y)
            for (uint32_t x = 0; x < kTifWidth; ++x) {
                const int index = image.pixelIndex(int(x), int(y));
                EXPECT_EQ(index, shot10[y * kTifWidth + x]);
                EXPECT_EQ(image.color(index), qRgb(index, index, index));
            }
    }

    // Frame numbers choose the files; the saved TIFF files hold the pixels libtiff reads back.
    RunResult run = runCli(
        { "convert", path("shot8.tif"), path("out"), "--type", "tif", "--first", "8", "--last", "9" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QStringList saved = QDir(path("out")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(saved.size(), 2);
    EXPECT_EQ(tif_test::ReadWithLibtiff(path("out/" + saved[1]).toStdString()), shot10);

    run = runCli({ "convert", path("shot8.tif"), path("clip.avi"), "--type", "avi" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QJsonObject clip = info(path("clip.avi"));
    EXPECT_EQ(clip.value("frames").toInt(), 3);
    EXPECT_EQ(descriptorValue(clip, "Camera", "Camera Type"), "HG Model 2000 Color (tif)");
    EXPECT_EQ(descriptorValue(clip, "Timing", "Frame Rate"), "500");
    EXPECT_EQ(clip.value("first_frame_time_ms").toDouble(), 0.0);

    run = runCli({ "convert", path("shot8.tif"), path("none.avi"), "--type", "avi", "--first", "6" });
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(
        lastLine(run.err), "framewright-cli: Frame number 6 is out of range: the sequence has frames 7 to 9");
    EXPECT_FALSE(QFileInfo::exists(path("none.avi")));
}

TEST_F(CliSequenceTest, QuestionsOfTheWindowsAreAnsweredOnStandardError)
{
    writeTiff("a1.tif", 1, -1);
    writeTiff("a2.tif", 2, -1);
    writeTiff("notes.tif", 3, -1);
    const RunResult run = runCli({ "info", path("a2.tif") });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(run.err.contains("Imager Descriptor Block Missing or Invalid")) << run.err.constData();
    EXPECT_TRUE(run.err.contains("File name \"notes\" cannot be numerically sorted.")) << run.err.constData();
    const QJsonObject facts = parseJson(run.out);
    // The unsortable name is kept with key 0: first, before a1; numbers run from a1's.
    EXPECT_EQ(facts.value("frames").toInt(), 3);
    EXPECT_EQ(facts.value("first_number").toInt(), 1);
    EXPECT_EQ(facts.value("last_number").toInt(), 3);
    EXPECT_EQ(descriptorValue(facts, "Timing", "Frame Rate"), "1000");
    EXPECT_EQ(facts.value("frame_period_ms").toDouble(), 1.0);

    QDir().mkpath(path("bay"));
    writeBay("bay/F00001.bay", 1);
    writeBay("bay/take.bay", 2);
    const RunResult bay = runCli({ "info", path("bay/F00001.bay") });
    ASSERT_EQ(bay.exit_code, 0) << bay.err.constData();
    EXPECT_TRUE(bay.err.contains("\"take\" cannot be numerically sorted")) << bay.err.constData();
    EXPECT_EQ(parseJson(bay.out).value("frames").toInt(), 2);
}

TEST_F(CliSequenceTest, BaySequenceRunsFromBeforeTheTrigger)
{
    const QByteArray files[] = { writeBay("F-0001.bay", 1), writeBay("F00000.bay", 2),
        writeBay("F00002.bay", 3), writeBay("F00010.bay", 4) };

    const QJsonObject facts = info(path("F00002.bay"));
    EXPECT_EQ(facts.value("frames").toInt(), 4);
    EXPECT_EQ(facts.value("first_number").toInt(), -1);
    EXPECT_EQ(facts.value("last_number").toInt(), 2);
    EXPECT_EQ(facts.value("width").toInt(), kBayWidth);
    EXPECT_EQ(facts.value("height").toInt(), kBayHeight);
    EXPECT_EQ(facts.value("bits_per_pixel").toInt(), 24);
    EXPECT_EQ(descriptorValue(facts, "Camera", "Camera Type"), "HG Color");
    EXPECT_EQ(descriptorValue(facts, "Camera", "Camera ID"), "42");
    EXPECT_EQ(descriptorValue(facts, "Camera", "Recording Rate"), "125");
    EXPECT_EQ(descriptorValue(facts, "Timing", "Frame Rate"), "125");
    EXPECT_EQ(facts.value("frame_period_ms").toDouble(), 8.0);
    EXPECT_EQ(facts.value("first_frame_time_ms").toDouble(), 0.0);

    // Frames in the order of their numbers, interpolated by the raw pass and nothing more.
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const RunResult run = runCli({ "frame", path("F00000.bay"), QString::number(i), path("f.bmp") });
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        EXPECT_TRUE(bmpPixels(readFile(path("f.bmp"))) == rawPass(files[i]));
    }

    RunResult run
        = runCli({ "convert", path("F00000.bay"), path("all.avi"), "--type", "avi", "--first", "-1" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    QByteArray expected;
    for (const QByteArray& file : files)
        expected += topDown(rawPass(file));
    EXPECT_TRUE(ffmpegAllBgr(path("all.avi")) == expected);
    const QJsonObject clip = info(path("all.avi"));
    EXPECT_EQ(descriptorValue(clip, "Camera", "Camera Type"), "HG Color");
    EXPECT_EQ(descriptorValue(clip, "Camera", "Camera ID"), "42");
    EXPECT_EQ(descriptorValue(clip, "Timing", "Frame Rate"), "125");

    // Every second frame from the trigger: the saved rate is the recording rate over the step.
    run = runCli(
        { "convert", path("F00000.bay"), path("step.avi"), "--type", "avi", "--first", "0", "--step", "2" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(ffmpegAllBgr(path("step.avi")) == topDown(rawPass(files[1])) + topDown(rawPass(files[3])));
    EXPECT_EQ(descriptorValue(info(path("step.avi")), "Timing", "Frame Rate"), "62.5");

    // A settings file processes the frame as the preview does: frame and convert alike.
    ASSERT_TRUE(
        writeFile(path("bright.ips"), "[Scaling]\r\nTrackMax=500\r\n[TrackBars]\r\nBrightness=400\r\n"));
    run = runCli({ "frame", path("F00000.bay"), "1", path("p.bmp"), "--settings", path("bright.ips") });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QByteArray processed = bmpPixels(readFile(path("p.bmp")));
    EXPECT_EQ(processed.size(), rawPass(files[1]).size());
    EXPECT_FALSE(processed == rawPass(files[1]));
    run = runCli({ "convert", path("F00000.bay"), path("p.avi"), "--type", "avi", "--first", "0", "--last",
        "0", "--settings", path("bright.ips") });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(ffmpegAllBgr(path("p.avi")) == topDown(processed));

    // The light source of the file is the preview's too: another light, other colours.
    ASSERT_TRUE(writeFile(path("daylight.ips"),
        "[Scaling]\r\nTrackMax=500\r\n[TrackBars]\r\nBrightness=400\r\n[ComboBoxes]\r\nColorTemp=None\r\n"));
    run = runCli({ "frame", path("F00000.bay"), "1", path("d.bmp"), "--settings", path("daylight.ips") });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_FALSE(bmpPixels(readFile(path("d.bmp"))) == processed);
}

// A colour TIFF frame comes as stored, 24-bit; a monochrome imager's BAY mosaic spread as grey.
TEST_F(CliSequenceTest, OtherFramesComeAsStored)
{
    tif_test::Layout layout;
    layout.width = 8;
    layout.height = 5;
    const std::vector<uint8_t> rgb = tif_test::TestSamples(8 * 5 * 3);
    QDir().mkpath(path("rgb"));
    ASSERT_TRUE(tif_test::WriteWithLibtiff(path("rgb/c1.tif").toStdString(), layout, rgb));
    RunResult run = runCli({ "frame", path("rgb/c1.tif"), "0", path("c.png") });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(run.err.contains("Imager Descriptor Block Missing or Invalid"));
    const QImage colour(path("c.png"));
    ASSERT_EQ(colour.depth(), 32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            const size_t at = size_t(y * 8 + x) * 3;
            EXPECT_EQ(colour.pixel(x, y), qRgb(rgb[at], rgb[at + 1], rgb[at + 2]));
        }

    QDir().mkpath(path("mono"));
    const QByteArray mono = writeBay("mono/M00001.bay", 9, kBayMonochromeCameraCode);
    run = runCli({ "frame", path("mono/M00001.bay"), "0", path("m.bmp") });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_TRUE(bmpPixels(readFile(path("m.bmp"))) == rawPass(mono, false));
    EXPECT_FALSE(rawPass(mono, false) == rawPass(mono, true));
}

TEST_F(CliSequenceTest, BayFilesKeepNamesPixelsAndCameraAndGainTheProcessingBlock)
{
    const QByteArray files[] = { writeBay("F-0001.bay", 1), writeBay("F00000.bay", 2),
        writeBay("F00002.bay", 3), writeBay("F00010.bay", 4) };
    const RunResult run = runCli(
        { "convert", path("F00002.bay"), path("saved"), "--type", "bay", "--first", "-1", "--step", "2" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    EXPECT_EQ(
        QDir(path("saved")).entryList(QDir::Files, QDir::Name), QStringList({ "F-0001.bay", "F00002.bay" }));

    const QByteArray sources[] = { files[0], files[2] };
    const QString names[] = { "F-0001.bay", "F00002.bay" };
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const QByteArray saved = readFile(path("saved/" + names[i]));
        ASSERT_EQ(saved.size(), sources[i].size());
        // Mosaic and camera facts as they were.
        EXPECT_TRUE(saved.left(qsizetype(kMosaic + kBayTitlesOffset))
            == sources[i].left(qsizetype(kMosaic + kBayTitlesOffset)));
        const std::optional<BayRecord> record
            = ParseBayRecord(reinterpret_cast<const uint8_t*>(saved.constData()) + kMosaic, kBayRecordBytes);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->Word(BayWord::Magic), kBayProcessingMagic);
        EXPECT_EQ(saved.mid(qsizetype(kMosaic + kBayProcessingOffset), 2), QByteArray("FW"));
        // Step 2 at 125 frames per second: 16 ms from one saved frame to the next.
        EXPECT_EQ(BayFrameTimeMs(record->Word(BayWord::TimeSeconds), record->Word(BayWord::TimeMilliseconds),
                      record->Word(BayWord::TimeMicroseconds)),
            16.0 * i);
    }

    const RunResult tif = runCli({ "convert", path("shot1.tif"), path("x"), "--type", "bay" });
    EXPECT_EQ(tif.exit_code, 2);
}

TEST_F(CliSequenceTest, FilesThatCannotBeReadFailWithTheirMessage)
{
    tif_test::Layout layout;
    layout.width = 16;
    layout.height = 16;
    layout.compression = COMPRESSION_JPEG;
    layout.rows_per_strip = 16;
    QDir().mkpath(path("jpeg"));
    ASSERT_TRUE(tif_test::WriteWithLibtiff(
        path("jpeg/j1.tif").toStdString(), layout, std::vector<uint8_t>(16 * 16 * 3, 100)));
    QDir().mkpath(path("text"));
    ASSERT_TRUE(writeFile(path("text/t1.tif"), "plain text, no picture"));
    ASSERT_TRUE(writeFile(path("small.bay"), QByteArray(5000, 'x')));

    struct Case {
        QStringList args;
        QByteArray message;
    };
    const Case cases[] = {
        { { "info", path("jpeg/j1.tif") }, "Unsupported Compression Flavor: 7" },
        { { "frame", path("text/t1.tif"), "0", path("f.png") }, "t1.tif; Not a TIFF Image File" },
        { { "info", path("small.bay") }, "size is invalid for a BAY file." },
        { { "convert", path("small.bay"), path("out"), "--type", "bay" }, "size is invalid for a BAY file." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const RunResult run = runCli(c.args);
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_TRUE(lastLine(run.err).startsWith("framewright-cli: ")) << run.err.constData();
        EXPECT_TRUE(lastLine(run.err).contains(c.message)) << run.err.constData();
        EXPECT_EQ(run.out, QByteArray());
    }
    EXPECT_FALSE(QFileInfo::exists(path("f.png")));
    EXPECT_FALSE(QFileInfo::exists(path("out")));
}

// A frame that cannot be read half-way aborts the conversion, and nothing it made is left.
TEST_F(CliSequenceTest, AFailedConversionLeavesNothingBehind)
{
    QDir().mkpath(path("bay"));
    writeBay("bay/F00001.bay", 1);
    writeBay("bay/F00002.bay", 2);
    ASSERT_TRUE(writeFile(path("bay/F00003.bay"), QByteArray(100, 'x')));
    QDir().mkpath(path("tif"));
    writeTiff("tif/s1.tif", 1);
    ASSERT_TRUE(writeFile(path("tif/s2.tif"), "plain text, no picture"));
    QDir().mkpath(path("kept"));
    ASSERT_TRUE(writeFile(path("kept/own.txt"), "mine"));

    const QList<QStringList> cases = {
        { "convert", path("bay/F00001.bay"), path("out.avi"), "--type", "avi" },
        { "convert", path("bay/F00001.bay"), path("out"), "--type", "bay" },
        { "convert", path("bay/F00001.bay"), path("kept"), "--type", "bay" },
        { "convert", path("bay/F00001.bay"), path("kept"), "--type", "bmp" },
        { "convert", path("tif/s1.tif"), path("out"), "--type", "tif" },
        { "convert", path("tif/s1.tif"), path("out.avi"), "--type", "avi" },
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const RunResult run = runCli(args);
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_TRUE(lastLine(run.err).startsWith("framewright-cli: ")) << run.err.constData();
        EXPECT_TRUE(lastLine(run.err).contains("F00003.bay") || lastLine(run.err).contains("s2.tif"))
            << run.err.constData();
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList({ "bay", "kept", "tif" }));
        EXPECT_EQ(QDir(path("kept")).entryList(QDir::Files), QStringList({ "own.txt" }));
    }
}

} // namespace
} // namespace fw::e2e
