#include "shell/play_timer.h"

#include <algorithm>

namespace fw {

SteadyPlayTimer::SteadyPlayTimer()
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (on_shot)
            on_shot();
    });
}

void SteadyPlayTimer::ShootIn(std::chrono::microseconds wait)
{
    // Rounded up: a shot never comes before its time, which would only make the owner wait again.
    constexpr std::int64_t kDayMs = 24 * 3600 * 1000;
    const std::int64_t wait_ms = std::clamp<std::int64_t>((wait.count() + 999) / 1000, 0, kDayMs);
    timer_.start(static_cast<int>(wait_ms));
}

} // namespace fw
