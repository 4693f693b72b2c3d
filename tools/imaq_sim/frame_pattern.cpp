#include "frame_pattern.h"

namespace fw::imaq_sim {

namespace {

constexpr int kStampPixels = 4;

void stamp(const FrameFormat& format, std::uint64_t frame, std::uint8_t* out)
{
    const int pixels = format.width() < kStampPixels ? format.width() : kStampPixels;
    for (int i = 0; i < pixels; ++i)
        out[i * format.bytesPerPixel()] = static_cast<std::uint8_t>(frame >> (8 * i));
}

} // namespace

bool objectShown(const Scene& scene, std::uint64_t frame)
{
    bool shown = false;
    for (const std::uint64_t change : scene.changes)
        if (change <= frame)
            shown = !shown;
    return shown;
}

std::uint8_t sceneValue(const Scene& scene, bool object_shown, int x, int y)
{
    if (object_shown && scene.object.contains(x, y))
        return 240;
    const int square = ((x >> 5) + (y >> 5)) & 1;
    return static_cast<std::uint8_t>(40 + 40 * square + y * 64 / scene.height);
}

void renderFrame(const Scene& scene, const FrameFormat& format, std::uint64_t frame, std::uint8_t* out)
{
    const bool shown = objectShown(scene, frame);
    std::uint8_t* pixel = out;
    for (int line = 0; line < format.height(); ++line) {
        const int y = line * format.step_y;
        for (int column = 0; column < format.width(); ++column) {
            const int x = column * format.step_x;
            const std::uint8_t value = sceneValue(scene, shown, x, y);
            if (!format.colour) {
                *pixel++ = value;
                continue;
            }
            *pixel++ = value;
            *pixel++ = static_cast<std::uint8_t>(value * 3 / 4 + x * 64 / scene.width);
            *pixel++ = static_cast<std::uint8_t>(255 - value);
            *pixel++ = 0;
        }
    }
    stamp(format, frame, out);
}

} // namespace fw::imaq_sim
