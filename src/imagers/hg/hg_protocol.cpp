#include "imagers/hg/hg_protocol.h"

#include <cstring>

#include "support/fw_error.h"

namespace fw {

namespace {

// ---- Tables -------------------------------------------------------------------------------

constexpr int kHGTypeCount = 6;
constexpr const char* kTypeNames[kHGTypeCount]
    = { "HRC 1000", "RO", "RO (Ext. Exposure)", "HG 2000", "CR 2000", "HG 2000-TX" };
constexpr const char* kKindNames[kHGTypeCount]
    = { "Kodak HRC", "Kodak RO", "Kodak RO", "Kodak HG 2000", "Roper CR 2000", "Roper HG 2000-TX" };

constexpr const char* kStateNames[kImagerStateUnknown + 1]
    = { "Standby", "Live - Low", "Live - Normal", "Ready to Record", "Recording", "Recording Done", "Playing",
          "Play/Stop", "PCMCIA Downloading", "Ethernet Downloading", "Unknown" };

constexpr HGCommandInfo kCommands[kHGCommandCount] = {
    { "Baud Rate", "30", "", 2 },
    { "SNMask", "4E", "", 8 },
    { "Identifier", "52", "", 2 },
    { "Date", "09", "", 6 },
    { "Time", "08", "", 6 },
    { "Frame Rate", "06", "", 2 },
    { "Session Id", "0C", "", 2 },
    { "GoToFrame", "23", "", 4 },
    { "Auto Save", "14", "", 2 },
    { "State", "40", "", 2 },
    { "Type", "48", "", 2 },
    { "Temp", "50", "", 2 },
    { "SessionLength", "51", "", 4 },
    { "Datagram", "53", "", 8 },
    { "IP", "4D", "", 8 },
    { "DLFrRange", "4B", "", 8 },
    { "Record Delay", "5D", "", 4 },
    { "Download Start", "5C", "", 2 },
    { "White Balance", "WB", "", 2 },
    { "Play Rate", "1D", "", 2 },
    { "Gamma", "2F", "", 2 },
    { "FrameRange", "45", "", 8 },
    { "Splits", "65", "", 2 },
    { "Frame Sync", "66", "", 2 },
    { "VideoMode", "68", "", 2 },
    { "DisableBtns", "6B", "", 2 },
    { "VideoOut", "6E", "", 2 },
    { "AutoAcq", "6C", "", 4 },
    { "Pre-Trig Frames", "04", "01", 4 },
    { "Post-Trig Frames", "04", "02", 4 },
    { "Patch Move", "2C", "02", 8 },
    { "Reticle Move", "0B", "02", 8 },
    { "Low-Light Exposure", "07", "01", 4 },
    { "Normal Exposure", "07", "02", 4 },
    { "", "2C", "00", 0 },
    { "", "2C", "01", 0 },
    { "", "2C", "FF", 0 },
    { "", "0B", "00", 0 },
    { "", "0B", "01", 0 },
    { "", "1A", "01", 0 },
    { "", "1A", "02", 0 },
    { "", "1B", "01", 0 },
    { "", "1B", "FF", 0 },
    { "", "1C", "01", 0 },
    { "", "1C", "02", 0 },
    { "", "1C", "03", 0 },
    { "", "1C", "04", 0 },
    { "", "13", "03", 0 },
    { "", "01", "", 0 },
    { "", "19", "", 0 },
    { "", "5F", "", 0 },
    { "", "54", "", 0 },
    { "", "56", "", 0 },
    { "", "57", "", 0 },
    { "", "58", "", 0 },
    { "", "59", "", 0 },
    { "", "5A", "", 0 },
    { "", "47", "", 0 },
    { "", "55", "", 0 },
    { "", "28", "", 0 },
    { "", "DL", "", 0 },
};

constexpr int kImagerResultCount = hgresult::kUndocumented;
constexpr const char* kResultCodes[kImagerResultCount]
    = { "01", "03", "10", "11", "12", "13", "14", "15", "16", "18", "20", "26", "27", "28", "29", "30" };
constexpr const char* kResultNames[kHGResultCount] = { "Success", "Command in Progress",
    "Invalid Command String", "Unsupported Command", "Invalid Command", "Unattached, Access Denied",
    "Parameter Out of Range", "Invalid Parameter Count", "Invalid Imager State", "No Recording Present",
    "Operation Aborted", "Time out", "Temperature Out of Range", "Imager Disk File Error", "File Not Found",
    "Imager Refuses Command", "Undocumented Response", "Unexpected Response", "Imager Not Responding",
    "Internal Program Error", "WinSock Error" };

constexpr int kAttachCommandTimeoutMs = 1000;
constexpr int kCardCommandTimeoutMs = 15000;
constexpr int kCommandTimeoutMs = 3000;

// White balance goes out under another code when it writes a value, and with an argument of its
// own when it reads.
constexpr const char* kWhiteBalanceWriteCode = "12";
constexpr const char* kWhiteBalanceReadArgument = "L";
// The identify-all echo is accepted from any imager; new models echo a download under another code.
constexpr const char* kIdentifyAllEcho = "54";
constexpr const char* kDownloadNewEcho = "6D";

// ---- Replies ------------------------------------------------------------------------------

constexpr size_t kReplyHeaderBytes = 7;
constexpr size_t kRawDataBytes = 2048;
constexpr size_t kMoreDownloadRawBytes = 25;

bool IsRawData(size_t length, const HGReplyContext& context)
{
    return context.raw_data_state || length >= kRawDataBytes
        || (context.more_download_state && length > kMoreDownloadRawBytes);
}

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// Two characters of a reply against two expected characters, letter case aside.
bool SamePair(const char* received, const char* expected)
{
    return UpperAscii(received[0]) == UpperAscii(expected[0])
        && UpperAscii(received[1]) == UpperAscii(expected[1]);
}

// An echo is two characters; a code sent of another length is never echoed.
bool SameCode(const char* echo, const QByteArray& code)
{
    return code.size() == 2 && SamePair(echo, code.constData());
}

// An echo that differs from the code sent still answers it in these cases.
bool EchoStandsForSentCode(const char* echo, const QByteArray& sent_code, int result)
{
    if (SamePair(echo, kWhiteBalanceWriteCode) && sent_code == "WB")
        return true;
    if (SamePair(echo, kDownloadNewEcho) && sent_code == "DL")
        return true;
    return result == hgresult::kUnattached;
}

std::optional<int> HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return std::nullopt;
}

// Reads consecutive hexadecimal fields; after the first bad or missing one it reads nothing more.
class HexFieldReader {
public:
    HexFieldReader(const QByteArray& text, size_t offset)
        : text_(text)
        , offset_(offset)
    {
    }

