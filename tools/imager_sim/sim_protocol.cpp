#include "sim_protocol.h"

#include <algorithm>
#include <array>

namespace fw::imager_sim {
namespace {

using R = RegisterId;

constexpr std::array<RegisterInfo, 34> kRegisters { {
    { R::BaudRate, "30", "", 2, true, false },
    { R::NetMask, "4E", "", 8, true, false },
    { R::Identifier, "52", "", 2, true, false },
    { R::Date, "09", "", 6, true, false },
    { R::Time, "08", "", 6, true, false },
    { R::FrameRate, "06", "", 2, true, false },
    { R::SessionId, "0C", "", 2, true, false },
    { R::GoToFrame, "23", "", 4, true, false },
    { R::AutoSave, "14", "", 2, true, false },
    { R::State, "40", "", 2, false, false },
    { R::Type, "48", "", 2, false, false },
    { R::Temp, "50", "", 2, false, false },
    { R::SessionLength, "51", "", 4, false, false },
    { R::Datagram, "53", "", 8, true, false },
    { R::IpAddress, "4D", "", 8, true, false },
    { R::DownloadRange, "4B", "", 8, true, false },
    { R::RecordDelay, "5D", "", 4, true, false },
    { R::DownloadStart, "5C", "", 2, true, false },
    { R::WhiteBalance, "12", "", 2, true, false },
    { R::PlayRate, "1D", "", 2, true, false },
    { R::Gamma, "2F", "", 2, true, false },
    { R::FrameRange, "45", "", 8, false, true },
    { R::Splits, "65", "", 2, true, true },
    { R::FrameSync, "66", "", 2, true, false },
    { R::VideoMode, "68", "", 2, true, false },
    { R::DisableButtons, "6B", "", 2, true, false },
    { R::VideoOut, "6E", "", 2, true, false },
    { R::AutoAcquire, "6C", "", 4, true, false },
    { R::PreTriggerFrames, "04", "01", 4, true, false },
    { R::PostTriggerFrames, "04", "02", 4, true, false },
    { R::PatchMove, "2C", "02", 8, true, false },
    { R::ReticleMove, "0B", "02", 8, true, false },
    { R::LowLightExposure, "07", "01", 4, true, false },
    { R::NormalExposure, "07", "02", 4, true, false },
} };

constexpr std::array<std::string_view, 8> kSubCoded { "04", "2C", "0B", "07", "1A", "1B", "1C", "13" };

} // namespace

std::optional<RegisterInfo> findRegister(std::string_view code, std::string_view sub_code)
{
    for (const RegisterInfo& info : kRegisters) {
        if (info.code == code && info.sub_code == sub_code)
            return info;
    }
    return std::nullopt;
}

bool hasSubCode(std::string_view code)
{
    return std::find(kSubCoded.begin(), kSubCoded.end(), code) != kSubCoded.end();
}

bool isKnownType(int type_code)
{
    return type_code >= 1 && type_code <= 6;
}

bool isNewModel(int type_code)
{
    return type_code >= 4;
}

const char* typeName(int type_code)
{
    static constexpr std::array<const char*, 6> names { "HRC 1000", "RO", "RO (Ext. Exposure)", "HG 2000",
        "CR 2000", "HG 2000-TX" };
    return isKnownType(type_code) ? names[size_t(type_code - 1)] : "Unknown";
}

const std::vector<int>& rateTable(int type_code)
{
    static const std::vector<int> old_models { 0, 250, 500, 1000 };
    static const std::vector<int> new_models { 0, 30, 60, 125, 250, 500, 1000, 2000 };
    return isNewModel(type_code) ? new_models : old_models;
}

std::optional<int> rateIndexOf(int type_code, int frames_per_second)
{
    const std::vector<int>& rates = rateTable(type_code);
    const auto found = std::find(rates.begin(), rates.end(), frames_per_second);
    if (found == rates.end())
        return std::nullopt;
    return int(found - rates.begin());
}

QByteArray toHex(quint32 value, int width_digits)
{
    QByteArray digits = QByteArray::number(value, 16).toUpper();
    if (digits.size() > width_digits)
        return digits.right(width_digits);
    return QByteArray(width_digits - digits.size(), '0') + digits;
}

} // namespace fw::imager_sim
