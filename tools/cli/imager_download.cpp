#include <optional>

#include <QCommandLineOption>

#include "cli_common.h"
#include "clips/frame_image.h"
#include "convert_save.h"
#include "imager_link.h"
#include "imagers/hg/hg_comm_layer.h"
#include "imagers/ro.h"
#include "settings_processing.h"
#include "support/fw_error.h"
#include "tool_prompt.h"

namespace fw::cli {

namespace {

const char* const kDownloadHelp
    = "Downloads the recorded frames --first to --last (imager frame numbers, both included,\n"
      "every --step-th; the whole recording without them), interpolates them as the download\n"
      "preview does and saves them like \"framewright-cli convert\": a clip DST (--type avi or\n"
      "kfs, uncompressed unless --compressor is given), numbered frame files in folder DST\n"
      "(--type bmp, gif, jpeg or tif), or the raw BAY frame records in folder DST (--type bay,\n"
      "named F%6.5d.bay after the imager frame number).\n"
      "\n"
      "Without --settings (or with --raw) the frames are saved as interpolated, with no\n"
      "processing; with --settings FILE.ips the file's processing is applied as the download\n"
      "preview applies it. A frame that still fails after its attempts ends the download;\n"
      "nothing half-written is left.";

struct DownloadRequest {
    ConvertRequest save;
    LinkTarget link;
    bool set_clock = true;
};

void AddDownloadOptions(CommandLine& command)
{
    const auto option = [&](const char* name, const char* value_name, const char* description) {
        command.addOption(QCommandLineOption(
            QString::fromLatin1(name), QString::fromLatin1(description), QString::fromLatin1(value_name)));
    };
    command.addPositional(
        QStringLiteral("DST"), QStringLiteral("The new clip, or the folder of frame or BAY files."));
    option("type", "TYPE", "avi, kfs, bmp, gif, jpeg, tif or bay.");
    option("first", "N", "First imager frame to download; the first recorded without it.");
    option("last", "N", "Last imager frame to download; the last recorded without it.");
    option("step", "K", "Download every K-th frame (1 without it).");
    option(
        "compressor", "CODE", "The compressor of a clip (\"framewright-cli compressors\"); DIB without it.");
    option("settings", "FILE.ips", "Processing settings file to apply.");
    command.addOption(
        QCommandLineOption(QStringLiteral("raw"), QStringLiteral("Save the frames as interpolated.")));
}

std::optional<DownloadRequest> ParseDownload(const QStringList& words)
{
    CommandLine command(kImagerCommand, QString::fromLatin1(kDownloadHelp));
    AddLinkOptions(command, LinkUse::Attach);
    AddDownloadOptions(command);
    if (!command.parse(words.mid(1)))
        return std::nullopt;
    command.expectPositionals(1, "DST");
    DownloadRequest request;
    request.link = ReadLinkTarget(command, LinkUse::Attach);
    if (request.link.serial)
        throw UsageError(
            "imager download works over Ethernet only: HG/RO imagers on a serial line are found and "
            "set up, not downloaded from");
    request.set_clock = !command.isSet(QStringLiteral("no-clock"));
    const auto given = [&](const char* name) { return command.isSet(QString::fromLatin1(name)); };
    const auto value = [&](const char* name) { return command.value(QString::fromLatin1(name)); };
    ConvertRequest& save = request.save;
    save.source = request.link.address;
    save.target = command.positionals().at(0);
    if (!given("type"))
        throw UsageError("imager download needs --type");
    save.type = clipTypeOf(value("type"));
    readDownloadRange(command, save);
    if (given("settings") && given("raw"))
        throw UsageError("give --settings or --raw, not both");
    if (given("settings"))
        save.settings = value("settings");
    return request;
}

// Chooses the imager frames first .. last, every step-th.
void SelectFrames(TRO& source, const ConvertRequest& request)
{
    if (source.EntryCount() == 0)
        throw Error(QStringLiteral("Imager ") + source.Name() + QStringLiteral(" holds no recording."));
    const int32_t recorded_first = source.EntryLabel(0).toInt();
    const int32_t recorded_last = recorded_first + source.EntryCount() - 1;
    const int32_t first = request.first.value_or(recorded_first);
    const int32_t last = request.last.value_or(recorded_last);
    if (first < recorded_first || last > recorded_last || first > last)
        throw Error(QStringLiteral("Frames %1 to %2 are not in the recording: it has frames %3 to %4")
                        .arg(first)
                        .arg(last)
                        .arg(recorded_first)
                        .arg(recorded_last));
    source.SelectEntries(first - recorded_first, request.step, (last - first) / request.step + 1);
}

// The descriptor block of the download: the camera facts of its first frame.
std::string FirstFrameDescriptors(TRO& source)
{
    FrameImage frame(source.Width(), source.Height(), 24);
    toolPrompt().ClearFailure();
    if (source.RenderFrame(0, frame.pixels()) != kBayFrameDone) {
        const QString reason = toolPrompt().LastFailure();
        throw Error(reason.isEmpty() ? QStringLiteral("The first frame could not be downloaded") : reason);
    }
    return source.Descriptors();
}

int RunDownload(const QStringList& words)
{
    const std::optional<DownloadRequest> request = ParseDownload(words);
    if (!request)
        return kExitOk;
    const LinkTarget& target = request->link;
    TRO source(MakeLink(target), request->set_clock, target.Description(), target.Name());
    source.Open(target.address);
    SelectFrames(source, request->save);
    if (request->save.type == kBayFilesType) {
        convertToDirectory(request->save,
            [&](const QString& folder) { saveBayFiles(source, folder, request->save.target); });
    } else {
        applyProcessing(source, request->save.settings);
        const std::string descriptor = FirstFrameDescriptors(source);
        saveFrames(source, descriptor, request->save);
    }
    source.Link().Detach();
    return kExitOk;
}

} // namespace

int RunImagerDownload(const QStringList& words)
{
    return RunDownload(words);
}

} // namespace fw::cli
