#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include <sys/stat.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include "bayer_clip.h"
#include "cli_common.h"
#include "clips/avi_clip_writer.h"
#include "clips/avi_encoders.h"
#include "clips/avi_favi.h"
#include "clips/tiff_avi.h"
#include "convert_save.h"
#include "frame_sources.h"
#include "settings_processing.h"
#include "support/fw_error.h"
#include "tool_prompt.h"

namespace fw::cli {

int clipTypeOf(const QString& name)
{
    static const char* const kNames[] = { "avi", "kfs", "bmp", "gif", "jpeg", "tif", "bay" };
    for (int i = 0; i < 7; ++i) {
        if (name == QLatin1String(kNames[i]))
            return i + 1;
    }
    throw UsageError("--type must be one of avi, kfs, bmp, gif, jpeg, tif, bay");
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

namespace {

const char* const kConvertHelp
    = "Saves the frames --first to --last of SRC (both included, every --step-th) as a new\n"
      "clip DST (--type avi or kfs), as numbered frame files F0000000.bmp, F0000001.bmp ...\n"
      "in folder DST (--type bmp, gif, jpeg or tif), or, from a BAY sequence, as BAY files\n"
      "under their own names in folder DST (--type bay).\n"
      "\n"
      "SRC is a clip, whose frames count from 0, or any file of a numbered TIFF or BAY\n"
      "sequence: the folder's files of that extension, ordered by the number in their\n"
      "names. A sequence's frames are numbered from its lowest file number, one more per\n"
      "file; --first and --last are these numbers (negative for BAY files recorded before\n"
      "the trigger).\n"
      "\n"
      "Without --settings the frames are saved exactly as read: an uncompressed clip or\n"
      "BMP, TIFF or GIF files hold the source's pixel values unchanged (8-bit grey frames\n"
      "stay 8-bit, frames of 256 colours or fewer keep their colours; a BAY frame is\n"
      "interpolated from its mosaic and nothing more), compressors and JPEG change them\n"
      "only as their coding does. With --settings FILE.ips the file's processing (tone,\n"
      "colour, sharpening, cropping and resizing) is applied as the import preview applies\n"
      "it. BAY files keep their mosaic and camera record and get the processing block\n"
      "(\"FW\", the frame time advancing by --step over the recording rate).\n"
      "\n"
      "The new clip keeps the source's descriptor block (a sequence's made from its camera\n"
      "block), its timing moved onto the saved frames. A target is replaced only when the\n"
      "new one is complete; a conversion that fails leaves nothing behind.";

ConvertRequest parseArguments(const QStringList& words, bool& help_shown)
{
    CommandLine command(kConvertCommand, QString::fromLatin1(kConvertHelp));
    command.addPositional(
        QStringLiteral("SRC"), QStringLiteral("The clip, or any .tif or .bay file of a numbered sequence."));
    command.addPositional(
        QStringLiteral("DST"), QStringLiteral("The new clip, or the folder of frame or BAY files."));
    const auto option = [&](const char* name, const char* value_name, const char* description) {
        command.addOption(QCommandLineOption(
            QString::fromLatin1(name), QString::fromLatin1(description), QString::fromLatin1(value_name)));
    };
    option("type", "TYPE", "avi, kfs, bmp, gif, jpeg, tif, or bay (from a BAY sequence).");
    option("compressor", "CODE",
        "The compressor of a clip: a code \"framewright-cli compressors\" lists, letters in either "
        "case. Uncompressed (DIB) without it.");
    option("quality", "Q", "Quality of a lossy compressor, 0 to 10000 (the default).");
    option("first", "N", "First frame to save (a sequence's frame number); the first without it.");
    option("last", "N", "Last frame to save (a sequence's frame number); the last without it.");
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
    request.source = command.positionals()[0];
    request.target = command.positionals()[1];
    request.kind = sourceKindOf(request.source);
    if (request.type == kBayFilesType && request.kind != SourceKind::BaySequence)
        throw UsageError("--type bay needs a BAY sequence as SRC");
    // Clip frames count from 0; sequence numbers may lie below it.
    const int32_t lowest = request.kind == SourceKind::Clip ? 0 : INT32_MIN;
    if (given("first"))
        request.first = wholeNumber("first", value("first"), lowest, INT32_MAX);
    if (given("last"))
        request.last = wholeNumber("last", value("last"), lowest, INT32_MAX);
    if (given("step"))
        request.step = wholeNumber("step", value("step"), 1, INT32_MAX);
    if (given("settings"))
        request.settings = value("settings");
    if (request.first && request.last && *request.first > *request.last)
        throw UsageError("--first must not lie after --last");
    return request;
}

void selectRange(TBaseAVI& stream, const ConvertRequest& request)
{
    const int32_t low = stream.LowestNumber();
    const int32_t high = stream.HighestNumber();
    const int32_t first = request.first.value_or(low);
    const int32_t last = request.last.value_or(high);
    for (const int32_t number : { first, last }) {
        if (number >= low && number <= high)
            continue;
        if (request.kind == SourceKind::Clip)
            throw Error(QStringLiteral("Frame index %1 is out of range: the clip has %2 frames (0 to %3)")
                            .arg(number)
                            .arg(high - low + 1)
                            .arg(high));
        throw Error(QStringLiteral("Frame number %1 is out of range: the sequence has frames %2 to %3")
                        .arg(number)
                        .arg(low)
                        .arg(high));
    }
    stream.SetFrameRange(first, last, request.step);
}

// Progress in steps of a tenth, one line each.
class ProgressPrinter {
public:
    explicit ProgressPrinter(QString shown_name)
        : shown_name_(std::move(shown_name))
    {
    }
    int32_t operator()(int percent)
    {
        if (percent / 10 > shown_tenths_) {
            shown_tenths_ = percent / 10;
            std::fprintf(stderr, "Saving %s: %d%%\n", qPrintable(shown_name_), percent);
        }
        return 0;
    }

private:
    QString shown_name_;
    int shown_tenths_ = -1;
};

// The reason of a failed save: the last question the tool answered with Abort, else the
// writer's own text. `shown_name` stands for the temporary `path` in what the user reads.
[[noreturn]] void throwSaveFailure(int32_t result, const QString& path, const QString& shown_name)
{
    QString reason = toolPrompt().LastFailure();
    if (reason.isEmpty())
        reason = TAVISaveThread::FailureText(path);
    if (!reason.isEmpty())
        throw Error(reason.replace(path, shown_name));
    throw Error(QStringLiteral("Saving failed (result 0x%1)").arg(uint32_t(result), 8, 16, QLatin1Char('0')));
}

// Runs the stream's save to `path` and waits for its end. Questions of the save are answered
// Abort, since nobody is there to answer.
void runSave(TAVISTREAM& stream, int type, const QString& path, const QString& shown_name)
{
    toolPrompt().ClearFailure();
    QEventLoop loop;
    bool ended = false;
    int32_t result = avierr::kGeneral;
    ProgressPrinter progress(shown_name);
    stream.StartSave(
        type, stream.TypeCaption(type), path, std::ref(progress), [&](TAVISTREAM&, int32_t code) {
            result = code;
            ended = true;
            loop.quit();
        });
    if (!ended)
        loop.exec();
    if (result != avierr::kOk)
        throwSaveFailure(result, path, shown_name);
}

} // namespace

void saveBayFiles(TBayer& source, const QString& folder, const QString& shown_name)
{
    toolPrompt().ClearFailure();
    source.SetWord(size_t(BayWord::Magic), kBayProcessingMagic);
    source.Writer().SetFrameStep(source.FrameStep());
    source.Writer().SetFrameTime(0.0);
    ProgressPrinter progress(shown_name);
    const int32_t result = source.SaveBayerFiles(folder, std::ref(progress));
    if (result != 0)
        throwSaveFailure(result, folder, shown_name);
}

namespace {

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
void convertToClip(TAVISTREAM& stream, const std::string& descriptor, const ConvertRequest& request)
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
    writeDescriptor(path, descriptor);

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

// One file moved into the target folder, and where the file it replaced was put aside.
struct MovedFile {
    std::string path;
    std::string replaced; // empty when the name was new
};

void undoMoves(const std::vector<MovedFile>& moved)
{
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
        std::error_code ignored;
        if (it->replaced.empty())
            std::filesystem::remove(it->path, ignored);
        else
            std::filesystem::rename(it->replaced, it->path, ignored);
    }
}

// Moves the finished files into an existing target folder, replacing files of the same name.
// When one cannot be moved, the moves are undone, so the folder holds what it held before.
void mergeIntoFolder(const QString& from_folder, const QString& target_folder, const QString& shown_name)
{
    const std::string aside = QFile::encodeName(from_folder).toStdString() + "/.replaced-";
    std::vector<MovedFile> moved;
    // Listed before the first move: the files put aside go into the same folder.
    const QStringList names = QDir(from_folder).entryList(QDir::Files);
    for (const QString& name : names) {
        const QString from = QDir(from_folder).filePath(name);
        MovedFile move { QFile::encodeName(QDir(target_folder).filePath(name)).toStdString(), {} };
        std::error_code error;
        if (std::filesystem::exists(move.path, error)) {
            move.replaced = aside + QFile::encodeName(name).toStdString();
            std::filesystem::rename(move.path, move.replaced, error);
        }
        if (!error)
            std::filesystem::rename(QFile::encodeName(from).toStdString(), move.path, error);
        if (error) {
            std::error_code ignored;
            if (!move.replaced.empty())
                std::filesystem::rename(move.replaced, move.path, ignored);
            undoMoves(moved);
            throw Error(shown_name + QStringLiteral(": ") + QString::fromStdString(error.message()));
        }
        moved.push_back(std::move(move));
    }
}

// Files are written into a new folder beside the target; it becomes the target, or its files
// join an existing target folder, only when every frame was written.
} // namespace

void convertToDirectory(const ConvertRequest& request, const std::function<void(const QString&)>& save)
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
    save(temporary.path());

