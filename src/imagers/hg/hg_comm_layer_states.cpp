// The worker side of THGCommLayer: the loop and the handlers of its states.
#include <cstring>

#include "imagers/hg/hg_comm_layer.h"
#include "imagers/hg/hg_process_lock.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int kPollIdleMs = 2000;
constexpr int kListingExtendMs = 15000;
constexpr int kHotTemperature = 50;

int64_t MsOf(std::chrono::steady_clock::time_point time)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

} // namespace

std::mutex& HGProcessLock()
{
    static std::mutex lock;
    return lock;
}

void THGCommLayer::TakeLock()
{
    if (!holds_lock_) {
        HGProcessLock().lock();
        holds_lock_ = true;
    }
}

void THGCommLayer::ReleaseLock()
{
    if (holds_lock_) {
        holds_lock_ = false;
        HGProcessLock().unlock();
    }
}

void THGCommLayer::WorkerLoop()
{
    while (!terminate_)
        Step();
    ReleaseLock();
    finished_ = true;
    WakeUi();
}

void THGCommLayer::Step()
{
    const auto state = CommState(state_.load());
    if (state > csExit && IsHGError(result_.load()) && !error_reported_) {
        ReportError();
        return;
    }
    try {
        RunState(state);
    } catch (const std::exception& failure) {
        // The link has set the result code; an exception without one is the program's own fault.
        qCInfo(lcImagers) << "imager" << IdentifierText() << "exchange failed:" << failure.what();
        received_length_ = 0;
        if (!IsHGError(result_.load()))
            result_ = hgresult::kInternalError;
        error_reported_ = false;
        imager_state_ = kImagerStateUnknown;
        RunOnUi([this] {
            if (state_changed_)
                state_changed_(kImagerStateUnknown);
        });
    }
}

void THGCommLayer::ReportError()
{
    const int code = result_.load();
    error_reported_ = true;
    RunOnUi([this, code] {
        if (comm_error_)
            comm_error_(code, HGResultName(code));
    });
    last_error_ = code;
    int_result_ = 0;
    string_result_.clear();
    const auto state = CommState(state_.load());
    if (state == csMoreDown) {
        state_ = csDownAbort;
        return;
    }
    download_failed_ = downloading_.load();
    downloading_ = false;
    WakeUi();
    preview_loop_ = false;
    try {
        FlushInput();
    } catch (const std::exception& failure) {
        qCInfo(lcImagers) << "imager" << IdentifierText() << "flush failed:" << failure.what();
    }
    RestoreOwnBuffer();
    if (state >= csStatus && state <= csTempResp)
        state_ = csReAttach;
    else if (registers_saved_)
        state_ = csPLFinish;
    else
        state_ = csExit;
}

void THGCommLayer::RestoreOwnBuffer()
{
    receive_buffer_ = own_buffer_.data();
    receive_capacity_ = own_buffer_.size();
}

// ---- Sending --------------------------------------------------------------------------------

void THGCommLayer::Send(CommState next, int command, const QByteArray& argument)
{
    last_command_ = command;
    last_code_ = HGSentCode(command, argument);
    const int timeout_ms = HGCommandTimeoutMs(command);
    command_start_ = Now();
    deadline_ms_ = MsOf(command_start_) + timeout_ms;
    next_poll_ = command_start_ + std::chrono::milliseconds(timeout_ms + kPollIdleMs);
    receive_timeout_ms_ = timeout_ms;
    error_reported_ = false;
    result_ = hgresult::kSuccess;
    received_length_ = 0;
    state_ = next;
    const QByteArray frame = HGUnicastFrame(identifier_, command, argument);
    // The imager answers a new identifier from that identifier: the reply is checked against it.
    if (command == hgcmd::kIdentifier && !argument.isEmpty())
        identifier_ = uint8_t(argument.toUInt(nullptr, 16));
    Transact(frame);
}

