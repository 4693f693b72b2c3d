#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include <sys/stat.h>

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include "cli_common.h"
#include "clips/avi_clip_writer.h"
#include "clips/avi_encoders.h"
#include "clips/avi_favi.h"
#include "clips/import_preview_values.h"
#include "clips/ips_file.h"
#include "clips/processing_controls.h"
#include "clips/processing_settings.h"
#include "clips/sharpen.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw::cli {

namespace {

struct ConvertRequest {
    QString source;
    QString target;
    int type = 0; // clip type 1..6
    uint32_t compressor = kUncompressedCode;
    uint32_t quality = kMaxQuality;
    std::optional<int32_t> first;
    std::optional<int32_t> last;
    int32_t step = 1;
    QString settings;
};

int clipTypeOf(const QString& name)
{
    static const char* const kNames[] = { "avi", "kfs", "bmp", "gif", "jpeg", "tif" };
    for (int i = 0; i < 6; ++i) {
        if (name == QLatin1String(kNames[i]))
            return i + 1;
    }
    throw UsageError("--type must be one of avi, kfs, bmp, gif, jpeg, tif");
}

int32_t wholeNumber(const QString& option, const QString& text, int32_t low, int32_t high)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok || value < low || value > high)
        throw UsageError("--" + option.toStdString() + " takes a whole number from " + std::to_string(low)
            + " to " + std::to_string(high));
    return static_cast<int32_t>(value);
}

// A code this machine cannot write is refused before anything is written: a clip silently
// compressed otherwise is worse than none.
uint32_t compressorOf(const QString& text)
{
    if (const AviEncoder* encoder = MatchAviEncoder(text))
        return encoder->code;
    QStringList codes;
    for (const AviEncoder& encoder : AviEncoders())
        codes << AviEncoderCodeText(encoder.code);
    throw UsageError(("--compressor " + text + " is not available here; the available codes are "
        + codes.join(QStringLiteral(", ")))
                         .toStdString());
}

const char* const kConvertHelp
    = "Saves the frames --first to --last of clip SRC (0 = first, both included, every\n"
      "--step-th) as a new clip DST (--type avi or kfs), or as numbered frame files\n"
      "F0000000.bmp, F0000001.bmp ... in folder DST (--type bmp, gif, jpeg or tif).\n"
      "\n"
      "Without --settings the frames are saved exactly as read: an uncompressed clip or\n"
      "BMP, TIFF or GIF files hold the source's pixel values unchanged (8-bit grey frames\n"
      "stay 8-bit, frames of 256 colours or fewer keep their colours), compressors and\n"
      "JPEG change them only as their coding does. With --settings FILE.ips the file's\n"
      "processing (tone, colour, sharpening, cropping and resizing) is applied as the\n"
      "import preview applies it.\n"
      "\n"
      "The new clip keeps the source's descriptor block, its timing moved onto the saved\n"
      "frames. A target is replaced only when the new one is complete.";

ConvertRequest parseArguments(const QStringList& words, bool& help_shown)
{
    CommandLine command(kConvertCommand, QString::fromLatin1(kConvertHelp));
    command.addPositional(QStringLiteral("SRC"), QStringLiteral("The clip to read."));
    command.addPositional(
        QStringLiteral("DST"), QStringLiteral("The new clip, or the folder of frame files."));
    const auto option = [&](const char* name, const char* value_name, const char* description) {
        command.addOption(QCommandLineOption(
            QString::fromLatin1(name), QString::fromLatin1(description), QString::fromLatin1(value_name)));
    };
    option("type", "TYPE", "avi, kfs, bmp, gif, jpeg or tif.");
    option("compressor", "CODE",
        "The compressor of a clip: a code \"framewright-cli compressors\" lists, letters in either "
        "case. Uncompressed (DIB) without it.");
    option("quality", "Q", "Quality of a lossy compressor, 0 to 10000 (the default).");
    option("first", "I", "First frame to save; the clip's first without it.");
    option("last", "I", "Last frame to save; the clip's last without it.");
    option("step", "K", "Save every K-th frame (1 without it).");
    option("settings", "FILE.ips", "Processing settings file to apply.");
    help_shown = !command.parse(words);
    ConvertRequest request;
    if (help_shown)
        return request;
    command.expectPositionals(2, "SRC DST");
    const auto given = [&](const char* name) { return command.isSet(QString::fromLatin1(name)); };
    const auto value = [&](const char* name) { return command.value(QString::fromLatin1(name)); };
    if (!given("type"))
        throw UsageError("convert needs --type");
    request.type = clipTypeOf(value("type"));
    if (given("compressor"))
        request.compressor = compressorOf(value("compressor"));
    if (given("quality"))
        request.quality = uint32_t(wholeNumber("quality", value("quality"), 0, int32_t(kMaxQuality)));
    if (given("first"))
        request.first = wholeNumber("first", value("first"), 0, INT32_MAX);
    if (given("last"))
        request.last = wholeNumber("last", value("last"), 0, INT32_MAX);
    if (given("step"))
        request.step = wholeNumber("step", value("step"), 1, INT32_MAX);
    if (given("settings"))
        request.settings = value("settings");
    if (request.first && request.last && *request.first > *request.last)
        throw UsageError("--first must not lie after --last");
    request.source = command.positionals()[0];
    request.target = command.positionals()[1];
    return request;
}

