#include "imagers/capture/capture_thread.h"

#include <algorithm>
#include <utility>

#include "imagers/capture/capture_avi_file.h"
#include "imagers/capture/capture_waits.h"
#include "imagers/imaq/imaq.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr uint32_t kOn = 1;
constexpr uint32_t kBufferTimeout_ms = 1000;
constexpr int kMaxRateIndex = 2;
constexpr int kMaxThreshold = 999;

bool Before(CaptureStage a, CaptureStage b)
{
    return static_cast<int>(a) < static_cast<int>(b);
}

} // namespace

TCaptureThread::TCaptureThread(
    TIMAQ& imaq, QString interface_name, CaptureCallbacks callbacks, std::unique_ptr<TCaptureWaits> waits)
    : imaq_(imaq)
    , interface_name_(std::move(interface_name))
    , callbacks_(std::move(callbacks))
    , waits_(waits ? std::move(waits) : std::make_unique<TClockCaptureWaits>())
    , ring_(imaq)
{
}

TCaptureThread::~TCaptureThread()
{
    Join();
}

void TCaptureThread::Start()
{
    if (!thread_.joinable() && !finished_) {
        thread_ = std::thread([this] { Execute(); });
    }
}

void TCaptureThread::Terminate()
{
    terminate_ = true;
    waits_->Wake();
}

void TCaptureThread::Join()
{
    Terminate();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TCaptureThread::WhenFinished(std::function<void()> wake)
{
    {
        std::lock_guard lock(mutex_);
        if (!finished_) {
            finished_wake_ = std::move(wake);
            return;
        }
    }
    if (wake) {
        wake();
    }
}

// ---- Controls ---------------------------------------------------------------------------------

void TCaptureThread::SetRateIndex(int rate_index)
{
    rate_index_ = std::clamp(rate_index, 0, kMaxRateIndex);
    restart_requested_ = true;
}

void TCaptureThread::SetDecimation(uint32_t decimation)
{
    const uint32_t value = decimation == kImgDecimationHalf ? kImgDecimationHalf : kImgDecimationFull;
    if (decimation_.exchange(value) != value) {
        new_buffers_requested_ = true;
    }
}

void TCaptureThread::SetMonochrome(bool monochrome)
{
    if (monochrome_.exchange(monochrome) != monochrome) {
        new_buffers_requested_ = true;
    }
}

void TCaptureThread::SetBuffersWanted(int buffers)
{
    const int value = TCaptureRing::ClampWanted(buffers);
    if (buffers_wanted_.exchange(value) != value) {
        new_buffers_requested_ = true;
    }
}

void TCaptureThread::SetRegion(const CaptureRegion& region, bool whole_frame)
{
    std::lock_guard lock(mutex_);
    region_ = region;
    whole_frame_ = whole_frame;
    region_changed_ = true;
}

void TCaptureThread::RequestBaseline()
{
    baseline_requested_ = true;
}

void TCaptureThread::SetUseTrigger(bool use_trigger)
{
    use_trigger_ = use_trigger;
}

void TCaptureThread::SetThreshold(int threshold)
{
    threshold_ = std::clamp(threshold, 0, kMaxThreshold);
}

void TCaptureThread::SetFramesRequested(int32_t frames)
{
    frames_requested_ = std::max(frames, 1);
}

void TCaptureThread::SetOutputFile(const QString& file_name)
{
    std::lock_guard lock(mutex_);
    pending_file_ = file_name;
    cancel_requested_ = false;
}

void TCaptureThread::StartCapture(const CaptureOrder& order)
{
    SetFramesRequested(order.frames);
    SetUseTrigger(order.use_trigger);
    SetThreshold(order.threshold);
    SetRegion(order.region, order.whole_frame);
    SetOutputFile(order.file_name);
}

void TCaptureThread::Cancel()
{
    cancel_requested_ = true;
}

void TCaptureThread::RequestPause()
{
    pause_requested_ = true;
}

void TCaptureThread::Resume()
{
    {
        std::lock_guard lock(mutex_);
        pause_requested_ = false;
        pause_acknowledged_ = false;
    }
    waits_->Wake();
}

bool TCaptureThread::Capturing() const
{
    return file_open_ || !PendingFile().isEmpty();
}

// ---- The thread -------------------------------------------------------------------------------

void TCaptureThread::Execute()
{
    while (Stage() != CaptureStage::csTerminate) {
        RunStage(Stage());
        if (Terminated() && Before(Stage(), CaptureStage::csStopSession)) {
            SetStage(CaptureStage::csStopSession);
        }
        if (!Terminated()) {
            ShowStatus();
        }
    }
    if (library_loaded_) {
        imaq_.Unload();
        library_loaded_ = false;
    }
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        wake = std::move(finished_wake_);
    }
    if (wake) {
        wake();
    }
}

