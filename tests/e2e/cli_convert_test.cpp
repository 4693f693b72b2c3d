// End-to-end tests of framewright-cli convert on clips made by the ffmpeg command.

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include "cli_runner.h"

namespace fw::e2e {
namespace {

constexpr int kFrames = 30;

QJsonObject infoOf(const QString& clip)
{
    const RunResult run = runCli({ "info", clip });
    EXPECT_EQ(run.exit_code, 0) << run.err.constData();
    return parseJson(run.out);
}

// Frames ffprobe counts by decoding, and the codec it names.
struct Probe {
    int frames = -1;
    QString codec;
};

Probe probe(const QString& clip)
{
    const RunResult run = runProgram(QStringLiteral("ffprobe"),
        { "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
            "stream=codec_name,nb_read_frames", "-of", "default=noprint_wrappers=1", clip });
    Probe result;
    for (const QByteArray& line : run.out.split('\n')) {
        if (line.startsWith("codec_name="))
            result.codec = QString::fromUtf8(line.mid(11));
        else if (line.startsWith("nb_read_frames="))
            result.frames = line.mid(15).toInt();
    }
    return result;
}

// The tone tables a conversion without settings applies: gains and gamma 1, white 255 and the
// black levels red 15, green 10, blue 0.
int expectedTone(int value, int black)
{
    const double entry = std::trunc((value - black) * 255.0 / (255 - black));
    return int(std::clamp(entry, 0.0, 255.0));
}

class CliConvertTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        source_ = dir_.filePath("source.avi");
        ASSERT_TRUE(makeClip(source_, { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, kFrames));
        for (const auto& [name, value] :
            { std::pair { "Frame Rate", "2000" }, { "Mark Frame", "5" }, { "Time at Mark Frame", "0" } })
            ASSERT_EQ(runCli({ "descriptor", "set", source_, "Timing", name, value }).exit_code, 0);
    }

    QStringList entries() const
    {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir dir_;
    QString source_;
};

TEST_F(CliConvertTest, ClipTypesSaveTheRangeAtTheStepWithTheirSourceTimes)
{
    for (const char* type : { "avi", "kfs" }) {
        SCOPED_TRACE(type);
        const QString target = dir_.filePath(QStringLiteral("out.") + type);
        const RunResult run = runCli(
            { "convert", source_, target, "--type", type, "--first", "10", "--last", "25", "--step", "3" });
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();

        // Source frames 10, 13, ... 25.
        const Probe probed = probe(target);
        EXPECT_EQ(probed.frames, 6);
        EXPECT_EQ(probed.codec, "rawvideo");
        const QJsonObject info = infoOf(target);
        EXPECT_EQ(info["frames"].toInt(), 6);
        EXPECT_EQ(info["width"].toInt(), 64);
        EXPECT_EQ(info["height"].toInt(), 48);
        // At 2000 frames per second with frame 5 at 0 ms, source frame 10 lies at 2.5 ms.
        EXPECT_DOUBLE_EQ(info["frame_period_ms"].toDouble(), 1.5);
        EXPECT_DOUBLE_EQ(info["first_frame_time_ms"].toDouble(), 2.5);

        // Saved frame 2 is source frame 16, as read.
        const QByteArray saved = ffmpegFrameBgr(target, 2);
        ASSERT_EQ(saved.size(), 64 * 48 * 3);
        EXPECT_EQ(saved, ffmpegFrameBgr(source_, 16));
    }
    EXPECT_EQ(entries(), QStringList({ "out.avi", "out.kfs", "source.avi" }));
}

TEST_F(CliConvertTest, CompressorAndClipWithoutDescriptor)
{
    const QString plain = dir_.filePath("plain.avi");
    ASSERT_TRUE(makeClip(plain, { "-c:v", "mjpeg" }, 12));
    const QString target = dir_.filePath("mjpeg.avi");
    const RunResult run
        = runCli({ "convert", plain, target, "--type", "avi", "--compressor", "MJPG", "--step", "2" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const Probe probed = probe(target);
    EXPECT_EQ(probed.codec, "mjpeg");
    EXPECT_EQ(probed.frames, 6);
    // Without a descriptor block the source runs at 1000 frames per second.
    const QJsonObject info = infoOf(target);
    EXPECT_DOUBLE_EQ(info["frame_period_ms"].toDouble(), 2.0);
    EXPECT_DOUBLE_EQ(info["first_frame_time_ms"].toDouble(), 0.0);
}

TEST_F(CliConvertTest, DirectoryTypesWriteNumberedFrameFiles)
{
    const struct {
        const char* type;
        const char* extension;
    } kinds[] = { { "bmp", "bmp" }, { "gif", "gif" }, { "jpeg", "jpg" }, { "tif", "tif" } };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.type);
        const QString folder = dir_.filePath(QStringLiteral("frames-") + kind.type);
        const RunResult run
            = runCli({ "convert", source_, folder, "--type", kind.type, "--first", "4", "--last", "7" });
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        QStringList expected;
        for (int i = 0; i < 4; ++i)
            expected << QStringLiteral("F%1.%2").arg(i, 7, 10, QLatin1Char('0')).arg(kind.extension);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), expected);
        const QImage first(QDir(folder).filePath(expected[0]));
        if (!first.isNull()) {
            EXPECT_EQ(first.width(), 64);
            EXPECT_EQ(first.height(), 48);
        }
    }
    // An existing folder takes the new files beside its own.
    const QString folder = dir_.filePath("frames-bmp");
    ASSERT_TRUE(writeFile(QDir(folder).filePath("notes.txt"), "kept"));
    ASSERT_EQ(runCli({ "convert", source_, folder, "--type", "bmp", "--last", "5" }).exit_code, 0);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 7);
    EXPECT_EQ(readFile(QDir(folder).filePath("notes.txt")), "kept");
    EXPECT_FALSE(entries().join(' ').contains(".frames"));
}

