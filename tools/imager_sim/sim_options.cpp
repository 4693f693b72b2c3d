#include "sim_options.h"

#include <set>

#include <QCommandLineParser>
#include <QProcessEnvironment>

namespace fw::imager_sim {
namespace {

constexpr quint16 kDefaultPort = 1025;
constexpr int kDefaultRateFps = 1000;
const char* const kPortVariable = "FRAMEWRIGHT_IMAGER_PORT";

const char* const kDetails = R"(
Imagers:
  --udp ADDRESS:TYPE:ID[:mono|:colour]   one imager on its own loopback address (127.x.x.x)
  --serial TYPE:ID[:mono|:colour]        one imager on the shared RS-485 line (a pseudo-terminal)
  Both may be repeated and mixed. TYPE is the imager type code: 1 HRC 1000, 2 RO,
  3 RO (Ext. Exposure) (old models); 4 HG 2000, 5 CR 2000, 6 HG 2000-TX (new models). ID is
  the imager identifier 0..255, decimal or 0x-prefixed hexadecimal (on the wire two hex
  digits). A trailing ":mono" or ":colour" overrides --mono for that imager.

Links:
  UDP: each imager listens on ADDRESS and on the broadcast address, at the imager port: --port,
  else the environment variable FRAMEWRIGHT_IMAGER_PORT, else 1025. Unicast frames are answered
  only when their identifier is the imager's; the broadcasts "01"+argument (attach all) and "54"
  (identify all) are answered by every imager. Replies leave from ADDRESS and the imager port.
  Serial: one pseudo-terminal shared by every --serial imager; standard output names it
  ("serial /dev/pts/N"). Each imager answers frames with its own identifier and the broadcasts,
  with lines ending in a carriage return. Downloads are refused on the serial line (result 11).
  Standard output lists the imagers and ends with the line "ready" once every socket is bound.

Recording present at start (frames are synthesised on demand):
  Old models number their frames 0..N-1 and ignore --first and --split. New models number them
  --first .. --first+N-1; the "Pre-Trig Frames" register starts at max(0, -first), the
  "Post-Trig Frames" register at N minus that, and a trigger records frames -pre .. post-1.
  The Datagram register (download datagram size) starts at 8192 and takes multiples of 1024
  up to 64512. Split-frame mode (Splits register 1) gives frames of 144 rows from then on.
  Rates (--rate, the "Frame Rate" register holds the index): old models: 0 external, 1 250,
  2 500, 3 1000 fps; new models: 0 external, 1 30, 2 60, 3 125, 4 250, 5 500, 6 1000, 7 2000 fps.
  --rate takes the frames per second, or 0 for the external clock.

Commands (an imager answers result 13 until it is attached with "01"):
  Registers are read without an argument and written with one (hexadecimal, at most the
  register's width: 15 when longer, 10 when not hexadecimal, 14 when out of range). State,
  Type, Temp, SessionLength and FrameRange are read-only (12); FrameRange and Splits exist on
  new models only (11). Date and Time hold BCD MMDDYY and HHMMSS and count whole seconds from
  the moment they are written (a fresh imager starts at 01/01/24 12:00:00).
  "19" stop, "5F" erase, "1A01"/"1A02" live, "1B01" ready to record, "1BFF" trigger (about
  150 ms in Recording, then Recording Done), "1C01"/"1C02" play forward/reverse, "1C03"/"1C04"
  play faster/slower (Playing or Play/Stop); 16 in the wrong state, 18
  without a recording. Downloads: "28" (old models) and "DL" (new models), one datagram of the
  Datagram register's size per request, without header; refusals echo "28" or "6D".
  "DL" + "F n U T" sends a TIFF-format frame: a little-endian uncompressed RGB TIFF (pixels at
  byte 164) followed by the 1024-byte camera record, rows x 512 x 3 + 1188 bytes, coloured by
  the White Balance register: 0 Daylight, 1 Tungsten, 2 Fluorescent, 3 White Patch, 4 Unity.
Setup (new models; old models answer 11):
  "47" reads the IRIG time of the last trigger: "000", day of the year (3 hex digits), hours,
  minutes, seconds (2 each), microseconds (8); written with day (4), hours, minutes, seconds
  (2 each) and tenths of a millisecond (4), only in Recording Done, Playing or Play/Stop (18).
  "55" + "0017" + longest exposure (4 hex digits) + target brightness (2) is auto exposure:
  the Normal Exposure becomes 4 us per step of the target, or the reply is 20 (Operation
  Aborted) when that exceeds the longest exposure or the rate's limit.
  "28" + first + last frame (4 hex digits each) + "01" or "03" copies the recording to the PC
  card: state 8 (PCMCIA Downloading) for 2 ms a frame (0.3 to 5 s), then Recording Done; "19"
  ends it early. A Frame Rate write shortens the Normal Exposure to the rate's limit (483 us
  at 2000 fps ... 29998 us external; 0 and 1, external exposure, stay). Memory holds 4096
  frames, split frames 8/3 as many: writing Pre- or Post-Trig Frames makes the other give way,
  and switching Splits scales the larger of the two by 8/3 or 3/8. "2C02" sets the white patch
  (x + y x 65536); "2C01", "2CFF", "2C00" measure it (at "2C00") for White Balance 3.

PC card (a DOS-style card of 8.3 names; every imager has its own, changed by the commands):
  At start the root holds SESS0001.CFG, SESS0001.DAT, F00000.BAY .. F00002.BAY, README.TXT and
  the directory DOWNLOAD (two BAY files and the directory OLD with NOTES.TXT); the volume is
  HGCARD. Paths run from the root, "\" or "/" separated, empty parts ignored, any letter case.
  "57"+PATH  sets the card path (any text); it reads back as a path between backslashes in
             upper case ("\DOWNLOAD\OLD\" for "download/old"), "[ROOT]" while it names the
             root.
  "56/X"     lists the directory the card path names, or the root when it names none; over
             UDP in datagrams of 7 lines from "{START}" to "<MORE>" ("56" alone sends the next)
             or "{END}", on the serial line one line per reply. The root listing starts with
             "[ROOT]" and the volume name, another with its path ("\DOWNLOAD\OLD"); then ".",
             "..", the entries and "N file(s) B bytes" and "F bytes free". Entry lines: name
             in columns 1-8, extension 11-13, date and time (MM-DD-YY  HH:MM:SS) 14-33, from 34
             the size or "<DIR>".
  "58"+PATH  makes the directory PATH, dated by the Date and Time registers (28 when it exists
             or is no 8.3 name, 29 without its parent).
  "59"+NAME  removes the empty directory NAME of the directory the card path names (28 when it
             is not empty, 29 when there is none).
  "5A"+PATH  deletes a file, every file of a directory (the root too), or the files matching
             a last part with "*" and "?" (DIR\*.*); directories stay (29 when nothing is found).
  Without an argument "58", "59" and "5A" answer 15.

Faults (every imager):
  --drop-every N sends nothing for every Nth datagram or line an imager would send (replies and
  download data alike, counted per imager). --garbage replaces everything sent by printable
  noise of the same length. --silent answers nothing. --wrong-id gives replies the identifier
  one above the imager's. --stray-from ADDRESS sends, before each real reply, a reply from
  ADDRESS (any port) that says the imager refuses the command (result 30). Faults other than
  --stray-from apply to the serial line too.
)";

int parseInteger(const QString& text, bool& ok)
{
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        return text.mid(2).toInt(&ok, 16);
    return text.toInt(&ok, 10);
}

bool parseIntegerOption(
    const QCommandLineParser& parser, const QString& name, int low, int high, int& value, QString& error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    value = parseInteger(parser.value(name), ok);
    if (!ok || value < low || value > high) {
        error = QStringLiteral("--%1 needs a number from %2 to %3").arg(name).arg(low).arg(high);
        return false;
    }
    return true;
}

bool isLoopback(const QHostAddress& address)
{
    return address.protocol() == QAbstractSocket::IPv4Protocol && (address.toIPv4Address() >> 24) == 127;
}

bool parseLoopback(const QString& text, QHostAddress& address, QString& error)
{
    address = QHostAddress(text);
    if (!isLoopback(address)) {
        error = QStringLiteral("%1 is not a loopback address (127.x.x.x)").arg(text);
        return false;
    }
    return true;
}

// TYPE:ID[:mono|:colour] at the end of an imager option (--udp or --serial).
bool parseImagerFields(const QStringList& fields, bool mono, ImagerConfig& config, QString& error)
{
    bool type_ok = false, id_ok = false;
    config.type_code = fields.value(0).toInt(&type_ok);
    config.identifier = parseInteger(fields.value(1), id_ok);
    config.colour = !mono;
    if (fields.size() == 3) {
        if (fields[2] != QLatin1String("mono") && fields[2] != QLatin1String("colour")) {
            error = QStringLiteral("the colour field is \"mono\" or \"colour\", not \"%1\"").arg(fields[2]);
            return false;
        }
        config.colour = fields[2] == QLatin1String("colour");
    }
    if (!type_ok || !isKnownType(config.type_code) || !id_ok || config.identifier < 0
        || config.identifier > 255 || fields.size() < 2 || fields.size() > 3) {
        error = QStringLiteral("an imager is TYPE:ID[:mono|:colour] with TYPE 1..6 and ID 0..255");
        return false;
    }
    return true;
}

// Values every imager shares; the type, identifier and colour come from its own option.
struct Common {
    int frames = 100;
    int first = 0;
    int rate_fps = kDefaultRateFps;
    int session = 1;
    int temperature = 30;
    int exposure = 100;
    bool split = false;
    bool mono = false;
};

bool completeConfig(ImagerConfig& config, const Common& common, QString& error)
{
    const std::optional<int> rate_index = rateIndexOf(config.type_code, common.rate_fps);
    if (!rate_index) {
        error = QStringLiteral("a type %1 imager has no rate of %2 fps")
                    .arg(config.type_code)
                    .arg(common.rate_fps);
        return false;
    }
    const bool new_model = isNewModel(config.type_code);
    config.rate_index = *rate_index;
    config.frames = common.frames;
    config.first_frame = new_model ? common.first : 0;
    config.session_id = common.session;
    config.temperature_c = common.temperature;
    config.exposure = common.exposure;
    config.split = new_model && common.split;
    if (new_model && common.first + common.frames - 1 > 32767) {
        error = QStringLiteral("--first + --frames - 1 must stay within 32767");
        return false;
    }
    return true;
}

void addOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        { "udp", "An imager on UDP (see Imagers below).", "ADDRESS:TYPE:ID" },
        { "serial", "An imager on the shared serial line.", "TYPE:ID" },
        { "port", "Imager port (default: $FRAMEWRIGHT_IMAGER_PORT, else 1025).", "PORT" },
        { "broadcast", "Broadcast address to listen on (default 127.255.255.255).", "ADDRESS" },
        { "frames", "Frames of the recording present at start (default 100).", "N" },
        { "first", "First frame number of that recording, new models (default 0).", "F" },
        { "rate", "Recording rate in frames per second, 0 = external (default 1000).", "FPS" },
        { "session", "Session Id 0..255 (default 1).", "N" },
        { "temp", "Temperature in degrees C, 0..255 (default 30).", "C" },
        { "exposure", "Normal Exposure register value (default 100).", "N" },
        { "split", "Split-frame mode (144 rows), new models." },
        { "mono", "Monochrome imagers (colour flag 2)." },
        { "drop-every", "Lose every Nth datagram or line sent.", "N" },
        { "garbage", "Send noise instead of every reply." },
        { "silent", "Answer nothing." },
        { "wrong-id", "Answer with the identifier one above the imager's." },
        { "stray-from", "Send a stray reply from ADDRESS before each real one.", "ADDRESS" },
        { "verbose", "Log every frame received and sent on standard error." },
    });
}

