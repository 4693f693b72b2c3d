#pragma once

#include <chrono>
#include <functional>

#include <QTimer>

namespace fw {

// What a play runs on: a steady clock and one pending single shot. The player bar uses the
// system's clock and a precise timer; tests substitute a clock they run themselves.
class PlayTimer {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~PlayTimer() = default;

    virtual TimePoint Now() const = 0;
    // Replaces the pending shot, if any, by one after `wait`.
    virtual void ShootIn(std::chrono::microseconds wait) = 0;
    virtual void Cancel() = 0;

    // Called at each shot, from the owner's event loop; set by the owner.
    std::function<void()> on_shot;
};

class SteadyPlayTimer : public PlayTimer {
public:
    SteadyPlayTimer();

    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
    void ShootIn(std::chrono::microseconds wait) override;
    void Cancel() override { timer_.stop(); }

private:
    QTimer timer_;
};

} // namespace fw
