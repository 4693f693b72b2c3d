#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QStringList>

#include "imagers/hg/hg_protocol.h"
#include "support/fw_error.h"

namespace fw {

// The states of the worker's state machine.
enum CommState : uint8_t {
    csIdle = 0,
    csExit,
    csStop,
    csStatus,
    csClockCall,
    csStatusResp,
    csTempResp,
    csIntReg,
    csStrReg,
    csAttach,
    csRecReady,
    csPLStart,
    csPLSaving,
    csPLSetting,
    csPLDatagram,
    csPLReset,
    csPLRecReady,
    csPLTrigger,
    csPLStop,
    csDatagram,
    csDownLoad,
    csMoreDown,
    csPLFinish,
    csPLRestore,
    csChangeDir,
    csDirectory,
    csDownAbort,
    csChat,
    csNoWait,
    csReAttach,
};

// A start request that found the state machine busy.
class EStateMachine : public Error {
public:
    using Error::Error;
};

// First frame and count of the imager's recording.
struct HGRecordedRange {
    int32_t first = 0;
    int32_t count = 0;
    bool identified = false;
};

// One imager answering a find: identifier, the "Baud Rate" register, its address, its kind.
struct HGFoundImager {
    int identifier = 0;
    int baud_index = 0;
    QString ip_text;
    QString kind_name;
};

// Drives one HG/RO-family imager: a worker thread runs the command protocol's state machine over
// the link the subclass supplies, polls the imager's status when idle and reports state,
// temperature, errors and finished downloads on the user-interface thread, waiting until each
// report has run. The user-interface thread starts requests and waits for them with its events
// running. One process-wide lock lets one imager at a time hold an exchange.
//
// Subclasses supply the transport (FlushInput, Broadcast, Transact, and where the link differs,
// the other transport operations) and must call EndWorker() in their destructor.
class THGCommLayer : public QObject {
    Q_OBJECT
public:
    ~THGCommLayer() override;

    // ---- Requests (user-interface thread) ----
    // Waits for idle (no longer than the deadline plus 2000 ms), then hands the request to the
    // worker. Throws EStateMachine "Command not started, state machine is busy.".
    void StartCommand(CommState next, int command, const QByteArray& argument = {});
    // True when the machine ended idle (or exiting) within the deadline plus 2000 ms.
    bool WaitIdle();
    // The value read, or -1 (all bits set) when the wait failed.
    int32_t ReadRegister(int command);
    void WriteRegister(int command, uint32_t value);
    QString ReadStringRegister(int command);
    void WriteStringRegister(int command, const QString& text);
    bool Identify(bool set_clock);
    void SetClock();
    void Detach();
    bool HasRecording();
    HGRecordedRange GetRecordedRange();
    QStringList ListDirectory(const QString& path);
    void Stop();
    void Trigger();
    void ArmRecord();
    void StartPreviewFrame(uint8_t* buffer, int64_t size_bytes, bool tiff);
    void StartPreviewLoop(uint8_t* buffer, int64_t size_bytes, bool tiff);
    void StopPreviewLoop();
    // `byte_count` (may be null) receives the bytes of the frame when it is done.
    void DownloadFrame(
        uint8_t* buffer, int64_t size_bytes, bool tiff, int32_t frame_number, int64_t* byte_count = nullptr);
    bool WaitDownload();
    // Waits for idle; the result code of the last reply.
    int GetLastResult(bool* idle = nullptr);
    // Attach-all, identify-all, then identifies every imager that answered; `found` gets each.
    // Answers how many were reported. A failure on the way is reported as "Identify Failed, ...".
    int FindImagers(const std::function<void(const HGFoundImager&)>& found);
    // Sends "#" + identifier + text + CR outside the state machine (the advanced window) and
    // hands each reply line to `reply` as the window shows it. Answers whether a reply came.
    bool SendRaw(const QString& text, const std::function<void(const QString& line)>& reply);
    // The reply to the last raw command as it came, without its carriage return.
    QByteArray LastRawReply() const { return raw_reply_; }

