#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "shell/play_timer.h"
#include "support/steady_now.h"

namespace fw::test {

using namespace std::chrono_literals;

// A steady clock that only moves when the test moves it. It starts far from zero, as the
// system's clock does, so nothing can mistake "time zero" for "never".
class ManualClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    TimePoint Now() const { return now_; }
    void Pass(std::chrono::steady_clock::duration span) { now_ += span; }
    // The reading function to hand to the code under test; it follows this clock.
    SteadyNow Reader() const
    {
        return [this] { return now_; };
    }

protected:
    TimePoint now_ = TimePoint(1000s);
};

// A play timer on a manual clock. Shots fire only inside Run…, each at exactly its due time, so
// a test sees the same sequence of events on any machine under any load.
class ManualPlayTimer : public PlayTimer {
public:
    TimePoint Now() const override { return clock_.Now(); }
    void ShootIn(std::chrono::microseconds wait) override { due_ = clock_.Now() + wait; }
    void Cancel() override { due_.reset(); }

    bool Pending() const { return due_.has_value(); }
    // Moves time on without firing anything: what a slow listener costs the player.
    void Pass(std::chrono::steady_clock::duration span) { clock_.Pass(span); }

    // Runs time up to `until`, firing each shot that falls due on the way.
    void RunUntil(TimePoint until)
    {
        while (due_ && *due_ <= until) {
            if (*due_ > clock_.Now())
                clock_.Pass(*due_ - clock_.Now());
            due_.reset();
            if (on_shot)
                on_shot();
        }
        if (until > clock_.Now())
            clock_.Pass(until - clock_.Now());
    }
    void RunFor(std::chrono::steady_clock::duration span) { RunUntil(clock_.Now() + span); }
    // Fires shots until none is pending; false when one is still pending after `limit`.
    bool RunUntilIdle(std::chrono::steady_clock::duration limit = 600s)
    {
        const TimePoint until = clock_.Now() + limit;
        while (due_ && *due_ <= until)
            RunUntil(*due_);
        return !due_;
    }

private:
    ManualClock clock_;
    std::optional<TimePoint> due_;
};

// Puts a player on a manual play timer, which it owns; the test drives the timer.
template <typename Player> ManualPlayTimer& UseManualPlayTimer(Player& player)
{
    auto timer = std::make_unique<ManualPlayTimer>();
    ManualPlayTimer& manual = *timer;
    player.SetPlayTimer(std::move(timer));
    return manual;
}

} // namespace fw::test
