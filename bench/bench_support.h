#pragma once

// What the benchmarks share: test clips made once with the ffmpeg command, and processor time.

#include <sys/resource.h>

#include <cstdlib>
#include <string>

#include <QFileInfo>
#include <QString>

namespace fw::bench {

// A 512x384 testsrc clip of `frames` frames at `rate` frames per second, encoded with the given
// ffmpeg output options, kept under /tmp between runs; empty when ffmpeg fails.
inline QString MakeBenchClip(
    const QString& name, int frames, const std::string& encode_options, int rate = 25)
{
    const QString path = QStringLiteral("/tmp/fw_bench_%1_512x384.avi").arg(name);
    if (!QFileInfo::exists(path)) {
        const std::string command
            = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=512x384:rate="
            + std::to_string(rate) + " -frames:v " + std::to_string(frames) + " " + encode_options + " "
            + path.toStdString();
        if (std::system(command.c_str()) != 0)
            return {};
    }
    return path;
}

// User plus system seconds of this process (RUSAGE_SELF) or its finished children.
inline double CpuSeconds(int who)
{
    rusage usage {};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace fw::bench
