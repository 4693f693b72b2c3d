#include "shell/open_dispatch.h"

#include "support/fw_error.h"

namespace fw {

namespace {

constexpr const char* kTypeTexts[]
    = { ".AVI", ".DIB", ".TIF", ".BAY", ".KFS", ".TXT", ".ASC", ".PRN", ".CSV" };

QString BaseName(const QString& file_name)
{
    return file_name.mid(file_name.lastIndexOf(u'/') + 1);
}

} // namespace

OpenFileType FileTypeOf(const QString& file_name)
{
    const QString upper = BaseName(file_name).toUpper();
    for (int type = 9; type >= 1; --type) {
        if (upper.contains(QLatin1String(kTypeTexts[type - 1])))
            return static_cast<OpenFileType>(type);
    }
    return OpenFileType::None;
}

bool IsSignalType(OpenFileType type)
{
    return static_cast<int>(type) >= 6;
}

QString DirectoryOf(const QString& file_name)
{
    return file_name.left(file_name.lastIndexOf(u'/') + 1);
}

void OpenQueue::Dispatch(const OpenHandlers& handlers)
{
    if (RunPass(handlers, true))
        RunPass(handlers, false);
}

bool OpenQueue::RunPass(const OpenHandlers& handlers, bool signal_pass)
{
    QStringList signal_files;
    bool go_on = true;
    for (qsizetype i = 0; i < names_.size();) {
        const QString name = names_.at(i);
        const OpenFileType type = FileTypeOf(name);
        if (type == OpenFileType::None || IsSignalType(type) != signal_pass) {
            ++i;
            continue;
        }
        names_.removeAt(i);
        last_directory_ = DirectoryOf(name);
        if (IsSignalType(type)) {
            signal_files.append(name);
            continue;
        }
        if (type == OpenFileType::Dib) {
            handlers.report(name + QStringLiteral(" is an unrecognized file type."));
            go_on = false;
            break;
        }
        try {
            handlers.open_window(name, type);
        } catch (const Error& error) {
            handlers.report(error.message());
            go_on = false;
        } catch (const std::exception& error) {
            handlers.report(name + QStringLiteral("\r") + QString::fromLocal8Bit(error.what()));
            go_on = false;
        }
        break;
    }
    if (!signal_files.isEmpty()) {
        try {
            handlers.open_signals(signal_files);
        } catch (const Error& error) {
            handlers.report(error.message());
            go_on = false;
        }
    }
    return go_on;
}

} // namespace fw
