// End-to-end tests of framewright-cli on clips made by the ffmpeg command.

#include <cstring>
#include <ostream>

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "cli_runner.h"
#include "clips/avi_stream.h"
#include "clips/descriptor_block.h"
#include "clips/riff_file.h"

namespace fw::e2e {
namespace {

// A frame image written by the tool, as top-down blue-green-red rows.
struct Picture {
    int width = 0;
    int height = 0;
    int bits = 0;
    int colours = 0;
    QByteArray bgr;
};

uint32_t u32(const QByteArray& bytes, int offset)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.constData() + offset, 4);
    return value;
}

Picture decodeBmp(const QByteArray& file)
{
    Picture picture;
    if (file.size() < 54 || !file.startsWith("BM") || u32(file, 2) != uint32_t(file.size()))
        return picture;
    picture.width = int(u32(file, 18));
    picture.height = int(u32(file, 22));
    picture.bits = uint8_t(file[28]);
    picture.colours = int(u32(file, 46));
    const int bits_offset = int(u32(file, 10));
    const int row_bytes = ((picture.width * picture.bits / 8) + 3) & ~3;
    if (bits_offset != 54 + 4 * picture.colours || file.size() != bits_offset + row_bytes * picture.height)
        return {};
    for (int y = 0; y < picture.height; ++y) {
        const char* row = file.constData() + bits_offset + (picture.height - 1 - y) * row_bytes;
        for (int x = 0; x < picture.width; ++x) {
            if (picture.bits == 24) {
                picture.bgr.append(row + 3 * x, 3);
            } else {
                const int entry = 54 + 4 * uint8_t(row[x]);
                picture.bgr.append(file.constData() + entry, 3);
            }
        }
    }
    return picture;
}

Picture decodePng(const QByteArray& file)
{
    QImage image;
    Picture picture;
    if (!image.loadFromData(file, "PNG"))
        return picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.bits = image.format() == QImage::Format_Indexed8 ? 8 : 24;
    picture.colours = int(image.colorCount());
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const uchar* p = rgb.constScanLine(y) + 3 * x;
            picture.bgr.append(char(p[2])).append(char(p[1])).append(char(p[0]));
        }
    return picture;
}

struct ClipKind {
    const char* name;
    QStringList codec_args;
    int bits;
    const char* compressor; // null: not checked (uncompressed clips store no fixed code)
    int tolerance; // decoders may round YUV to RGB differently
};

const ClipKind kKinds[] = {
    { "raw24", { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, 24, nullptr, 0 },
    { "pal8", { "-c:v", "rawvideo", "-pix_fmt", "pal8" }, 8, nullptr, 0 },
    { "mjpeg", { "-c:v", "mjpeg", "-q:v", "3" }, 24, "MJPG", 6 },
};

// Test names and failure traces show the kind by name.
void PrintTo(const ClipKind& kind, std::ostream* out)
{
    *out << kind.name;
}

class CliTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    QString makeClipOrFail(const ClipKind& kind, const char* name = "x.avi")
    {
        const QString file = path(name);
        EXPECT_TRUE(makeClip(file, kind.codec_args)) << "ffmpeg could not make " << kind.name;
        return file;
    }

    QTemporaryDir dir_;
};

class CliClipKindTest : public CliTest, public ::testing::WithParamInterface<ClipKind> { };

TEST_P(CliClipKindTest, InfoReportsFactsAndDefaultTimeBase)
{
    const ClipKind& kind = GetParam();
    const QString clip = makeClipOrFail(kind);
    const RunResult run = runCli({ "info", clip });
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonObject info = parseJson(run.out);
    ASSERT_FALSE(info.isEmpty()) << "not one JSON object: " << run.out.toStdString();
    EXPECT_EQ(info["file"].toString(), clip);
    EXPECT_EQ(info["frames"].toInt(), 12);
    EXPECT_EQ(info["width"].toInt(), 64);
    EXPECT_EQ(info["height"].toInt(), 48);
    EXPECT_EQ(info["bits_per_pixel"].toInt(), kind.bits);
    EXPECT_EQ(info["compressor"].toString().size(), 4);
    if (kind.compressor) {
        EXPECT_EQ(info["compressor"].toString(), QString::fromLatin1(kind.compressor));
    }
    EXPECT_EQ(info["descriptor"].toString(), QString());
    EXPECT_EQ(info["frame_period_ms"].toDouble(), 1.0);
    EXPECT_EQ(info["first_frame_time_ms"].toDouble(), 0.0);
}

