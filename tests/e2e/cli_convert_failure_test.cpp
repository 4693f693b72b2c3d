// framewright-cli convert on a disk that fills up: the child runs under a limit on the size of
// any file it writes, with the signal of that limit ignored, so its writes fail as on a full disk.

#include <csignal>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "cli_runner.h"

namespace fw::e2e {
namespace {

RunResult runCliOnFullDisk(const QStringList& args, rlim_t file_size_limit)
{
    QProcess process;
    process.setProcessEnvironment(cliEnvironment());
    process.setChildProcessModifier([file_size_limit] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = file_size_limit;
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(binPath("framewright-cli"), args);
    RunResult result;
    if (!process.waitForStarted() || !process.waitForFinished(120000))
        return result;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        result.exit_code = process.exitCode();
    return result;
}

class CliConvertFailureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        source_ = dir_.filePath("source.avi");
        // 30 frames of 9 216 bytes.
        ASSERT_TRUE(makeClip(source_, { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, 30));
    }

    QStringList entries(const QString& folder = {}) const
    {
        return QDir(folder.isEmpty() ? dir_.path() : folder)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir dir_;
    QString source_;
};

TEST_F(CliConvertFailureTest, ClipOnAFullDiskFailsAndKeepsTheOldTarget)
{
    const QString target = dir_.filePath("target.avi");
    ASSERT_TRUE(makeClip(target, { "-c:v", "mjpeg" }, 2));
    const QByteArray old_clip = readFile(target);
    const QStringList before = entries();
    for (const char* type : { "avi", "kfs" }) {
        SCOPED_TRACE(type);
        const RunResult run = runCliOnFullDisk({ "convert", source_, target, "--type", type }, 100 * 1024);
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_TRUE(lastLine(run.err).startsWith("framewright-cli: ")) << run.err.constData();
        // The message names the clip the user asked for and what went wrong.
        EXPECT_TRUE(lastLine(run.err).contains(target.toUtf8())) << run.err.constData();
        EXPECT_TRUE(lastLine(run.err).contains("File too large")) << run.err.constData();
        EXPECT_EQ(readFile(target), old_clip);
        EXPECT_EQ(entries(), before);
    }
    // Without the limit the same conversion replaces it.
    ASSERT_EQ(runCli({ "convert", source_, target, "--type", "avi" }).exit_code, 0);
    EXPECT_NE(readFile(target), old_clip);
    EXPECT_EQ(entries(), before);
}

TEST_F(CliConvertFailureTest, FramesOnAFullDiskLeaveNoFolderAndKeepAnExistingOne)
{
    const QStringList before = entries();
    const QString folder = dir_.filePath("frames");
    // A bitmap frame file takes 9 270 bytes.
    RunResult run = runCliOnFullDisk({ "convert", source_, folder, "--type", "bmp" }, 4096);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_TRUE(lastLine(run.err).startsWith("framewright-cli: ")) << run.err.constData();
    EXPECT_TRUE(lastLine(run.err).contains(QDir(folder).filePath("F0000000.bmp").toUtf8()))
        << run.err.constData();
    EXPECT_EQ(entries(), before);

    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(writeFile(QDir(folder).filePath("notes.txt"), "kept"));
    run = runCliOnFullDisk({ "convert", source_, folder, "--type", "jpeg" }, 512);
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(entries(folder), QStringList { "notes.txt" });
    EXPECT_EQ(readFile(QDir(folder).filePath("notes.txt")), "kept");
    EXPECT_EQ(entries(), (QStringList { "frames", "source.avi" }));
}

} // namespace
} // namespace fw::e2e
