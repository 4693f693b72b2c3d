#pragma once

#include <cstdint>

#include <QPoint>

namespace fw {

// Pulls the pointer onto the point the measurement window predicts for the next click. A click
// on the picture or the activation of the clip window arms it; the first snapped move after that
// warps the pointer there, and a snapped move that comes after the hold time lets go until the
// next click or activation, so the user can aim elsewhere. Times come from the caller.
class PointerSnap {
public:
    static constexpr int64_t kHoldMs = 200;

    enum class Action {
        None, // leave the pointer where it is and show it unsnapped
        Warp, // move the pointer to the target and show the snapped point
    };

    void Arm();
    bool Armed() const { return armed_; }
    // A pointer move the measurement window snapped to `target` (picture pixels).
    Action SnappedMove(QPoint target, int64_t now_ms);
    QPoint LastWarp() const { return last_warp_; }

private:
    bool armed_ = false;
    bool warped_since_arming_ = false;
    QPoint last_warp_;
    int64_t last_warp_ms_ = 0;
};

} // namespace fw