bool readCommon(const QCommandLineParser& parser, Common& common, QString& error)
{
    common.split = parser.isSet("split");
    common.mono = parser.isSet("mono");
    return parseIntegerOption(parser, "frames", 1, 32767, common.frames, error)
        && parseIntegerOption(parser, "first", -32768, 32767, common.first, error)
        && parseIntegerOption(parser, "rate", 0, 2000, common.rate_fps, error)
        && parseIntegerOption(parser, "session", 0, 255, common.session, error)
        && parseIntegerOption(parser, "temp", 0, 255, common.temperature, error)
        && parseIntegerOption(parser, "exposure", 0, 32767, common.exposure, error);
}

bool readLinks(const QCommandLineParser& parser, SimOptions& options, QString& error)
{
    int port = kDefaultPort;
    const QString from_environment = QProcessEnvironment::systemEnvironment().value(kPortVariable);
    bool ok = true;
    if (!from_environment.isEmpty())
        port = from_environment.toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        error = QStringLiteral("%1 is not a port number").arg(QLatin1String(kPortVariable));
        return false;
    }
    if (!parseIntegerOption(parser, "port", 1, 65535, port, error))
        return false;
    options.udp.port = quint16(port);
    options.udp.broadcast = QHostAddress(QStringLiteral("127.255.255.255"));
    if (parser.isSet("broadcast") && !parseLoopback(parser.value("broadcast"), options.udp.broadcast, error))
        return false;
    if (parser.isSet("stray-from")
        && !parseLoopback(parser.value("stray-from"), options.udp.stray_from, error))
        return false;
    options.faults.garbage = parser.isSet("garbage");
    options.faults.silent = parser.isSet("silent");
    options.faults.wrong_id = parser.isSet("wrong-id");
    options.verbose = parser.isSet("verbose");
    return parseIntegerOption(parser, "drop-every", 0, 1000000, options.faults.drop_every, error);
}

