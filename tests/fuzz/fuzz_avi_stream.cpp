// Clip files from outside: opening, stream information, descriptor reading and frame
// decoding in jumping order must fail cleanly on any bytes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include <QFile>

extern "C" {
#include <libavutil/log.h>
}

#include "clips/avi_stream.h"
#include "clips/frame_image.h"
#include "support/fw_error.h"

namespace {

QString scratchFile()
{
    return QStringLiteral("/tmp/fw_fuzz_avi_stream_%1.avi").arg(::getpid());
}

void exercise(const QString& file_name)
{
    fw::TAVISTREAM stream(QStringLiteral("AVI"));
    try {
        stream.Open(file_name);
    } catch (const fw::Error&) {
        return;
    }
    fw::TAVIStreamInfo info;
    stream.GetInfo(info);
    uint8_t block[fw::kDescriptorChunkSize];
    int32_t block_size = sizeof(block);
    stream.ReadData(fw::kDescriptorChunkId, block, block_size);
    fw::FrameAccess* handle = nullptr;
    if (!stream.BeginFrameAccess(handle))
        return;
    const int32_t count = stream.FrameCount();
    for (int32_t index : { count - 1, 0, count / 2, 1, count - 2, count }) {
        int32_t size = 0;
        const uint8_t* frame = nullptr;
        if (stream.GetFrame(handle, index, size, frame)
            && fw::validPackedSize(frame, size_t(size)) != size_t(size))
            __builtin_trap();
    }
    stream.EndFrameAccess(handle);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true); // decoder complaints are expected
    (void)quiet;
    const QString file_name = scratchFile();
    {
        QFile file(file_name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    exercise(file_name);
    QFile::remove(file_name);
    return 0;
}
