#include <string>

#include <QJsonObject>

#include "cli_common.h"
#include "clips/clip_time_base.h"

namespace fw::cli {

namespace {

QJsonObject clipFacts(TAVISTREAM& stream)
{
    QString compressor;
    TAVIStreamInfo info;
    if (stream.GetInfo(info))
        compressor = fourccText(info.fccHandler);
    const int32_t frames = stream.FrameCount();
    int32_t width = 0;
    int32_t height = 0;
    int bits_per_pixel = 0;
    if (frames > 0) {
        const FrameImage frame = decodeFrame(stream, 0);
        width = frame.width();
        height = frame.height();
        bits_per_pixel = frame.bitsPerPixel();
    }
    return QJsonObject { { QStringLiteral("frames"), frames }, { QStringLiteral("width"), width },
        { QStringLiteral("height"), height }, { QStringLiteral("bits_per_pixel"), bits_per_pixel },
        { QStringLiteral("compressor"), compressor } };
}

int runInfo(const QStringList& words)
{
    CommandLine command(kInfoCommand,
        QStringLiteral("Prints the clip's facts and time base as one JSON object: file, frames, width,\n"
                       "height, bits_per_pixel, compressor, descriptor (the block as stored),\n"
                       "frame_period_ms and first_frame_time_ms."));
    command.addPositional(QStringLiteral("FILE"), QStringLiteral("An AVI or KFS clip."));
    if (!command.parse(words))
        return kExitOk;
    command.expectPositionals(1, "one FILE");
    const QString file_name = command.positionals()[0];

    TAVISTREAM stream(QStringLiteral("AVI"));
    openClip(stream, file_name);
    QJsonObject json = clipFacts(stream);
    const std::string block = readDescriptor(stream);
    ClipTimeBase time_base;
    time_base.ApplyDescriptors(block);
    json[QStringLiteral("file")] = file_name;
    json[QStringLiteral("descriptor")] = textOfBytes(block);
    json[QStringLiteral("frame_period_ms")] = shortestDouble(time_base.FramePeriodMs());
    json[QStringLiteral("first_frame_time_ms")] = shortestDouble(time_base.FirstFrameTimeMs());
    writeJson(json);
    return kExitOk;
}

} // namespace

const CliCommand kInfoCommand { "info", "info FILE",
    "Print the clip's facts and time base as one JSON object.", runInfo };

} // namespace fw::cli
