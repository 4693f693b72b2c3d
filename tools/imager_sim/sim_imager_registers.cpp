#include "sim_imager.h"

#include <algorithm>
#include <cctype>

namespace fw::imager_sim {
namespace {

constexpr int kMinDatagramBytes = 1024;
constexpr int kMaxDatagramBytes = 63 * 1024;
constexpr quint32 kMaxTriggerFrames = 32767;

bool isBcdByte(quint32 byte, int low, int high)
{
    const quint32 tens = byte >> 4, units = byte & 0xF;
    if (tens > 9 || units > 9)
        return false;
    const int value = int(tens * 10 + units);
    return value >= low && value <= high;
}

// MMDDYY or HHMMSS as three BCD bytes, each within its limits.
bool isBcdTriple(quint32 value, const int (&limits)[3][2])
{
    for (int i = 0; i < 3; ++i) {
        const quint32 byte = (value >> (16 - 8 * i)) & 0xFF;
        if (!isBcdByte(byte, limits[i][0], limits[i][1]))
            return false;
    }
    return true;
}

std::optional<quint32> parseHex(const QByteArray& digits)
{
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c));
        }))
        return std::nullopt;
    return digits.toUInt(nullptr, 16);
}

} // namespace

void SimImager::initialiseRegisters()
{
    using R = RegisterId;
    const int pre = std::max(0, -config_.first_frame);
    registers_ = {
        { R::BaudRate, 0 },
        { R::NetMask, 0xFF000000 },
        { R::FrameRate, quint32(config_.rate_index) },
        { R::SessionId, quint32(config_.session_id) },
        { R::GoToFrame, 0 },
        { R::AutoSave, 0 },
        { R::Datagram, 8192 },
        { R::IpAddress, config_.ipv4 },
        { R::DownloadRange, 0 },
        { R::RecordDelay, 0 },
        { R::DownloadStart, 0 },
        { R::WhiteBalance, 0 },
        { R::PlayRate, 5 },
        { R::Gamma, 0 },
        { R::Splits, config_.split ? 1u : 0u },
        { R::FrameSync, 0 },
        { R::VideoMode, 0 },
        { R::DisableButtons, 0 },
        { R::VideoOut, 0 },
        { R::AutoAcquire, 0 },
        { R::PreTriggerFrames, quint32(pre) },
        { R::PostTriggerFrames, quint32(std::max(1, config_.frames - pre)) },
        { R::PatchMove, 0 },
        { R::ReticleMove, 0 },
        { R::LowLightExposure, quint32(config_.exposure) },
        { R::NormalExposure, quint32(config_.exposure) },
    };
}

SimImager::Replies SimImager::handleRegister(
    const RegisterInfo& info, const QByteArray& argument, const QByteArray& echo)
{
    if (info.new_models_only && !isNewModel(config_.type_code))
        return { reply(result::kUnsupportedCommand, echo) };
    if (argument.isEmpty()) {
        std::string_view failure = result::kSuccess;
        const std::optional<quint32> value = readRegister(info.id, failure);
        if (!value)
            return { reply(failure, echo) };
        return { reply(result::kSuccess, echo, toHex(*value, info.width_digits)) };
    }
    if (!info.writable)
        return { reply(result::kInvalidCommand, echo) };
    if (argument.size() > info.width_digits)
        return { reply(result::kParameterCount, echo) };
    const std::optional<quint32> value = parseHex(argument);
    if (!value)
        return { reply(result::kInvalidCommandString, echo) };
    const std::string_view failure = validateWrite(info.id, *value);
    if (failure != result::kSuccess)
        return { reply(failure, echo) };
    writeRegister(info.id, *value);
    return { reply(result::kSuccess, echo) };
}

std::optional<quint32> SimImager::readRegister(RegisterId id, std::string_view& failure) const
{
    switch (id) {
    case RegisterId::State:
        return quint32(state_);
    case RegisterId::Type:
        return quint32(config_.type_code);
    case RegisterId::Temp:
        return quint32(config_.temperature_c);
    case RegisterId::Identifier:
        return quint32(identifier_);
    case RegisterId::Date:
        return clock_.dateRegister();
    case RegisterId::Time:
        return clock_.timeRegister();
    case RegisterId::SessionLength:
        return quint32(recording_ ? recording_->count : 0);
    case RegisterId::FrameRange:
        if (!recording_) {
            failure = result::kNoRecording;
            return std::nullopt;
        }
        return (quint32(recording_->first & 0xFFFF) << 16)
            | quint32((recording_->first + recording_->count - 1) & 0xFFFF);
    default:
        return registers_.at(id);
    }
}

std::string_view SimImager::validateWrite(RegisterId id, quint32 value) const
{
    static const int date_limits[3][2] { { 1, 12 }, { 1, 31 }, { 0, 99 } };
    static const int time_limits[3][2] { { 0, 23 }, { 0, 59 }, { 0, 59 } };
    bool valid = true;
    switch (id) {
    case RegisterId::BaudRate:
        valid = value <= 3;
        break;
    case RegisterId::Date:
        valid = isBcdTriple(value, date_limits);
        break;
    case RegisterId::Time:
        valid = isBcdTriple(value, time_limits);
        break;
    case RegisterId::FrameRate:
        valid = value < rateTable(config_.type_code).size();
        break;
    case RegisterId::Datagram:
        valid = value >= kMinDatagramBytes && value <= kMaxDatagramBytes && value % 1024 == 0;
        break;
    case RegisterId::PlayRate:
        valid = value <= 6;
        break;
    case RegisterId::Splits:
    case RegisterId::FrameSync:
        valid = value <= 1;
        break;
    case RegisterId::PreTriggerFrames:
    case RegisterId::PostTriggerFrames:
        valid = value <= kMaxTriggerFrames;
        break;
    default:
        break;
    }
    return valid ? result::kSuccess : result::kOutOfRange;
}

void SimImager::writeRegister(RegisterId id, quint32 value)
{
    switch (id) {
    case RegisterId::Identifier:
        identifier_ = int(value);
        return;
    case RegisterId::Date:
        clock_.setDateRegister(value);
        return;
    case RegisterId::Time:
        clock_.setTimeRegister(value);
        return;
    default: {
        const quint32 old_value = registers_.at(id);
        registers_[id] = value;
        registerWritten(id, old_value);
    }
    }
}

} // namespace fw::imager_sim