bool readUdpImagers(
    const QCommandLineParser& parser, const Common& common, SimOptions& options, QString& error)
{
    std::set<quint32> addresses;
    for (const QString& spec : parser.values("udp")) {
        QStringList fields = spec.split(QLatin1Char(':'));
        QHostAddress address;
        ImagerConfig config;
        if (!parseLoopback(fields.takeFirst(), address, error)
            || !parseImagerFields(fields, common.mono, config, error)
            || !completeConfig(config, common, error))
            return false;
        if (!addresses.insert(address.toIPv4Address()).second) {
            error = QStringLiteral("two imagers on %1").arg(address.toString());
            return false;
        }
        config.link = LinkKind::Udp;
        config.ipv4 = address.toIPv4Address();
        options.udp_imagers.push_back(config);
        options.udp_addresses.push_back(address);
    }
    return true;
}

bool readSerialImagers(
    const QCommandLineParser& parser, const Common& common, SimOptions& options, QString& error)
{
    std::set<int> identifiers;
    for (const QString& spec : parser.values("serial")) {
        ImagerConfig config;
        if (!parseImagerFields(spec.split(QLatin1Char(':')), common.mono, config, error)
            || !completeConfig(config, common, error))
            return false;
        if (!identifiers.insert(config.identifier).second) {
            error = QStringLiteral("two serial imagers with identifier %1").arg(config.identifier);
            return false;
        }
        config.link = LinkKind::Serial;
        options.serial_imagers.push_back(config);
    }
    return true;
}

} // namespace

ParseOutcome parseOptions(const QStringList& arguments, SimOptions& options, QString& text)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulates HG/RO-family imagers on loopback UDP addresses and on a pseudo-terminal."));
    const QCommandLineOption help = parser.addHelpOption();
    addOptions(parser);
    if (!parser.parse(arguments)) {
        text = parser.errorText();
        return ParseOutcome::Error;
    }
    if (parser.isSet(help)) {
        text = parser.helpText() + QLatin1String(kDetails);
        return ParseOutcome::Help;
    }
    Common common;
    if (!parser.positionalArguments().isEmpty()) {
        text = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return ParseOutcome::Error;
    }
    if (!readCommon(parser, common, text) || !readLinks(parser, options, text)
        || !readUdpImagers(parser, common, options, text)
        || !readSerialImagers(parser, common, options, text))
        return ParseOutcome::Error;
    if (options.udp_imagers.empty() && options.serial_imagers.empty()) {
        text = QStringLiteral("no imager: give at least one --udp or --serial");
        return ParseOutcome::Error;
    }
    return ParseOutcome::Run;
}

} // namespace fw::imager_sim
