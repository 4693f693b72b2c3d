#pragma once

// The imager's side of the command protocol: command codes, register widths, result codes and
// the two model families.

#include <optional>
#include <string_view>
#include <vector>

#include <QByteArray>

namespace fw::imager_sim {

// Result codes as the imager sends them at reply offset 3.
namespace result {
inline constexpr std::string_view kSuccess = "01";
inline constexpr std::string_view kInvalidCommandString = "10";
inline constexpr std::string_view kUnsupportedCommand = "11";
inline constexpr std::string_view kInvalidCommand = "12";
inline constexpr std::string_view kUnattached = "13";
inline constexpr std::string_view kOutOfRange = "14";
inline constexpr std::string_view kParameterCount = "15";
inline constexpr std::string_view kInvalidState = "16";
inline constexpr std::string_view kNoRecording = "18";
inline constexpr std::string_view kDiskFileError = "28";
inline constexpr std::string_view kFileNotFound = "29";
} // namespace result

enum class ImagerState {
    Standby = 0,
    LiveLow = 1,
    LiveNormal = 2,
    ReadyToRecord = 3,
    Recording = 4,
    RecordingDone = 5,
    Playing = 6,
    PlayStop = 7,
    EthernetDownloading = 9,
};

enum class RegisterId {
    BaudRate,
    NetMask,
    Identifier,
    Date,
    Time,
    FrameRate,
    SessionId,
    GoToFrame,
    AutoSave,
    State,
    Type,
    Temp,
    SessionLength,
    Datagram,
    IpAddress,
    DownloadRange,
    RecordDelay,
    DownloadStart,
    WhiteBalance,
    PlayRate,
    Gamma,
    FrameRange,
    Splits,
    FrameSync,
    VideoMode,
    DisableButtons,
    VideoOut,
    AutoAcquire,
    PreTriggerFrames,
    PostTriggerFrames,
    PatchMove,
    ReticleMove,
    LowLightExposure,
    NormalExposure,
};

struct RegisterInfo {
    RegisterId id;
    std::string_view code;
    std::string_view sub_code; // empty for plain registers
    int width_digits;
    bool writable;
    bool new_models_only;
};

// The register a code (and, for sub-coded commands, the sub-code) names, if any.
std::optional<RegisterInfo> findRegister(std::string_view code, std::string_view sub_code);

// Codes whose first two argument characters are a sub-code, echoed in front of the payload.
bool hasSubCode(std::string_view code);

// Types 4 to 6 are the new models (frame range, split frames, "DL" downloads); 1 to 3 the old.
bool isKnownType(int type_code);
bool isNewModel(int type_code);
const char* typeName(int type_code);

// Recording rates by "Frame Rate" register index; index 0 is the external clock (0 fps).
const std::vector<int>& rateTable(int type_code);
std::optional<int> rateIndexOf(int type_code, int frames_per_second);

// "Hexadecimal arguments": upper case, exactly `width` digits, the last ones when longer.
QByteArray toHex(quint32 value, int width_digits);

} // namespace fw::imager_sim