    uint32_t Next(int digits)
    {
        const std::optional<uint32_t> value = failed_ ? std::nullopt : ParseHGHex(text_, offset_, digits);
        failed_ = !value;
        offset_ += size_t(digits);
        return value.value_or(0);
    }
    bool Failed() const { return failed_; }

private:
    const QByteArray& text_;
    size_t offset_ = 0;
    bool failed_ = false;
};

// ---- Clock --------------------------------------------------------------------------------

// Three two-digit decimal fields as six BCD digits, the first field highest.
uint32_t BcdFields(int high, int middle, int low)
{
    const auto bcd = [](int value) { return uint32_t((value / 10) << 4 | (value % 10)); };
    return bcd(high) << 16 | bcd(middle) << 8 | bcd(low);
}

// ---- Directory listings -------------------------------------------------------------------

constexpr const char* kListingStart = "{START}\r";
constexpr const char* kListingEnd = "{END}";
constexpr const char* kListingMore = "<MORE>";
constexpr const char* kListingRoot = "[ROOT]";
constexpr const char* kListingCard = "PC Card";
constexpr const char* kListingSizeLine = " bytes";
constexpr const char* kListingFreeLine = " free";

// Listing text ends at the first NUL, as the imager's strings do.
QByteArray UpToNul(const QByteArray& bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.left(nul);
}

// Takes one listing line by the rules both links share.
void TakeListingEntry(const QByteArray& line, QStringList& list)
{
    if (line.contains(kListingRoot)) {
        list.append(QString::fromLatin1(line));
        list.append(QString::fromLatin1(kListingCard));
    } else if (line.isEmpty() || line.startsWith('.') || line.contains(kListingSizeLine)) {
        return;
    } else if (line.contains(':') || list.size() < 2) {
        list.append(QString::fromLatin1(line));
    } else {
        list[1] = QString::fromLatin1(line);
    }
}

// The datagram's lines between its start mark and its end mark.
QByteArray ListingBody(const QByteArray& datagram)
{
    qsizetype begin = datagram.indexOf(kListingStart);
    begin = begin < 0 ? 0 : begin + qsizetype(std::strlen(kListingStart));
    qsizetype end = datagram.size();
    for (const char* mark : { kListingEnd, kListingMore }) {
        const qsizetype at = datagram.indexOf(mark, begin);
        if (at >= 0 && at < end)
            end = at;
    }
    return datagram.mid(begin, end - begin);
}

} // namespace