void TCaptureThread::RunStage(CaptureStage stage)
{
    switch (stage) {
    case CaptureStage::csIdle:
        return StageIdle();
    case CaptureStage::csInitialize:
        return StageInitialize();
    case CaptureStage::csAllocateBuffers:
        return StageAllocateBuffers();
    case CaptureStage::csOpenAviFile:
        return StageOpenAviFile();
    case CaptureStage::csStartSession:
        return StageStartSession();
    case CaptureStage::csLiveMode:
    case CaptureStage::csCaptureFrames:
        return StageFrame();
    case CaptureStage::csStopSession:
        return StageStopSession();
    case CaptureStage::csCloseAviFile:
        return StageCloseAviFile();
    case CaptureStage::csDeallocateBuffers:
        return StageDeallocateBuffers();
    case CaptureStage::csFinalize:
        return StageFinalize();
    case CaptureStage::csTerminate:
        return;
    }
}

bool TCaptureThread::AcknowledgePause()
{
    std::lock_guard lock(mutex_);
    if (pause_requested_) {
        pause_acknowledged_ = true;
    }
    return pause_requested_;
}

void TCaptureThread::StageIdle()
{
    ClearErrors();
    waits_->Wait(kIdleWait);
    if (!AcknowledgePause()) {
        SetStage(resume_stage_);
    }
}

void TCaptureThread::StageInitialize()
{
    if (!library_loaded_) {
        library_loaded_ = imaq_.Load();
    }
    uint32_t interface_id = 0;
    int32_t result = Record(imaq_.imgInterfaceOpen(interface_name_, &interface_id));
    if (result == 0) {
        interface_id_ = interface_id;
        result = Record(imaq_.imgInterfaceReset(interface_id));
    }
    uint32_t session_id = 0;
    if (result == 0) {
        result = Record(imaq_.imgSessionOpen(interface_id, &session_id));
    }
    if (result == 0) {
        session_id_ = session_id;
        uint32_t colour_capable = 0;
        result = GetAttribute(kImgAttrColourCapable, colour_capable);
        colour_capable_ = colour_capable != 0;
    }
    SetStage(result == 0 ? CaptureStage::csAllocateBuffers : CaptureStage::csFinalize);
}

int32_t TCaptureThread::SetUpGrabber()
{
    const bool monochrome = monochrome_ || !colour_capable_;
    const uint32_t decimation = decimation_;
    int32_t result = 0;
    if (colour_capable_) {
        result
            = SetAttribute(kImgAttrColourMode, monochrome ? kImgColourModeMonochrome : kImgColourModeColour);
    }
    for (const auto& [attribute, value] : { std::pair { kImgAttrHorizontalDecimation, decimation },
             std::pair { kImgAttrVerticalDecimation, decimation },
             std::pair { kImgAttrAcquireSetting82, kOn } }) {
        result = result != 0 ? result : SetAttribute(attribute, value);
    }
    uint32_t height = 0;
    uint32_t width = 0;
    result = result != 0 ? result : GetAttribute(kImgAttrHeight, height);
    result = result != 0 ? result : GetAttribute(kImgAttrWidth, width);
    for (const auto& [attribute, value] : { std::pair { kImgAttrTimeout_ms, kBufferTimeout_ms },
             std::pair { kImgAttrAcquireSetting07, kOn }, std::pair { kImgAttrAcquireSetting75, kOn } }) {
        result = result != 0 ? result : SetAttribute(attribute, value);
    }
    format_ = CaptureFormat { static_cast<int32_t>(width), static_cast<int32_t>(height), !monochrome };
    std::lock_guard lock(mutex_);
    region_ = CaptureRegion { 0, 0, format_.width - 1, format_.height - 1 };
    whole_frame_ = true;
    region_changed_ = true;
    return result;
}