// The values an import preview starts from: every bar centred, the "Core" filter, no cropping.
ImportPreviewValues previewValues(const TBaseAVI& stream)
{
    ImportPreviewValues values;
    values.Balance();
    values.crop.allowed = !stream.IsColour();
    values.crop.rect = FrameRect { 0, 0, stream.ImageWidth() - 1, stream.ImageHeight() - 1 };
    values.crop.new_width = stream.ImageWidth();
    values.crop.new_height = stream.ImageHeight();
    return values;
}

// Without a settings file the frames go out as read. With one, they are processed as an import
// preview would process them with the file loaded into its controls (cropping and resizing
// included).
void applyProcessing(TBaseAVI& stream, const QString& settings_path)
{
    if (settings_path.isEmpty()) {
        stream.SetProcessing(false);
        return;
    }
    ImportPreviewValues values = previewValues(stream);
    ProcessingSettings settings = HandOverImportValues(values);
    LoadIpsFile(settings_path, settings);
    TakeBackImportValues(settings, values, stream.ImageWidth(), stream.ImageHeight());
    ApplyImportProcessing(values, stream);
    ApplyImportCropping(values, stream);
}

void selectRange(TBaseAVI& stream, const ConvertRequest& request)
{
    const int32_t count = stream.FrameCount();
    const int32_t first = request.first.value_or(0);
    const int32_t last = request.last.value_or(count - 1);
    for (const int32_t index : { first, last }) {
        if (index >= count)
            throw Error(QStringLiteral("Frame index %1 is out of range: the clip has %2 frames (0 to %3)")
                            .arg(index)
                            .arg(count)
                            .arg(count - 1));
    }
    stream.SetFrameRange(first, last, request.step);
}

// Runs the stream's save to `path` and waits for its end. Questions of the save are answered
// Abort, since nobody is there to answer; the last one, or else the writer's own text, is the
// reason of a failure. `shown_name` stands for the temporary `path` in what the user reads.
void runSave(TBaseAVI& stream, int type, const QString& path, const QString& shown_name)
{
    ScriptedPrompt answers;
    answers.setFallback(PromptButton::Abort);
    installPrompt(&answers);
    QEventLoop loop;
    bool ended = false;
    int32_t result = avierr::kGeneral;
    // Progress in steps of a tenth, one line each.
    int shown_tenths = -1;
    const auto progress = [&](int percent) {
        if (percent / 10 > shown_tenths) {
            shown_tenths = percent / 10;
            std::fprintf(stderr, "Saving %s: %d%%\n", qPrintable(shown_name), percent);
        }
        return int32_t(0);
    };
    try {
        stream.StartSave(type, stream.TypeCaption(type), path, progress, [&](TAVISTREAM&, int32_t code) {
            result = code;
            ended = true;
            loop.quit();
        });
        if (!ended)
            loop.exec();
    } catch (...) {
        installPrompt(nullptr);
        throw;
    }
    installPrompt(nullptr);
    if (result == avierr::kOk)
        return;
    const QStringList texts = answers.texts();
    QString reason = texts.isEmpty() ? TAVISaveThread::FailureText(path) : texts.last();
    if (!reason.isEmpty())
        throw Error(reason.replace(path, shown_name));
    throw Error(QStringLiteral("Saving failed (result 0x%1)").arg(uint32_t(result), 8, 16, QLatin1Char('0')));
}

