#include "imagers/gpib/hs4540.h"

namespace fw {

namespace {

constexpr std::int32_t kStepPause_ms = 500;
constexpr long kFlushChunk_bytes = 32768;
constexpr std::uint8_t kUntimelyStatus = 0x87;
constexpr std::int32_t kProbeStep = 500;

} // namespace

THS4540::THS4540(TGPIB& gpib, const QString& address, SteadyNow now)
    : TEM1012(gpib, address, std::move(now))
{
    SetRateIndex(1);
}

void THS4540::SetRateIndex(int rate_index)
{
    rate_index_ = rate_index;
    lines_ = HsRateRowAt(rate_index).Lines();
    line_length_ = HsRateRowAt(rate_index).LineLength();
}

bool THS4540::ReadReply(std::vector<std::uint8_t>& reply, int expected_bytes)
{
    reply.assign(static_cast<std::size_t>(expected_bytes), 0);
    const int status = gpib_.ibrd(device_, reply.data(), static_cast<long>(reply.size()));
    const long received = status < 0 ? 0 : gpib_.Ibcntl();
    if (status < 0 || received <= 0) {
        StoreDriverError();
        reply.clear();
        SetError(EmError::kNoResponse);
    } else {
        reply.resize(static_cast<std::size_t>(std::min<long>(received, expected_bytes)));
    }
    if (status >= 0 && (status & TGPIB::kRqsBit) != 0)
        SerialPoll();
    return !Failed();
}

void THS4540::FlushInput()
{
    SendCommand(em_command::kQueryKeypad);
    std::vector<std::uint8_t> discard(kFlushChunk_bytes);
    gpib_.ibrd(device_, discard.data(), kFlushChunk_bytes);
}

void THS4540::RecoverFromRefusal()
{
    SendCommand(em_command::kRemote);
}

bool THS4540::StopRecording()
{
    PollStatus(2);
    const int state = State();
    if (state == static_cast<int>(EmState::kStopWait) || state == static_cast<int>(EmState::kTrigWait)) {
        SendCommand(em_command::kRecord);
        Wait_ms(kStepPause_ms);
        SendCommand(em_command::kPlayStop);
        PollStatus(2);
    }
    SendCommand(em_command::kStop);
    Wait_ms(kStepPause_ms);
    if ((status_byte_ & ~kEmServiceBit) == kUntimelyStatus) {
        SendCommand(em_command::kPlayStop);
        Wait_ms(kStepPause_ms);
        SendCommand(em_command::kStop);
        Wait_ms(kStepPause_ms);
    }
    PollStatus(2);
    return !Failed();
}

bool THS4540::ReadRecordInfo()
{
    SetError(EmError::kNone);
    PollStatus(3);
    if (State() >= static_cast<int>(EmState::kRecording) && State() <= static_cast<int>(EmState::kTriggered))
        return false;
    StopRecording();
    two_rates_ = true;
    if (Failed()) {
        TurnRefusalIntoNoRecording();
        return false;
    }
    std::uint32_t session = 0;
    session_.session = QueryByte(em_command::kQuerySession, 1, session) ? session : 0;
    if (!QueryInt(em_command::kQueryExposure, 4, 0, session_.exposure))
        session_.exposure = 0;
    if (!QueryInt(em_command::kQueryRate, 4, 0, session_.rate_fps))
        session_.rate_fps = kDefaultRate_fps;
    if (!ChooseWindow())
        return false;
    ProbeRecordedRange();
    SendCommand(em_command::kStop);
    return !Failed();
}

// A rate outside the table leaves the whole sensor chosen and ends the read with error 25:
// the window and frame count of a rate the processor cannot have would be guesses.
bool THS4540::ChooseWindow()
{
    const int rate_index = session_.rate_fps / kHsRateStep_fps;
    if (rate_index > kHsHighestRateIndex) {
        SetRateIndex(1);
        SetError(EmError::kBadFrameRate);
        return false;
    }
    SetRateIndex(rate_index);
    const auto& window = HsRateRowAt(rate_index).window;
    return SendCommand(em_command::kSetWindow, window);
}

bool THS4540::ProbeFrame(std::int32_t frame)
{
    std::vector<std::uint8_t> reply;
    if (!SendCommand(em_command::kPositionTo, BigEndianBytes(frame)))
        return false;
    std::int32_t reported = 0;
    return QueryLong(em_command::kQueryFrame, 4, 0, reported) && reported == frame;
}

// The processor does not tell its range: positions beyond the memory's frame count either side
// of the trigger show where frames exist.
void THS4540::ProbeRecordedRange()
{
    const std::int32_t in_memory = HsRateRowAt(rate_index_).frames_in_memory;
    const bool after = ProbeFrame(kProbeStep);
    const bool before = ProbeFrame(-kProbeStep);
    std::int32_t step = in_memory - 1;
    if (!after)
        step = -step;
    if (after && before)
        step /= 2;
    int multiple = 1;
    if (ProbeFrame(3 * step))
        multiple = ProbeFrame(5 * step) ? 5 : 3;
    const std::int32_t frames = multiple * in_memory;
    if (after && !before) {
        session_.first_frame = 1;
        session_.last_frame = frames;
    } else if (after && before) {
        session_.first_frame = -(frames / 2);
        session_.last_frame = frames / 2;
    } else {
        session_.first_frame = 1 - frames;
        session_.last_frame = 1;
    }
}

bool THS4540::ReadUpload(std::span<std::uint8_t> buffer)
{
    const long requested = UploadBytes();
    if (static_cast<long>(buffer.size()) < kHeaderBytes + requested) {
        SetError(EmError::kUpload);
        SetDetail(QStringLiteral(". Buffer holds %1, needs %2").arg(buffer.size()).arg(kHeaderBytes + requested));
        return false;
    }
    if (gpib_.ibrd(device_, buffer.data() + kHeaderBytes, requested) < 0) {
        StoreDriverError();
        SetError(EmError::kNoResponse);
        return false;
    }
    const long received = gpib_.Ibcntl();
    if (received != requested) {
        SetError(EmError::kUpload);
        SetDetail(QStringLiteral(". Got %1, expected %2").arg(received).arg(requested));
        return false;
    }
    PollStatus(1);
    return !Failed();
}

} // namespace fw
