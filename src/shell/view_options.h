#pragma once

#include <cstdint>

namespace fw {

// Option bits of a clip window (low 16 bits: view items; high 16 bits: playback speed).
enum ViewOption : uint32_t {
    voHalfSize = 1,
    voFullSize = 2,
    voDoubleSize = 4,
    voFrameCounter = 8,
    voTimeCounter = 16,
    voReticlePosition = 32,
    voVideoControls = 64,
    voPreserveAspectRatio = 128,
    voAnySize = 256,
};
constexpr uint32_t kDefaultViewOptions = 0x03E800D8;

} // namespace fw