// ---- Imager types -------------------------------------------------------------------------

QString HGTypeName(int type_code)
{
    if (type_code < 1 || type_code > kHGTypeCount)
        return QStringLiteral("Unknown");
    return QString::fromLatin1(kTypeNames[type_code - 1]);
}

QString HGKindNameOfType(int type_code)
{
    if (type_code < 1 || type_code > kHGTypeCount)
        return QStringLiteral("Unknown");
    return QString::fromLatin1(kKindNames[type_code - 1]);
}

// ---- Imager states ------------------------------------------------------------------------

int ClampImagerState(int state)
{
    return state < 0 || state > kImagerStateUnknown ? kImagerStateUnknown : state;
}

QString HGStateName(int state)
{
    return QString::fromLatin1(kStateNames[ClampImagerState(state)]);
}

// ---- Commands -----------------------------------------------------------------------------

const HGCommandInfo& HGCommand(int index)
{
    if (index < 0 || index >= kHGCommandCount)
        throw Error(QStringLiteral("Imager command index %1 is outside the command table.").arg(index));
    return kCommands[index];
}

int HGCommandTimeoutMs(int index)
{
    if (index == hgcmd::kState || index == hgcmd::kAttach)
        return kAttachCommandTimeoutMs;
    if (index >= hgcmd::kDirectory && index <= hgcmd::kString55)
        return kCardCommandTimeoutMs;
    return kCommandTimeoutMs;
}

// ---- Result codes -------------------------------------------------------------------------

int HGResultIndex(const char* two_chars)
{
    if (two_chars == nullptr || two_chars[0] == '\0')
        return hgresult::kUndocumented;
    for (int index = 0; index < kImagerResultCount; ++index)
        if (two_chars[0] == kResultCodes[index][0] && two_chars[1] == kResultCodes[index][1])
            return index;
    return hgresult::kUndocumented;
}

QByteArray HGResultCode(int index)
{
    if (index < 0 || index >= kImagerResultCount)
        return {};
    return QByteArray(kResultCodes[index]);
}

QString HGResultName(int index)
{
    if (index < 0 || index >= kHGResultCount)
        return {};
    return QString::fromLatin1(kResultNames[index]);
}

// ---- Frames -------------------------------------------------------------------------------

QByteArray HGHexArgument(uint32_t value, int width_digits)
{
    if (width_digits <= 0)
        return {};
    const QByteArray digits = QByteArray::number(value, 16).toUpper();
    if (digits.size() >= width_digits)
        return digits.right(width_digits);
    return QByteArray(width_digits - digits.size(), '0') + digits;
}

QByteArray HGSentCode(int command, const QByteArray& argument)
{
    if (command == hgcmd::kWhiteBalance && !argument.isEmpty())
        return kWhiteBalanceWriteCode;
    return HGCommand(command).code;
}

QByteArray HGUnicastFrame(uint8_t identifier, int command, const QByteArray& argument)
{
    const QByteArray sent_argument = command == hgcmd::kWhiteBalance && argument.isEmpty()
        ? QByteArray(kWhiteBalanceReadArgument)
        : argument;
    return '#' + HGHexArgument(identifier, 2) + HGSentCode(command, argument) + HGCommand(command).sub_code
        + sent_argument + '\r';
}

