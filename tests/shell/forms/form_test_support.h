#pragma once

#include <QProcess>
#include <QStringList>

#include "clips/avi_stream.h"

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

} // namespace fw::test
