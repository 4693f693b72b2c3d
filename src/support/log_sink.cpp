#include "log_sink.h"

#include <cstdio>
#include <memory>
#include <mutex>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fw {

namespace {

struct Sink {
    std::mutex mutex;
    LogSinkOptions options;
    std::unique_ptr<QFile> file;
    bool file_failed = false;
    QtMessageHandler previous = nullptr;
    bool installed = false;
};

Sink& TheSink()
{
    static Sink sink;
    return sink;
}

const char* LevelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "?";
}

void ReportFileFailure(Sink& sink, const QString& reason)
{
    if (sink.file_failed)
        return;
    sink.file_failed = true;
    std::fprintf(
        stderr, "Cannot write the log file %s: %s\n", qPrintable(sink.options.file_path), qPrintable(reason));
}

bool OpenFile(Sink& sink)
{
    if (sink.file)
        return true;
    if (sink.options.file_path.isEmpty() || sink.file_failed)
        return false;
    const QFileInfo info(sink.options.file_path);
    if (!QDir().mkpath(info.absolutePath())) {
        ReportFileFailure(sink, QStringLiteral("cannot make the folder ") + info.absolutePath());
        return false;
    }
    auto file = std::make_unique<QFile>(sink.options.file_path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append)) {
        ReportFileFailure(sink, file->errorString());
        return false;
    }
    sink.file = std::move(file);
    return true;
}

// Keeps the file under its cap: the full file becomes "NAME.1" (replacing the older one), so at
// most twice the cap is ever on disk.
void RotateIfFull(Sink& sink, qint64 line_bytes)
{
    if (sink.file->size() + line_bytes <= sink.options.max_file_bytes || sink.file->size() == 0)
        return;
    sink.file->close();
    const QString old_path = sink.options.file_path + QStringLiteral(".1");
    // The log cannot log about itself: a rotation that fails is said on standard error.
    QFile old_file(old_path);
    if (!old_file.remove() && old_file.exists())
        std::fprintf(stderr, "Cannot remove the old log file %s: %s\n", qPrintable(old_path),
            qPrintable(old_file.errorString()));
    QFile full(sink.options.file_path);
    if (!full.rename(old_path))
        std::fprintf(stderr, "Cannot move the log file to %s: %s\n", qPrintable(old_path),
            qPrintable(full.errorString()));
    sink.file.reset();
    OpenFile(sink);
}

void WriteLine(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    Sink& sink = TheSink();
    const QString category
        = context.category ? QString::fromLatin1(context.category) : QStringLiteral("default");
    const QByteArray line = (QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + QLatin1Char(' ')
        + QLatin1String(LevelName(type)) + QLatin1Char(' ') + category + QStringLiteral(": ") + text
        + QLatin1Char('\n'))
                                .toUtf8();
    std::lock_guard lock(sink.mutex);
    if (sink.options.to_stderr) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
        std::fflush(stderr);
    }
    if (OpenFile(sink)) {
        RotateIfFull(sink, line.size());
        if (sink.file) {
            sink.file->write(line);
            sink.file->flush();
        }
    }
}

void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    WriteLine(type, context, text);
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

QString DefaultLogFilePath()
{
    QString state_home = qEnvironmentVariable("XDG_STATE_HOME");
    if (state_home.isEmpty() || !QDir::isAbsolutePath(state_home))
        state_home = QDir::homePath() + QStringLiteral("/.local/state");
    return state_home + QStringLiteral("/Framewright/framewright.log");
}

void InstallLogSink(const LogSinkOptions& options)
{
    Sink& sink = TheSink();
    {
        std::lock_guard lock(sink.mutex);
        sink.options = options;
        sink.file.reset();
        sink.file_failed = false;
    }
    if (!sink.installed) {
        sink.previous = qInstallMessageHandler(Handle);
        sink.installed = true;
    }
}

void RemoveLogSink()
{
    Sink& sink = TheSink();
    if (!sink.installed)
        return;
    qInstallMessageHandler(sink.previous);
    sink.installed = false;
    std::lock_guard lock(sink.mutex);
    sink.file.reset();
}

} // namespace fw
