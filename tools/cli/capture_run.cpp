#include "capture_run.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include "clips/avi_stream.h"
#include "imagers/capture/capture_descriptor.h"
#include "imagers/capture/capture_ending.h"
#include "imagers/capture/capture_thread.h"
#include "imagers/imaq/imaq.h"
#include "support/fw_error.h"

namespace fw::cli {

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t g_interrupted = 0;

// A second interrupt ends the tool at once, should the grabber hold the capture up.
void NoteInterrupt(int signal_number)
{
    g_interrupted = 1;
    std::signal(signal_number, SIG_DFL);
}

// SIGINT and SIGTERM end a capture in order instead of killing the tool with the file half made.
class InterruptGuard {
public:
    InterruptGuard()
    {
        g_interrupted = 0;
        struct sigaction action { };
        action.sa_handler = &NoteInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &old_int_);
        sigaction(SIGTERM, &action, &old_term_);
    }
    ~InterruptGuard()
    {
        sigaction(SIGINT, &old_int_, nullptr);
        sigaction(SIGTERM, &old_term_, nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction old_int_ { };
    struct sigaction old_term_ { };
};

bool MemoryShortage(int32_t code)
{
    return code == kImgErrNoMemory || code == kImgErrNoBufferMemory || code == kImgErrNoLockableMemory;
}

// The thread's reports, gathered for the tool's own thread.
class CaptureReports {
public:
    CaptureCallbacks Callbacks()
    {
        CaptureCallbacks callbacks;
        callbacks.status = [this](const CaptureStatus& status) { Status(status); };
        callbacks.completion = [this](const CaptureCompletion& completion) {
            std::lock_guard lock(mutex_);
            completion_ = completion;
            changed_.notify_all();
        };
        return callbacks;
    }

    std::optional<CaptureStatus> Failure() const
    {
        std::lock_guard lock(mutex_);
        return failure_;
    }
    std::optional<CaptureCompletion> Completion() const
    {
        std::lock_guard lock(mutex_);
        return completion_;
    }
    void WaitAWhile()
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    }

private:
    // The thread retries ring conditions, slows down after lost frames and makes do with fewer
    // buffers on its own; anything else before the capture is a failure for the tool.
    void Status(const CaptureStatus& status)
    {
        const bool recovers = status.error == 0 || IsRetriedCaptureError(status.error)
            || (status.error_stage == CaptureStage::csAllocateBuffers && MemoryShortage(status.error));
        std::lock_guard lock(mutex_);
        if (!recovers && !failure_) {
            failure_ = status;
        }
        changed_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<CaptureStatus> failure_;
    std::optional<CaptureCompletion> completion_;
};

QString FailureMessage(const CaptureRequest& request, const CaptureStatus& status)
{
    if (status.error_stage == CaptureStage::csInitialize) {
        return QStringLiteral("Cannot open interface %1: %2").arg(request.interface_name, status.error_text);
    }
    return CaptureStageName(status.error_stage) + QStringLiteral(": ") + status.error_text;
}

QString ShortCaptureMessage(const CaptureCompletion& completion)
{
    if (completion.frames_written >= completion.frames_requested && !completion.text.isEmpty()) {
        return completion.text;
    }
    QString message = CaptureStoppedCaption(completion.frames_written);
    if (!completion.text.isEmpty()) {
        message += QStringLiteral(": ") + completion.text;
    }
    return message;
}

// The folder must take the clip; found out before the camera is started.
void CheckTarget(const QString& target)
{
    const QFileInfo info(target);
    if (info.isDir()) {
        throw Error(QStringLiteral("Cannot create %1: it is a folder").arg(target));
    }
    if (::access(QFile::encodeName(info.absolutePath()).constData(), W_OK | X_OK) != 0) {
        throw Error(
            QStringLiteral("Cannot create %1: %2").arg(target, QString::fromLocal8Bit(strerror(errno))));
    }
}

// The capture is written under a hidden name beside the target and takes the target's name
// only when it is complete.
QString WorkingName(const QString& target)
{
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".capture-")
        + QString::number(getpid());
}

class CliCapture {
public:
    CliCapture(const CaptureRequest& request)
        : request_(request)
        , deadline_(Clock::now() + std::chrono::seconds(request.timeout_s))
        , working_(WorkingName(request.target))
        , imaq_(nullptr)
        , thread_(imaq_, request.interface_name, reports_.Callbacks())
    {
    }
    ~CliCapture()
    {
        thread_.Join();
        QFile::remove(working_);
    }
    CliCapture(const CliCapture&) = delete;
    CliCapture& operator=(const CliCapture&) = delete;

