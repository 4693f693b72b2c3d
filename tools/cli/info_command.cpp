#include <string>

#include <QJsonObject>

#include "bayer_clip.h"
#include "cli_common.h"
#include "clips/clip_time_base.h"
#include "clips/descriptor_block.h"
#include "clips/tiff_avi.h"
#include "frame_sources.h"

namespace fw::cli {

namespace {

QJsonObject pictureFacts(int32_t frames, int32_t width, int32_t height, int bits_per_pixel)
{
    return QJsonObject { { QStringLiteral("frames"), frames }, { QStringLiteral("width"), width },
        { QStringLiteral("height"), height }, { QStringLiteral("bits_per_pixel"), bits_per_pixel } };
}

QJsonObject clipFacts(const QString& file_name, std::string& block)
{
    TAVISTREAM stream(QStringLiteral("AVI"));
    openClip(stream, file_name);
    QString compressor;
    TAVIStreamInfo info;
    if (stream.GetInfo(info))
        compressor = fourccText(info.fccHandler);
    const int32_t frames = stream.FrameCount();
    QJsonObject json = pictureFacts(frames, 0, 0, 0);
    if (frames > 0) {
        const FrameImage frame = decodeFrame(stream, 0);
        json = pictureFacts(frames, frame.width(), frame.height(), frame.bitsPerPixel());
    }
    json[QStringLiteral("compressor")] = compressor;
    block = readDescriptor(stream);
    return json;
}

void addNumbers(QJsonObject& json, int32_t first_number, int32_t last_number)
{
    json[QStringLiteral("first_number")] = first_number;
    json[QStringLiteral("last_number")] = last_number;
}

// Without a camera block the sequence runs at the 1000 frames per second it was warned about.
QJsonObject tiffFacts(const QString& file_name, std::string& block)
{
    TTIFFAVI source;
    openClip(source, file_name);
    QJsonObject json
        = pictureFacts(source.FrameCount(), source.ImageWidth(), source.ImageHeight(), source.BitsPerPixel());
    addNumbers(json, source.LowestNumber(), source.HighestNumber());
    block = source.SourceDescriptor();
    if (block.empty())
        block = BuildDescriptorBlock(source.FrameRate(), 0, 0.0, {}, {});
    return json;
}

QJsonObject bayFacts(const QString& file_name, std::string& block)
{
    BayerClip source;
    source.Open(file_name);
    block = source.SelectionDescriptors();
    QJsonObject json = pictureFacts(source.FrameCount(), source.Width(), source.Height(), 24);
    addNumbers(json, source.FirstNumber(), source.LastNumber());
    return json;
}

int runInfo(const QStringList& words)
{
    CommandLine command(kInfoCommand,
        QStringLiteral("Prints the clip's facts and time base as one JSON object: file, frames, width,\n"
                       "height, bits_per_pixel, compressor (clips), descriptor (the block as stored,\n"
                       "or made from a sequence's camera block), frame_period_ms and\n"
                       "first_frame_time_ms; for a sequence also first_number and last_number, the\n"
                       "numbers of its first and last frame (the lowest file number, then one more\n"
                       "per file)."));
    command.addPositional(QStringLiteral("PATH"),
        QStringLiteral("An AVI or KFS clip, or any .tif or .bay file of a numbered sequence (the\n"
                       "folder's files of that extension, ordered by the number in their names)."));
    if (!command.parse(words))
        return kExitOk;
    command.expectPositionals(1, "one PATH");
    const QString file_name = command.positionals()[0];

    std::string block;
    QJsonObject json;
    switch (sourceKindOf(file_name)) {
    case SourceKind::Clip:
        json = clipFacts(file_name, block);
        break;
    case SourceKind::TiffSequence:
        json = tiffFacts(file_name, block);
        break;
    case SourceKind::BaySequence:
        json = bayFacts(file_name, block);
        break;
    }
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

const CliCommand kInfoCommand { "info", "info PATH",
    "Print the facts and time base of a clip or a TIFF/BAY sequence as one JSON object.", runInfo };

} // namespace fw::cli
