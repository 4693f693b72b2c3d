#pragma once

#include <cstdint>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QString>

#include "imagers/gpib/gpib.h"
#include "imagers/gpib/precision_timing.h"
#include "imagers/gpib/processor_tables.h"

namespace fw {

class TDownLoadThread;

// The pacing of bus traffic; the download window reads these from its settings before Connect.
struct EmTiming {
    static constexpr std::int32_t kLongestByteSpacing_ms = 100;

    std::int32_t reply_delay_ms = 375;
    std::int32_t command_spacing_ms = 275;
    std::int32_t byte_spacing_ms = 25; // 0: each command goes in one write
    bool use_dma = false;
};

// What the processor says about its stored recording.
struct EMSessionRec {
    std::int32_t first_frame = -50;
    std::int32_t last_frame = 250;
    std::uint32_t session = 9000;
    std::array<std::uint8_t, 4> settings { 1, 1, 1, 6 };
    std::uint16_t year = 89;
    std::uint8_t month = 10;
    std::uint8_t day = 31;
    std::uint8_t hour = 23;
    std::uint8_t minute = 59;
    QString model;
    std::int32_t rate_fps = 1000;
    std::int32_t exposure = 0;
};

struct EmRecordingInfo {
    std::int32_t first_frame = 0;
    std::int32_t last_frame = 0;
    int lines = 0;
    int line_length = 0;
    std::int32_t rate_fps = 0;
};

// The command layer of an EktaPro EM 1012 processor on a GPIB bus: one-byte commands with
// big-endian parameters, the status byte by serial poll, the recording's information, the
// record and stop sequences and the upload of one frame. Every step leaves its outcome in the
// error code; ErrorMessage tells it. The HS 4540 derives from it.
class TEM1012 {
public:
    static constexpr int kEmLines = 192;
    static constexpr int kEmLineLength = 239;
    static constexpr int kHeaderBytes = 156;
    static constexpr int kEmUploadBytes = kHeaderBytes + kEmLines * kEmLineLength; // 46044
    static constexpr std::size_t kLongestParameter_bytes = 16;

    using StateHandler = std::function<void(int state)>;
    using ErrorHandler = std::function<void(int error_code)>;

    // `address` is "board:device"; the board name is empty when there is no colon.
    TEM1012(TGPIB& gpib, const QString& address, SteadyNow now = RealSteadyNow);
    virtual ~TEM1012();
    TEM1012(const TEM1012&) = delete;
    TEM1012& operator=(const TEM1012&) = delete;

    void SetTiming(const EmTiming& timing);
    const EmTiming& Timing() const { return timing_; }
    const QString& BoardName() const { return board_name_; }
    const QString& DeviceName() const { return device_name_; }

    bool Connect();
    void Disconnect();
    bool IsConnected() const { return connected_; }

    int GetState();
    void PollStatus(int tries);
    bool GetRecordingInfo(EmRecordingInfo& info);
    bool ReadyRecording();
    virtual bool StopRecording();
    // Positions to `frame` (or uploads the current frame) and reads it into `buffer`; the same
    // steps the download thread runs. The EM 1012 reads buffer.size() bytes one at a time.
    bool UploadFrame(std::span<std::uint8_t> buffer, std::optional<std::int32_t> frame);
    // Starts that upload on the processor's upload thread and returns at once. Ignored (false)
    // unless connected and idle. Until WaitDownload the object is busy: nothing else may use it,
    // and its events are held back. The buffer must outlive the upload.
    bool StartDownload(std::span<std::uint8_t> buffer, std::optional<std::int32_t> frame);
    // Waits for a running upload (the user-interface thread keeps handling its events meanwhile),
    // fires the held-back events once and answers whether the upload succeeded; true when no
    // upload was started since the last wait.
    bool WaitDownload();
    bool Busy() const { return busy_.load(std::memory_order_acquire); }

    // Sends a command byte and up to 16 parameter bytes; false (error 8) for a longer parameter.
    bool SendCommand(std::uint8_t command, std::span<const std::uint8_t> parameter = {});

