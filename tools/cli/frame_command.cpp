#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QSaveFile>

#include "cli_common.h"
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

int runFrame(const QStringList& words)
{
    CommandLine command(kFrameCommand,
        QStringLiteral("Writes frame INDEX (0 = first) of clip FILE as OUT, exactly as decoded: a .bmp\n"
                       "file holds the frame's own bitmap (8-bit with its colour table, or 24-bit), a\n"
                       ".png file the same picture."));
    command.addPositional(QStringLiteral("FILE"), QStringLiteral("An AVI or KFS clip."));
    command.addPositional(QStringLiteral("INDEX"), QStringLiteral("The frame, 0 for the first."));
    command.addPositional(QStringLiteral("OUT"), QStringLiteral("The image file to write, .bmp or .png."));
    if (!command.parse(words))
        return kExitOk;
    command.expectPositionals(3, "FILE INDEX OUT");
    const QStringList args = command.positionals();
    const ImageKind kind = kindOf(args[2]);
    const int32_t index = parseIndex(args[1]);

    TAVISTREAM stream(QStringLiteral("AVI"));
    openClip(stream, args[0]);
    const int32_t count = stream.FrameCount();
    if (count <= 0)
        throw Error(args[0] + QStringLiteral(": the clip has no frames"));
    if (index >= count)
        throw Error(QStringLiteral("Frame index %1 is out of range: the clip has %2 frames (0 to %3)")
                        .arg(index)
                        .arg(count)
                        .arg(count - 1));
    writeFile(args[2], encode(decodeFrame(stream, index), kind));
    return kExitOk;
}

} // namespace

const CliCommand kFrameCommand { "frame", "frame FILE INDEX OUT",
    "Write frame INDEX (0 = first) as OUT: .bmp (8-bit with its colour table, or 24-bit) or\n"
    "      .png.",
    runFrame };

} // namespace fw::cli
