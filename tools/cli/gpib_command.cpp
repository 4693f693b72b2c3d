#include <memory>
#include <optional>

#include <QCommandLineOption>
#include <QJsonObject>

#include "cli_common.h"
#include "clips/ips_file.h"
#include "convert_save.h"
#include "imagers/attacher.h"
#include "imagers/em/em_processing.h"
#include "imagers/em/em_stream_settings.h"
#include "imagers/em/hs4540_avi.h"
#include "imagers/gpib/gpib.h"
#include "support/fw_error.h"
#include "support/settings_store.h"

namespace fw::cli {

namespace {

const char* const kLibraryHelp
    = "The GPIB driver library is loaded at run time: the file named by the environment variable\n"
      "FRAMEWRIGHT_GPIB_LIBRARY, else libgpib.so.0 (linux-gpib), with linux-gpib's C entry points (ibfind, "
      "ibclr,\n"
      "ibconfig, ibdma, ibeos, ibeot, ibonl, ibrd, ibrsp, ibtmo, ibwrt, ThreadIberr, ThreadIbcntl). A "
      "library "
      "that\n"
      "cannot be loaded reports \"GPIB Error: \" + the loader's failure text; a missing entry point reports "
      "its "
      "name.\n";

const char* const kStatusHelp
    = "Connects as the download window does, prints one JSON object\n"
      "{\"kind\": \"Kodak EM 1012\", \"state\": \"...\", \"first_frame\": -4, \"last_frame\": 5, "
      "\"frame_rate\": "
      "1000,\n"
      " \"exposure\": \"...\", \"session_id\": 2, \"width\": 239, \"height\": 192}\n"
      "and disconnects. The timing settings (reply delay, command spacing, byte spacing, DMA) are read from\n"
      "the settings store as the window reads them. Exit 1 with the processor's error text when it fails.";

const char* const kDownloadHelp
    = "Uploads the recorded frames N (processor frame numbers, default the whole recording) at the\n"
      "interval --step and saves them like \"framewright-cli convert\": a clip DST (--type avi or kfs,\n"
      "uncompressed unless --compressor is given) or numbered frame files in folder DST.\n"
      "By default the frames are what the download window saves with its default image settings\n"
      "(tone table at brightness 1.0 and gamma 1.8, 128 greys, no sharpening); --settings applies\n"
      "that file's settings instead; --raw saves the uploaded 8-bit grey pixels unchanged (256 greys,\n"
      "the processor's picture size). --invert and --mirror flip as the window's check boxes do.\n"
      "Progress on standard error. A frame that still fails after its attempts ends the download:\n"
      "exit 1 with \"Error Uploading Frame N: \" and the reason; nothing half-written is left.";

enum class Kind { Em1012, Hs4540 };

struct Connection {
    Kind kind = Kind::Em1012;
    QString address;
};

struct DownloadRequest {
    Connection connection;
    ConvertRequest save;
    bool raw = false;
    bool invert = false;
    bool mirror = false;
};

void AddConnectionOptions(CommandLine& command)
{
    command.addOption(QCommandLineOption(
        QStringLiteral("kind"), QStringLiteral("em1012 or hs4540."), QStringLiteral("KIND")));
    command.addOption(QCommandLineOption(QStringLiteral("address"),
        QStringLiteral("Board and device name, e.g. GPIB0:DEV7."), QStringLiteral("BOARD:DEVICE")));
}

Connection ReadConnection(const CommandLine& command)
{
    if (!command.isSet(QStringLiteral("kind")))
        throw UsageError("--kind em1012|hs4540 is needed");
    if (!command.isSet(QStringLiteral("address")))
        throw UsageError("--address BOARD:DEVICE is needed");
    Connection connection;
    const QString kind = command.value(QStringLiteral("kind"));
    if (kind == QLatin1String("em1012"))
        connection.kind = Kind::Em1012;
    else if (kind == QLatin1String("hs4540"))
        connection.kind = Kind::Hs4540;
    else
        throw UsageError("--kind must be em1012 or hs4540, not \"" + kind.toStdString() + "\"");
    connection.address = command.value(QStringLiteral("address"));
    if (!connection.address.contains(QLatin1Char(':')))
        throw UsageError("--address must be BOARD:DEVICE, e.g. GPIB0:DEV7");
    return connection;
}

// The processor's stream, connected with the window's timing settings.
std::unique_ptr<TEM1012AVI> Connect(const Connection& connection)
{
    auto gpib = std::make_shared<TGPIB>();
    std::unique_ptr<TEM1012AVI> stream;
    if (connection.kind == Kind::Hs4540)
        stream = std::make_unique<T4540AVI>(gpib);
    else
        stream = std::make_unique<TEM1012AVI>(gpib);
    const SettingsStore store;
    const EmStreamSettings settings = EmStreamSettings::Read(
        store, stream->CameraType(), stream->PictureWidth(), stream->PictureHeight());
    stream->SetTiming(settings.timing);
    stream->Open(connection.address);
    return stream;
}

int KindOf(Kind kind)
{
    return kind == Kind::Hs4540 ? ikHS4540 : ikEM1012;
}

// The recording's range; a processor without a recording fails with its own message.
EmRecordingInfo ReadRecording(TEM1012AVI& stream)
{
    EmRecordingInfo info;
    if (!stream.ReadRecordingInfo(info))
        throw Error(stream.Processor().ErrorMessage());
    return info;
}

int RunStatus(const QStringList& words)
{
    CommandLine command(kGpibCommand, QString::fromLatin1(kStatusHelp));
    AddConnectionOptions(command);
    if (!command.parse(words.mid(1)))
        return kExitOk;
    command.expectPositionals(0, "no arguments after the options");
    const Connection connection = ReadConnection(command);
    const std::unique_ptr<TEM1012AVI> stream = Connect(connection);
    const EmRecordingInfo info = ReadRecording(*stream);
    TEM1012& processor = stream->Processor();
    const EMSessionRec& session = processor.Session();
    writeJson(QJsonObject { { QStringLiteral("kind"), ImagerKindName(KindOf(connection.kind)) },
        { QStringLiteral("state"), TEM1012::StateName(processor.State()) },
        { QStringLiteral("first_frame"), info.first_frame },
        { QStringLiteral("last_frame"), info.last_frame }, { QStringLiteral("frame_rate"), session.rate_fps },
        { QStringLiteral("exposure"), QString::number(session.exposure) },
        { QStringLiteral("session_id"), static_cast<qint64>(session.session) },
        { QStringLiteral("width"), info.line_length }, { QStringLiteral("height"), info.lines } });
    stream->Close();
    return kExitOk;
}

void AddDownloadOptions(CommandLine& command)
{
    const auto option = [&](const char* name, const char* value_name, const char* description) {
        command.addOption(QCommandLineOption(
            QString::fromLatin1(name), QString::fromLatin1(description), QString::fromLatin1(value_name)));
    };
    const auto flag = [&](const char* name, const char* description) {
        command.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description)));
    };
    command.addPositional(
        QStringLiteral("DST"), QStringLiteral("The new clip, or the folder of frame files."));
    option("type", "TYPE", "avi, kfs, bmp, gif, jpeg or tif.");
    option("first", "N", "First processor frame; the first recorded without it.");
    option("last", "N", "Last processor frame; the last recorded without it.");
    option("step", "N", "Every N-th frame (1 without it).");
    option("compressor", "FOURCC",
        "The compressor of a clip (\"framewright-cli compressors\"); DIB without it.");
    option("settings", "FILE.ips", "Processing settings file to apply.");
    flag("raw", "Save the uploaded pixels unchanged.");
    flag("invert", "Flip top to bottom.");
    flag("mirror", "Flip left to right.");
}

