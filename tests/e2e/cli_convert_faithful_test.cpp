// framewright-cli convert without a settings file: frames go out as read, checked against
// ffmpeg's own decoding of the source clip and of the files written.

#include <algorithm>
#include <ostream>

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "cli_runner.h"

namespace fw::e2e {
namespace {

constexpr int kFrames = 24;
constexpr qsizetype kFrameBytes = 64 * 48 * 3;

struct SourceKind {
    const char* name;
    QStringList codec_args;
    int bits; // of the converted clip
    int tolerance; // ffmpeg's own YUV to RGB conversion may round differently from ours
};

const SourceKind kSources[] = {
    { "raw24", { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, 24, 0 },
    { "palette", { "-c:v", "rawvideo", "-pix_fmt", "pal8" }, 24, 0 },
    { "grey", { "-c:v", "rawvideo", "-pix_fmt", "gray" }, 8, 0 },
    { "utvideo420", { "-c:v", "utvideo", "-pix_fmt", "yuv420p" }, 24, 2 },
    { "huffyuv422", { "-c:v", "huffyuv", "-pix_fmt", "yuv422p" }, 24, 2 },
    { "mjpeg", { "-c:v", "mjpeg", "-q:v", "3" }, 24, 2 },
};

void PrintTo(const SourceKind& kind, std::ostream* out)
{
    *out << kind.name;
}

// Source frames first, first + step, ... up to last, from ffmpeg's decoding of the whole clip.
QByteArray selectFrames(const QByteArray& all, int first, int last, int step)
{
    QByteArray selected;
    for (int i = first; i <= last; i += step)
        selected += all.mid(i * kFrameBytes, kFrameBytes);
    return selected;
}

QString ffprobeField(const QString& path, const char* field)
{
    const RunResult run = runProgram(QStringLiteral("ffprobe"),
        { "-v", "error", "-select_streams", "v:0", "-show_entries", QStringLiteral("stream=") + field, "-of",
            "default=noprint_wrappers=1:nokey=1", path });
    return QString::fromUtf8(run.out).trimmed();
}

class CliFaithfulTest : public ::testing::TestWithParam<SourceKind> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        source_ = dir_.filePath("source.avi");
        ASSERT_TRUE(makeClip(source_, GetParam().codec_args, kFrames)) << "ffmpeg could not make the clip";
        decoded_ = ffmpegAllBgr(source_);
        ASSERT_EQ(decoded_.size(), kFrames * kFrameBytes);
    }

    QTemporaryDir dir_;
    QString source_;
    QByteArray decoded_;
};

TEST_P(CliFaithfulTest, UncompressedClipHoldsTheFramesAsRead)
{
    const SourceKind& kind = GetParam();
    const struct {
        QStringList range;
        int first, last, step;
    } ranges[] = {
        { {}, 0, kFrames - 1, 1 },
        { { "--first", "3", "--last", "20", "--step", "4" }, 3, 19, 4 },
    };
    for (const auto& range : ranges) {
        SCOPED_TRACE(range.range.join(' ').toStdString());
        const QString target = dir_.filePath("out.avi");
        const RunResult run
            = runCli(QStringList { "convert", source_, target, "--type", "avi" } + range.range);
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        const QByteArray expected = selectFrames(decoded_, range.first, range.last, range.step);
        const QByteArray saved = ffmpegAllBgr(target);
        if (kind.tolerance == 0)
            EXPECT_TRUE(saved == expected) << "the frames differ from the source's";
        else
            EXPECT_LE(maxDifference(saved, expected), kind.tolerance);
        EXPECT_EQ(ffprobeField(target, "codec_name"), "rawvideo");
        EXPECT_EQ(parseJson(runCli({ "info", target }).out)["bits_per_pixel"].toInt(), kind.bits);
    }
}

// BMP, TIFF and GIF files of frames with 256 colours or fewer hold exactly the source's pixels
// (palette frames come as 24-bit frames of few colours); 8-bit grey frames stay 8-bit pictures.
class CliFaithfulFilesTest : public CliFaithfulTest { };

TEST_P(CliFaithfulFilesTest, FrameFilesHoldTheFramesAsRead)
{
    const SourceKind& kind = GetParam();
    const bool few_colours = kind.bits == 8 || QString::fromLatin1(kind.name) == QLatin1String("palette");
    for (const char* type : { "bmp", "tif", "gif" }) {
        if (QLatin1String(type) == QLatin1String("gif") && !few_colours)
            continue;
        SCOPED_TRACE(type);
        const QString folder = dir_.filePath(QStringLiteral("frames-") + type);
        const RunResult run = runCli(
            { "convert", source_, folder, "--type", type, "--first", "5", "--last", "11", "--step", "3" });
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        const QStringList files = QDir(folder).entryList(QDir::Files);
        ASSERT_EQ(files.size(), 3);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(files[i].toStdString());
            const QString file = QDir(folder).filePath(files[i]);
            EXPECT_TRUE(ffmpegAllBgr(file) == decoded_.mid((5 + 3 * i) * kFrameBytes, kFrameBytes))
                << "the frame file differs from the source frame";
            // GIF pictures are palette pictures whatever their source; ffmpeg shows them as bgra.
            if (kind.bits == 8 && QLatin1String(type) != QLatin1String("gif")) {
                const QString format = ffprobeField(file, "pix_fmt");
                EXPECT_TRUE(format == "gray" || format == "pal8") << format.toStdString();
            }
        }
    }
}

const auto kSourceName = [](const auto& info) { return std::string(info.param.name); };
INSTANTIATE_TEST_SUITE_P(Sources, CliFaithfulTest, ::testing::ValuesIn(kSources), kSourceName);
// Sources stored without loss: raw 24-bit, palette and grey.
INSTANTIATE_TEST_SUITE_P(
    Sources, CliFaithfulFilesTest, ::testing::ValuesIn(kSources, kSources + 3), kSourceName);

} // namespace
} // namespace fw::e2e
