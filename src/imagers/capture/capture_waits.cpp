#include "imagers/capture/capture_waits.h"

namespace fw {

void TClockCaptureWaits::Wait(std::chrono::milliseconds duration)
{
    std::unique_lock lock(mutex_);
    woken_.wait_for(lock, duration, [this] { return wake_pending_; });
    wake_pending_ = false;
}

void TClockCaptureWaits::Wake()
{
    {
        std::lock_guard lock(mutex_);
        wake_pending_ = true;
    }
    woken_.notify_all();
}

} // namespace fw
