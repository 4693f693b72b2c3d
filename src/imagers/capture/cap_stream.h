#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include <QString>

#include "clips/avi_stream.h"

namespace fw {

// How one capture ended, as the capture thread reports it.
struct CaptureCompletion {
    // 0, or the error that ended the capture. A capture stopped because frames were lost reports
    // 0 here (its cause stays in `cause`); a cancelled one kCapErrCanceled.
    int32_t error = 0;
    // The first error of the capture, 0 when there was none.
    int32_t cause = 0;
    // The text of `cause`, with the reason the program knows for a file error.
    QString text;
    QString file_name;
    int32_t frames_requested = 0;
    // Frames in the file; fewer than requested when the capture stopped early.
    int32_t frames_written = 0;
    // False when no file was written (it could not be opened or not be written).
    bool file_written = false;

    bool Complete() const { return error == 0 && file_written && frames_written >= frames_requested; }
};

// The clip stream of the capture window: it has no frames of its own (the window shows the live
// picture) and carries the event by which a capture reports its end.
class TCapStream : public TAVISTREAM {
public:
    using CompletionHandler = std::function<void(const CaptureCompletion&)>;

    TCapStream();
    ~TCapStream() override;

    int32_t FrameCount() override { return 0; }
    bool CanSave() const override { return false; }
    // A capture is written as an AVI file: the clip types alone (AVI and KFS, an AVI file under
    // another extension) are offered.
    int TypeCount() const override;
    QString GetTitle() const override;
    QString GetShortName() const override;

    // Runs on the thread that signals the completion (the capture thread); the window hands it
    // on to its own thread.
    void SetCompletionHandler(CompletionHandler handler);
    // The capture thread's completion event: keeps the result and runs the handler.
    void SignalCompletion(const CaptureCompletion& completion);
    // The last completion signalled, if any.
    std::optional<CaptureCompletion> LastCompletion() const;

private:
    mutable std::mutex mutex_;
    CompletionHandler handler_;
    std::optional<CaptureCompletion> last_;
};

} // namespace fw