int32_t TCaptureThread::MakeBuffers()
{
    new_buffers_requested_ = false;
    trigger_.Allocate(format_.width, format_.height);
    const int wanted = buffers_wanted_;
    const int32_t created = ring_.Create(*session_id_, format_.GrabberBufferBytes(), wanted);
    buffers_allocated_ = ring_.Count();
    buffers_wanted_ = TCaptureRing::WantedAfter(created, ring_.Count(), wanted);
    if (Record(created) != 0) {
        return created;
    }
    return Record(ring_.Setup(*session_id_, static_cast<uint32_t>(rate_index_.load()), false));
}

void TCaptureThread::StageAllocateBuffers()
{
    int32_t result = SetUpGrabber();
    if (result == 0 && ring_.Count() == 0) {
        result = MakeBuffers();
    }
    if (result != 0) {
        SetStage(CaptureStage::csDeallocateBuffers);
        return;
    }
    if (callbacks_.properties) {
        callbacks_.properties(
            CaptureProperties { colour_capable_, ring_.Count(), format_.width, format_.height });
    }
    SetStage(CaptureStage::csStartSession);
}

void TCaptureThread::StageOpenAviFile()
{
    const QString name = PendingFile();
    if (name.isEmpty()) {
        SetStage(CaptureStage::csStartSession);
        return;
    }
    file_name_ = name;
    frames_written_ = 0;
    try {
        file_ = std::make_unique<TCaptureAviFile>(name, format_, frames_requested_.load());
        file_open_ = true;
    } catch (const Error& failure) {
        Record(kCapErrOpeningFile, failure.message());
        // This capture is over; left pending, the name would send the thread back here for ever.
        TakePendingFile();
        SignalCompletion(false);
        file_name_.clear();
    }
    SetStage(CaptureStage::csStartSession);
}

void TCaptureThread::StageStartSession()
{
    if (AcknowledgePause()) {
        waits_->Wait(kPauseWait);
        return;
    }
    resume_stage_ = CaptureStage::csStartSession;
    next_buffer_ = 0;
    previous_buffer_ = nullptr;
    restart_requested_ = false;
    ClearErrors();
    const int32_t result = Record(ring_.Setup(*session_id_, static_cast<uint32_t>(rate_index_.load()), true));
    if (result == kImgErrAcquiring) {
        SetStage(CaptureStage::csIdle);
    } else {
        SetStage(result == 0 ? CaptureStage::csLiveMode : CaptureStage::csDeallocateBuffers);
    }
}

void TCaptureThread::StageStopSession()
{
    uint32_t acquiring = 0;
    uint32_t buffer_number = 0;
    if (session_id_ && imaq_.imgSessionStatus(*session_id_, &acquiring, &buffer_number) == 0
        && acquiring != 0) {
        const int32_t stopped = imaq_.imgSessionStopAcquisition(*session_id_);
        if (stopped != 0) {
            qCWarning(lcImaq) << "acquisition not stopped, code" << Qt::hex << stopped;
        }
    }
    if (Terminated() || file_open_) {
        SetStage(CaptureStage::csCloseAviFile);
    } else if (first_error_ == 0 || IsRetriedCaptureError(first_error_)) {
        SetStage(resume_stage_);
    } else {
        SetStage(CaptureStage::csDeallocateBuffers);
    }
}

