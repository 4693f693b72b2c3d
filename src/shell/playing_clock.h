#pragma once

#include <cstdint>

namespace fw {

// Where a play stands at one moment.
struct ClockReading {
    int frame = 0; // the frame due now, from_frame .. to_frame
    bool finished = false; // the last frame has had its full interval
};

// The timing of one play from `from_frame` to `to_frame`: frame from + k is due at
// start + k × interval. Times are microseconds of a steady clock, passed in by the caller, so
// the clock itself never reads the time and its arithmetic is exact to test.
class PlayingClock {
public:
    // Clips with a frame rate that is not a positive finite number play at this rate rather
    // than dividing by zero or stalling forever.
    static constexpr double kFallbackFramesPerSecond = 25.0;

    // `play_rate` is in thousandths of normal speed.
    void Start(
        int from_frame, int to_frame, double clip_frames_per_second, int play_rate, std::int64_t now_us);
    void Stop() { running_ = false; }
    bool Running() const { return running_; }

    ClockReading At(std::int64_t now_us) const;
    // When a frame of the play is due; DueUs(to_frame + 1) is when the play finishes.
    std::int64_t DueUs(int frame) const;
    double IntervalUs() const { return interval_us_; }
    // Time from now until the frame after `shown_frame` is due (after the last frame: until the
    // play finishes); zero when it is already due.
    std::int64_t UsUntilNext(int shown_frame, std::int64_t now_us) const;

    int FromFrame() const { return from_frame_; }
    int ToFrame() const { return to_frame_; }
    std::int64_t StartUs() const { return start_us_; }

private:
    std::int64_t DueAfterSteps(std::int64_t steps) const;

    bool running_ = false;
    int from_frame_ = 0;
    int to_frame_ = 0;
    std::int64_t start_us_ = 0;
    double interval_us_ = 0;
};

} // namespace fw