QByteArray HGBroadcastFrame(int command, const QByteArray& argument)
{
    return HGCommand(command).code + argument + '\r';
}

// ---- Replies ------------------------------------------------------------------------------

HGReplyCheck CheckHGReply(const uint8_t* data, size_t length, const HGReplyContext& context)
{
    if (data == nullptr)
        length = 0;
    HGReplyCheck check;
    if (IsRawData(length, context)) {
        check.result = hgresult::kSuccess;
        check.raw_data = true;
        return check;
    }
    if (length < kReplyHeaderBytes || data[0] != '#')
        return check;
    const char* header = reinterpret_cast<const char*>(data);
    const char* echo = header + 5;
    const QByteArray own_identifier = HGHexArgument(context.identifier, 2);
    if (!SamePair(header + 1, own_identifier.constData()) && !SamePair(echo, kIdentifyAllEcho))
        return check;
    const int result = HGResultIndex(header + 3);
    if (!context.sent_code.isEmpty() && !SameCode(echo, context.sent_code)
        && !EchoStandsForSentCode(echo, context.sent_code, result))
        return check;
    check.result = result;
    check.accepted = true;
    return check;
}

std::optional<uint32_t> ParseHGHex(const QByteArray& reply, size_t offset, int digits)
{
    if (digits <= 0 || digits > 8 || offset > size_t(reply.size())
        || size_t(reply.size()) - offset < size_t(digits))
        return std::nullopt;
    uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
        const std::optional<int> digit = HexDigitValue(reply[qsizetype(offset) + i]);
        if (!digit)
            return std::nullopt;
        value = value << 4 | uint32_t(*digit);
    }
    return value;
}

QString HGPayloadText(const QByteArray& reply, size_t offset)
{
    if (offset >= size_t(reply.size()))
        return {};
    qsizetype end = qsizetype(offset);
    while (end < reply.size() && reply[end] != '\r' && reply[end] != '\0')
        ++end;
    return QString::fromLatin1(reply.constData() + offset, end - qsizetype(offset));
}

std::optional<HGAttachReply> ParseHGAttachReply(const QByteArray& reply, size_t offset)
{
    HexFieldReader reader(reply, offset);
    HGAttachReply parsed;
    parsed.type_code = int(reader.Next(2));
    parsed.version = int(reader.Next(2));
    parsed.state = ClampImagerState(int(reader.Next(2)));
    parsed.colour_flag = int(reader.Next(2));
    parsed.spare_byte = int(reader.Next(2));
    for (uint16_t& word : parsed.words)
        word = uint16_t(reader.Next(4));
    parsed.last_word = int(reader.Next(4));
    if (reader.Failed())
        return std::nullopt;
    return parsed;
}

// ---- Clock --------------------------------------------------------------------------------

uint32_t HGDateRegister(const QDate& date)
{
    if (!date.isValid())
        return 0;
    const int year = (date.year() % 100 + 100) % 100;
    return BcdFields(date.month(), date.day(), year);
}

uint32_t HGTimeRegister(const QTime& time)
{
    if (!time.isValid())
        return 0;
    return BcdFields(time.hour(), time.minute(), time.second());
}

// ---- Directory listings -------------------------------------------------------------------

bool TakeHGListingDatagram(const QByteArray& datagram, QStringList& list)
{
    const QByteArray text = UpToNul(datagram);
    for (const QByteArray& line : ListingBody(text).split('\r'))
        TakeListingEntry(line, list);
    return text.contains(kListingMore);
}

bool TakeHGListingLine(const QByteArray& line, QStringList& list)
{
    QByteArray text = UpToNul(line);
    if (text.contains(kListingFreeLine))
        return true;
    if (!text.endsWith('\r'))
        text.append('\r');
    if (text.contains(kListingStart) || text.contains(kListingSizeLine) || text.startsWith('.'))
        return false;
    while (text.endsWith('\r'))
        text.chop(1);
    TakeListingEntry(text, list);
    return false;
}

} // namespace fw
