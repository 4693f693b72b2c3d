#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <memory>

#include "clips/avi_stream.h"
#include "shell/forms/display_form.h"
#include "support/fw_error.h"

namespace fw::test {

// Runs the ffmpeg command quietly; true when it made its output.
inline bool runFfmpeg(const QStringList& arguments)
{
    QProcess process;
    process.start("ffmpeg", QStringList { "-nostdin", "-loglevel", "error", "-y" } + arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// A frame source other than a clip file: clip windows over it are left to their owner.
struct OtherSource : TAVISTREAM {
    OtherSource()
        : TAVISTREAM("Other")
    {
    }
};

// A stand-alone clip window over the file, kept alive by the test rather than by closing; null
// (with the message in `error` when given) when the clip cannot be shown.
inline std::unique_ptr<TDisplayForm> OpenClipWindow(
    const ChildContext& context, const QString& path, QString* error = nullptr)
{
    try {
        auto form = std::make_unique<TDisplayForm>(
            context, std::make_unique<TAVISTREAM>("AVI"), path, QFileInfo(path).fileName());
        form->setAttribute(Qt::WA_DeleteOnClose, false);
        return form;
    } catch (const Error& failure) {
        if (error)
            *error = failure.message();
        return nullptr;
    }
}

} // namespace fw::test