    if (!target.exists()) {
        std::error_code error;
        std::filesystem::permissions(QFile::encodeName(temporary.path()).toStdString(), newMode(0777), error);
        if (!QDir().rename(temporary.path(), target.absoluteFilePath()))
            throw Error(request.target + QStringLiteral(": the folder cannot be created"));
        temporary.setAutoRemove(false);
        return;
    }
    mergeIntoFolder(temporary.path(), target.absoluteFilePath(), request.target);
}

void readDownloadRange(const CommandLine& command, ConvertRequest& save)
{
    const auto given = [&](const char* name) { return command.isSet(QString::fromLatin1(name)); };
    const auto value = [&](const char* name) { return command.value(QString::fromLatin1(name)); };
    if (given("compressor"))
        save.compressor = compressorOf(value("compressor"));
    if (given("first"))
        save.first = wholeNumber("first", value("first"), INT32_MIN, INT32_MAX);
    if (given("last"))
        save.last = wholeNumber("last", value("last"), INT32_MIN, INT32_MAX);
    if (given("step"))
        save.step = wholeNumber("step", value("step"), 1, INT32_MAX);
    if (save.first && save.last && *save.first > *save.last)
        throw UsageError("--first must not lie after --last");
}

void saveFrames(TAVISTREAM& stream, const std::string& descriptor, const ConvertRequest& request)
{
    if (stream.IsClipType(request.type)) {
        convertToClip(stream, descriptor, request);
        return;
    }
    convertToDirectory(
        request, [&](const QString& folder) { runSave(stream, request.type, folder, request.target); });
}