TEST_P(CliClipKindTest, FramesMatchFfmpegDecodingAsBmpAndPng)
{
    const ClipKind& kind = GetParam();
    const QString clip = makeClipOrFail(kind);
    for (const int index : { 0, 5, 11 }) {
        const QByteArray expected = ffmpegFrameBgr(clip, index);
        ASSERT_EQ(expected.size(), 64 * 48 * 3);
        for (const char* out_name : { "f.bmp", "f.PNG" }) {
            SCOPED_TRACE(std::string(out_name) + " of frame " + std::to_string(index));
            const QString out = path(out_name);
            const RunResult run = runCli({ "frame", clip, QString::number(index), out });
            ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
            const QByteArray bytes = readFile(out);
            const bool is_bmp = QFileInfo(out).suffix() == QStringLiteral("bmp");
            const Picture picture = is_bmp ? decodeBmp(bytes) : decodePng(bytes);
            EXPECT_EQ(picture.width, 64);
            EXPECT_EQ(picture.height, 48);
            EXPECT_EQ(picture.bits, kind.bits);
            if (kind.bits == 8) {
                EXPECT_GT(picture.colours, 0);
            }
            EXPECT_LE(maxDifference(picture.bgr, expected), kind.tolerance);
        }
    }
}

// Adding the chunk, then rewriting it in place, keeps every frame and the clip readable.
TEST_P(CliClipKindTest, DescriptorSetAddsChunkThenRewritesInPlace)
{
    const ClipKind& kind = GetParam();
    const QString clip = makeClipOrFail(kind);
    const QByteArray original = readFile(clip);
    const QByteArray frame_before = ffmpegFrameBgr(clip, 7);

    ASSERT_EQ(runCli({ "descriptor", "set", clip, "Timing", "Frame Rate", "2000" }).exit_code, 0);
    const QByteArray added = readFile(clip);
    EXPECT_EQ(added.size(), original.size() + 8 + kDescriptorChunkSize);
    const RunResult check
        = runProgram(QStringLiteral("ffmpeg"), { "-v", "error", "-i", clip, "-f", "null", "-" });
    EXPECT_EQ(check.exit_code, 0);
    EXPECT_EQ(check.err, QByteArray());
    EXPECT_EQ(ffmpegFrameBgr(clip, 7), frame_before);

    ASSERT_EQ(runCli({ "descriptor", "set", clip, "Timing", "Mark Frame", "10" }).exit_code, 0);
    ASSERT_EQ(runCli({ "descriptor", "set", clip, "Timing", "Time at Mark Frame", "-3.5" }).exit_code, 0);
    const QByteArray rewritten = readFile(clip);
    ASSERT_EQ(rewritten.size(), added.size());
    // Only the chunk's data may differ.
    const qsizetype data = added.indexOf("ttls") + 8;
    ASSERT_GT(data, 8);
    EXPECT_EQ(rewritten.left(data), added.left(data));
    EXPECT_EQ(rewritten.mid(data + kDescriptorChunkSize), added.mid(data + kDescriptorChunkSize));

    const RunResult get = runCli({ "descriptor", "get", clip });
    ASSERT_EQ(get.exit_code, 0);
    EXPECT_EQ(get.out, QByteArray("[Timing]\rFrame Rate=2000\rMark Frame=10\rTime at Mark Frame=-3.5\r\n"));
    const QJsonObject info = parseJson(runCli({ "info", clip }).out);
    EXPECT_EQ(info["frame_period_ms"].toDouble(), 0.5);
    EXPECT_EQ(info["first_frame_time_ms"].toDouble(), -8.5);
    EXPECT_EQ(info["frames"].toInt(), 12);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CliClipKindTest, ::testing::ValuesIn(kKinds),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliTest, InfoEscapesEveryByteOfTheBlockAsJson)
{
    const QString clip = makeClipOrFail(kKinds[0]);
    // Quotes, backslash, a control byte and a Latin-1 byte that is not valid UTF-8.
    const std::string block = "[Titles]\rTitle=say \"hi\" \\ now\x01\rImager Name=Caf\xE9\r";
    TAVISTREAM stream(QStringLiteral("AVI"));
    stream.Open(clip);
    stream.Close();
    const auto chunk = DescriptorChunkBytes(block);
    ASSERT_TRUE(stream.WriteData(kDescriptorChunkId, chunk.data(), kDescriptorChunkSize));

    const RunResult run = runCli({ "info", clip });
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    const QJsonObject info = parseJson(run.out);
    ASSERT_FALSE(info.isEmpty()) << run.out.toStdString();
    EXPECT_EQ(info["descriptor"].toString(), QString::fromLatin1(block.c_str()));
    EXPECT_TRUE(run.out.contains("\\r")) << "carriage returns are escaped";
    EXPECT_EQ(runCli({ "descriptor", "get", clip }).out, QByteArray::fromStdString(block + "\n"));
    // A block without [Timing] falls back to 1000 frames per second from time 0.
    EXPECT_EQ(info["frame_period_ms"].toDouble(), 1.0);
    EXPECT_EQ(info["first_frame_time_ms"].toDouble(), 0.0);
}

