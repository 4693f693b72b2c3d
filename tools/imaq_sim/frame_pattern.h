#pragma once

// The pictures the simulated camera sends. A still scene (a checkerboard of 32-pixel squares at
// grey 40 and 80, brightening by up to 63 from the first line to the last) in which a bright
// object (grey 240) appears and goes at the camera frames the scene lists. The camera frame
// number, counted from the start of the acquisition, is stamped little-endian into the first
// byte of the first four pixels of the first line delivered. Colour pixels are blue, green, red,
// unused: blue carries the grey of the scene, green v * 3 / 4 + x * 64 / width, red 255 - v.

#include <cstddef>
#include <cstdint>

#include "sim_config.h"

namespace fw::imaq_sim {

struct FrameFormat {
    int full_width = 640;
    int full_height = 480;
    int step_x = 1; // 2: every second pixel of a line
    int step_y = 1; // 2: every second line
    bool colour = false;

    int width() const { return full_width / step_x; }
    int height() const { return full_height / step_y; }
    int bytesPerPixel() const { return colour ? 4 : 1; }
    std::size_t bytes() const
    {
        return static_cast<std::size_t>(width()) * static_cast<std::size_t>(height())
            * static_cast<std::size_t>(bytesPerPixel());
    }
};

bool objectShown(const Scene& scene, std::uint64_t frame);

// The grey of the scene at a full-size pixel.
std::uint8_t sceneValue(const Scene& scene, bool object_shown, int x, int y);

// Writes format.bytes() bytes: the delivered lines one after the other, first line first.
void renderFrame(const Scene& scene, const FrameFormat& format, std::uint64_t frame, std::uint8_t* out);

} // namespace fw::imaq_sim
