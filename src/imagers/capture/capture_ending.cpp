#include "imagers/capture/capture_ending.h"

#include <algorithm>

namespace fw {

namespace {

const char* const kCancelledText = "Capture has been cancelled.  Would you like to keep this partial file?";
const char* const kRateExceededText = "Capture rate exceeded your computer's file writing rate.\n"
                                      "Increase Buffers or decrease Capture Rate or Resolution,\n"
                                      "or pick Monochrome or uncheck the Progress box.\n"
                                      "\n"
                                      "      Would you like to keep this partial file?";

} // namespace

QString CaptureStoppedCaption(int32_t frames_written)
{
    return QStringLiteral("Video Capture Stopped After %1 Frames").arg(frames_written);
}

CaptureEnding CaptureEndingOf(const CaptureCompletion& completion)
{
    CaptureEnding ending;
    ending.file_written = completion.file_written;
    const bool cancelled = completion.cause == kCapErrCanceled;
    if (completion.cause != 0 && !cancelled && completion.cause != kCapErrRateTooFast) {
        ending.failure = completion.text;
    }
    if (completion.file_written && completion.frames_written < completion.frames_requested) {
        ending.question = ShortCaptureQuestion { CaptureStoppedCaption(completion.frames_written),
            QString::fromLatin1(cancelled ? kCancelledText : kRateExceededText) };
    }
    return ending;
}

CaptureProgressView CaptureProgressOf(
    CaptureStage stage, int32_t frames_written, int32_t frames_requested, bool cancelling)
{
    CaptureProgressView view;
    view.percent = frames_requested > 0
        ? static_cast<int>(std::clamp<int64_t>(int64_t(frames_written) * 100 / frames_requested, 0, 100))
        : 0;
    if (stage == CaptureStage::csCloseAviFile) {
        view.caption = QStringLiteral("Writing Video File...");
    } else if (cancelling) {
        view.caption = QStringLiteral("Canceling...");
    } else if (stage == CaptureStage::csCaptureFrames) {
        view.caption = QStringLiteral("Capturing");
    } else if (stage == CaptureStage::csLiveMode) {
        view.caption = QStringLiteral("Waiting for Trigger");
    } else {
        view.caption = QStringLiteral("Preparing File");
    }
    return view;
}

} // namespace fw
