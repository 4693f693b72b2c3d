#include "imagers/capture/capture_stage.h"

#include <array>

#include "imagers/imaq/imaq.h"

namespace fw {

namespace {

constexpr std::array<const char*, 12> kStageNames {
    "",
    "Initialize",
    "Allocate Buffers",
    "Open AVI File",
    "Start Session",
    "Live Mode",
    "Capture Frames",
    "Stop Session",
    "Close AVI File",
    "Deallocate Buffers",
    "Finalize",
    "Terminate",
};

constexpr std::array<const char*, 5> kThreadErrorTexts {
    "Error Opening Video File.",
    "Error Writing Video File.",
    "Error Closing Video File.",
    "Rate too Fast, Capture Stopped.",
    "Capture Canceled by User.",
};

} // namespace

QString CaptureStageName(CaptureStage stage)
{
    const auto index = static_cast<std::size_t>(stage);
    return index < kStageNames.size() ? QString::fromLatin1(kStageNames[index]) : QString();
}

QString CaptureErrorText(int32_t code, TIMAQ& imaq)
{
    if (code >= kCapErrOpeningFile && code <= kCapErrCanceled) {
        return QString::fromLatin1(kThreadErrorTexts[static_cast<std::size_t>(code - kCapErrOpeningFile)]);
    }
    if (code == 0 || code < kCapFirstLibraryCode) {
        return {};
    }
    return imaq.ErrorText(code);
}

bool IsRetriedCaptureError(int32_t code)
{
    return code == kCapErrRateTooFast || code == kImgErrNotAcquiring || code == kImgErrAcquiring
        || code == kImgErrNoBufferHeld;
}

} // namespace fw
