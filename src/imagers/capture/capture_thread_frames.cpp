// "Live Mode" and "Capture Frames": one grabber buffer per turn of the thread's loop.

#include <algorithm>
#include <array>

#include "imagers/capture/capture_avi_file.h"
#include "imagers/capture/capture_thread.h"
#include "imagers/imaq/imaq.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int kMaxRateIndex = 2;

} // namespace

void TCaptureThread::StageFrame()
{
    const uint32_t wanted = next_buffer_;
    uint32_t given = 0;
    void* address = nullptr;
    const int32_t result = imaq_.imgSessionExamineBuffer(*session_id_, wanted, &given, &address);
    const bool holding = result == 0;
    uint32_t lost = 0;
    GetAttribute(kImgAttrLostFrames, lost);
    if (lost >= 1) {
        HandleLostFrames(holding);
        return;
    }
    if (result == kImgErrTimeout) {
        // No buffer yet: ask again, but let the owner's requests through meanwhile.
        AfterFrame();
        return;
    }
    if (result != 0 || given != wanted || address == nullptr) {
        if (holding) {
            ReleaseBuffer();
        }
        Record(result);
        RecordRateTooFast();
        SetStage(CaptureStage::csStopSession);
        return;
    }
    TakeFrame(wanted, static_cast<const uint8_t*>(address));
}

void TCaptureThread::TakeFrame(uint32_t buffer_number, const uint8_t* buffer)
{
    if (Stage() == CaptureStage::csLiveMode && buffer_number >= 1) {
        EvaluateTrigger(buffer);
    }
    if (Stage() == CaptureStage::csCaptureFrames) {
        // The file starts with the frame before the one that started the capture.
        if (frames_written_ == 0 && previous_buffer_ != nullptr) {
            WriteFrame(previous_buffer_);
        }
        if (Stage() == CaptureStage::csCaptureFrames && frames_written_ < file_->FramesRequested()) {
            WriteFrame(buffer);
        }
        if (frames_written_ >= file_->FramesRequested()) {
            SetStage(CaptureStage::csStopSession);
        }
    }
    const bool live = Stage() == CaptureStage::csLiveMode
        || (Stage() == CaptureStage::csCaptureFrames && live_while_capturing_);
    // Copied before the buffer goes back to the grabber, which may fill it again at once.
    const FrameImage frame = live && callbacks_.live_frame ? format_.ToFrameImage(buffer) : FrameImage();
    previous_buffer_ = buffer;
    ReleaseBuffer();
    ++next_buffer_;
    if (!frame.isNull()) {
        callbacks_.live_frame(frame);
    }
    AfterFrame();
}

void TCaptureThread::EvaluateTrigger(const uint8_t* buffer)
{
    ApplyRegion();
    if (baseline_requested_.exchange(false)) {
        trigger_.ForgetBaseline();
    }
    const std::optional<int> level = trigger_.Evaluate(buffer, format_.GrabberPixelBytes());
    if (level) {
        level_ = *level;
    }
    // The frame that becomes the baseline never fires the trigger.
    const bool fires = !use_trigger_ || (level && threshold_ >= *level);
    if (file_open_ && fires) {
        SetStage(CaptureStage::csCaptureFrames);
    }
}

void TCaptureThread::ApplyRegion()
{
    if (!region_changed_.exchange(false)) {
        return;
    }
    std::lock_guard lock(mutex_);
    trigger_.SetRegion(region_, whole_frame_);
}

void TCaptureThread::WriteFrame(const uint8_t* buffer)
{
    try {
        file_->WriteFrame(buffer);
        frames_written_ = file_->FramesWritten();
    } catch (const Error& failure) {
        Record(kCapErrWritingFile, failure.message());
        SetStage(CaptureStage::csStopSession);
    }
}

// The grabber has lost frames: what came before the first lost one still goes into the file.
void TCaptureThread::HandleLostFrames(bool holding)
{
    imaq_.imgSessionStopAcquisition(*session_id_);
    std::array<uint32_t, kImgLostFramesListSize> list {};
    uint32_t first_lost = next_buffer_;
    if (Record(imaq_.imgSessionGetLostFramesList(*session_id_, list.data(), kImgLostFramesListSize)) == 0) {
        const auto end = std::find_if(list.begin(), list.end(), [](uint32_t number) { return number < 1; });
        if (end != list.begin()) {
            first_lost = *std::min_element(list.begin(), end);
        }
    }
    if (Stage() == CaptureStage::csCaptureFrames) {
        WriteFramesBefore(first_lost);
    }
    if (Stage() == CaptureStage::csLiveMode || (file_ && frames_written_ < file_->FramesRequested())) {
        RecordRateTooFast();
    }
    if (holding) {
        ReleaseBuffer();
    }
    SetStage(CaptureStage::csStopSession);
}

// The ring keeps at most its count of buffers before the gap.
void TCaptureThread::WriteFramesBefore(uint32_t first_lost)
{
    const auto count = static_cast<uint32_t>(ring_.Count());
    const uint32_t oldest_kept = first_lost > count ? first_lost - count : 0;
    for (uint32_t number = std::max(next_buffer_, oldest_kept); number < first_lost
         && Stage() == CaptureStage::csCaptureFrames && frames_written_ < file_->FramesRequested();
         ++number) {
        WriteFrame(ring_.Entry(number));
    }
}

void TCaptureThread::RecordRateTooFast()
{
    if (first_error_ == 0) {
        Record(kCapErrRateTooFast);
    }
    RaiseRateIndex();
}

void TCaptureThread::RaiseRateIndex()
{
    int rate = rate_index_.load();
    while (rate < kMaxRateIndex && !rate_index_.compare_exchange_weak(rate, rate + 1)) { }
}

void TCaptureThread::ReleaseBuffer()
{
    const int32_t result = imaq_.imgSessionReleaseBuffer(*session_id_);
    if (result != 0) {
        qCWarning(lcImaq) << "buffer not released, code" << Qt::hex << result;
    }
}

// The owner's requests, taken between two frames.
void TCaptureThread::AfterFrame()
{
    if (CancelCapture()) {
        return;
    }
    if (Stage() != CaptureStage::csLiveMode || file_open_) {
        return;
    }
    if (!PendingFile().isEmpty()) {
        resume_stage_ = CaptureStage::csOpenAviFile;
    } else if (pause_requested_ || restart_requested_) {
        resume_stage_ = CaptureStage::csStartSession;
    } else if (new_buffers_requested_) {
        resume_stage_ = CaptureStage::csDeallocateBuffers;
    } else {
        return;
    }
    SetStage(CaptureStage::csStopSession);
}

bool TCaptureThread::CancelCapture()
{
    if (!cancel_requested_.exchange(false)) {
        return false;
    }
    if (file_open_) {
        Record(kCapErrCanceled);
        SetStage(CaptureStage::csStopSession);
        return true;
    }
    const QString pending = TakePendingFile();
    if (pending.isEmpty()) {
        return false;
    }
    file_name_ = pending;
    Record(kCapErrCanceled);
    SignalCompletion(false);
    file_name_.clear();
    return true;
}

} // namespace fw