void THGCommLayer::SendRawText(const QByteArray& text)
{
    // Any echo is taken: the command is the user's own text.
    last_command_ = -1;
    last_code_.clear();
    command_start_ = Now();
    deadline_ms_ = MsOf(command_start_) + 15000;
    next_poll_ = command_start_ + std::chrono::milliseconds(15000 + kPollIdleMs);
    receive_timeout_ms_ = 15000;
    error_reported_ = false;
    result_ = hgresult::kSuccess;
    received_length_ = 0;
    raw_reply_.clear();
    raw_reply_came_ = false;
    state_ = csChat;
    Transact(QByteArray("#") + IdentifierText().toLatin1() + text + '\r');
}

// ---- Replies --------------------------------------------------------------------------------

void THGCommLayer::ReplyReceived(size_t length)
{
    length = std::min(length, receive_capacity_);
    received_length_ = length;
    HGReplyContext context;
    context.identifier = identifier_;
    context.sent_code = last_code_;
    const auto state = CommState(state_.load());
    if (state == csChat) {
        // The advanced window shows whatever came, checked or not.
        const auto* bytes = reinterpret_cast<const char*>(receive_buffer_);
        raw_reply_ = QByteArray(bytes, qsizetype(length));
        if (raw_reply_.endsWith('\r'))
            raw_reply_.chop(1);
        raw_reply_came_ = true;
    }
    context.raw_data_state = state == csDirectory;
    context.more_download_state = state == csMoreDown;
    const HGReplyCheck check = CheckHGReply(receive_buffer_, length, context);
    result_ = check.result;
    if (check.raw_data || !check.accepted)
        return;
    receive_buffer_[length - 1] = 0;
    if (collecting_identify_)
        NoteIdentifyReply(check.result);
}

QByteArray THGCommLayer::Reply() const
{
    return QByteArray(reinterpret_cast<const char*>(receive_buffer_), qsizetype(received_length_));
}

uint32_t THGCommLayer::PayloadValue(int digits) const
{
    return ParseHGHex(Reply(), HGPayloadOffset(last_command_), digits).value_or(0);
}

void THGCommLayer::ParseImagerState()
{
    const int state = ClampImagerState(int(PayloadValue(2)));
    imager_state_ = state;
    RunOnUi([this, state] {
        if (state_changed_)
            state_changed_(state);
    });
}

// ---- States ---------------------------------------------------------------------------------

void THGCommLayer::RunState(CommState state)
{
    switch (state) {
    case csIdle:
        RunIdle();
        break;
    case csExit:
        next_poll_ = Now() + std::chrono::milliseconds(kPollIdleMs);
        state_ = csIdle;
        ReleaseLock();
        WakeUi();
        break;
    case csStop:
        Send(csStatus, hgcmd::kStop);
        break;
    case csStatus:
        Send(csStatusResp, hgcmd::kState);
        break;
    case csClockCall:
    case csStatusResp:
        RunStatusReply(state == csClockCall);
        break;
    case csTempResp: {
        const int celsius = int(PayloadValue(2));
        temperature_ = celsius;
        RunOnUi([this, celsius] {
            if (temperature_changed_)
                temperature_changed_(celsius);
        });
        // A loop stopped between frames still owes the imager its saved registers.
        if (!preview_loop_)
            state_ = registers_saved_ ? csPLFinish : csExit;
        else if (celsius >= kHotTemperature)
            state_ = csPLFinish;
        else
            Send(csPLReset, hgcmd::kErase);
        break;
    }
    case csIntReg: {
        const int width = HGCommand(last_command_).width_digits;
        int_result_ = PayloadValue(width > 0 ? width : 8);
        state_ = csExit;
        break;
    }
    case csStrReg:
        string_result_ = HGPayloadText(Reply(), HGPayloadOffset(last_command_));
        state_ = csExit;
        break;
    case csAttach: {
        const std::optional<HGAttachReply> reply
            = ParseHGAttachReply(Reply(), HGPayloadOffset(last_command_));
        attach_ = reply.value_or(HGAttachReply {});
        const int imager_state = ClampImagerState(attach_.state);
        imager_state_ = imager_state;
        RunOnUi([this, imager_state] {
            if (state_changed_)
                state_changed_(imager_state);
        });
        identified_ = imager_state != kImagerStateUnknown;
        if (identified_)
            model_ = attach_.type_code;
        datagram_written_ = -1;
        Send(csStatus, hgcmd::kStop);
        break;
    }
    case csRecReady:
        Send(csStatus, hgcmd::kReadyToRecord);
        break;
    case csChangeDir:
        Send(csDirectory, hgcmd::kDirectory, "/X");
        break;
    case csDirectory:
        RunDirectory();
        break;
    case csDownAbort:
        try {
            FlushInput();
        } catch (const std::exception& failure) {
            qCInfo(lcImagers) << "imager" << IdentifierText() << "flush failed:" << failure.what();
        }
        if (datagram_wanted_ < 4)
            ++datagram_wanted_;
        if (!preview_loop_) {
            download_failed_ = true;
            downloading_ = false;
            WakeUi();
        }
        RestoreOwnBuffer();
        state_ = csStop;
        break;
    case csChat:
    case csNoWait:
        state_ = csExit;
        break;
    case csReAttach:
        FlushInput();
        Send(csAttach, hgcmd::kAttach, "02");
        break;
    case csDatagram:
    case csDownLoad:
    case csMoreDown:
        RunDownloadState(state);
        break;
    default:
        RunPreviewState(state);
        break;
    }
}

