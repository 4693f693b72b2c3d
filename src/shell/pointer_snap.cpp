#include "shell/pointer_snap.h"

namespace fw {

void PointerSnap::Arm()
{
    armed_ = true;
    warped_since_arming_ = false;
}

PointerSnap::Action PointerSnap::SnappedMove(QPoint target, int64_t now_ms)
{
    if (!armed_)
        return Action::None;
    if (warped_since_arming_) {
        if (now_ms - last_warp_ms_ > kHoldMs) {
            armed_ = false;
            return Action::None;
        }
        // The move our own warp caused, or the same target again: the pointer is there already.
        if (target == last_warp_)
            return Action::None;
    }
    last_warp_ = target;
    last_warp_ms_ = now_ms;
    warped_since_arming_ = true;
    return Action::Warp;
}

} // namespace fw