    void Run()
    {
        const QDateTime opened = QDateTime::currentDateTime();
        thread_.SetRateIndex(request_.rate_index);
        thread_.SetDecimation(request_.half ? kImgDecimationHalf : kImgDecimationFull);
        thread_.SetMonochrome(request_.monochrome);
        thread_.SetBuffersWanted(request_.buffers);
        thread_.Start();
        Note("Starting the frame grabber");
        WaitUntil([&] { return thread_.Stage() == CaptureStage::csLiveMode; }, "Live Mode was not reached");
        thread_.RequestPause();
        WaitUntil([&] { return thread_.PauseAcknowledged(); }, "The frame grabber did not pause");
        StartCapture();
        const CaptureCompletion completion = WaitForCompletion();
        thread_.Join();
        if (!completion.Complete()) {
            throw Error(ShortCaptureMessage(completion));
        }
        Finish(opened, completion);
    }

private:
    void StartCapture()
    {
        // Lost frames in the live picture may have slowed the grabber down; the capture runs at
        // the rate asked for.
        thread_.SetRateIndex(request_.rate_index);
        thread_.RequestBaseline();
        CaptureOrder order;
        order.file_name = working_;
        order.frames = request_.frames;
        order.use_trigger = request_.threshold.has_value();
        order.threshold = request_.threshold.value_or(0);
        order.region = request_.region.value_or(CaptureRegion {});
        order.whole_frame = !request_.region.has_value();
        thread_.StartCapture(order);
        capture_started_ = true;
        thread_.Resume();
        Note("Preparing File");
        if (request_.threshold) {
            Note("Waiting for Trigger");
        }
    }

    CaptureCompletion WaitForCompletion()
    {
        std::optional<CaptureCompletion> completion;
        WaitUntil(
            [&] {
                ShowProgress();
                completion = reports_.Completion();
                return completion.has_value();
            },
            request_.threshold ? "The capture did not finish (the trigger may not have fired)"
                               : "The capture did not finish");
        return *completion;
    }

    template <typename Done> void WaitUntil(Done done, const char* late)
    {
        while (!done()) {
            if (g_interrupted) {
                throw Error(QStringLiteral("Capture Canceled by User."));
            }
            // Before the capture the thread's own failures end the tool; after it, its end says.
            if (const std::optional<CaptureStatus> failure = reports_.Failure();
                failure && !capture_started_) {
                throw Error(FailureMessage(request_, *failure));
            }
            if (Clock::now() >= deadline_) {
                throw Error(
                    QStringLiteral("%1 within %2 seconds").arg(QLatin1String(late)).arg(request_.timeout_s));
            }
            reports_.WaitAWhile();
        }
    }

    void ShowProgress()
    {
        const CaptureStage stage = thread_.Stage();
        const int percent = thread_.FramesWritten() * 100 / request_.frames;
        if (stage == CaptureStage::csCaptureFrames && percent / 10 > shown_tenths_) {
            shown_tenths_ = percent / 10;
            Note(QStringLiteral("Capturing: %1 of %2 frames")
                     .arg(thread_.FramesWritten())
                     .arg(request_.frames));
        }
    }

    void Finish(const QDateTime& opened, const CaptureCompletion& completion)
    {
        Note("Writing Video File...");
        if (!WriteDescriptorBlock(working_, CaptureDescriptorBlock(1.0, 0.0, opened))) {
            throw Error(QStringLiteral("Cannot write the descriptor block into %1").arg(request_.target));
        }
        if (::rename(QFile::encodeName(working_).constData(), QFile::encodeName(request_.target).constData())
            != 0) {
            throw Error(QStringLiteral("Cannot write %1: %2")
                            .arg(request_.target, QString::fromLocal8Bit(strerror(errno))));
        }
        Note(
            QStringLiteral("Captured %1 frames into %2").arg(completion.frames_written).arg(request_.target));
    }

    static void Note(const QString& text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }
    static void Note(const char* text) { std::fprintf(stderr, "%s\n", text); }

    const CaptureRequest& request_;
    const Clock::time_point deadline_;
    const QString working_;
    TIMAQ imaq_;
    CaptureReports reports_;
    TCaptureThread thread_;
    bool capture_started_ = false;
    int shown_tenths_ = 0;
};

} // namespace

void RunCapture(const CaptureRequest& request)
{
    CheckTarget(request.target);
    const InterruptGuard interrupts;
    CliCapture capture(request);
    capture.Run();
}

} // namespace fw::cli
