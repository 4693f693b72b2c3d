#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "imagers/capture/cap_stream.h"
#include "imagers/capture/capture_stage.h"

namespace fw {

// "Video Capture Stopped After " + n + " Frames".
QString CaptureStoppedCaption(int32_t frames_written);

// The question about a file that holds fewer frames than were asked for: keep it, or (No)
// delete it.
struct ShortCaptureQuestion {
    QString caption;
    QString text; // lines broken by '\n'
};

// How the capture window ends a capture.
struct CaptureEnding {
    // A failure to show before anything else: every cause but a cancel and lost frames, whose
    // consequences the question explains.
    QString failure;
    // Asked when a file was written short of the frames requested.
    std::optional<ShortCaptureQuestion> question;
    // There is a file: kept when complete or when the question is answered Yes.
    bool file_written = false;
};

CaptureEnding CaptureEndingOf(const CaptureCompletion& completion);

// What the capture window's progress shows at one stage of a capture.
struct CaptureProgressView {
    QString caption;
    int percent = 0;
};

CaptureProgressView CaptureProgressOf(
    CaptureStage stage, int32_t frames_written, int32_t frames_requested, bool cancelling);

} // namespace fw