// The mode of a new file (0666) or folder (0777) under the process's file mode mask.
std::filesystem::perms newMode(mode_t mode)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return std::filesystem::perms(mode & ~mask);
}

void writeDescriptor(const QString& path, const std::string& block)
{
    if (!WriteDescriptorBlock(path, block))
        throw Error(path + QStringLiteral(": the descriptor block could not be written"));
}

// The new clip is written beside the target under a temporary name and renamed over it only
// when complete, so a failure leaves an existing target as it was.
void convertToClip(TBaseAVI& stream, const ConvertRequest& request)
{
    const QFileInfo target(request.target);
    if (target.isDir())
        throw Error(request.target + QStringLiteral(": is a folder"));
    QTemporaryFile temporary(
        target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!temporary.open())
        throw Error(request.target + QStringLiteral(": ") + temporary.errorString());
    temporary.close();
    const QString path = temporary.fileName();

    CompressionOptions& options = stream.CompressOptions();
    options.fccHandler = request.compressor;
    options.dwQuality = request.quality;
    options.options_ok = true;
    runSave(stream, request.type, path, request.target);
    writeDescriptor(path, stream.DescriptorText());

    // The temporary file is private to its owner; the clip gets the mode a new file gets, or
    // keeps the one of the file it replaces.
    const std::string final_path = QFile::encodeName(target.absoluteFilePath()).toStdString();
    const std::string temporary_path = QFile::encodeName(path).toStdString();
    std::error_code error;
    const auto old_status = std::filesystem::status(final_path, error);
    if (!error && std::filesystem::exists(old_status)) {
        std::filesystem::permissions(temporary_path, old_status.permissions(), error);
    } else {
        std::filesystem::permissions(temporary_path, newMode(0666), error);
    }
    error.clear();
    std::filesystem::rename(temporary_path, final_path, error);
    if (error)
        throw Error(request.target + QStringLiteral(": ") + QString::fromStdString(error.message()));
    temporary.setAutoRemove(false);
}

// Frame files are written into a new folder beside the target; it becomes the target, or its
// files join an existing target folder, only when every frame was written.
void convertToDirectory(TBaseAVI& stream, const ConvertRequest& request)
{
    const QFileInfo target(request.target);
    if (target.exists() && !target.isDir())
        throw Error(request.target + QStringLiteral(": exists and is not a folder"));
    const QDir parent = target.absoluteDir();
    if (!parent.exists() && !QDir().mkpath(parent.absolutePath()))
        throw Error(request.target + QStringLiteral(": the folder cannot be created"));
    QTemporaryDir temporary(parent.filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!temporary.isValid())
        throw Error(request.target + QStringLiteral(": ") + temporary.errorString());
    runSave(stream, request.type, temporary.path(), request.target);

    if (!target.exists()) {
        std::error_code error;
        std::filesystem::permissions(QFile::encodeName(temporary.path()).toStdString(), newMode(0777), error);
        if (!QDir().rename(temporary.path(), target.absoluteFilePath()))
            throw Error(request.target + QStringLiteral(": the folder cannot be created"));
        temporary.setAutoRemove(false);
        return;
    }
    QDirIterator files(temporary.path(), QDir::Files);
    while (files.hasNext()) {
        const QString from = files.next();
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(from).toStdString(),
            QFile::encodeName(QDir(target.absoluteFilePath()).filePath(QFileInfo(from).fileName()))
                .toStdString(),
            error);
        if (error)
            throw Error(request.target + QStringLiteral(": ") + QString::fromStdString(error.message()));
    }
}

int runConvert(const QStringList& words)
{
    bool help_shown = false;
    const ConvertRequest request = parseArguments(words, help_shown);
    if (help_shown)
        return kExitOk;
    TAVIFAVI stream;
    openClip(stream, request.source);
    selectRange(stream, request);
    applyProcessing(stream, request.settings);
    if (stream.IsClipType(request.type))
        convertToClip(stream, request);
    else
        convertToDirectory(stream, request);
    return kExitOk;
}

} // namespace

const CliCommand kConvertCommand { "convert",
    "convert SRC DST --type avi|kfs|bmp|gif|jpeg|tif [--compressor CODE] [--quality Q]\n"
    "        [--first I] [--last I] [--step K] [--settings FILE.ips]",
    "Save a range of a clip's frames as a new clip or as numbered frame files, as read or\n"
    "      processed by a settings file.",
    runConvert };

} // namespace fw::cli
