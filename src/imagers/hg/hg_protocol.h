#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

namespace fw {

// The text protocol of the HG/RO imager family: two-character command codes, hexadecimal
// arguments and replies, one carriage return per frame. Pure tables and parsing; the worker
// that runs the exchanges is THGCommLayer.

// ---- Imager types -------------------------------------------------------------------------

// Type code of the attach reply -> type name ("HRC 1000" ... "HG 2000-TX", "Unknown").
QString HGTypeName(int type_code);
// Type code -> the imager kind name the imager list uses ("Kodak RO", "Kodak HG 2000", ...).
QString HGKindNameOfType(int type_code);
// Types 4 to 6 are the new models.
inline bool IsNewModelType(int type_code) { return type_code > 3; }

// ---- Imager states ------------------------------------------------------------------------

inline constexpr int kImagerStateUnknown = 10;
// Values above 10 or negative become 10.
int ClampImagerState(int state);
QString HGStateName(int state);

// ---- Commands -----------------------------------------------------------------------------

inline constexpr int kHGCommandCount = 61;
// Register commands are 0..33; 28..47 carry a sub-code.
namespace hgcmd {
inline constexpr int kBaudRate = 0;
inline constexpr int kSNMask = 1;
inline constexpr int kIdentifier = 2;
inline constexpr int kDate = 3;
inline constexpr int kTime = 4;
inline constexpr int kFrameRate = 5;
inline constexpr int kSessionId = 6;
inline constexpr int kGoToFrame = 7;
inline constexpr int kAutoSave = 8;
inline constexpr int kState = 9;
inline constexpr int kType = 10;
inline constexpr int kTemp = 11;
inline constexpr int kSessionLength = 12;
inline constexpr int kDatagram = 13;
inline constexpr int kIP = 14;
inline constexpr int kDLFrRange = 15;
inline constexpr int kRecordDelay = 16;
inline constexpr int kDownloadStart = 17;
inline constexpr int kWhiteBalance = 18;
inline constexpr int kPlayRate = 19;
inline constexpr int kGamma = 20;
inline constexpr int kFrameRange = 21;
inline constexpr int kSplits = 22;
inline constexpr int kFrameSync = 23;
inline constexpr int kVideoMode = 24;
inline constexpr int kDisableBtns = 25;
inline constexpr int kVideoOut = 26;
inline constexpr int kAutoAcq = 27;
inline constexpr int kPreTrigFrames = 28;
inline constexpr int kPostTrigFrames = 29;
inline constexpr int kPatchMove = 30;
inline constexpr int kReticleMove = 31;
inline constexpr int kLowLightExposure = 32;
inline constexpr int kNormalExposure = 33;
inline constexpr int kAutoExposure00 = 34;
inline constexpr int kAutoExposure01 = 35;
inline constexpr int kAutoExposureFF = 36;
inline constexpr int kReticle00 = 37;
inline constexpr int kReticle01 = 38;
inline constexpr int kLiveLowLight = 39;
inline constexpr int kLiveNormal = 40;
inline constexpr int kReadyToRecord = 41;
inline constexpr int kRecordTrigger = 42;
inline constexpr int kPlayForward = 43;
inline constexpr int kPlayReverse = 44;
inline constexpr int kPlayFaster = 45;
inline constexpr int kPlaySlower = 46;
inline constexpr int kSub03 = 47;
inline constexpr int kAttach = 48;
inline constexpr int kStop = 49;
inline constexpr int kErase = 50;
inline constexpr int kIdentifyAll = 51;
inline constexpr int kDirectory = 52;
inline constexpr int kCardPath = 53;
inline constexpr int kCardFile58 = 54;
inline constexpr int kCardFile59 = 55;
inline constexpr int kCardFile5A = 56;
inline constexpr int kString47 = 57;
inline constexpr int kString55 = 58;
inline constexpr int kDownloadOld = 59;
inline constexpr int kDownloadNew = 60;
} // namespace hgcmd

struct HGCommandInfo {
    const char* name; // registers only; "" otherwise
    const char* code; // two characters
    const char* sub_code; // two characters, or "" when none
    int width_digits; // registers only; 0 otherwise
};
// Index 0..60; anything else is a programming error (throws fw::Error).
const HGCommandInfo& HGCommand(int index);
inline bool HasSubCode(int index) { return index >= 28 && index <= 47; }

// Receive time-out of a command: 1000 ms for attach and state, 15000 ms for the directory and
// PC-card commands, 3000 ms otherwise.
int HGCommandTimeoutMs(int index);

// ---- Result codes -------------------------------------------------------------------------

namespace hgresult {
inline constexpr int kSuccess = 0;
inline constexpr int kInProgress = 1;
inline constexpr int kUnattached = 5;
inline constexpr int kAborted = 10;
inline constexpr int kUndocumented = 16;
inline constexpr int kUnexpected = 17;
inline constexpr int kNotResponding = 18;
inline constexpr int kInternalError = 19;
inline constexpr int kWinSockError = 20;
} // namespace hgresult
inline constexpr int kHGResultCount = 21;
// Index of a two-character code in the table (0..15), or 16 ("Undocumented Response").
int HGResultIndex(const char* two_chars);
// The two characters of result 0..15 ("01" ...); empty for the program's own results.
QByteArray HGResultCode(int index);
// "Success", ... "WinSock Error"; "" outside 0..20.
QString HGResultName(int index);
inline bool IsHGError(int result_index) { return result_index >= 2; }

// ---- Frames -------------------------------------------------------------------------------

// A value in upper-case hexadecimal with exactly `width_digits` digits: leading zeros when
// shorter, only the last digits when longer.
QByteArray HGHexArgument(uint32_t value, int width_digits);
// "#" + identifier (two upper-case hex digits) + code + [sub-code] + argument + CR. White balance
// (18) goes out as "12" with an argument, and with the argument "L" without one.
QByteArray HGUnicastFrame(uint8_t identifier, int command, const QByteArray& argument);
// Code + argument + CR: the attach-all and identify-all broadcasts.
QByteArray HGBroadcastFrame(int command, const QByteArray& argument);
// The code actually sent for a command with this argument ("12" for white balance with one).
QByteArray HGSentCode(int command, const QByteArray& argument);

// ---- Replies ------------------------------------------------------------------------------

// What the reply check needs to know of the exchange.
struct HGReplyContext {
    uint8_t identifier = 0;
    QByteArray sent_code; // empty when no code was sent (raw text): any echo is accepted
    bool raw_data_state = false; // the directory listing: everything is raw data
    bool more_download_state = false; // a download continues: more than 25 bytes is raw data
};

struct HGReplyCheck {
    int result = hgresult::kUnexpected; // result index
    bool raw_data = false; // download or listing data, not a framed reply
    bool accepted = false; // a framed reply for this imager: payload may be parsed
};

// Checks a received buffer: raw data when the context says so or when 2048 bytes or more came;
// otherwise the "#", identifier, result code and echo rules; identifier and echo are compared
// regardless of letter case. Never reads past `length`; a null `data` counts as nothing received.
HGReplyCheck CheckHGReply(const uint8_t* data, size_t length, const HGReplyContext& context);

// Payload offset of a reply: 7, or 9 for commands 28..47 (after the echoed sub-code).
inline size_t HGPayloadOffset(int command) { return HasSubCode(command) ? 9 : 7; }

// Reads `digits` hexadecimal digits (upper or lower case) at `offset`; nullopt when the text
// is shorter or holds another character.
std::optional<uint32_t> ParseHGHex(const QByteArray& reply, size_t offset, int digits);
// The payload of a string register: the text from the payload offset up to the first CR or NUL.
QString HGPayloadText(const QByteArray& reply, size_t offset);

struct HGAttachReply {
    int type_code = 0;
    int version = 0;
    int state = kImagerStateUnknown;
    int colour_flag = 0; // 1 colour, 2 monochrome
    int spare_byte = 0;
    std::array<uint16_t, 3> words {}; // words[2]: frames recorded by an old model
    int last_word = 0;
};
// The attach payload: type, version, state, colour flag, one byte (2 digits each), three
// 16-bit words (4 digits each), two bytes. nullopt when it is short or not hexadecimal. A state
// outside 0..10 reads as 10.
std::optional<HGAttachReply> ParseHGAttachReply(const QByteArray& reply, size_t offset);

// ---- Clock --------------------------------------------------------------------------------

// "Date": BCD month, day, two-digit year (MMDDYY); "Time": BCD hours, minutes, seconds.
uint32_t HGDateRegister(const QDate& date);
uint32_t HGTimeRegister(const QTime& time);

// ---- Directory listings -------------------------------------------------------------------

// A UDP listing datagram: "{START}" CR, lines separated by CR, ending with "{END}" or "<MORE>".
// Takes the lines into `list` by the listing rules; answers whether "<MORE>" was present.
bool TakeHGListingDatagram(const QByteArray& datagram, QStringList& list);
// One line of a serial listing, with or without its carriage return. Answers true when the line
// ends the listing (" free").
bool TakeHGListingLine(const QByteArray& line, QStringList& list);

// ---- Frames of a recording ----------------------------------------------------------------

inline constexpr int kHGFrameColumns = 512;
inline constexpr int kHGFrameRows = 384;
inline constexpr int kHGSplitFrameRows = 144;
// Bytes of one downloaded frame: rows x columns + 1024 (Bayer), rows x columns x 3 + 1188 (TIFF).
inline constexpr int64_t HGFrameBytes(bool split_frames, bool tiff)
{
    const int64_t pixels = int64_t(split_frames ? kHGSplitFrameRows : kHGFrameRows) * kHGFrameColumns;
    return tiff ? pixels * 3 + 1188 : pixels + 1024;
}

} // namespace fw
