#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

#include "e2e/cli_runner.h"

namespace fw::e2e {
namespace {

using namespace std::chrono_literals;

// Waits for a condition, checking every 50 ms; the limit only keeps a fault from hanging.
template <typename Condition> bool WaitFor(Condition condition, std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

QStringList LoggedFiles(const QString& log_path)
{
    QFile log(log_path);
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class SingleInstanceE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        first_clip_ = temp_.filePath(QStringLiteral("first.avi"));
        second_clip_ = temp_.filePath(QStringLiteral("second clip.avi"));
        ASSERT_TRUE(makeClip(first_clip_, { "-c:v", "mjpeg" }));
        ASSERT_TRUE(QFile::copy(first_clip_, second_clip_));
        log_ = temp_.filePath(QStringLiteral("opened.log"));
        instance_ = QStringLiteral("fw-e2e-%1").arg(::getpid());
    }

    void TearDown() override
    {
        if (first_.state() != QProcess::NotRunning) {
            first_.terminate();
            if (!first_.waitForFinished(5000)) {
                first_.kill();
                first_.waitForFinished();
            }
        }
    }

    QStringList CommonArgs() const
    {
        return { QStringLiteral("--settings"), temp_.filePath(QStringLiteral("settings.ini")),
            QStringLiteral("--instance-name"), instance_ };
    }

    void StartFirst(const QStringList& extra)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FRAMEWRIGHT_OPEN_LOG"), log_);
        first_.setProcessEnvironment(environment);
        first_.start(binPath("framewright"), CommonArgs() + extra);
        ASSERT_TRUE(first_.waitForStarted(10000));
    }

    QTemporaryDir temp_;
    QString first_clip_;
    QString second_clip_;
    QString log_;
    QString instance_;
    QProcess first_;
};

TEST_F(SingleInstanceE2E, SecondStartHandsItsFileToTheRunningProgramAndEnds)
{
    StartFirst({ first_clip_ });
    ASSERT_TRUE(WaitFor([&] { return LoggedFiles(log_).contains(first_clip_); }, 20s))
        << first_.readAllStandardError().constData();

    // The second start ends by itself (the run's limit only keeps a fault from hanging).
    const RunResult second
        = runProgram(binPath("framewright"), CommonArgs() + QStringList { second_clip_ }, 60000);
    EXPECT_EQ(second.exit_code, 0) << second.err.constData();
    EXPECT_TRUE(WaitFor([&] { return LoggedFiles(log_).contains(second_clip_); }, 30s));

    // Without a file the second start only brings the program forward. The running program
    // serves starts in turn, so once a later start's file is logged, the bare start is done.
    const RunResult third = runProgram(binPath("framewright"), CommonArgs(), 60000);
    EXPECT_EQ(third.exit_code, 0) << third.err.constData();
    const QString third_clip = temp_.filePath(QStringLiteral("third.avi"));
    ASSERT_TRUE(QFile::copy(first_clip_, third_clip));
    const RunResult fourth
        = runProgram(binPath("framewright"), CommonArgs() + QStringList { third_clip }, 60000);
    EXPECT_EQ(fourth.exit_code, 0) << fourth.err.constData();
    EXPECT_TRUE(WaitFor([&] { return LoggedFiles(log_).size() >= 3; }, 30s));
    EXPECT_EQ(LoggedFiles(log_), (QStringList { first_clip_, second_clip_, third_clip }));
    EXPECT_EQ(first_.state(), QProcess::Running);
}

TEST_F(SingleInstanceE2E, ProgramThatWasKilledDoesNotBlockTheNextStart)
{
    StartFirst({});
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(QDir::temp().filePath(instance_)); }, 20s));
    first_.kill(); // no chance to clean up its socket
    first_.waitForFinished();
    ASSERT_TRUE(QFile::exists(QDir::temp().filePath(instance_)));

    StartFirst({ second_clip_ });
    EXPECT_TRUE(WaitFor([&] { return LoggedFiles(log_).contains(second_clip_); }, 20s))
        << first_.readAllStandardError().constData();
}

} // namespace
} // namespace fw::e2e