    // ---- Facts ----
    uint8_t Identifier() const { return identifier_; }
    // Points later frames at another identifier (the setup window probes a number with it).
    void SetIdentifier(uint8_t identifier);
    QString IdentifierText() const;
    bool Identified() const { return identified_; }
    int ImagerState() const { return imager_state_; }
    int Temperature() const { return temperature_; }
    const HGAttachReply& AttachData() const { return attach_; }
    QString KindName() const;
    QString TypeName() const;
    QString FirmwareText() const;
    int LastError() const { return last_error_; }
    QString LastErrorText() const;
    bool IsNewModel() const { return IsNewModelType(model_); }
    bool SplitFrames() const { return split_frames_; }
    // The setup window switches split frames on the imager and tells the layer so.
    void SetSplitFrames(bool split) { split_frames_ = split; }
    int FrameRows() const { return split_frames_ ? kHGSplitFrameRows : kHGFrameRows; }
    int FrameColumns() const { return kHGFrameColumns; }
    int64_t FrameBytes(bool tiff) const { return HGFrameBytes(split_frames_, tiff); }
    CommState State() const { return CommState(state_.load()); }
    int DatagramIndexWanted() const { return datagram_wanted_; }
    // Bytes of download datagrams by size index 0..4.
    static int DatagramBytes(int index);

    // ---- Transport operations with a behaviour of their own ----
    virtual QString GetIPText();
    virtual void SetIPText(const QString& dotted);
    virtual QString GetNetMaskText();
    virtual void SetNetMaskText(const QString& dotted);
    // Points the layer at one imager of the found list and identifies it (no clock).
    virtual bool SelectFoundImager(const QString& entry);
    // 0 done, 1 refused (other imagers share the line), 2 rate not possible.
    virtual int SetBaudIndex(int index);

    // ---- Reports, run on the user-interface thread ----
    void SetFrameDoneHandler(std::function<void()> handler);
    void SetStateChangedHandler(std::function<void(int state)> handler);
    void SetTemperatureHandler(std::function<void(int celsius)> handler);
    void SetCommErrorHandler(std::function<void(int code, const QString& text)> handler);
    // Told true after a successful identify, false on detach and destruction.
    void SetAttachedHandler(std::function<void(bool attached)> handler);

    // The clock behind every deadline; tests may replace it.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static void SetTimeSource(Clock clock);

protected:
    THGCommLayer(uint8_t identifier, int identify_window_ms);

    // ---- Transport (worker thread, except during SendRaw) ----
    virtual void FlushInput() = 0;
    // Sends to every imager and hands each reply within the receive time-out to ReplyReceived.
    virtual void Broadcast(const QByteArray& frame) = 0;
    // Sends to this imager and hands its reply to ReplyReceived; throws fw::Error on failure
    // after setting the result code (SetResultCode).
    virtual void Transact(const QByteArray& frame) = 0;
    // Records the imager that sent the reply just received (identify-all).
    virtual void NoteIdentifyReply(int result);
    // A serial line delivers a listing one reply line at a time: the worker then waits for the
    // next line with ReceiveNext (which hands it to ReplyReceived or throws on time-out).
    virtual bool RepliesByLine() const { return false; }
    virtual void ReceiveNext() { }
    void AddFound(const QString& entry);

    // For the links: where a reply goes, and the receive time-out of the current command.
    uint8_t* ReceiveBuffer() const { return receive_buffer_; }
    size_t ReceiveCapacity() const { return receive_capacity_; }
    int ReceiveTimeoutMs() const { return receive_timeout_ms_.load(); }
    // Stores the received length and runs the reply check.
    void ReplyReceived(size_t length);
    void SetResultCode(int result) { result_ = result; }
    void SetIdentifyWindowMs(int window_ms) { identify_window_ms_ = window_ms; }
    void SetDatagramIndexWanted(int index) { datagram_wanted_ = index; }

