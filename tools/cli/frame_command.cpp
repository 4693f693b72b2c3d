#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QSaveFile>

#include "bayer_clip.h"
#include "cli_common.h"
#include "clips/avi_favi.h"
#include "clips/tiff_avi.h"
#include "frame_sources.h"
#include "settings_processing.h"
#include "support/fw_error.h"

namespace fw::cli {

namespace {

enum class ImageKind { Bmp, Png };

ImageKind kindOf(const QString& out_name)
{
    const QString suffix = QFileInfo(out_name).suffix().toLower();
    if (suffix == QStringLiteral("bmp"))
        return ImageKind::Bmp;
    if (suffix == QStringLiteral("png"))
        return ImageKind::Png;
    throw UsageError("OUT must end in .bmp or .png");
}

int32_t parseIndex(const QString& text)
{
    bool ok = false;
    const qlonglong index = text.toLongLong(&ok, 10);
    if (!ok)
        throw UsageError("INDEX must be a whole number");
    if (index < 0 || index > INT32_MAX)
        throw Error(QStringLiteral("Frame index %1 is out of range").arg(text));
    return static_cast<int32_t>(index);
}

QByteArray encode(const FrameImage& frame, ImageKind kind)
{
    if (kind == ImageKind::Bmp) {
        const std::vector<uint8_t> bmp = frame.toBmpFile();
        return QByteArray(reinterpret_cast<const char*>(bmp.data()), static_cast<qsizetype>(bmp.size()));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!frame.toQImage().save(&buffer, "PNG"))
        throw Error("The frame could not be encoded as PNG");
    return png;
}

// The target appears only complete: a failed write leaves no file and no old file damaged.
void writeFile(const QString& out_name, const QByteArray& bytes)
{
    QSaveFile file(out_name);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(out_name + QStringLiteral(": ") + file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Error(out_name + QStringLiteral(": ") + file.errorString());
}

void checkIndex(int32_t index, int32_t count, const QString& file_name)
{
    if (count <= 0)
        throw Error(file_name + QStringLiteral(": the clip has no frames"));
    if (index >= count)
        throw Error(QStringLiteral("Frame index %1 is out of range: the clip has %2 frames (0 to %3)")
                        .arg(index)
                        .arg(count)
                        .arg(count - 1));
}

// Frame `index` of a clip or a sequence (counted from its lowest number), as read or
// processed as an import preview processes it with the settings file.
FrameImage sourceFrame(TBaseAVI& source, const QString& file_name, int32_t index, const QString& settings)
{
    openClip(source, file_name);
    checkIndex(index, source.FrameCount(), file_name);
    applyProcessing(source, settings);
    FrameImage frame;
    source.PreviewFrame(source.LowestNumber() + index, frame);
    return frame;
}

// A clip's frame as decoded.
FrameImage clipFrame(const QString& file_name, int32_t index)
{
    TAVISTREAM stream(QStringLiteral("AVI"));
    openClip(stream, file_name);
    checkIndex(index, stream.FrameCount(), file_name);
    return decodeFrame(stream, index);
}

FrameImage bayFrame(const QString& file_name, int32_t index, const QString& settings)
{
    BayerClip source;
    source.Open(file_name);
    checkIndex(index, source.FrameCount(), file_name);
    applyProcessing(source, settings);
    return source.Frame(index);
}

int runFrame(const QStringList& words)
{
    CommandLine command(kFrameCommand,
        QStringLiteral("Writes frame INDEX (0 = first) of PATH as OUT, exactly as read: a clip's frame as\n"
                       "decoded, a TIFF file as stored (8-bit grey with a grey colour table, or 24-bit),\n"
                       "a BAY frame interpolated by the raw pass alone (24-bit; a monochrome imager's\n"
                       "mosaic spread as grey). A .bmp file holds the frame's own bitmap, a .png file\n"
                       "the same picture. With --settings the frame is processed as the preview\n"
                       "processes it with the file's settings."));
    command.addPositional(QStringLiteral("PATH"),
        QStringLiteral("An AVI or KFS clip, or any .tif or .bay file of a numbered sequence."));
    command.addPositional(QStringLiteral("INDEX"),
        QStringLiteral("The frame, 0 for the first (of a sequence: the file with the lowest number)."));
    command.addPositional(QStringLiteral("OUT"), QStringLiteral("The image file to write, .bmp or .png."));
    command.addOption(QCommandLineOption(QStringLiteral("raw"),
        QStringLiteral("The frame as read, without processing (also the default without --settings).")));
    command.addOption(QCommandLineOption(QStringLiteral("settings"),
        QStringLiteral("Processing settings file to apply."), QStringLiteral("FILE.ips")));
    if (!command.parse(words))
        return kExitOk;
    command.expectPositionals(3, "PATH INDEX OUT");
    if (command.isSet(QStringLiteral("raw")) && command.isSet(QStringLiteral("settings")))
        throw UsageError("--raw and --settings exclude each other");
    const QStringList args = command.positionals();
    const ImageKind kind = kindOf(args[2]);
    const int32_t index = parseIndex(args[1]);
    const QString settings = command.value(QStringLiteral("settings"));

    FrameImage frame;
    if (sourceKindOf(args[0]) == SourceKind::BaySequence) {
        frame = bayFrame(args[0], index, settings);
    } else if (sourceKindOf(args[0]) == SourceKind::TiffSequence) {
        TTIFFAVI source;
        frame = sourceFrame(source, args[0], index, settings);
    } else if (!settings.isEmpty()) {
        TAVIFAVI source;
        frame = sourceFrame(source, args[0], index, settings);
    } else {
        frame = clipFrame(args[0], index);
    }
    writeFile(args[2], encode(frame, kind));
    return kExitOk;
}

} // namespace

const CliCommand kFrameCommand { "frame", "frame PATH INDEX OUT [--raw] [--settings FILE.ips]",
    "Write frame INDEX (0 = first) of a clip or a TIFF/BAY sequence as OUT: .bmp (8-bit\n"
    "      with its colour table, or 24-bit) or .png; as read, or processed by a settings file.",
    runFrame };

} // namespace fw::cli
