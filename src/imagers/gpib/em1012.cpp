#include "imagers/gpib/em1012.h"

#include "imagers/gpib/download_thread.h"

#include <algorithm>

namespace fw {

namespace {

constexpr int kTimeout1s = 11;
constexpr int kAutoSerialPollOption = 7;
constexpr std::int32_t kAfterWrite_ms = 20;
constexpr std::int32_t kLongestBusy_ms = 1000;
constexpr std::int32_t kLongestFlush_ms = 2500;
constexpr long kFlushChunk_bytes = 32768;
constexpr int kConnectTries = 3;

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

std::int32_t BigEndianValue(std::span<const std::uint8_t> bytes, int byte_count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < byte_count; ++i)
        value = value << 8 | bytes[static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(value);
}

std::vector<std::uint8_t> BigEndianBytes(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    return { static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
        static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits) };
}

TEM1012::TEM1012(TGPIB& gpib, const QString& address, SteadyNow now)
    : gpib_(gpib)
    , board_name_(address.section(QLatin1Char(':'), 0, 0))
    , device_name_(address.section(QLatin1Char(':'), 1))
    , timing_clock_(std::move(now))
{
    if (!address.contains(QLatin1Char(':'))) {
        board_name_.clear();
        device_name_ = address;
    }
    timing_clock_.SetUnits(TPrecisionTiming::kMilliseconds);
}

TEM1012::~TEM1012()
{
    // Whoever listened may be gone already.
    on_state_change_ = nullptr;
    on_error_ = nullptr;
    JoinDownload();
    Disconnect();
    CloseDescriptors();
}

void TEM1012::SetTiming(const EmTiming& timing)
{
    timing_ = timing;
    timing_.byte_spacing_ms = std::min(timing_.byte_spacing_ms, EmTiming::kLongestByteSpacing_ms);
}

void TEM1012::SetErrorCode(int code)
{
    if (code == error_code_)
        return;
    error_code_ = code;
    if (on_error_ && !events_held_)
        on_error_(code);
}

void TEM1012::SetState(int state)
{
    if (state == state_)
        return;
    state_ = state;
    if (on_state_change_ && !events_held_)
        on_state_change_(state);
}

QString TEM1012::ErrorMessage()
{
    QString message;
    if (error_code_ == static_cast<int>(EmError::kGpib))
        message = gpib_.ErrorText(driver_error_);
    else if (error_code_ > 0 && error_code_ < kEmErrorTextCount)
        message = EmErrorText(error_code_);
    if (error_code_ == static_cast<int>(EmError::kBoardNotFound)
        || error_code_ == static_cast<int>(EmError::kDeviceNotFound))
        message += Quoted(board_name_);
    if (error_code_ == static_cast<int>(EmError::kDeviceNotFound))
        message += QLatin1Char('/') + Quoted(device_name_);
    message += detail_;
    detail_.clear();
    return message;
}

bool TEM1012::Connect()
{
    connected_ = false;
    last_command_time_ = timing_clock_.Now();
    session_ = EMSessionRec {};
    state_ = -1;
    SetState(static_cast<int>(EmState::kUnknown));
    SetError(EmError::kNone);
    if (!OpenBus())
        return false;
    connected_ = true;
    std::uint32_t keypad = 0;
    if (QueryByte(em_command::kQueryKeypad, 1, keypad) && keypad == 1)
        SetError(EmError::kKeypadLocked);
    if (!Failed()) {
        SendCommand(em_command::kRemote);
        PollStatus(kConnectTries);
        if (error_code_ == static_cast<int>(EmError::kNoRecording)
            || error_code_ == static_cast<int>(EmError::kNoRecordingReported))
            SetError(EmError::kNone);
    }
    if (Failed()) {
        const int error = error_code_;
        Disconnect();
        SetErrorCode(error);
        return false;
    }
    AfterConnect();
    return connected_;
}

void TEM1012::Disconnect()
{
    JoinDownload();
    if (!connected_)
        return;
    SendCommand(em_command::kLocal);
    connected_ = false;
    // Descriptor 0 is a valid one, so it is closed as well.
    if (device_ >= 0)
        gpib_.ibonl(device_, 0);
    device_ = -1;
}

void TEM1012::CloseDescriptors()
{
    if (device_ >= 0)
        gpib_.ibonl(device_, 0);
    if (board_ >= 0)
        gpib_.ibonl(board_, 0);
    device_ = board_ = -1;
}

bool TEM1012::OpenBus()
{
    if (!OpenOnce() && !Failed() && driver_error_ != 0) {
        CloseDescriptors();
        OpenOnce();
    }
    if (!Failed() && driver_error_ != 0)
        SetError(EmError::kGpib);
    return !Failed();
}

// One attempt at the board and the device; false when a driver call on the device failed.
bool TEM1012::OpenOnce()
{
    CloseDescriptors();
    driver_error_ = 0;
    board_ = gpib_.ibfind(board_name_);
    if (board_ < 0) {
        board_ = -1;
        SetError(EmError::kBoardNotFound);
        return false;
    }
    gpib_.ibtmo(board_, kTimeout1s);
    gpib_.ibconfig(board_, kAutoSerialPollOption, 1);
    gpib_.ibdma(board_, timing_.use_dma ? 1 : 0);
    device_ = gpib_.ibfind(device_name_);
    if (device_ < 0) {
        device_ = -1;
        SetError(EmError::kDeviceNotFound);
        return false;
    }
    bool ok = gpib_.ibtmo(device_, kTimeout1s) >= 0;
    ok = gpib_.ibclr(device_) >= 0 && ok;
    if (ok) {
        ok = gpib_.ibeot(device_, timing_.byte_spacing_ms == 0 ? 1 : 0) >= 0;
        ok = gpib_.ibeos(device_, 0) >= 0 && ok;
    }
    if (!ok)
        StoreDriverError();
    else
        FlushInput();
    return ok;
}

bool TEM1012::SerialPoll()
{
    char status_byte = 0;
    if (gpib_.ibrsp(device_, &status_byte) < 0)
        return false;
    status_byte_ = static_cast<std::uint8_t>(status_byte);
    return true;
}

void TEM1012::PollStatus(int tries)
{
    for (int attempt = 1; attempt <= tries; ++attempt) {
        SetError(EmError::kNone);
        if (!SerialPoll()) {
            StoreDriverError();
            SetError(EmError::kGpib);
        } else if ((status_byte_ & kEmErrorBits) != 0) {
            SetError(MapProcessorError(ErrorMap(), status_byte_ & 0x0F));
            SetState(static_cast<int>(EmState::kUnknown));
        } else {
            SetState(status_byte_ & 0x0F);
        }
        const bool refused = error_code_ == static_cast<int>(EmError::kKeypadLocked)
            || error_code_ == static_cast<int>(EmError::kRefused);
        if (refused && attempt < tries) {
            RecoverFromRefusal();
            SetError(EmError::kKeypadLocked);
        }
        if (!Failed())
            return;
    }
}

void TEM1012::RecoverFromRefusal()
{
    FlushInput();
    Wait_ms(timing_.command_spacing_ms);
    FlushInput();
    SendCommand(em_command::kRemote);
    FlushInput();
    Wait_ms(timing_.command_spacing_ms);
    FlushInput();
}

int TEM1012::GetState()
{
    if (connected_)
        PollStatus(1);
    return state_;
}

bool TEM1012::WaitReady()
{
    while (!timing_clock_.Elapsed(timing_.command_spacing_ms, last_command_time_)) { }
    const std::int64_t first_poll = timing_clock_.Now();
    for (;;) {
        if (!SerialPoll()) {
            // A processor that does not answer the poll shows as not answering the command;
            // a driver without the poll can do nothing, and says why.
            if (!gpib_.LastCallUnreachable())
                return true;
            StoreDriverError();
            SetError(EmError::kGpib);
            return false;
        }
        if ((status_byte_ & kEmBusyBit) == 0)
            return true;
        if (timing_clock_.Elapsed(kLongestBusy_ms, first_poll)) {
            SetError(EmError::kNotReady);
            return false;
        }
    }
}

bool TEM1012::SendCommand(std::uint8_t command, std::span<const std::uint8_t> parameter)
{
    if (parameter.size() > kLongestParameter_bytes) {
        SetError(EmError::kProgramParm);
        return false;
    }
    if (!WaitReady())
        return false;
    std::vector<std::uint8_t> bytes(parameter.size() + 1);
    bytes[0] = command;
    std::copy(parameter.begin(), parameter.end(), bytes.begin() + 1);
    if (Write(bytes)) {
        driver_error_ = 0;
        SetError(EmError::kNone);
    } else {
        StoreDriverError();
        SetError(EmError::kGpib);
    }
    Wait_ms(kAfterWrite_ms);
    SerialPoll();
    last_command_time_ = timing_clock_.Now();
    if ((status_byte_ & kEmErrorBits) != 0)
        SetError(MapProcessorError(ErrorMap(), status_byte_ & 0x0F));
    return !Failed();
}

bool TEM1012::Write(const std::vector<std::uint8_t>& bytes)
{
    if (timing_.byte_spacing_ms == 0)
        return gpib_.ibwrt(device_, bytes.data(), static_cast<long>(bytes.size())) >= 0;
    return WriteBytewise(bytes);
}

bool TEM1012::WriteBytewise(const std::vector<std::uint8_t>& bytes)
{
    bool ok = true;
    std::int64_t previous_start = 0;
    for (std::size_t i = 0; i < bytes.size() && ok; ++i) {
        if (i > 0)
            while (!timing_clock_.Elapsed(timing_.byte_spacing_ms, previous_start)) { }
        if (i + 1 == bytes.size())
            gpib_.ibeot(device_, 1);
        previous_start = timing_clock_.Now();
        ok = gpib_.ibwrt(device_, &bytes[i], 1) >= 0;
    }
    gpib_.ibeot(device_, 0);
    return ok;
}

bool TEM1012::ReadReply(std::vector<std::uint8_t>& reply, int expected_bytes)
{
    while (!timing_clock_.Elapsed(timing_.reply_delay_ms, last_command_time_)) { }
    reply.assign(static_cast<std::size_t>(expected_bytes) + 1, 0);
    const int status = gpib_.ibrd(device_, reply.data(), static_cast<long>(reply.size()));
    const long received = status < 0 ? 0 : gpib_.Ibcntl();
    if (status < 0 || received < 2) {
        StoreDriverError();
        reply.clear();
        SetError(EmError::kNoResponse);
    } else {
        reply.resize(static_cast<std::size_t>(received - 1));
    }
    if (status >= 0 && (status & TGPIB::kRqsBit) != 0)
        SerialPoll();
    return !Failed();
}

void TEM1012::FlushInput()
{
    std::vector<std::uint8_t> discard(kFlushChunk_bytes);
    const std::int64_t start = timing_clock_.Now();
    int status = 0;
    for (;;) {
        status = gpib_.ibrd(device_, discard.data(), kFlushChunk_bytes);
        if (status < 0)
            return;
        const long received = gpib_.Ibcntl();
        if (received == 0 || (received == 1 && discard[0] == '\n')
            || timing_clock_.Elapsed(kLongestFlush_ms, start))
            break;
    }
    if ((status & TGPIB::kRqsBit) != 0)
        SerialPoll();
}

bool TEM1012::Query(std::uint8_t query, int expected_bytes, std::vector<std::uint8_t>& reply)
{
    reply.clear();
    // A refused query has no reply to read; its error code is the processor's.
    if (!SendCommand(query))
        return false;
    return ReadReply(reply, expected_bytes);
}

bool TEM1012::QueryByte(std::uint8_t query, int expected_bytes, std::uint32_t& value)
{
    std::vector<std::uint8_t> reply;
    if (!Query(query, expected_bytes, reply))
        return false;
    if (reply.empty()) {
        SetError(EmError::kByteExpected);
        return false;
    }
    value = reply[0];
    return true;
}

bool TEM1012::QueryValue(std::uint8_t query, int expected_bytes, int width_bytes, int index, std::int32_t& value)
{
    std::vector<std::uint8_t> reply;
    if (!Query(query, expected_bytes, reply))
        return false;
    const auto offset = static_cast<std::size_t>(width_bytes * index);
    if (reply.size() < offset + static_cast<std::size_t>(width_bytes)) {
        SetError(width_bytes == 2 ? EmError::kIntExpected : EmError::kLongExpected);
        return false;
    }
    value = BigEndianValue(std::span(reply).subspan(offset), width_bytes);
    return true;
}

void TEM1012::TurnRefusalIntoNoRecording()
{
    if (error_code_ != static_cast<int>(EmError::kUntimely))
        return;
    SetState(static_cast<int>(EmState::kNoRecording));
    SetError(EmError::kNoRecording);
}

} // namespace fw