TEST_F(CliConvertTest, SettingsFileCropsGreyClipsOnly)
{
    const QString settings = dir_.filePath("crop.ips");
    ASSERT_TRUE(writeFile(settings,
        "[Scaling]\r\nTrackMax=500\r\n[TrackBars]\r\nCropWidth=16\r\nCropLeft=8\r\nCropHeight=12\r\n"
        "CropTop=4\r\n[CheckBoxes]\r\nCroppingCB=1\r\n"));
    const QString grey = dir_.filePath("grey.avi");
    ASSERT_TRUE(makeClip(grey, { "-c:v", "rawvideo", "-pix_fmt", "gray" }, 6));
    const QString cropped = dir_.filePath("cropped.avi");
    ASSERT_EQ(runCli({ "convert", grey, cropped, "--type", "avi", "--settings", settings }).exit_code, 0);
    const QJsonObject info = infoOf(cropped);
    EXPECT_EQ(info["width"].toInt(), 16);
    EXPECT_EQ(info["height"].toInt(), 12);
    EXPECT_EQ(info["bits_per_pixel"].toInt(), 8);

    // Grey pictures go through the green table.
    const QByteArray saved = ffmpegFrameBgr(cropped, 3);
    const QByteArray original = ffmpegFrameBgr(grey, 3);
    ASSERT_EQ(saved.size(), 16 * 12 * 3);
    ASSERT_EQ(original.size(), 64 * 48 * 3);
    int worst = 0;
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x) {
            const int source = uint8_t(original[((4 + y) * 64 + 8 + x) * 3]);
            worst = std::max(worst, std::abs(uint8_t(saved[(y * 16 + x) * 3]) - expectedTone(source, 10)));
        }
    }
    EXPECT_LE(worst, 1);

    // Colour pictures are saved whole.
    const QString colour = dir_.filePath("colour.avi");
    ASSERT_EQ(runCli({ "convert", source_, colour, "--type", "avi", "--settings", settings }).exit_code, 0);
    EXPECT_EQ(infoOf(colour)["width"].toInt(), 64);
}

// A settings file holds the preview's bar positions: the centre of each bar is no change to
// what the preview shows, which is its tone tables; a sharpened file shows more. Without a
// file, frames are saved as read.
TEST_F(CliConvertTest, SettingsFileBarsMeanWhatThePreviewShows)
{
    const QString centred = dir_.filePath("centred.ips");
    ASSERT_TRUE(writeFile(centred,
        "[Scaling]\r\nTrackMax=500\r\n[TrackBars]\r\nBrightness=250\r\nGamma=250\r\nSharpness=250\r\n"
        "Red=250\r\nGreen=250\r\nBlue=250\r\n[ComboBoxes]\r\nFilter=Linear\r\n"));
    const QString sharpened = dir_.filePath("sharpened.ips");
    ASSERT_TRUE(writeFile(sharpened,
        "[Scaling]\r\nTrackMax=500\r\n[TrackBars]\r\nSharpness=400\r\n[ComboBoxes]\r\nFilter=Linear\r\n"));
    const QString plain = dir_.filePath("plain.avi");
    const QString with_centred = dir_.filePath("with_centred.avi");
    const QString with_sharpened = dir_.filePath("with_sharpened.avi");
    ASSERT_EQ(runCli({ "convert", source_, plain, "--type", "avi" }).exit_code, 0);
    ASSERT_EQ(
        runCli({ "convert", source_, with_centred, "--type", "avi", "--settings", centred }).exit_code, 0);
    ASSERT_EQ(
        runCli({ "convert", source_, with_sharpened, "--type", "avi", "--settings", sharpened }).exit_code,
        0);
    const QByteArray original = ffmpegFrameBgr(source_, 2);
    EXPECT_EQ(ffmpegFrameBgr(plain, 2), original);

    const QByteArray toned = ffmpegFrameBgr(with_centred, 2);
    ASSERT_EQ(toned.size(), original.size());
    int worst = 0;
    const int black[3] = { 0, 10, 15 }; // blue, green, red
    for (int i = 0; i < toned.size(); ++i)
        worst
            = std::max(worst, std::abs(uint8_t(toned[i]) - expectedTone(uint8_t(original[i]), black[i % 3])));
    EXPECT_LE(worst, 1);
    EXPECT_NE(ffmpegFrameBgr(with_sharpened, 2), toned);
}

