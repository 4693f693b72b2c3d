#include <optional>

#include <QCommandLineOption>
#include <QJsonObject>

#include "capture_run.h"
#include "cli_common.h"
#include "convert_save.h"
#include "imagers/imaq/imaq.h"
#include "support/fw_error.h"

namespace fw::cli {

namespace {

const char* const kCaptureHelp
    = "The frame-grabber library is loaded at run time: the file named by the environment variable\n"
      "FRAMEWRIGHT_IMAQ_LIBRARY (tests point it at a simulator), else the project's GenICam library "
      "installed\n"
      "with the program, with the C entry points that capture uses (imgInterfaceQueryNames, "
      "imgInterfaceOpen,\n"
      "imgInterfaceReset, imgSessionOpen, imgGetAttribute, imgSetAttribute, imgCreateBuffer, imgRingSetup,\n"
      "imgSessionExamineBuffer, imgSessionReleaseBuffer, imgSessionStatus, imgSessionStopAcquisition,\n"
      "imgSessionGetLostFramesList, imgDisposeBuffer, imgClose, imgShowError). A library that cannot be\n"
      "loaded, or an interface that cannot be opened, gives exit 1 and the capture window's message.\n"
      "framewright-cli capture interfaces\n"
      "    Prints one JSON object per interface the library reports: {\"name\": \"img0\"}.\n"
      "framewright-cli capture --interface NAME OUT.avi --frames N [--rate 0|1|2] [--mono] [--half]\n"
      "        [--buffers N] [--trigger THRESHOLD [--region LEFT,TOP,RIGHT,BOTTOM]] [--timeout SECONDS]\n"
      "    Captures as the capture window does and writes OUT.avi through the program's own RIFF writer.\n"
      "    --rate: the rate index (0 every frame, the default; 1 every second, 2 every third); --half: "
      "decimation;\n"
      "    --mono: monochrome; --buffers: frame buffers (default 60); --trigger: wait for the frame-compare "
      "trigger\n"
      "    before recording (it never fires on the frame that sets its baseline; the region is in grabber "
      "pixels,\n"
      "    line 0 the first line delivered, right and bottom included; without --region the whole frame).\n"
      "    --timeout (default 60): a capture or a trigger that has not finished by then ends with exit 1 and "
      "no\n"
      "    file; so does an interrupt (SIGINT, SIGTERM). Lines are stored in the order the library delivers "
      "them;\n"
      "    the clip carries the capture's descriptor block as the capture window writes it.\n"
      "    Prints progress on standard error; exit 1 with the message on failure (with the grabber's own "
      "error\n"
      "    text where there is one), and no half-written clip left under OUT.avi: a capture that ends short "
      "of N\n"
      "    frames is a failure.\n";

int RunInterfaces(const QStringList& words)
{
    CommandLine command(kCaptureCommand, QString::fromLatin1(kCaptureHelp));
    if (!command.parse(words.mid(1))) {
        return kExitOk;
    }
    command.expectPositionals(0, "no arguments after \"interfaces\"");
    TIMAQ imaq;
    if (!imaq.Load()) {
        throw Error(imaq.ErrorText(TIMAQ::kLibraryNotLoaded));
    }
    const QStringList names = imaq.InterfaceNames();
    const int32_t lookup = imaq.LastError();
    const QString failure = names.isEmpty() && lookup != 0 ? imaq.ErrorText(lookup) : QString();
    imaq.Unload();
    if (!failure.isEmpty()) {
        throw Error(failure);
    }
    for (const QString& name : names) {
        writeJson(QJsonObject { { QStringLiteral("name"), name } }, true);
    }
    return kExitOk;
}

CaptureRegion RegionOf(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool ok = parts.size() == 4;
    CaptureRegion region;
    int32_t* const edges[] = { &region.left, &region.top, &region.right, &region.bottom };
    for (qsizetype i = 0; ok && i < 4; ++i) {
        *edges[i] = parts[i].trimmed().toInt(&ok);
        ok = ok && *edges[i] >= 0;
    }
    if (!ok || region.left > region.right || region.top > region.bottom) {
        throw UsageError(
            "--region takes LEFT,TOP,RIGHT,BOTTOM: whole numbers from 0, left <= right, top <= bottom");
    }
    return region;
}

void AddCaptureOptions(CommandLine& command)
{
    const auto option = [&](const char* name, const char* value_name, const char* description) {
        command.addOption(QCommandLineOption(
            QString::fromLatin1(name), QString::fromLatin1(description), QString::fromLatin1(value_name)));
    };
    const auto flag = [&](const char* name, const char* description) {
        command.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description)));
    };
    command.addPositional(QStringLiteral("OUT.avi"), QStringLiteral("The clip to write."));
    option("interface", "NAME", "The grabber interface (\"framewright-cli capture interfaces\").");
    option("frames", "N", "Frames to capture.");
    option("rate", "0|1|2", "Rate index: 0 every frame, 1 every second, 2 every third.");
    flag("mono", "Monochrome.");
    flag("half", "Half size: every second pixel and line.");
    option("buffers", "N", "Frame buffers to attempt to allocate (60 without it).");
    option("trigger", "THRESHOLD", "Wait for the frame-compare trigger, threshold 0..999.");
    option("region", "LEFT,TOP,RIGHT,BOTTOM", "The trigger's region in grabber pixels.");
    option("timeout", "SECONDS", "Give up after this long (60 without it).");
}

