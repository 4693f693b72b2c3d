#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "support/log.h"
#include "support/log_sink.h"

namespace fw {
namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class LogSinkTest : public ::testing::Test {
protected:
    void TearDown() override { RemoveLogSink(); }
    QTemporaryDir dir_;
};

TEST_F(LogSinkTest, LinesNameLevelAndCategoryAndLandInANewFolder)
{
    const QString path = dir_.filePath("state/Framewright/framewright.log");
    InstallLogSink({ false, path, 1 << 20 });
    qCWarning(lcClips) << "Cannot write t.avi: No space left on device";
    qCInfo(lcShell) << "child removed";
    qCDebug(lcShell) << "not shown by default";
    const QByteArray text = ReadAll(path);
    EXPECT_TRUE(text.contains(" warning fw.clips: Cannot write t.avi: No space left on device\n")) << text.constData();
    EXPECT_TRUE(text.contains(" info fw.shell: child removed\n"));
    EXPECT_FALSE(text.contains("not shown"));
}

TEST_F(LogSinkTest, FullFileMovesAsideSoAtMostTwiceTheCapIsKept)
{
    const QString path = dir_.filePath("framewright.log");
    InstallLogSink({ false, path, 400 });
    for (int i = 0; i < 50; ++i)
        qCWarning(lcSignals, "line %d of a long run of warnings", i);
    EXPECT_LE(QFile(path).size(), 400);
    EXPECT_LE(QFile(path + ".1").size(), 400);
    EXPECT_TRUE(ReadAll(path).contains("line 49 of"));
    EXPECT_TRUE(ReadAll(path + ".1").contains("of a long run"));
}

TEST_F(LogSinkTest, UnwritableFileCostsTheFileOnly)
{
    QFile blocker(dir_.filePath("plain-file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    InstallLogSink({ false, dir_.filePath("plain-file/sub/framewright.log"), 1 << 20 });
    qCWarning(lcMeasure) << "still fine";
    SUCCEED();
}

TEST_F(LogSinkTest, LinesFromManyThreadsStayWhole)
{
    const QString path = dir_.filePath("threads.log");
    InstallLogSink({ false, path, 1 << 24 });
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back(QThread::create([t] {
            for (int i = 0; i < 200; ++i)
                qCWarning(lcClips, "thread %d message %d end", t, i);
        }));
        threads.back()->start();
    }
    for (auto& thread : threads)
        thread->wait();
    const QList<QByteArray> lines = ReadAll(path).split('\n');
    int whole = 0;
    for (const QByteArray& line : lines) {
        if (line.isEmpty())
            continue;
        EXPECT_TRUE(line.endsWith(" end")) << line.constData();
        ++whole;
    }
    EXPECT_EQ(whole, 800);
}

TEST_F(LogSinkTest, DefaultPathFollowsXdgStateHome)
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", dir_.path().toUtf8());
    EXPECT_EQ(DefaultLogFilePath(), dir_.path() + "/Framewright/framewright.log");
    qputenv("XDG_STATE_HOME", "relative/is/ignored");
    EXPECT_TRUE(DefaultLogFilePath().endsWith("/.local/state/Framewright/framewright.log"));
    if (saved.isNull())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", saved);
}

} // namespace
} // namespace fw
