#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <QString>

#include "clips/frame_image.h"
#include "imagers/capture/cap_stream.h"
#include "imagers/capture/capture_format.h"
#include "imagers/capture/capture_ring.h"
#include "imagers/capture/capture_stage.h"
#include "imagers/capture/capture_waits.h"
#include "imagers/capture/frame_compare_trigger.h"

namespace fw {

class TIMAQ;
class TCaptureAviFile;

// What the status bar shows, sent whenever the stage or the first error of the run changes.
struct CaptureStatus {
    CaptureStage stage = CaptureStage::csIdle;
    int32_t error = 0; // the first error of the run, 0 for none
    CaptureStage error_stage = CaptureStage::csIdle; // the stage that met it
    QString error_text; // its text; empty for none
    QString text; // stage name + " " + error text
};

// One capture as its owner asks for it. StartCapture hands it to the thread in the order the
// thread needs: the file name, which starts the capture, last.
struct CaptureOrder {
    QString file_name;
    int32_t frames = 1;
    bool use_trigger = false;
    int threshold = 500; // 0..999
    CaptureRegion region; // in grabber pixels; ignored with whole_frame
    bool whole_frame = true;
};

// The grabber's properties, sent each time the buffers have been made.
struct CaptureProperties {
    bool colour_capable = false;
    int buffers = 0; // obtained
    int width = 0; // of a delivered frame
    int height = 0;
};

// How the capture thread reaches its owner. Every callback runs on the capture thread, which
// waits until it returns: a callback must be quick, must not call back into the thread's
// controls that wait (Join), and hands what it needs on to the user-interface thread itself
// (a queued call with a copy). Any of them may be empty.
struct CaptureCallbacks {
    std::function<void(const CaptureStatus&)> status;
    // A frame of "Live Mode" (and of "Capture Frames" with SetLiveWhileCapturing), in the file's
    // format: lines as delivered, 8-bit grey or 24-bit. Only valid during the call.
    std::function<void(const FrameImage&)> live_frame;
    std::function<void(const CaptureProperties&)> properties;
    // The end of a capture: once for each output file name given, whether or not a file was
    // written. The window's clip stream usually takes it (TCapStream::SignalCompletion).
    std::function<void(const CaptureCompletion&)> completion;
};

// The worker that drives a frame grabber and writes captures into AVI files. It goes through the
// stages of CaptureStage: it opens the interface, makes a ring of buffers, runs the ring in "Live
// Mode" (sending live frames and working out the trigger level) and, once an output file name is
// given, opens the file, starts the ring again and, when the trigger fires (at once without a
// trigger), writes the frame before the firing one and then every frame up to the number
// requested. Lost frames stop a capture and raise the rate index for the next one. After each
// capture it frees the buffers and makes them anew, so that changed settings take effect.
//
// Threads: the owner (the window, on the user-interface thread) makes the object, sets it up,
// calls Start, and then talks to it only through the controls below, which take effect at the
// thread's next step and never wait for the grabber, and the read-outs, which may be read at any
// time. The thread owns the grabber session, the buffers and the file: on every way out
// (errors, cancel, Terminate) it stops the ring, gives back every buffer and closes the session
// and the interface. Destroying the object terminates the thread and joins it.
class TCaptureThread {
public:
    // `imaq` stays with the owner and must outlive the thread; the thread takes a Load of the
    // library while it runs. `waits` makes the idle and pause waits; null uses the steady clock.
    TCaptureThread(TIMAQ& imaq, QString interface_name, CaptureCallbacks callbacks,
        std::unique_ptr<TCaptureWaits> waits = nullptr);
    ~TCaptureThread();

    TCaptureThread(const TCaptureThread&) = delete;
    TCaptureThread& operator=(const TCaptureThread&) = delete;

    // Starts the thread at "Initialize". Once only.
    void Start();
    // Asks the thread to end: a stage before "Stop Session" goes there, a capture in progress is
    // stopped and its file written (short), buffers are freed and the session closed. Returns at
    // once.
    void Terminate();
    // Terminate, then wait for the thread to end. Must not be called from a callback, nor while
    // the calling thread is needed to let a callback return.
    void Join();
    bool Finished() const { return finished_.load(); }
    // Runs `wake` on the capture thread as it ends, or at once when it has ended.
    void WhenFinished(std::function<void()> wake);

    // ---- Controls ----
    // Rate index 0, 1, 2 ("30 fps", "15 fps", "10 fps"): frames the grabber skips between two
    // captured ones. In "Live Mode" a change starts the ring again.
    void SetRateIndex(int rate_index);
    // 0 (full) or 2 (half: every second pixel and line). Takes new buffers.
    void SetDecimation(uint32_t decimation);
    // Monochrome on a colour-capable grabber; a monochrome-only one is always that. Takes new
    // buffers.
    void SetMonochrome(bool monochrome);
    // Buffers to try to make, clamped to 10..512. Takes new buffers.
    void SetBuffersWanted(int buffers);
    // The trigger region in grabber pixels (clamped into the frame), or the whole frame.
    // "Allocate Buffers" sets the whole frame again.
    void SetRegion(const CaptureRegion& region, bool whole_frame);
    // The next frame the trigger looks at becomes its baseline.
    void RequestBaseline();
    void SetUseTrigger(bool use_trigger);
    // 0..999: the capture starts when the threshold is at least the trigger level.
    void SetThreshold(int threshold);
    // Frames to write, at least 1. Set before SetOutputFile.
    void SetFramesRequested(int32_t frames);
    // Starts a capture into `file_name` (set everything else first): the ring stops, the file is
    // opened, the ring starts again. The capture ends with the completion callback.
    void SetOutputFile(const QString& file_name);
    // Sets the frames, the trigger and its region of `order`, then its output file.
    void StartCapture(const CaptureOrder& order);
    // Stops a capture in progress as cancelled by the user; its file is written with the frames
    // so far and the completion reports kCapErrCanceled.
    void Cancel();
    // Sends live frames while capturing too (the "Progress" box).
    void SetLiveWhileCapturing(bool on) { live_while_capturing_ = on; }
    // The pause handshake: the thread stops the ring and waits (PauseAcknowledged) until Resume.
    // A capture in progress does not pause.
    void RequestPause();
    void Resume();
    bool PauseAcknowledged() const { return pause_acknowledged_.load(); }

