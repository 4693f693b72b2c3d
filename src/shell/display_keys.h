#pragma once

#include <cstdint>
#include <optional>

#include <QPoint>

namespace fw {

// What a key does to the reticle of a clip window while the pointer is over its picture: the
// arrows and the corner keys (Home, End, Page Up, Page Down) move the pointer one picture pixel,
// ten with Shift; Enter clicks where the reticle is.
struct ReticleKey {
    QPoint step;
    bool click = false;
};
std::optional<ReticleKey> ReticleKeyAction(int key, bool shift);

// The frame a key steps a clip window to from `current`: Left and Right one frame back or on,
// Home the first, End `last`. Nothing for other keys.
std::optional<int32_t> FrameKeyTarget(int key, int32_t current, int32_t last);

} // namespace fw