    static QString StateName(int state) { return EmStateName(state); }
    QString ErrorMessage();
    void ClearError() { SetError(EmError::kNone); }
    int ErrorCode() const { return error_code_; }
    int State() const { return state_; }
    std::uint8_t StatusByte() const { return status_byte_; }
    const EMSessionRec& Session() const { return session_; }
    int Lines() const { return lines_; }
    int LineLength() const { return line_length_; }
    bool TwoRates() const { return two_rates_; }

    void SetOnStateChange(StateHandler handler) { on_state_change_ = std::move(handler); }
    void SetOnError(ErrorHandler handler) { on_error_ = std::move(handler); }

protected:
    virtual const ProcessorErrorMap& ErrorMap() const { return kEm1012ErrorMap; }
    virtual bool ReadReply(std::vector<std::uint8_t>& reply, int expected_bytes);
    virtual void FlushInput();
    virtual void RecoverFromRefusal();
    virtual bool ReadRecordInfo();
    virtual bool ReadUpload(std::span<std::uint8_t> buffer);
    virtual std::uint8_t UploadCommand() const { return em_command::kUploadEm; }
    virtual void AfterConnect() { }

    void SetError(EmError error) { SetErrorCode(static_cast<int>(error)); }
    void SetErrorCode(int code);
    void SetState(int state);
    void SetDetail(QString detail) { detail_ = std::move(detail); }
    void StoreDriverError() { driver_error_ = gpib_.Iberr(); }
    bool Failed() const { return error_code_ != 0; }

    bool SerialPoll();
    // Sends a query and reads its reply; false when the command or the read failed.
    bool Query(std::uint8_t query, int expected_bytes, std::vector<std::uint8_t>& reply);
    bool QueryByte(std::uint8_t query, int expected_bytes, std::uint32_t& value);
    // The index-th big-endian value of width_bytes (2 or 4) in the reply.
    bool QueryValue(std::uint8_t query, int expected_bytes, int width_bytes, int index, std::int32_t& value);
    bool QueryInt(std::uint8_t query, int expected_bytes, int index, std::int32_t& value)
    {
        return QueryValue(query, expected_bytes, 2, index, value);
    }
    bool QueryLong(std::uint8_t query, int expected_bytes, int index, std::int32_t& value)
    {
        return QueryValue(query, expected_bytes, 4, index, value);
    }
    void TurnRefusalIntoNoRecording();
    void Wait_ms(std::int32_t amount_ms) const { timing_clock_.Delay(amount_ms); }

    TGPIB& gpib_;
    int device_ = -1;
    EmTiming timing_;
    std::uint8_t status_byte_ = 0;
    EMSessionRec session_;
    int lines_ = kEmLines;
    int line_length_ = kEmLineLength;
    bool two_rates_ = false;

private:
    void JoinDownload();
    void WaitOnThisThread();
    bool OpenBus();
    bool OpenOnce();
    void CloseDescriptors();
    bool WaitReady();
    bool Write(const std::vector<std::uint8_t>& bytes);
    bool WriteBytewise(const std::vector<std::uint8_t>& bytes);
    bool ReadRecordInfoBody();
    bool UploadBody(std::span<std::uint8_t> buffer, std::optional<std::int32_t> frame);

    QString board_name_;
    QString device_name_;
    TPrecisionTiming timing_clock_;
    int board_ = -1;
    std::int64_t last_command_time_ = 0;
    int state_ = 0;
    int error_code_ = 0;
    int driver_error_ = 0;
    QString detail_;
    bool connected_ = false;
    std::atomic<bool> busy_ { false };
    bool events_held_ = false;
    int download_result_ = 0;
    std::unique_ptr<TDownLoadThread> download_;
    StateHandler on_state_change_;
    ErrorHandler on_error_;
};

// Big-endian integers of `byte_count` bytes from the front of a reply.
std::int32_t BigEndianValue(std::span<const std::uint8_t> bytes, int byte_count);
std::vector<std::uint8_t> BigEndianBytes(std::int32_t value);

} // namespace fw