void TCaptureThread::StageCloseAviFile()
{
    // A cancel the frame loop had no turn to see (the owner cancels and ends the thread at once)
    // still ends the capture as cancelled.
    if (cancel_requested_.exchange(false) && file_) {
        Record(kCapErrCanceled);
    }
    if (file_) {
        bool written = false;
        try {
            file_->Close();
            written = true;
        } catch (const Error& failure) {
            Record(kCapErrClosingFile, failure.message());
        }
        SignalCompletion(written);
        file_.reset();
    } else if (const QString pending = PendingFile(); !pending.isEmpty()) {
        // Ended before its file was opened.
        file_name_ = pending;
        Record(kCapErrCanceled);
        SignalCompletion(false);
    }
    file_open_ = false;
    TakePendingFile();
    file_name_.clear();
    SetStage(CaptureStage::csDeallocateBuffers);
}

void TCaptureThread::StageDeallocateBuffers()
{
    ring_.Dispose();
    buffers_allocated_ = 0;
    trigger_.Free();
    SetStage(Terminated() ? CaptureStage::csFinalize : CaptureStage::csAllocateBuffers);
}

void TCaptureThread::StageFinalize()
{
    if (session_id_) {
        imaq_.imgClose(*session_id_, 0);
        session_id_.reset();
    }
    if (interface_id_) {
        imaq_.imgClose(*interface_id_, 0);
        interface_id_.reset();
    }
    SetStage(Terminated() ? CaptureStage::csTerminate : CaptureStage::csIdle);
}

// ---- Errors, status, completion -----------------------------------------------------------------

int32_t TCaptureThread::SetAttribute(uint32_t attribute, uint32_t value)
{
    return Record(imaq_.imgSetAttribute(*session_id_, attribute, value));
}

int32_t TCaptureThread::GetAttribute(uint32_t attribute, uint32_t& value)
{
    return Record(imaq_.imgGetAttribute(*session_id_, attribute, &value));
}

int32_t TCaptureThread::Record(int32_t result, const QString& reason)
{
    if (result == 0) {
        return 0;
    }
    current_error_ = result;
    if (first_error_ == 0) {
        first_error_ = result;
        error_stage_ = Stage();
        error_text_ = CaptureErrorText(result, imaq_);
        if (!reason.isEmpty()) {
            error_text_ += QLatin1Char(' ') + QString(reason).replace(QLatin1Char('\r'), QLatin1Char(' '));
        }
        qCInfo(lcImaq).noquote() << CaptureStageName(error_stage_) << "error" << Qt::hex << result
                                 << error_text_;
    }
    return result;
}

void TCaptureThread::ClearErrors()
{
    first_error_ = 0;
    current_error_ = 0;
    error_stage_ = CaptureStage::csIdle;
    error_text_.clear();
}

void TCaptureThread::ShowStatus()
{
    const CaptureStage stage = Stage();
    if (stage == shown_stage_ && first_error_ == shown_error_) {
        return;
    }
    shown_stage_ = stage;
    shown_error_ = first_error_;
    if (callbacks_.status) {
        callbacks_.status(CaptureStatus { stage, first_error_, error_stage_, error_text_,
            CaptureStageName(stage) + QLatin1Char(' ') + error_text_ });
    }
}

void TCaptureThread::SignalCompletion(bool file_written)
{
    CaptureCompletion completion;
    completion.cause = first_error_;
    completion.error = first_error_ == kCapErrRateTooFast ? 0 : first_error_;
    completion.text = error_text_;
    completion.file_name = file_name_;
    completion.frames_requested = file_ ? file_->FramesRequested() : frames_requested_.load();
    completion.frames_written = file_ ? file_->FramesWritten() : 0;
    completion.file_written = file_written;
    if (callbacks_.completion) {
        callbacks_.completion(completion);
    }
}

QString TCaptureThread::PendingFile() const
{
    std::lock_guard lock(mutex_);
    return pending_file_;
}

QString TCaptureThread::TakePendingFile()
{
    std::lock_guard lock(mutex_);
    return std::exchange(pending_file_, QString());
}

} // namespace fw