namespace {

void convertStream(TBaseAVI& stream, const ConvertRequest& request)
{
    selectRange(stream, request);
    applyProcessing(stream, request.settings);
    saveFrames(stream, stream.DescriptorText(), request);
}

void convertBayer(const ConvertRequest& request)
{
    BayerClip source;
    source.Open(request.source);
    source.SelectNumbers(request.first.value_or(source.FirstNumber()),
        request.last.value_or(source.LastNumber()), request.step);
    if (request.type == kBayFilesType) {
        convertToDirectory(
            request, [&](const QString& folder) { saveBayFiles(source, folder, request.target); });
        return;
    }
    applyProcessing(source, request.settings);
    saveFrames(source, source.SelectionDescriptors(), request);
}

int runConvert(const QStringList& words)
{
    bool help_shown = false;
    const ConvertRequest request = parseArguments(words, help_shown);
    if (help_shown)
        return kExitOk;
    if (request.kind == SourceKind::BaySequence) {
        convertBayer(request);
        return kExitOk;
    }
    std::unique_ptr<TBaseAVI> stream;
    if (request.kind == SourceKind::TiffSequence)
        stream = std::make_unique<TTIFFAVI>();
    else
        stream = std::make_unique<TAVIFAVI>();
    openClip(*stream, request.source);
    convertStream(*stream, request);
    return kExitOk;
}

} // namespace

const CliCommand kConvertCommand { "convert",
    "convert SRC DST --type avi|kfs|bmp|gif|jpeg|tif|bay [--compressor CODE]\n"
    "        [--quality Q] [--first N] [--last N] [--step K] [--settings FILE.ips]",
    "Save a range of the frames of a clip or a TIFF/BAY sequence as a new clip, as numbered\n"
    "      frame files or as BAY files, as read or processed by a settings file.",
    runConvert };

} // namespace fw::cli
