#pragma once

#include <cstdint>

#include <QString>

#include "imagers/capture/frame_compare_trigger.h"

namespace fw {

class SettingsStore;

// What the capture window keeps in the settings section "CaptureIMAQ", read when it opens and
// written when it closes.
struct CaptureWindowSettings {
    bool progress = true; // live pictures while capturing
    bool use_trigger = false;
    int trigger_level = 500; // the threshold, 0..999
    int32_t total_frames = 250;
    int capture_rate = 1; // the rate index: 0 "30 fps", 1 "15 fps", 2 "10 fps"
    int resolution = 0; // 0 full, 1 half
    int buffers_wanted = 60;
    // The clip window's time base, which the capture's descriptor block carries.
    double time_at_frame0_ms = 0.0;
    double time_per_frame_ms = 1.0;
    bool region_on = false; // the trigger compares only the region ("Cropping")
    uint32_t crop_color = 0x0000FF; // the trigger region's frame, as 0x00BBGGRR: red
    // The trigger region in grabber pixels, line 0 the first line delivered, edges included.
    CaptureRegion region { 0, 0, 639, 479 };

    // Values out of range come back into it; missing ones take the defaults above.
    static CaptureWindowSettings Read(const SettingsStore& store);
    void Write(SettingsStore& store) const;
};

// The name the save dialog proposes for a capture: the name of the folder the last clip was
// saved in, or "Capture" when there is none.
QString ProposedCaptureName(const QString& last_saved_file);

} // namespace fw