    // ---- Read-outs ----
    CaptureStage Stage() const { return static_cast<CaptureStage>(stage_.load()); }
    // Frames in the file of the present capture, or of the last one.
    int32_t FramesWritten() const { return frames_written_.load(); }
    int32_t FramesRequested() const { return frames_requested_.load(); }
    // The trigger level 0..1000 of the last frame compared.
    int Level() const { return level_.load(); }
    int RateIndex() const { return rate_index_.load(); }
    int BuffersWanted() const { return buffers_wanted_.load(); }
    int BuffersAllocated() const { return buffers_allocated_.load(); }
    // A capture is under way: its file is open or about to be.
    bool Capturing() const;

private:
    static constexpr std::chrono::milliseconds kIdleWait { 1500 };
    static constexpr std::chrono::milliseconds kPauseWait { 50 };

    void Execute();
    void RunStage(CaptureStage stage);
    void StageIdle();
    void StageInitialize();
    void StageAllocateBuffers();
    void StageOpenAviFile();
    void StageStartSession();
    void StageFrame();
    void StageStopSession();
    void StageCloseAviFile();
    void StageDeallocateBuffers();
    void StageFinalize();

    // Stage helpers (capture_thread_frames.cpp).
    void TakeFrame(uint32_t buffer_number, const uint8_t* buffer);
    void EvaluateTrigger(const uint8_t* buffer);
    void WriteFrame(const uint8_t* buffer);
    void HandleLostFrames(bool holding);
    void WriteFramesBefore(uint32_t first_lost);
    void RaiseRateIndex();
    void RecordRateTooFast();
    void AfterFrame();
    bool CancelCapture();
    void ApplyRegion();
    // Sets the acknowledge flag when a pause is asked for; true then.
    bool AcknowledgePause();
    void ReleaseBuffer();

    int32_t SetAttribute(uint32_t attribute, uint32_t value);
    int32_t GetAttribute(uint32_t attribute, uint32_t& value);
    int32_t SetUpGrabber();
    int32_t MakeBuffers();
    // Keeps a failed result as the current error (and the first, when there is none yet);
    // returns it.
    int32_t Record(int32_t result, const QString& reason = {});
    void ClearErrors();
    void ShowStatus();
    void SetStage(CaptureStage stage) { stage_.store(static_cast<int>(stage)); }
    void SignalCompletion(bool file_written);
    bool Terminated() const { return terminate_.load(); }
    QString PendingFile() const;
    QString TakePendingFile();

    TIMAQ& imaq_;
    const QString interface_name_;
    CaptureCallbacks callbacks_;
    std::unique_ptr<TCaptureWaits> waits_;

    // Thread side: only the capture thread touches these.
    bool library_loaded_ = false;
    std::optional<uint32_t> interface_id_;
    std::optional<uint32_t> session_id_;
    CaptureStage resume_stage_ = CaptureStage::csInitialize;
    CaptureStage shown_stage_ = CaptureStage::csTerminate;
    int32_t shown_error_ = -1;
    int32_t first_error_ = 0;
    int32_t current_error_ = 0;
    CaptureStage error_stage_ = CaptureStage::csIdle;
    QString error_text_;
    bool colour_capable_ = false;
    CaptureFormat format_;
    TCaptureRing ring_;
    TFrameCompareTrigger trigger_;
    std::unique_ptr<TCaptureAviFile> file_;
    QString file_name_;
    uint32_t next_buffer_ = 0; // the buffer number to examine next
    const uint8_t* previous_buffer_ = nullptr; // the last one examined, for the frame before the trigger

    // Shared with the owner.
    std::atomic<int> stage_ { static_cast<int>(CaptureStage::csInitialize) };
    std::atomic<bool> terminate_ { false };
    std::atomic<bool> finished_ { false };
    std::atomic<bool> pause_requested_ { false };
    std::atomic<bool> pause_acknowledged_ { false };
    std::atomic<bool> cancel_requested_ { false };
    std::atomic<bool> restart_requested_ { false };
    std::atomic<bool> new_buffers_requested_ { false };
    std::atomic<bool> baseline_requested_ { false };
    std::atomic<bool> region_changed_ { false };
    std::atomic<bool> live_while_capturing_ { false };
    std::atomic<int> rate_index_ { 0 };
    std::atomic<uint32_t> decimation_ { 0 };
    std::atomic<bool> monochrome_ { false };
    std::atomic<int> buffers_wanted_ { TCaptureRing::kDefaultBuffers };
    std::atomic<int> buffers_allocated_ { 0 };
    std::atomic<bool> use_trigger_ { false };
    std::atomic<int> threshold_ { 500 };
    std::atomic<int> level_ { TFrameCompareTrigger::kMaxLevel };
    std::atomic<int32_t> frames_requested_ { 1 };
    std::atomic<int32_t> frames_written_ { 0 };
    std::atomic<bool> file_open_ { false };

    mutable std::mutex mutex_; // guards the members below
    QString pending_file_;
    CaptureRegion region_;
    bool whole_frame_ = true;
    std::function<void()> finished_wake_;

    std::thread thread_;
};

} // namespace fw
