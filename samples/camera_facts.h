#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace fw::samples {

// What an imager stamps into each frame file it records: the camera's IDs, its recording-rate
// and exposure codes and the recording's date and time.
struct CameraFacts {
    uint8_t colour_code = 1; // 1 colour, 2 monochrome
    uint8_t session_id = 1;
    uint8_t camera_id = 1;
    uint8_t rate_code = 6; // 6: 1000 frames per second
    int16_t exposure_code = 2; // 2: 100 µs
    // Seconds, minutes, hours, day, month, two-digit year, each as two BCD digits.
    std::array<uint8_t, 6> date_time_bcd { 0x00, 0x00, 0x12, 0x01, 0x06, 0x26 };
};

// Where a camera record keeps each fact: byte offsets, the exposure code big-endian.
struct CameraFactsLayout {
    size_t colour = 0;
    size_t session = 0;
    size_t camera = 0;
    size_t rate = 0;
    size_t exposure = 0;
    size_t date_time = 0;
};

// Writes the facts into `record` at the places `layout` gives.
void StampCameraFacts(const CameraFacts& facts, const CameraFactsLayout& layout, uint8_t* record);

} // namespace fw::samples
