#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace fw {

// A device simulator run as a child process: started with its arguments, ready once it prints
// the line "ready", and ended with its owner. Should the program die without ending it, the
// kernel ends it too (the child asks for SIGTERM when its parent goes).
class TSimProcess {
public:
    static constexpr int kReadyTimeout_ms = 10000;

    TSimProcess();
    ~TSimProcess();
    TSimProcess(const TSimProcess&) = delete;
    TSimProcess& operator=(const TSimProcess&) = delete;

    // Starts `program` and waits until it is ready. Throws fw::Error with the reason when it
    // cannot start, ends first (with what it wrote on standard error) or stays silent.
    void Start(const QString& program, const QStringList& arguments, int ready_timeout_ms = kReadyTimeout_ms);
    // Asks it to end (SIGTERM) and kills it when it does not.
    void Stop();
    bool Running() const { return process_.state() != QProcess::NotRunning; }
    qint64 ProcessId() const { return process_.processId(); }
    // What it printed on standard output until it was ready.
    const QByteArray& ReadyOutput() const { return output_; }
    // The exit code of a simulator that ended before it was ready; -1 otherwise.
    int LastExitCode() const { return last_exit_code_; }

private:
    void WaitReady(int ready_timeout_ms);
    bool ReadyLineSeen();
    [[noreturn]] void Fail(const QString& reason);
    void LogOutput();

    QProcess process_;
    QString name_;
    QByteArray output_;
    // Once ready, what it writes on standard error goes to the log.
    bool ready_ = false;
    int last_exit_code_ = -1;
};

} // namespace fw
