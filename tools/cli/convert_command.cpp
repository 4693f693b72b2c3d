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
        throw UsageError(option.toStdString() + " takes a whole number from " + std::to_string(low) + " to "
            + std::to_string(high));
    return static_cast<int32_t>(value);
}

ConvertRequest parseArguments(const QStringList& args)
{
    ConvertRequest request;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QStringLiteral("--"))) {
            positional << arg;
            continue;
        }
        if (i + 1 >= args.size())
            throw UsageError(arg.toStdString() + " needs a value");
        const QString value = args[++i];
        if (arg == QStringLiteral("--type")) {
            request.type = clipTypeOf(value);
        } else if (arg == QStringLiteral("--compressor")) {
            if (value.isEmpty() || value.size() > 4)
                throw UsageError("--compressor takes a code of up to four characters, e.g. MJPG");
            request.compressor = HandlerCode(value);
        } else if (arg == QStringLiteral("--quality")) {
            request.quality = uint32_t(wholeNumber(arg, value, 0, int32_t(kMaxQuality)));
        } else if (arg == QStringLiteral("--first")) {
            request.first = wholeNumber(arg, value, 0, INT32_MAX);
        } else if (arg == QStringLiteral("--last")) {
            request.last = wholeNumber(arg, value, 0, INT32_MAX);
        } else if (arg == QStringLiteral("--step")) {
            request.step = wholeNumber(arg, value, 1, INT32_MAX);
        } else if (arg == QStringLiteral("--settings")) {
            request.settings = value;
        } else {
            throw UsageError("unknown option " + arg.toStdString());
        }
    }
    if (positional.size() != 2)
        throw UsageError("convert takes SRC DST");
    if (request.type == 0)
        throw UsageError("convert needs --type");
    if (request.first && request.last && *request.first > *request.last)
        throw UsageError("--first must not lie after --last");
    request.source = positional[0];
    request.target = positional[1];
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

// Processing as an import preview would apply it: its own values, or those of a settings file
// read through the preview's controls (cropping and resizing included).
void applyProcessing(TBaseAVI& stream, const QString& settings_path)
{
    ImportPreviewValues values = previewValues(stream);
    if (!settings_path.isEmpty()) {
        ProcessingSettings settings = HandOverImportValues(values);
        LoadIpsFile(settings_path, settings);
        TakeBackImportValues(settings, values, stream.ImageWidth(), stream.ImageHeight());
    }
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
    try {
        stream.StartSave(
            type, stream.TypeCaption(type), path, [](int) { return int32_t(0); },
            [&](TAVISTREAM&, int32_t code) {
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
        throw Error(reason.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(path, shown_name));
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

} // namespace

int runConvert(const QStringList& args)
{
    const ConvertRequest request = parseArguments(args);
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

} // namespace fw::cli
