#include "shell/playing_clock.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fw {

namespace {

// Bounds keep every product of a frame count and an interval inside int64 microseconds, even
// for clips with absurd frame rates in their headers.
constexpr double kMinIntervalUs = 1e-3;
constexpr double kMaxIntervalUs = 1e12;

std::int64_t SaturatedSum(std::int64_t base_us, double offset_us)
{
    constexpr double kLimit = 9.0e18; // just inside int64
    const double sum = static_cast<double>(base_us) + std::clamp(offset_us, -kLimit, kLimit);
    return static_cast<std::int64_t>(std::llround(std::clamp(sum, -kLimit, kLimit)));
}

} // namespace

void PlayingClock::Start(
    int from_frame, int to_frame, double clip_frames_per_second, int play_rate, std::int64_t now_us)
{
    if (!std::isfinite(clip_frames_per_second) || clip_frames_per_second <= 0)
        clip_frames_per_second = kFallbackFramesPerSecond;
    const double frames_per_second = clip_frames_per_second * std::max(play_rate, 1) / 1000.0;
    double interval = 1e6 / frames_per_second;
    if (!std::isfinite(interval))
        interval = kMaxIntervalUs;
    interval_us_ = std::clamp(interval, kMinIntervalUs, kMaxIntervalUs);
    from_frame_ = from_frame;
    to_frame_ = std::max(to_frame, from_frame);
    start_us_ = now_us;
    running_ = true;
}

std::int64_t PlayingClock::DueUs(int frame) const
{
    return DueAfterSteps(static_cast<std::int64_t>(frame) - from_frame_);
}

std::int64_t PlayingClock::DueAfterSteps(std::int64_t steps) const
{
    return SaturatedSum(start_us_, static_cast<double>(steps) * interval_us_);
}

ClockReading PlayingClock::At(std::int64_t now_us) const
{
    const std::int64_t span = static_cast<std::int64_t>(to_frame_) - from_frame_;
    if (now_us <= start_us_)
        return { from_frame_, false };
    const double elapsed_us = static_cast<double>(now_us) - static_cast<double>(start_us_);
    const double estimate = std::floor(elapsed_us / interval_us_);
    std::int64_t steps = static_cast<std::int64_t>(std::clamp(estimate, 0.0, static_cast<double>(span + 1)));
    // The estimate can be a step off against the rounded due times, which decide. The bound
    // keeps saturated due times far in the future from walking the whole range.
    for (int i = 0; i < 4 && steps <= span && DueAfterSteps(steps + 1) <= now_us; ++i)
        ++steps;
    for (int i = 0; i < 4 && steps > 0 && DueAfterSteps(steps) > now_us; ++i)
        --steps;
    if (steps > span)
        return { to_frame_, true };
    return { static_cast<int>(from_frame_ + steps), false };
}

std::int64_t PlayingClock::UsUntilNext(int shown_frame, std::int64_t now_us) const
{
    const std::int64_t shown_steps = static_cast<std::int64_t>(shown_frame) - from_frame_;
    const std::int64_t span = static_cast<std::int64_t>(to_frame_) - from_frame_;
    const std::int64_t next_steps = std::clamp<std::int64_t>(shown_steps, -1, span) + 1;
    return std::max<std::int64_t>(0, DueAfterSteps(next_steps) - now_us);
}

} // namespace fw
