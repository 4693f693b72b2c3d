#include "imagers/devices/sim_process.h"

#include <algorithm>
#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QFileInfo>

#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int kEndWait_ms = 3000;

} // namespace

TSimProcess::TSimProcess()
{
    const pid_t parent = ::getpid();
    process_.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The parent may have died before the request took effect.
        if (::getppid() != parent)
            ::_exit(1);
    });
    QObject::connect(&process_, &QProcess::readyReadStandardError, &process_, [this] {
        if (ready_)
            LogOutput();
    });
}

TSimProcess::~TSimProcess()
{
    Stop();
}

void TSimProcess::Start(const QString& program, const QStringList& arguments, int ready_timeout_ms)
{
    Stop();
    name_ = QFileInfo(program).fileName();
    output_.clear();
    ready_ = false;
    last_exit_code_ = -1;
    process_.start(program, arguments);
    if (!process_.waitForStarted(ready_timeout_ms))
        Fail(process_.errorString());
    WaitReady(ready_timeout_ms);
    ready_ = true;
    LogOutput();
    qCInfo(lcImagers).noquote() << name_ << "runs as process" << process_.processId() << "with"
                                << arguments.join(QLatin1Char(' '));
}

void TSimProcess::WaitReady(int ready_timeout_ms)
{
    const QDeadlineTimer deadline(ready_timeout_ms);
    while (!ReadyLineSeen()) {
        if (process_.state() == QProcess::NotRunning) {
            if (process_.exitStatus() == QProcess::NormalExit)
                last_exit_code_ = process_.exitCode();
            const QString errors = QString::fromLocal8Bit(process_.readAllStandardError()).trimmed();
            Fail(errors.isEmpty() ? QStringLiteral("it ended with exit code %1").arg(process_.exitCode())
                                  : errors);
        }
        if (deadline.hasExpired())
            Fail(QStringLiteral("it did not report ready within %1 seconds").arg(ready_timeout_ms / 1000.0));
        // Either channel may wake the wait; an ending process wakes it too.
        process_.waitForReadyRead(int(deadline.remainingTime()));
    }
}

bool TSimProcess::ReadyLineSeen()
{
    output_ += process_.readAllStandardOutput();
    const QList<QByteArray> lines = output_.split('\n');
    return std::any_of(
        lines.begin(), lines.end(), [](const QByteArray& line) { return line.trimmed() == "ready"; });
}

void TSimProcess::Fail(const QString& reason)
{
    Stop();
    qCWarning(lcImagers).noquote() << name_ << "did not start:" << reason;
    throw Error(QStringLiteral("The simulator %1 could not be started: %2").arg(name_, reason));
}

void TSimProcess::LogOutput()
{
    const QByteArray text = process_.readAllStandardError().trimmed();
    if (!text.isEmpty())
        qCInfo(lcImagers).noquote() << name_ << "says:" << QString::fromLocal8Bit(text);
}

void TSimProcess::Stop()
{
    ready_ = false;
    if (process_.state() == QProcess::NotRunning)
        return;
    const qint64 process_id = process_.processId();
    process_.terminate();
    if (!process_.waitForFinished(kEndWait_ms)) {
        qCWarning(lcImagers).noquote() << name_ << "did not end on SIGTERM; killing it";
        process_.kill();
        process_.waitForFinished(kEndWait_ms);
    }
    qCInfo(lcImagers).noquote() << name_ << "process" << process_id << "ended";
}

} // namespace fw
