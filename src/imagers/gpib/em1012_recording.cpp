// The recording's information, the record and stop sequences and the upload of one frame.

#include <algorithm>
#include <exception>

#include "imagers/gpib/em1012.h"

namespace fw {

namespace {

constexpr std::int32_t kStepPause_ms = 500;
constexpr std::int32_t kReadyPause_ms = 400;
constexpr int kTimeout1s = 11;
constexpr int kTimeout10s = 13;
constexpr std::int32_t kSlowRate_fps = 1000;
constexpr std::int32_t kSlowExposure = 12000;

int Bcd(std::uint8_t value)
{
    return (value >> 4) * 10 + (value & 0x0F);
}

bool InRecordingState(int state)
{
    return state >= static_cast<int>(EmState::kRecording) && state <= static_cast<int>(EmState::kTriggered);
}

} // namespace

bool TEM1012::GetRecordingInfo(EmRecordingInfo& info)
{
    const bool ok = ReadRecordInfo();
    if (session_.rate_fps < 1)
        session_.rate_fps = 1000;
    session_.last_frame = std::max(session_.last_frame, session_.first_frame);
    info = EmRecordingInfo { session_.first_frame, session_.last_frame, lines_, line_length_, session_.rate_fps };
    return ok;
}

bool TEM1012::ReadRecordInfo()
{
    SetError(EmError::kNone);
    PollStatus(3);
    if (InRecordingState(State()))
        return false;
    SendCommand(em_command::kPrepareRead);
    SendCommand(em_command::kStop);
    Wait_ms(kStepPause_ms);
    PollStatus(2);
    std::int32_t two_rates = 0;
    QueryInt(em_command::kQueryTwoRate, 2, 0, two_rates);
    if (Failed()) {
        TurnRefusalIntoNoRecording();
        return false;
    }
    two_rates_ = two_rates != 0;
    ReadRecordInfoBody();
    return !Failed();
}

bool TEM1012::ReadRecordInfoBody()
{
    std::uint32_t session = 0;
    if (!QueryByte(em_command::kQuerySession, 1, session))
        return false;
    session_.session = session;
    std::vector<std::uint8_t> date;
    if (!Query(em_command::kQueryDate, 6, date))
        return false;
    if (date.size() < 5) {
        SetError(EmError::kLongExpected);
        return false;
    }
    session_.year = static_cast<std::uint16_t>(Bcd(date[0]));
    session_.month = static_cast<std::uint8_t>(Bcd(date[1]));
    session_.day = static_cast<std::uint8_t>(Bcd(date[2]));
    session_.hour = static_cast<std::uint8_t>(Bcd(date[3]));
    session_.minute = static_cast<std::uint8_t>(Bcd(date[4]));
    session_.model = QStringLiteral("EktaPro EM");
    session_.settings[1] = 1;
    std::vector<std::uint8_t> range;
    if (!Query(em_command::kQueryRange, 8, range))
        return false;
    if (range.size() < 8) {
        SetError(EmError::kLongExpected);
        return false;
    }
    session_.first_frame = BigEndianValue(range, 4);
    session_.last_frame = BigEndianValue(std::span(range).subspan(4), 4);
    const int which = two_rates_ ? 1 : 0;
    if (!QueryInt(em_command::kQueryRate, 4, which, session_.rate_fps))
        return false;
    if (!QueryInt(em_command::kQueryExposure, 4, which, session_.exposure)) {
        session_.exposure = 0;
        return false;
    }
    if (session_.rate_fps == kSlowRate_fps && session_.exposure == kSlowExposure)
        session_.settings[1] = 12;
    return true;
}

bool TEM1012::StopRecording()
{
    PollStatus(2);
    SendCommand(em_command::kStop);
    Wait_ms(kStepPause_ms);
    PollStatus(1);
    return !Failed();
}

bool TEM1012::ReadyRecording()
{
    PollStatus(2);
    SendCommand(em_command::kStop);
    Wait_ms(kReadyPause_ms);
    SendCommand(em_command::kPlayStop);
    Wait_ms(kReadyPause_ms);
    SendCommand(em_command::kLive);
    Wait_ms(kReadyPause_ms);
    SendCommand(em_command::kRecord);
    PollStatus(1);
    return !Failed();
}

bool TEM1012::UploadFrame(std::span<std::uint8_t> buffer, std::optional<std::int32_t> frame)
{
    if (!connected_)
        return false;
    try {
        UploadBody(buffer, frame);
    } catch (const std::exception& exception) {
        SetError(EmError::kUpload);
        SetDetail(QStringLiteral(" F=%1 Exception %2")
                      .arg(reinterpret_cast<std::uintptr_t>(buffer.data()), 8, 16, QLatin1Char('0'))
                      .arg(QString::fromLocal8Bit(exception.what())));
    }
    return !Failed();
}

bool TEM1012::UploadBody(std::span<std::uint8_t> buffer, std::optional<std::int32_t> frame)
{
    if (frame)
        SendCommand(em_command::kPositionTo, BigEndianBytes(*frame));
    else
        SendCommand(em_command::kPlayStop);
    PollStatus(1);
    if (Failed())
        return false;
    gpib_.ibtmo(device_, kTimeout10s);
    if (SendCommand(UploadCommand()))
        ReadUpload(buffer);
    gpib_.ibtmo(device_, kTimeout1s);
    return !Failed();
}

bool TEM1012::ReadUpload(std::span<std::uint8_t> buffer)
{
    for (std::uint8_t& byte : buffer) {
        if (gpib_.ibrd(device_, &byte, 1) < 0 || gpib_.Ibcntl() != 1) {
            StoreDriverError();
            SetError(EmError::kNoResponse);
            return false;
        }
    }
    PollStatus(1);
    return !Failed();
}

} // namespace fw
