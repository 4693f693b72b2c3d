#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "imagers/capture/frame_compare_trigger.h"

namespace fw::cli {

// One capture of "framewright-cli capture", as the capture window would make it.
struct CaptureRequest {
    QString interface_name;
    QString target;
    int32_t frames = 1;
    int rate_index = 0;
    bool monochrome = false;
    bool half = false;
    int buffers = 60;
    std::optional<int> threshold; // the frame-compare trigger, when set
    std::optional<CaptureRegion> region; // the whole frame when not set
    int timeout_s = 60;
};

// Captures into request.target; throws fw::Error with the message when the capture fails, is
// interrupted (SIGINT, SIGTERM) or runs out of time. Nothing is left under the target then.
void RunCapture(const CaptureRequest& request);

} // namespace fw::cli
