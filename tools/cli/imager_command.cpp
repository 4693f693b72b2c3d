#include <optional>

#include <QJsonObject>

#include "cli_common.h"
#include "imager_link.h"
#include "imagers/hg/hg_comm_layer.h"
#include "imagers/hg/hg_rates.h"
#include "support/fw_error.h"

namespace fw::cli {

namespace {

constexpr std::array<int, 4> kBaudRates = { 9600, 19200, 38400, 115200 };

int BaudOfIndex(int index)
{
    return index >= 0 && index < int(kBaudRates.size()) ? kBaudRates[size_t(index)] : kBaudRates[0];
}

QString UsageText()
{
    return QStringLiteral(
        "Usage:\n"
        "  framewright-cli imager find --udp BROADCAST_ADDRESS\n"
        "  framewright-cli imager find --serial DEVICE --baud 9600|19200|38400|115200\n"
        "  framewright-cli imager status (--ip ADDRESS [--id N] | --serial DEVICE --id N --baud RATE) "
        "[--no-clock]\n"
        "  framewright-cli imager command (--ip ADDRESS [--id N] | --serial DEVICE --id N --baud RATE) "
        "[--no-clock] TEXT\n"
        "  framewright-cli imager download --ip ADDRESS [--id N] DST --type avi|kfs|bmp|gif|jpeg|tif|bay\n"
        "          [--first N] [--last N] [--step N] [--compressor FOURCC] [--settings FILE.ips | --raw] "
        "[--no-clock]\n"
        "The imager port is 1025 unless the environment variable FRAMEWRIGHT_IMAGER_PORT names another.\n");
}

// Parses the words after the sub-command; nullopt when only --help was asked for.
std::optional<LinkTarget> ParseLink(
    CommandLine& command, const QStringList& words, LinkUse use, qsizetype values)
{
    AddLinkOptions(command, use);
    if (!command.parse(words.mid(1)))
        return std::nullopt;
    command.expectPositionals(values, values == 0 ? "no arguments after the options" : "the command TEXT");
    return ReadLinkTarget(command, use);
}

int RunFind(const QStringList& words)
{
    CommandLine command(kImagerCommand,
        QStringLiteral(
            "Finds the imagers of a link as the \"Find Imagers\" window does: one JSON object per\n"
            "imager on its own line (name, kind, id, ip, baud)."));
    const std::optional<LinkTarget> parsed = ParseLink(command, words, LinkUse::Find, 0);
    if (!parsed)
        return kExitOk;
    const LinkTarget& target = *parsed;
    std::unique_ptr<THGCommLayer> link = MakeLink(target);
    const int count = link->FindImagers([&target](const HGFoundImager& imager) {
        writeJson(
            QJsonObject { { QStringLiteral("name"),
                              imager.kind_name + QStringLiteral(" #") + QString::number(imager.identifier) },
                { QStringLiteral("kind"), imager.kind_name }, { QStringLiteral("id"), imager.identifier },
                { QStringLiteral("ip"), target.serial ? QStringLiteral("0.0.0.0") : imager.ip_text },
                { QStringLiteral("baud"), BaudOfIndex(imager.baud_index) } },
            true);
    });
    if (count == 0)
        std::fprintf(stderr, "No Imagers Found on %s\n", qPrintable(target.PortText()));
    return kExitOk;
}

// Attaches as the download windows do; throws fw::Error with the reason when the imager does
// not answer.
std::unique_ptr<THGCommLayer> Attach(const LinkTarget& target, bool set_clock)
{
    std::unique_ptr<THGCommLayer> link = MakeLink(target);
    if (!link->Identify(set_clock))
        throw Error(QStringLiteral("Imager ") + target.Name() + QStringLiteral(" could not be attached (")
            + target.Description() + QStringLiteral(")\n") + link->LastErrorText());
    return link;
}

int RunStatus(const QStringList& words)
{
    CommandLine command(kImagerCommand,
        QStringLiteral(
            "Attaches to one imager (setting its clock unless --no-clock), prints its state as one\n"
            "JSON object and detaches."));
    const std::optional<LinkTarget> parsed = ParseLink(command, words, LinkUse::Attach, 0);
    if (!parsed)
        return kExitOk;
    const LinkTarget& target = *parsed;
    std::unique_ptr<THGCommLayer> link = Attach(target, !command.isSet(QStringLiteral("no-clock")));
    const bool recorded = link->HasRecording();
    const HGRecordedRange range = recorded ? link->GetRecordedRange() : HGRecordedRange {};
    const int temperature = link->ReadRegister(hgcmd::kTemp);
    const int rate_index = link->ReadRegister(hgcmd::kFrameRate);
    const int session = link->ReadRegister(hgcmd::kSessionId);
    const int type = link->AttachData().type_code;
    writeJson(QJsonObject { { QStringLiteral("type"), link->TypeName() },
        { QStringLiteral("kind"), HGKindNameOfType(type) },
        { QStringLiteral("state"), HGStateName(link->ImagerState()) },
        { QStringLiteral("temperature"), temperature >= 0 ? temperature : link->Temperature() },
        { QStringLiteral("first_frame"), recorded ? range.first : 0 },
        { QStringLiteral("frame_count"), recorded ? range.count : 0 },
        { QStringLiteral("frame_rate"), HGFramesPerSecond(link->IsNewModel(), rate_index) },
        { QStringLiteral("session_id"), session }, { QStringLiteral("split_frames"), link->SplitFrames() } });
    link->Detach();
    return kExitOk;
}

int RunCommand(const QStringList& words)
{
    CommandLine command(kImagerCommand,
        QStringLiteral(
            "Attaches as the \"Advanced Imager Communications\" window does, sends TEXT, prints each\n"
            "reply as received on its own line and detaches. Exit 0 when a reply came."));
    command.addPositional(QStringLiteral("TEXT"), QStringLiteral("The command text, e.g. 40 or STP."));
    const std::optional<LinkTarget> parsed = ParseLink(command, words, LinkUse::Attach, 1);
    if (!parsed)
        return kExitOk;
    const LinkTarget& target = *parsed;
    std::unique_ptr<THGCommLayer> link = Attach(target, !command.isSet(QStringLiteral("no-clock")));
    const bool answered = link->SendRaw(command.positionals().at(0), nullptr);
    if (answered)
        writeStdout(link->LastRawReply() + '\n');
    link->Detach();
    if (!answered)
        throw Error(QStringLiteral("No reply from imager ") + target.Name() + QStringLiteral("\n")
            + HGResultName(link->GetLastResult()));
    return kExitOk;
}

int RunImager(const QStringList& words)
{
    const QString action = words.value(0);
    if (action == QLatin1String("find"))
        return RunFind(words);
    if (action == QLatin1String("status"))
        return RunStatus(words);
    if (action == QLatin1String("command"))
        return RunCommand(words);
    if (action == QLatin1String("download"))
        return RunImagerDownload(words);
    if (action == QLatin1String("--help") || action == QLatin1String("-h")) {
        writeStdout(UsageText().toUtf8());
        return kExitOk;
    }
    throw UsageError(action.isEmpty() ? "imager needs find, status or command"
                                      : "unknown imager command \"" + action.toStdString() + "\"");
}

} // namespace

const CliCommand kImagerCommand { "imager", "imager find|status|command|download [options]",
    "Find HG/RO imagers on a link, show one's status, send it a raw command or download its\n"
    "      recording.",
    RunImager };

} // namespace fw::cli
