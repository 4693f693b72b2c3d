#pragma once

#include <array>
#include <cstdint>

#include <QString>

namespace fw {

// Command bytes of the EM 1012 and HS 4540 processors.
namespace em_command {
inline constexpr std::uint8_t kRemote = 0x2A;
inline constexpr std::uint8_t kLocal = 0x2B;
inline constexpr std::uint8_t kUploadEm = 0x17;
inline constexpr std::uint8_t kUploadHs = 0x18;
inline constexpr std::uint8_t kSetWindow = 0x29;
inline constexpr std::uint8_t kPositionTo = 0x26;
inline constexpr std::uint8_t kPlayStop = 0x05;
inline constexpr std::uint8_t kStop = 0x03;
inline constexpr std::uint8_t kLive = 0x04;
inline constexpr std::uint8_t kRecord = 0x06;
inline constexpr std::uint8_t kPrepareRead = 0x07;
inline constexpr std::uint8_t kQueryTwoRate = 0x81;
inline constexpr std::uint8_t kQueryRate = 0x82;
inline constexpr std::uint8_t kQueryExposure = 0x83;
inline constexpr std::uint8_t kQueryFrame = 0x84;
inline constexpr std::uint8_t kQueryRange = 0x85;
inline constexpr std::uint8_t kQuerySession = 0x86;
inline constexpr std::uint8_t kQueryDate = 0x88;
inline constexpr std::uint8_t kQueryKeypad = 0x90;
} // namespace em_command

// Status byte bits of a serial poll.
inline constexpr std::uint8_t kEmBusyBit = 0x10;
inline constexpr std::uint8_t kEmErrorBits = 0xA0;
inline constexpr std::uint8_t kEmServiceBit = 0x40;

enum class EmState : std::uint8_t {
    kUnknown = 0,
    kLive = 2,
    kStopped = 4,
    kRecording = 10,
    kStopWait = 11,
    kTrigWait = 12,
    kTriggered = 13,
    kNoRecording = 16,
};

enum class EmError : std::uint8_t {
    kNone = 0,
    kNoResponse = 2,
    kByteExpected = 3,
    kIntExpected = 4,
    kLongExpected = 5,
    kNoRecording = 6,
    kProgramParm = 8,
    kNoRecordingReported = 10,
    kKeypadLocked = 11,
    kUntimely = 12,
    kRefused = 13,
    kNotReady = 15,
    kUpload = 17,
    kGpib = 18,
    kBoardNotFound = 21,
    kDeviceNotFound = 22,
    kBadFrameRate = 25,
    // A processor error number the map does not cover: an error without a message.
    kUnmapped = 26,
};

inline constexpr int kEmStateCount = 17;
inline constexpr int kEmErrorTextCount = 26;

QString EmStateName(int state);
// The table text of an error code; empty for codes outside the table.
QString EmErrorText(int code);

// Processor error numbers 1 to 9 (the status byte's low nibble) to error codes.
using ProcessorErrorMap = std::array<EmError, 9>;
extern const ProcessorErrorMap kEm1012ErrorMap;
extern const ProcessorErrorMap kHs4540ErrorMap;
EmError MapProcessorError(const ProcessorErrorMap& map, int nibble);

// One row of the HS 4540 rate table: the readout window for rate index = rate / 4500.
struct HsRateRow {
    std::array<std::uint8_t, 4> window; // first column, first line, last column, last line
    std::int32_t frames_in_memory;

    int Lines() const { return window[3] - window[1] + 1; }
    int LineLength() const { return window[2] - window[0] + 1; }
    int FrameBytes() const;
};

inline constexpr int kHsRateStep_fps = 4500;
inline constexpr int kHsHighestRateIndex = 9;
const HsRateRow& HsRateRowAt(int rate_index);

} // namespace fw