void THGCommLayer::RunIdle()
{
    const int next = pending_next_.load();
    if (next != 0) {
        TakeLock();
        const int command = pending_command_;
        const QByteArray argument = pending_argument_;
        const bool raw = raw_request_;
        TakeDownloadRequest();
        // Busy before the request counts as taken, so no wait sees idle in between.
        state_ = raw ? int(csChat) : next;
        pending_next_ = 0;
        WakeUi();
        if (raw)
            SendRawText(argument);
        else
            Send(CommState(next), command, argument);
        return;
    }
    if (Now() >= next_poll_) {
        RunOnUi([this] {
            if (comm_error_)
                comm_error_(0, QString());
        });
        TakeLock();
        Send(csClockCall, hgcmd::kState);
        return;
    }
    std::unique_lock lock(wake_mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(10), [this] { return terminate_ || pending_next_ != 0; });
}

void THGCommLayer::TakeDownloadRequest()
{
    if (!pending_download_.present)
        return;
    const PendingDownload request = pending_download_;
    pending_download_.present = false;
    request_buffer_ = request.buffer;
    request_size_ = request.size;
    request_format_ = request.format;
    request_frame_ = request.frame;
    request_byte_count_ = request.byte_count;
    if (request.clears_saved_registers)
        registers_saved_ = false;
    // A download after a failed one goes in the smaller datagrams the failure chose.
    datagram_in_use_ = datagram_wanted_.load();
}

void THGCommLayer::RunStatusReply(bool clock_call)
{
    // A poll and a requested status read are answered alike.
    (void)clock_call;
    const bool in_progress = result_.load() == hgresult::kInProgress;
    ParseImagerState();
    const int state = imager_state_.load();
    if (in_progress || state == 4 || state == 8 || state == 9)
        state_ = csExit;
    else
        Send(csTempResp, hgcmd::kTemp);
}

void THGCommLayer::RunDirectory()
{
    const QByteArray reply = Reply();
    if (RepliesByLine()) {
        if (TakeHGListingLine(reply, directory_)) {
            state_ = csExit;
            return;
        }
        deadline_ms_ = MsOf(Now()) + kListingExtendMs;
        ReceiveNext();
        return;
    }
    if (TakeHGListingDatagram(reply, directory_))
        Send(csDirectory, hgcmd::kDirectory);
    else
        state_ = csExit;
}

} // namespace fw
