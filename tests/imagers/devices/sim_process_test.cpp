#include "imagers/devices/sim_process.h"

#include <cerrno>
#include <csignal>

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/fw_error.h"

namespace fw {
namespace {

bool ProcessGone(qint64 process_id)
{
    return ::kill(pid_t(process_id), 0) == -1 && errno == ESRCH;
}

class SimProcessTest : public ::testing::Test {
protected:
    // An executable script standing in for a simulator.
    QString Script(const QString& name, const QByteArray& body)
    {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(body);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    // The message of the failure of a start, or "started".
    QString StartFailure(const QString& program, int timeout_ms = TSimProcess::kReadyTimeout_ms)
    {
        try {
            process_.Start(program, {}, timeout_ms);
        } catch (const Error& failure) {
            return failure.message();
        }
        return "started";
    }

    QTemporaryDir dir_;
    TSimProcess process_;
};

// The reasons a start fails reach the user: the program cannot run, or it ended and said why
// on standard error, or it never got ready.
TEST_F(SimProcessTest, FailuresCarryTheirReason)
{
    EXPECT_TRUE(
        StartFailure(dir_.filePath("missing")).startsWith("The simulator missing could not be started: "));

    const QString refusing
        = Script("refusing", "#!/bin/sh\necho 'fw-imager-sim: cannot bind port 5' >&2\nexit 1\n");
    EXPECT_EQ(StartFailure(refusing),
        "The simulator refusing could not be started: fw-imager-sim: cannot bind port 5");
    EXPECT_EQ(process_.LastExitCode(), 1);

    const QString quiet = Script("quiet", "#!/bin/sh\nexit 3\n");
    EXPECT_EQ(StartFailure(quiet), "The simulator quiet could not be started: it ended with exit code 3");
    EXPECT_FALSE(process_.Running());
}

// A simulator that never says it is ready is not left behind.
TEST_F(SimProcessTest, ASilentSimulatorIsEndedWhenTheWaitGivesUp)
{
    const QString pid_file = dir_.filePath("pid");
    const QString silent
        = Script("silent", "#!/bin/sh\necho $$ > '" + pid_file.toUtf8() + "'\nexec sleep 60\n");
    EXPECT_TRUE(StartFailure(silent, 300).contains("did not report ready"));
    EXPECT_EQ(process_.LastExitCode(), -1);
    QFile file(pid_file);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ProcessGone(file.readAll().trimmed().toLongLong()));
}

// Ready is the line "ready", wherever the output's pieces break; the process ends with Stop and
// with its owner.
TEST_F(SimProcessTest, ReadyAfterItsLineAndEndedByStopOrTheOwner)
{
    const QString slow
        = Script("slow", "#!/bin/sh\nprintf 'imager 01\\nrea'\nsleep 0.2\nprintf 'dy\\n'\nexec sleep 60\n");
    ASSERT_EQ(StartFailure(slow), "started");
    EXPECT_TRUE(process_.Running());
    EXPECT_EQ(process_.ReadyOutput(), "imager 01\nready\n");
    const qint64 first = process_.ProcessId();
    process_.Stop();
    EXPECT_TRUE(ProcessGone(first));

    qint64 second = 0;
    {
        TSimProcess owned;
        owned.Start(slow, {});
        second = owned.ProcessId();
        EXPECT_FALSE(ProcessGone(second));
    }
    EXPECT_TRUE(ProcessGone(second));
}

// The child asks the kernel for SIGTERM when the program dies, so that a crash leaves no
// simulator behind.
TEST_F(SimProcessTest, TheChildEndsWhenItsParentDies)
{
    if (QStandardPaths::findExecutable("python3").isEmpty())
        GTEST_SKIP() << "python3 reads the child's parent-death signal";
    const QString reporter = Script("reporter",
        "#!/usr/bin/env python3\n"
        "import ctypes, sys, time\n"
        "signal = ctypes.c_int(0)\n"
        "ctypes.CDLL(None).prctl(2, ctypes.byref(signal), 0, 0, 0)\n" // PR_GET_PDEATHSIG
        "print('pdeathsig', signal.value)\nprint('ready')\nsys.stdout.flush()\ntime.sleep(60)\n");
    ASSERT_EQ(StartFailure(reporter), "started");
    EXPECT_EQ(process_.ReadyOutput(), "pdeathsig " + QByteArray::number(SIGTERM) + "\nready\n");
}

} // namespace
} // namespace fw