std::optional<DownloadRequest> ParseDownload(const QStringList& words)
{
    CommandLine command(kGpibCommand, QString::fromLatin1(kDownloadHelp));
    AddConnectionOptions(command);
    AddDownloadOptions(command);
    if (!command.parse(words.mid(1)))
        return std::nullopt;
    command.expectPositionals(1, "DST");
    DownloadRequest request;
    request.connection = ReadConnection(command);
    const auto given = [&](const char* name) { return command.isSet(QString::fromLatin1(name)); };
    const auto value = [&](const char* name) { return command.value(QString::fromLatin1(name)); };
    ConvertRequest& save = request.save;
    save.source = request.connection.address;
    save.target = command.positionals().at(0);
    if (!given("type"))
        throw UsageError("gpib download needs --type");
    save.type = clipTypeOf(value("type"));
    if (save.type == kBayFilesType)
        throw UsageError(
            "--type bay is for BAY frames; a processor's frames are avi, kfs, bmp, gif, jpeg or tif");
    readDownloadRange(command, save);
    request.raw = given("raw");
    if (given("settings") && request.raw)
        throw UsageError("give --settings or --raw, not both");
    if (given("settings"))
        save.settings = value("settings");
    request.invert = given("invert");
    request.mirror = given("mirror");
    return request;
}

