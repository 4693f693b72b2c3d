#include <string>

#include "cli_common.h"
#include "clips/clip_time_base.h"
#include "json_text.h"

namespace fw::cli {

namespace {

struct ClipFacts {
    int32_t frames = 0;
    int32_t width = 0;
    int32_t height = 0;
    int bits_per_pixel = 0;
    std::string compressor;
};

ClipFacts readFacts(TAVISTREAM& stream)
{
    ClipFacts facts;
    TAVIStreamInfo info;
    if (stream.GetInfo(info))
        facts.compressor = fourccText(info.fccHandler).toStdString();
    facts.frames = stream.FrameCount();
    if (facts.frames > 0) {
        const FrameImage frame = decodeFrame(stream, 0);
        facts.width = frame.width();
        facts.height = frame.height();
        facts.bits_per_pixel = frame.bitsPerPixel();
    }
    return facts;
}

} // namespace

int runInfo(const QStringList& args)
{
    if (args.size() != 1)
        throw UsageError("info takes one FILE");
    const QString file_name = args[0];
    TAVISTREAM stream(QStringLiteral("AVI"));
    openClip(stream, file_name);
    const ClipFacts facts = readFacts(stream);
    const std::string block = readDescriptor(stream);
    ClipTimeBase time_base;
    time_base.ApplyDescriptors(block);

    std::string json = "{\n";
    json += "  \"file\": " + jsonString(file_name.toStdString()) + ",\n";
    json += "  \"frames\": " + std::to_string(facts.frames) + ",\n";
    json += "  \"width\": " + std::to_string(facts.width) + ",\n";
    json += "  \"height\": " + std::to_string(facts.height) + ",\n";
    json += "  \"bits_per_pixel\": " + std::to_string(facts.bits_per_pixel) + ",\n";
    json += "  \"compressor\": " + jsonString(facts.compressor) + ",\n";
    json += "  \"descriptor\": " + jsonString(block) + ",\n";
    json += "  \"frame_period_ms\": " + jsonNumber(time_base.FramePeriodMs()) + ",\n";
    json += "  \"first_frame_time_ms\": " + jsonNumber(time_base.FirstFrameTimeMs()) + "\n";
    json += "}\n";
    writeStdout(json);
    return kExitOk;
}

} // namespace fw::cli