TEST_F(CliTest, UsageErrorsExitTwoWithUsageText)
{
    const QString clip = makeClipOrFail(kKinds[0]);
    const QList<QStringList> cases = {
        {},
        { "play", clip },
        { "info" },
        { "info", clip, clip },
        { "frame", clip, "1" },
        { "frame", clip, "one", path("o.bmp") },
        { "frame", clip, "1", path("o.gif") },
        { "descriptor" },
        { "descriptor", "put", clip },
        { "descriptor", "set", clip, "Timing", "Frame Rate" },
        { "descriptor", "set", clip, "", "Frame Rate", "1" },
        // Text that would break the block's structure.
        { "descriptor", "set", clip, "Titles", "Title", "two\rlines" },
        { "descriptor", "set", clip, "Titles", "Title", "a [bracket" },
        { "descriptor", "set", clip, "Titles", "A=B", "x" },
        { "descriptor", "set", clip, "Tit]les", "Title", "x" },
    };
    const QByteArray before = readFile(clip);
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const RunResult run = runCli(args);
        EXPECT_EQ(run.exit_code, 2);
        EXPECT_TRUE(run.err.contains("Usage:")) << run.err.toStdString();
        EXPECT_EQ(run.out, QByteArray());
    }
    EXPECT_EQ(readFile(clip), before);
    EXPECT_FALSE(QFileInfo::exists(path("o.bmp")));
    EXPECT_FALSE(QFileInfo::exists(path("o.gif")));

    const RunResult help = runCli({ "--help" });
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_TRUE(help.out.contains("descriptor set FILE SECTION NAME VALUE"));
    const RunResult version = runCli({ "--version" });
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_TRUE(version.out.startsWith("framewright-cli "));
}

TEST_F(CliTest, FrameFailuresLeaveNoFileAndKeepAnOldOne)
{
    const QString clip = makeClipOrFail(kKinds[0]);
    for (const char* index : { "12", "-1", "99999999999" }) {
        const RunResult run = runCli({ "frame", clip, index, path("none.png") });
        EXPECT_EQ(run.exit_code, 1) << index;
        EXPECT_TRUE(run.err.contains("out of range")) << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path("none.png")));

    ASSERT_TRUE(writeFile(path("old.bmp"), "keep me"));
    EXPECT_EQ(runCli({ "frame", clip, "12", path("old.bmp") }).exit_code, 1);
    EXPECT_EQ(readFile(path("old.bmp")), QByteArray("keep me"));

    const RunResult no_directory = runCli({ "frame", clip, "0", path("missing/dir/f.bmp") });
    EXPECT_EQ(no_directory.exit_code, 1);
    EXPECT_FALSE(no_directory.err.isEmpty());
}

TEST_F(CliTest, DescriptorLongerThanTheChunkIsRefused)
{
    const QString clip = makeClipOrFail(kKinds[0]);
    ASSERT_EQ(runCli({ "descriptor", "set", clip, "Titles", "Title", "short" }).exit_code, 0);
    const QByteArray before = readFile(clip);
    const RunResult run = runCli({ "descriptor", "set", clip, "Titles", "Title", QString(2100, 'x') });
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(run.err.contains("2048")) << run.err.toStdString();
    EXPECT_EQ(readFile(clip), before);
}

