// framewright-cli's command line: compressor codes, per-command help, the last line of a
// failure, logging and JSON numbers.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>

#include "cli_runner.h"
#include "clips/avi_clip_writer.h"
#include "clips/avi_encoders.h"
#include "clips/compression_options.h"
#include "clips/frame_image.h"

namespace fw::e2e {
namespace {

class CliInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        clip_ = path("source.avi");
        ASSERT_TRUE(makeClip(clip_, { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, 6));
        grey_ = path("grey.avi");
        ASSERT_TRUE(makeClip(grey_, { "-c:v", "rawvideo", "-pix_fmt", "gray" }, 6));
    }

    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
    QStringList entries() const
    {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir dir_;
    QString clip_;
    QString grey_;
};

QList<QJsonObject> compressorList()
{
    const RunResult run = runCli({ "compressors" });
    EXPECT_EQ(run.exit_code, 0) << run.err.constData();
    QList<QJsonObject> list;
    for (const QByteArray& line : run.out.split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject object = parseJson(line);
        EXPECT_FALSE(object.isEmpty()) << "not a JSON object: " << line.constData();
        list << object;
    }
    return list;
}

// Every code the list offers writes clips from 8-bit and 24-bit sources, as the codec it names.
TEST_F(CliInterfaceTest, EveryListedCompressorWritesClips)
{
    const QList<QJsonObject> list = compressorList();
    QStringList codes;
    for (const QJsonObject& entry : list) {
        codes << entry["code"].toString();
        EXPECT_FALSE(entry["name"].toString().isEmpty());
        EXPECT_TRUE(entry["lossless"].isBool());
        EXPECT_EQ(entry["bits_per_pixel"].toArray(), (QJsonArray { 8, 24 }));
    }
    for (const char* wanted : { "DIB", "MJPG", "FFV1", "ULRG", "HFYU", "cvid", "MSVC", "FMP4" })
        EXPECT_TRUE(codes.contains(QLatin1String(wanted))) << wanted;

    for (const QString& code : codes) {
        for (const QString& source : { clip_, grey_ }) {
            SCOPED_TRACE((code + QLatin1Char(' ') + source).toStdString());
            const QString target = path("coded.avi");
            const RunResult run
                = runCli({ "convert", source, target, "--type", "avi", "--compressor", code });
            ASSERT_EQ(run.exit_code, 0) << run.err.constData();
            const QJsonObject info = parseJson(runCli({ "info", target }).out);
            EXPECT_EQ(info["frames"].toInt(), 6);
            if (code != QLatin1String("DIB")) {
                EXPECT_EQ(info["compressor"].toString().compare(code, Qt::CaseInsensitive), 0)
                    << info["compressor"].toString().toStdString();
            }
            ASSERT_EQ(ffmpegAllBgr(target).size(), 6 * 64 * 48 * 3);
        }
    }
}

TEST_F(CliInterfaceTest, CompressorCodesIgnoreCaseAndUnknownOnesWriteNothing)
{
    const QString target = path("out.avi");
    for (const char* code : { "mjpg", "Mjpg" }) {
        ASSERT_EQ(runCli({ "convert", clip_, target, "--type", "avi", "--compressor", code }).exit_code, 0)
            << code;
        EXPECT_EQ(parseJson(runCli({ "info", target }).out)["compressor"].toString(), "MJPG");
    }
    for (const char* code : { "DIB", "dib ", "Dib" }) {
        ASSERT_EQ(runCli({ "convert", clip_, target, "--type", "avi", "--compressor", code }).exit_code, 0)
            << code;
        EXPECT_TRUE(ffmpegAllBgr(target) == ffmpegAllBgr(clip_)) << code;
    }
    ASSERT_TRUE(QFile::remove(target));

    const QStringList before = entries();
    for (const char* code : { "ZZZZ", "iv32", "MJPGX", "" }) {
        SCOPED_TRACE(code);
        const RunResult run = runCli({ "convert", clip_, target, "--type", "avi", "--compressor", code });
        EXPECT_EQ(run.exit_code, 2);
        const QByteArray last = lastLine(run.err);
        EXPECT_TRUE(last.startsWith("framewright-cli: ")) << run.err.constData();
        EXPECT_TRUE(last.contains("DIB") && last.contains("MJPG") && last.contains("FFV1"))
            << last.constData();
        EXPECT_EQ(entries(), before);
    }
}

TEST_F(CliInterfaceTest, EveryCommandHasItsOwnHelp)
{
    const struct {
        QStringList args;
        const char* usage;
        const char* mentions;
    } cases[] = {
        { { "info", "--help" }, "Usage: framewright-cli info PATH", "--verbose" },
        { { "frame", "-h" }, "Usage: framewright-cli frame PATH INDEX OUT", "--verbose" },
        { { "descriptor", "--help" }, "Usage: framewright-cli descriptor get FILE", "set" },
        { { "convert", "--help" }, "Usage: framewright-cli convert SRC DST", "exactly as read" },
        { { "convert", clip_, "--help" }, "Usage: framewright-cli convert SRC DST", "--settings" },
        { { "compressors", "--help" }, "Usage: framewright-cli compressors", "bits_per_pixel" },
        { { "--help" }, "Usage: framewright-cli", "compressors" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const RunResult run = runCli(c.args);
        EXPECT_EQ(run.exit_code, 0) << run.err.constData();
        EXPECT_TRUE(run.out.startsWith(c.usage)) << run.out.constData();
        EXPECT_TRUE(run.out.contains(c.mentions)) << run.out.constData();
        EXPECT_EQ(run.err, QByteArray());
    }
}

// Wrong arguments of every command exit 2 and end standard error with the reason.
TEST_F(CliInterfaceTest, UsageErrorsEndWithTheReason)
{
    const QList<QStringList> cases = {
        { "--colour" },
        { "info", "--colour", clip_ },
        { "frame", clip_, "1" },
        { "descriptor", "get" },
        { "convert", clip_, path("x.avi"), "--type" },
        { "convert", clip_, path("x.avi"), "--type", "avi", "--first", "-2" },
        { "compressors", "extra" },
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const RunResult run = runCli(args);
        EXPECT_EQ(run.exit_code, 2);
        EXPECT_TRUE(lastLine(run.err).startsWith("framewright-cli: ")) << run.err.constData();
        EXPECT_TRUE(run.err.contains("Usage: framewright-cli")) << run.err.constData();
        EXPECT_EQ(run.out, QByteArray());
    }
    EXPECT_FALSE(QFileInfo::exists(path("x.avi")));
}

// A message of several lines ends standard error as one line, its breaks written "; ".
TEST_F(CliInterfaceTest, FailureOfSeveralLinesIsOneLastLine)
{
    // Grey frames first, then a palette of colours the grey path would lose.
    const QString changing = path("changing.avi");
    {
        CompressionOptions options;
        options.fccHandler = kUncompressedCode;
        AviClipWriter writer(changing, options, 25, 1);
        for (int i = 0; i < 2; ++i) {
            FrameImage frame(64, 48, 8);
            std::fill_n(frame.pixels(), frame.pixelBytes(), uint8_t(60));
            if (i == 1)
                frame.colourTable()[60] = RgbQuad { 200, 10, 10, 0 };
            writer.WriteFrame(frame.packed(), frame.packedSize());
        }
        writer.Finish();
    }
    const RunResult run = runCli({ "convert", changing, path("out.avi"), "--type", "avi" });
    EXPECT_EQ(run.exit_code, 1);
    const QByteArray last = lastLine(run.err);
    EXPECT_EQ(last, "framewright-cli: changing.avi; Format differs from previous file(s)")
        << run.err.constData();
    EXPECT_FALSE(run.err.contains('\r'));
    EXPECT_FALSE(QFileInfo::exists(path("out.avi")));
}

// Log lines go to the log file; --verbose, before or after the command, shows them as well.
TEST_F(CliInterfaceTest, VerboseShowsTheLogOnStandardError)
{
    QTemporaryDir state;
    ASSERT_TRUE(state.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
    const QString missing = path("missing.avi");
    const QString cli = binPath("framewright-cli");

    const RunResult quiet = runProgram(cli, { "info", missing }, 120000, environment);
    EXPECT_EQ(quiet.exit_code, 1);
    EXPECT_EQ(quiet.err.count('\n'), 1) << quiet.err.constData();
    const QByteArray log = readFile(QDir(state.path()).filePath("Framewright/framewright.log"));
    EXPECT_TRUE(log.contains("fw.cli") && log.contains("missing.avi")) << log.constData();

    for (const QStringList& args :
        { QStringList { "--verbose", "info", missing }, QStringList { "info", missing, "--verbose" } }) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const RunResult verbose = runProgram(cli, args, 120000, environment);
        EXPECT_EQ(verbose.exit_code, 1);
        EXPECT_TRUE(verbose.err.contains("fw.cli")) << verbose.err.constData();
        EXPECT_TRUE(lastLine(verbose.err).startsWith("framewright-cli: ")) << verbose.err.constData();
    }
}

// Time base numbers print in the shortest form that reads back as the same single-precision
// value, whatever the double that carries them looks like.
TEST_F(CliInterfaceTest, InfoPrintsShortestNumbers)
{
    const struct {
        const char* rate;
        const char* mark_time;
        const char* period_text;
        const char* first_text;
    } cases[] = {
        { "10000", "0.1", "\"frame_period_ms\": 0.1", "\"first_frame_time_ms\": 0.1" },
        { "3", "-100", "\"frame_period_ms\": 333.33334", "\"first_frame_time_ms\": -100" },
        { "2000", "-3.5", "\"frame_period_ms\": 0.5", "\"first_frame_time_ms\": -3.5" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        ASSERT_EQ(runCli({ "descriptor", "set", clip_, "Timing", "Frame Rate", c.rate }).exit_code, 0);
        ASSERT_EQ(
            runCli({ "descriptor", "set", clip_, "Timing", "Time at Mark Frame", c.mark_time }).exit_code, 0);
        const RunResult run = runCli({ "info", clip_ });
        ASSERT_EQ(run.exit_code, 0) << run.err.constData();
        EXPECT_TRUE(run.out.contains(c.period_text)) << run.out.constData();
        EXPECT_TRUE(run.out.contains(c.first_text)) << run.out.constData();
    }
}

} // namespace
} // namespace fw::e2e