    // Ends the worker; subclasses call it first in their destructor.
    void EndWorker();

private:
    // The state machine lives in hg_comm_layer_states.cpp.
    void WorkerLoop();
    // One pass of the loop: reports an error reply, then runs the state's handler.
    void Step();
    void RunState(CommState state);
    void RunIdle();
    void RunStatusReply(bool clock_call);
    void RunPreviewState(CommState state);
    void RunDownloadState(CommState state);
    void RunMoreDown();
    void RunDirectory();
    void Send(CommState next, int command, const QByteArray& argument = {});
    void SendRawText(const QByteArray& text);
    void RunBroadcasts();
    void BroadcastCommand(int command, const QByteArray& argument, int collect_ms);
    void ReportError();
    void ParseImagerState();
    uint32_t PayloadValue(int digits) const;
    QByteArray Reply() const;
    void RestoreOwnBuffer();
    void TakeLock();
    void ReleaseLock();
    void RunOnUi(const std::function<void()>& report);
    void WaitSlice(std::chrono::milliseconds slice);
    // Ends the user-interface thread's current wait slice: the worker changed what it waits for.
    void WakeUi();
    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds sleep, int extra_ms);
    std::chrono::steady_clock::time_point Now() const;

    std::atomic<uint8_t> identifier_ { 0 };
    std::atomic<int> state_ { csIdle };
    // Pending request, handed over through pending_next_.
    std::atomic<int> pending_next_ { 0 };
    int pending_command_ = 0;
    QByteArray pending_argument_;
    int last_command_ = -1;
    QByteArray last_code_;
    std::atomic<int> result_ { 0 };
    std::atomic<int> last_error_ { 0 };
    HGAttachReply attach_;
    std::atomic<bool> identified_ { false };
    int model_ = 0;
    std::atomic<bool> split_frames_ { false };
    std::atomic<int> imager_state_ { kImagerStateUnknown };
    std::atomic<int> temperature_ { 0 };
    int64_t int_result_ = 0;
    QString string_result_;
    std::chrono::steady_clock::time_point command_start_ {};
    std::atomic<int64_t> deadline_ms_ { 0 };
    std::chrono::steady_clock::time_point next_poll_ {};
    std::atomic<int> receive_timeout_ms_ { 3000 };
    int identify_window_ms_ = 15000;
    std::atomic<int> datagram_wanted_ { 0 };
    int datagram_in_use_ = 0;
    int datagram_written_ = -1;
    std::vector<uint8_t> own_buffer_;
    uint8_t* receive_buffer_ = nullptr;
    size_t receive_capacity_ = 0;
    size_t received_length_ = 0;
    int64_t frame_total_ = 0;
    uint8_t* request_buffer_ = nullptr;
    int64_t request_size_ = 0;
    int32_t request_frame_ = 0;
    char request_format_ = 'B';
    int64_t* request_byte_count_ = nullptr;
    std::atomic<bool> downloading_ { false };
    std::atomic<bool> download_failed_ { false };
    std::atomic<bool> preview_loop_ { false };
    bool registers_saved_ = false;
    std::array<int32_t, 5> saved_registers_ {};
    int step_ = 0;
    QStringList directory_;
    QStringList found_;
    std::atomic<bool> collecting_identify_ { false };
    bool holds_lock_ = false;
    std::function<void()> frame_done_;
    std::function<void(int)> state_changed_;
    std::function<void(int)> temperature_changed_;
    std::function<void(int, const QString&)> comm_error_;
    std::function<void(bool)> attached_changed_;
    std::mutex found_mutex_;
    std::mutex wake_mutex_;
    std::condition_variable wake_;
    // A download handed over with the pending request; the worker takes it over on taking that.
    struct PendingDownload {
        uint8_t* buffer = nullptr;
        int64_t size = 0;
        char format = 'B';
        int32_t frame = 0;
        int64_t* byte_count = nullptr;
        bool clears_saved_registers = false;
        bool present = false;
    };
    PendingDownload pending_download_;
    void TakeDownloadRequest();
    bool error_reported_ = false;
    bool raw_request_ = false; // the pending argument is a whole raw command text
    QByteArray raw_reply_;
    bool raw_reply_came_ = false;
    std::atomic<bool> terminate_ { false };
    std::atomic<bool> finished_ { false };
    QEventLoop* ui_loop_ = nullptr; // the wait slice running, user-interface thread only
    std::mutex wait_mutex_; // waits of other threads
    std::condition_variable wait_cv_;
    uint64_t wake_count_ = 0;
    std::thread worker_;
};

} // namespace fw