// Bits per pixel of a bitmap file.
int bitmapBits(const QByteArray& bmp)
{
    return bmp.size() < 30 ? 0 : uint8_t(bmp[28]) | uint8_t(bmp[29]) << 8;
}

// Pictures of 8-bit clips with a colour palette are saved as the colours of the palette; grey
// clips stay grey, down to 8-bit palette frame files.
TEST_F(CliConvertTest, PaletteClipsConvertThroughTheirColours)
{
    const QString palette = dir_.filePath("palette.avi");
    ASSERT_TRUE(makeClip(palette, { "-c:v", "rawvideo", "-pix_fmt", "pal8" }, 6));
    const QString target = dir_.filePath("colour.avi");
    const RunResult run
        = runCli({ "convert", palette, target, "--type", "avi", "--first", "1", "--last", "4" });
    ASSERT_EQ(run.exit_code, 0) << run.err.constData();
    const QJsonObject info = infoOf(target);
    EXPECT_EQ(info["frames"].toInt(), 4);
    EXPECT_EQ(info["bits_per_pixel"].toInt(), 24);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const QByteArray saved = ffmpegFrameBgr(target, i);
        ASSERT_EQ(saved.size(), 64 * 48 * 3);
        EXPECT_EQ(saved, ffmpegFrameBgr(palette, 1 + i));
    }

    const QString colour_frames = dir_.filePath("colour-frames");
    ASSERT_EQ(runCli({ "convert", palette, colour_frames, "--type", "bmp", "--last", "1" }).exit_code, 0);
    EXPECT_EQ(bitmapBits(readFile(QDir(colour_frames).filePath("F0000001.bmp"))), 24);

    const QString grey = dir_.filePath("grey.avi");
    ASSERT_TRUE(makeClip(grey, { "-c:v", "rawvideo", "-pix_fmt", "gray" }, 3));
    const QString grey_frames = dir_.filePath("grey-frames");
    ASSERT_EQ(runCli({ "convert", grey, grey_frames, "--type", "bmp" }).exit_code, 0);
    const QByteArray bmp = readFile(QDir(grey_frames).filePath("F0000002.bmp"));
    EXPECT_EQ(bitmapBits(bmp), 8);
    const QImage picture = QImage::fromData(bmp);
    EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_TRUE(picture.allGray());
}

TEST_F(CliConvertTest, FailuresLeaveNothingBehindAndTargetsUntouched)
{
    const QString target = dir_.filePath("target.avi");
    ASSERT_TRUE(writeFile(target, "old clip"));
    const QStringList before = entries();

    const struct {
        QStringList args;
        int exit_code;
    } cases[] = {
        { { "convert", dir_.filePath("missing.avi"), target, "--type", "avi" }, 1 },
        { { "convert", source_, target, "--type", "avi", "--last", "30" }, 1 },
        { { "convert", source_, target, "--type", "avi", "--settings", dir_.filePath("none.ips") }, 1 },
        { { "convert", target, dir_.filePath("new.avi"), "--type", "avi" }, 1 },
        { { "convert", source_, dir_.filePath("target.avi/x"), "--type", "avi" }, 1 },
        { { "convert", source_, target, "--type", "mov" }, 2 },
        { { "convert", source_, target, "--type", "avi", "--step", "0" }, 2 },
        { { "convert", source_, target, "--type", "avi", "--first", "9", "--last", "3" }, 2 },
        { { "convert", source_, "--type", "avi" }, 2 },
        { { "convert", source_, target, "--type", "avi", "--quality", "much" }, 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const RunResult run = runCli(c.args);
        EXPECT_EQ(run.exit_code, c.exit_code);
        EXPECT_TRUE(lastLine(run.err).startsWith("framewright-cli: ")) << run.err.constData();
        EXPECT_EQ(readFile(target), "old clip");
        EXPECT_EQ(entries(), before);
    }
}

TEST_F(CliConvertTest, ReplacesAnExistingTargetOnlyWhenComplete)
{
    const QString target = dir_.filePath("target.kfs");
    ASSERT_TRUE(writeFile(target, "old clip"));
    ASSERT_EQ(runCli({ "convert", source_, target, "--type", "kfs", "--last", "2" }).exit_code, 0);
    EXPECT_EQ(infoOf(target)["frames"].toInt(), 3);
    EXPECT_EQ(entries(), QStringList({ "source.avi", "target.kfs" }));
}

} // namespace
} // namespace fw::e2e
