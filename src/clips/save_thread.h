#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <QString>

#include "clips/compression_options.h"
#include "support/user_prompt.h"

class QEvent;
class QObject;

namespace fw {

class TAVISTREAM;
struct ContextCall;

// The window's progress routine: a percentage 0..100 (negative: the source asks to cancel);
// answers 0 to go on, anything else (the user-abort code) stops the save.
using SaveProgressHandler = std::function<int32_t(int percent)>;
// Called once, on the user-interface thread, with the save's result code.
using SaveFinishedHandler = std::function<void(int32_t result)>;

// Answers of AskOnError.
inline constexpr int kAskAbort = 3;
inline constexpr int kAskRetry = 4;
inline constexpr int kAskIgnore = 5;

// The error prompt of a frame read: the save's own when one runs on this thread, else an error
// box with Abort, Retry and Ignore. Answers kAskAbort, kAskRetry or kAskIgnore.
int AskOnFrameReadError(const QString& message);

// What a save works from, gathered on the user-interface thread before the worker starts.
struct SaveSource {
    int32_t frame_count = 0;
    uint32_t rate = 15; // frames per second = rate / scale
    uint32_t scale = 1;
};

// One clip save on a worker thread of its own. Progress, questions and the end are carried to
// `context`'s thread (the user-interface thread) while the worker waits. Every running save is
// in one process-wide list, so a frame source that fails on the worker finds its save through
// Current() and asks AskOnError. The owner destroys the object; that stops and joins the worker.
class TAVISaveThread {
public:
    TAVISaveThread(TAVISTREAM& stream, QString target, const CompressionOptions& options, SaveSource source,
        QObject* context, SaveProgressHandler progress, SaveFinishedHandler finished);
    virtual ~TAVISaveThread();

    TAVISaveThread(const TAVISaveThread&) = delete;
    TAVISaveThread& operator=(const TAVISaveThread&) = delete;

    void Start();
    // Makes the next progress call answer user abort and releases a worker waiting on the
    // user-interface thread. Then joins the worker.
    void Stop();
    bool Terminated() const { return terminated_; }

    // The save thread running on the calling thread, or null.
    static TAVISaveThread* Current();
    // Why the last clip save to `target` failed, as the writer put it; empty when it did not
    // fail or another save to it has started since. The result code alone does not say which
    // file or what went wrong, and a caller without a window has nobody else to ask.
    static QString FailureText(const QString& target);
    static int RunningCount();
    // Why this save failed, once its end has been reported; empty when it did not fail or the
    // user stopped it.
    QString FailureReason() const { return failure_reason_; }

    // On the worker: stores the percentage and asks the progress handler. 0 goes on.
    int32_t Progress(int percent);
    int LastPercent() const { return last_percent_; }

    // On the worker: an error box with Abort, Retry and Ignore; answers kAskAbort, kAskRetry or
    // kAskIgnore. Abort also stops the save as a user abort.
    int AskOnError(const QString& message);
    // Any question to the user from the worker; None when the save is being stopped.
    PromptButton Ask(PromptKind kind, const QString& caption, const QString& text, PromptButton buttons);

protected:
    // The work of the thread; returns the result code.
    virtual int32_t Run();
    // On the worker: records why the save failed, for the window and for the log.
    void SetFailureReason(const QString& reason);
    // Runs `call` on the context's thread and waits; false when the save was stopped or the
    // context went away first.
    bool CallOnContext(const std::function<void()>& call);

    TAVISTREAM& stream_;
    const QString target_;
    std::atomic<int32_t> last_answer_ { 0 };

private:
    void Main();
    void post(QEvent* event);
    int32_t SaveClip();

    CompressionOptions options_;
    SaveSource source_;
    QObject* context_; // outlives the thread: its owner stops the thread before freeing it
    QObject* relay_ = nullptr; // receives the worker's calls on the context's thread
    SaveProgressHandler progress_;
    SaveFinishedHandler finished_;

    std::thread worker_;
    std::atomic<bool> terminated_ { false };
    std::atomic<bool> user_aborted_ { false };
    std::atomic<int> last_percent_ { 0 };
    std::mutex wait_mutex_;
    std::shared_ptr<ContextCall> waiting_; // the call the worker waits for, if any
    // Written by the worker before it posts its end, read after that on the context's thread.
    QString failure_reason_;
};

// Writes the frames of a stream into a directory of numbered frame files (clip type 3 and up).
class TAVIScatterThread : public TAVISaveThread {
public:
    TAVIScatterThread(TAVISTREAM& stream, QString directory, int type, QObject* context,
        SaveProgressHandler progress, SaveFinishedHandler finished);
    ~TAVIScatterThread() override;

protected:
    int32_t Run() override;

private:
    const int type_;
};

} // namespace fw