std::optional<CaptureRequest> ParseCapture(const QStringList& words)
{
    CommandLine command(kCaptureCommand, QString::fromLatin1(kCaptureHelp));
    AddCaptureOptions(command);
    if (!command.parse(words)) {
        return std::nullopt;
    }
    command.expectPositionals(1, "OUT.avi");
    const auto given = [&](const char* name) { return command.isSet(QString::fromLatin1(name)); };
    const auto value = [&](const char* name) { return command.value(QString::fromLatin1(name)); };
    if (!given("interface")) {
        throw UsageError("capture needs --interface NAME");
    }
    if (!given("frames")) {
        throw UsageError("capture needs --frames N");
    }
    CaptureRequest request;
    request.interface_name = value("interface");
    request.target = command.positionals().at(0);
    request.frames = wholeNumber(QStringLiteral("frames"), value("frames"), 1, INT32_MAX);
    if (given("rate")) {
        request.rate_index = wholeNumber(QStringLiteral("rate"), value("rate"), 0, 2);
    }
    request.monochrome = given("mono");
    request.half = given("half");
    if (given("buffers")) {
        request.buffers = wholeNumber(QStringLiteral("buffers"), value("buffers"), 1, INT32_MAX);
    }
    if (given("trigger")) {
        request.threshold = wholeNumber(QStringLiteral("trigger"), value("trigger"), 0, 999);
    }
    if (given("region")) {
        if (!request.threshold) {
            throw UsageError("--region belongs to --trigger");
        }
        request.region = RegionOf(value("region"));
    }
    if (given("timeout")) {
        request.timeout_s = wholeNumber(QStringLiteral("timeout"), value("timeout"), 1, INT32_MAX);
    }
    return request;
}

int RunCaptureCommand(const QStringList& words)
{
    if (words.value(0) == QLatin1String("interfaces")) {
        return RunInterfaces(words);
    }
    const std::optional<CaptureRequest> request = ParseCapture(words);
    if (!request) {
        return kExitOk;
    }
    RunCapture(*request);
    return kExitOk;
}

} // namespace

const CliCommand kCaptureCommand { "capture",
    "capture interfaces | capture --interface NAME OUT.avi --frames N [options]",
    "List the frame grabber's interfaces, or capture live video from one into an AVI file.",
    RunCaptureCommand };

} // namespace fw::cli