// Chooses processor frames first .. last every step within the recording.
void SelectFrames(TEM1012AVI& stream, const EmRecordingInfo& info, const ConvertRequest& request)
{
    const std::int32_t first = request.first.value_or(info.first_frame);
    const std::int32_t last = request.last.value_or(info.last_frame);
    if (first < info.first_frame || last > info.last_frame || first > last)
        throw Error(QStringLiteral("Frames %1 to %2 are not in the recording: it has frames %3 to %4")
                        .arg(first)
                        .arg(last)
                        .arg(info.first_frame)
                        .arg(info.last_frame));
    const bool hs = dynamic_cast<T4540AVI*>(&stream) != nullptr;
    if (hs && (first == 0 || last == 0))
        throw Error(QStringLiteral("The HS 4540 has no frame 0"));
    stream.SetFrames(first, stream.FramesBetween(first, last, request.step), request.step);
}

void ApplyImageSettings(TEM1012AVI& stream, const DownloadRequest& request)
{
    stream.SetRaw(request.raw);
    if (!request.save.settings.isEmpty()) {
        CropState crop;
        crop.allowed = true;
        crop.rect = stream.Crop();
        ProcessingSettings settings = EmHandOver(stream, crop);
        LoadIpsFile(request.save.settings, settings);
        EmTakeSettings(settings, stream);
    }
    if (request.invert)
        stream.SetInvert(!stream.Invert());
    if (request.mirror)
        stream.SetMirror(!stream.Mirror());
}

int RunDownload(const QStringList& words)
{
    const std::optional<DownloadRequest> request = ParseDownload(words);
    if (!request)
        return kExitOk;
    const std::unique_ptr<TEM1012AVI> stream = Connect(request->connection);
    const EmRecordingInfo info = ReadRecording(*stream);
    SelectFrames(*stream, info, request->save);
    ApplyImageSettings(*stream, *request);
    stream->SetPrefetch(true);
    saveFrames(*stream, stream->DescriptorText(), request->save);
    stream->Close();
    return kExitOk;
}

QString UsageText()
{
    return QString::fromLatin1(kLibraryHelp)
        + QStringLiteral(
            "framewright-cli gpib status --kind em1012|hs4540 --address BOARD:DEVICE\n"
            "framewright-cli gpib download --kind em1012|hs4540 --address BOARD:DEVICE DST\n"
            "        --type avi|kfs|bmp|gif|jpeg|tif [--first N] [--last N] [--step N] [--raw] [--invert] "
            "[--mirror]\n"
            "        [--compressor FOURCC] [--settings FILE.ips]\n");
}

int RunGpib(const QStringList& words)
{
    const QString action = words.value(0);
    if (action == QLatin1String("status"))
        return RunStatus(words);
    if (action == QLatin1String("download"))
        return RunDownload(words);
    if (action == QLatin1String("--help") || action == QLatin1String("-h")) {
        writeStdout(UsageText().toUtf8());
        return kExitOk;
    }
    throw UsageError(action.isEmpty() ? "gpib needs status or download"
                                      : "unknown gpib command \"" + action.toStdString() + "\"");
}

} // namespace

const CliCommand kGpibCommand { "gpib", "gpib status|download [options]",
    "Show an EM 1012 or HS 4540 processor's recording, or download and save its frames.", RunGpib };

} // namespace fw::cli