// A foreign clip with a short descriptor chunk: the block is rewritten in place only if it fits.
TEST_F(CliTest, ShortDescriptorChunkIsNeverOverfilled)
{
    const QString clip = makeClipOrFail(kKinds[0]);
    const QByteArray small = "[Timing]\rFrame Rate=250\r"; // 24 bytes, stored in a 32-byte chunk
    QByteArray data = small.leftJustified(32, '\0');
    {
        TRIFF riff(clip);
        ASSERT_TRUE(
            riff.AddChunk(kDescriptorChunkId, reinterpret_cast<const uint8_t*>(data.constData()), 32));
    }
    EXPECT_EQ(parseJson(runCli({ "info", clip }).out)["frame_period_ms"].toDouble(), 4.0);
    const QByteArray before = readFile(clip);
    const RunResult too_long
        = runCli({ "descriptor", "set", clip, "Titles", "Title", "Too long for 32 bytes" });
    EXPECT_EQ(too_long.exit_code, 1);
    EXPECT_TRUE(too_long.err.contains("at most 32")) << too_long.err.toStdString();
    EXPECT_EQ(readFile(clip), before);

    ASSERT_EQ(runCli({ "descriptor", "set", clip, "Timing", "Frame Rate", "500" }).exit_code, 0);
    EXPECT_EQ(readFile(clip).size(), before.size());
    EXPECT_EQ(runCli({ "descriptor", "get", clip }).out, QByteArray("[Timing]\rFrame Rate=500\r\n"));
}

// Files that are no clip: every command fails with a message and leaves the bytes alone.
TEST_F(CliTest, BrokenFilesFailCleanly)
{
    const QString good = makeClipOrFail(kKinds[2]);
    const QByteArray clip_bytes = readFile(good);
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919 + 13) % 251);
    QByteArray riff_garbage = "RIFF" + QByteArray("\xff\xff\xff\x7f", 4) + "AVI LIST" + garbage;

    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case files[] = {
        { "text.avi", "this is not a clip\n" },
        { "empty.avi", {} },
        { "header.avi", clip_bytes.left(100) },
        { "garbage.avi", garbage },
        { "riffgarbage.kfs", riff_garbage },
    };
    for (const Case& file : files) {
        const QString name = path(file.name);
        ASSERT_TRUE(writeFile(name, file.bytes));
        const QList<QStringList> commands = { { "info", name }, { "frame", name, "0", path("out.bmp") },
            { "descriptor", "get", name }, { "descriptor", "set", name, "Timing", "Frame Rate", "5" } };
        for (const QStringList& args : commands) {
            SCOPED_TRACE(args.join(' ').toStdString());
            const RunResult run = runCli(args);
            EXPECT_EQ(run.exit_code, 1);
            EXPECT_TRUE(run.err.startsWith("framewright-cli: ")) << run.err.toStdString();
            EXPECT_EQ(readFile(name), file.bytes);
        }
        EXPECT_FALSE(QFileInfo::exists(path("out.bmp")));
    }

    const RunResult missing = runCli({ "info", path("missing.avi") });
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_TRUE(missing.err.contains("missing.avi")) << missing.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("missing.avi")));
    EXPECT_EQ(runCli({ "descriptor", "set", path("missing.avi"), "Timing", "Frame Rate", "5" }).exit_code, 1);
    EXPECT_FALSE(QFileInfo::exists(path("missing.avi")));
}

// A clip cut short still reports what it holds; frames past the cut fail instead of showing junk.
TEST_F(CliTest, TruncatedClipNeverReportsMissingFramesAsSuccess)
{
    const QString good = makeClipOrFail(kKinds[0]);
    const QByteArray bytes = readFile(good);
    const QString cut = path("cut.avi");
    ASSERT_TRUE(writeFile(cut, bytes.left(bytes.size() / 2)));
    const RunResult info = runCli({ "info", cut });
    ASSERT_NE(info.exit_code, -1) << "crashed";
    const RunResult last = runCli({ "frame", cut, "11", path("last.bmp") });
    EXPECT_EQ(last.exit_code, 1) << last.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path("last.bmp")));
    EXPECT_EQ(readFile(cut), bytes.left(bytes.size() / 2));
}

} // namespace
} // namespace fw::e2e
