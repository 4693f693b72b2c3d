#include "imagers/gpib/processor_tables.h"

namespace fw {

namespace {

const std::array<const char*, kEmStateCount> kStateNames {
    "UnKnown",
    "Rec Ready",
    "Live",
    "Unknown2",
    "Stopped",
    "Play/Stop",
    "Playing",
    "Unknown3",
    "Unknown4",
    "Unknown5",
    "Recording",
    "Stop Wait",
    "Trig Wait",
    "Triggered",
    "Unknown6",
    "Unknown7",
    "No Recording",
};

const std::array<const char*, kEmErrorTextCount> kErrorTexts {
    "No Errrors",
    "Frame Positioning Failed",
    "No Response",
    "Byte Parm Expected",
    "Int Parm Expected",
    "Long Parm Expected",
    "No Recording Available",
    "GPIB Handshake Error",
    "Program Parm Error",
    "Communications Interface Broken",
    "No Recording Available",
    "User Locked Keypad",
    "User Locked or Untimely Command",
    "Refused Command",
    "Busy Dumping",
    "Not Connected or is Looping",
    "EM Partial Read",
    "Upload Error",
    "GPIB Error",
    "EMNoError3",
    "EMNoError4",
    "GPIB Host Adapter Not Found: ",
    "GPIB Host/Device Not Found: ",
    "Downloading Sequence",
    "EMNoError5",
    "Bad Frame Rate Reported",
};

constexpr auto E(int code)
{
    return static_cast<EmError>(code);
}

// Index 0 stands for rates below 4500 and reads the whole sensor, as index 1 does.
const std::array<HsRateRow, kHsHighestRateIndex + 1> kHsRates { {
    { { 0, 0, 255, 255 }, 1024 },
    { { 0, 0, 255, 255 }, 1024 },
    { { 0, 64, 255, 191 }, 2048 },
    { { 64, 64, 191, 191 }, 4096 },
    { { 0, 96, 255, 159 }, 4096 },
    { { 0, 96, 255, 159 }, 0 },
    { { 64, 96, 191, 159 }, 8192 },
    { { 64, 96, 191, 159 }, 0 },
    { { 64, 96, 191, 159 }, 0 },
    { { 96, 96, 159, 159 }, 16384 },
} };

// Rows whose frames in memory are 0 upload the whole sensor.
constexpr int kWholeSensorBytes = 65536;

} // namespace

const ProcessorErrorMap kEm1012ErrorMap { E(8), E(9), E(19), E(20), E(10), E(11), E(12), E(13), E(14) };
const ProcessorErrorMap kHs4540ErrorMap { E(8), E(8), E(19), E(20), E(24), E(11), E(12), E(14), E(13) };

QString EmStateName(int state)
{
    if (state < 0 || state >= kEmStateCount)
        return {};
    return QString::fromLatin1(kStateNames[static_cast<std::size_t>(state)]);
}

QString EmErrorText(int code)
{
    if (code < 0 || code >= kEmErrorTextCount)
        return {};
    return QString::fromLatin1(kErrorTexts[static_cast<std::size_t>(code)]);
}

EmError MapProcessorError(const ProcessorErrorMap& map, int nibble)
{
    if (nibble < 1 || nibble > static_cast<int>(map.size()))
        return EmError::kUnmapped;
    return map[static_cast<std::size_t>(nibble - 1)];
}

int HsRateRow::FrameBytes() const
{
    return frames_in_memory == 0 ? kWholeSensorBytes : Lines() * LineLength();
}

const HsRateRow& HsRateRowAt(int rate_index)
{
    if (rate_index < 0 || rate_index > kHsHighestRateIndex)
        return kHsRates[1];
    return kHsRates[static_cast<std::size_t>(rate_index)];
}

} // namespace fw
