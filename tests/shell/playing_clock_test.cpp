#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "shell/playing_clock.h"

namespace fw {
namespace {

constexpr std::int64_t kStartUs = 5'000'000;

// Walks the clock through the whole play in small time steps and checks that every frame
// becomes due exactly at start + k × interval and never before.
void ExpectFramesDueOnTime(int play_rate, double frames_per_second)
{
    PlayingClock clock;
    clock.Start(10, 40, frames_per_second, play_rate, kStartUs);
    const double interval_us = 1e6 / (frames_per_second * play_rate / 1000.0);
    ASSERT_DOUBLE_EQ(clock.IntervalUs(), interval_us);
    for (int k = 0; k <= 30; ++k) {
        const auto due = kStartUs + static_cast<std::int64_t>(std::llround(k * interval_us));
        EXPECT_EQ(clock.DueUs(10 + k), due) << "rate " << play_rate << " frame " << k;
        EXPECT_EQ(clock.At(due).frame, 10 + k) << "rate " << play_rate;
        if (k > 0) {
            EXPECT_EQ(clock.At(due - 1).frame, 9 + k) << "rate " << play_rate;
        }
    }
}

TEST(PlayingClockTest, FramesFallDueAtEveryRate)
{
    for (int rate : { 125, 250, 500, 1000, 2000, 4000, 8000 }) {
        ExpectFramesDueOnTime(rate, 25.0);
        ExpectFramesDueOnTime(rate, 29.97); // intervals that are no whole microsecond
        ExpectFramesDueOnTime(rate, 1000.0);
    }
}

TEST(PlayingClockTest, FinishesOnlyAfterTheLastFramesInterval)
{
    PlayingClock clock;
    clock.Start(0, 4, 100.0, 1000, kStartUs); // 10 ms a frame
    EXPECT_TRUE(clock.Running());
    EXPECT_EQ(clock.At(kStartUs - 50).frame, 0); // before the start: the first frame
    EXPECT_FALSE(clock.At(kStartUs).finished);
    const ClockReading last = clock.At(kStartUs + 49'999);
    EXPECT_EQ(last.frame, 4);
    EXPECT_FALSE(last.finished);
    const ClockReading done = clock.At(kStartUs + 50'000);
    EXPECT_EQ(done.frame, 4);
    EXPECT_TRUE(done.finished);
    EXPECT_TRUE(clock.At(kStartUs + 9'000'000'000).finished);
    clock.Stop();
    EXPECT_FALSE(clock.Running());
}

TEST(PlayingClockTest, TimeUntilTheNextFrameSchedulesTheFollowingShot)
{
    PlayingClock clock;
    clock.Start(3, 5, 50.0, 2000, kStartUs); // 10 ms a frame
    EXPECT_EQ(clock.UsUntilNext(3, kStartUs + 4'000), 6'000);
    // Behind schedule: the next frame is already due.
    EXPECT_EQ(clock.UsUntilNext(3, kStartUs + 15'000), 0);
    // After the last frame the next event is the end of the play.
    EXPECT_EQ(clock.UsUntilNext(5, kStartUs + 21'000), 9'000);
    // A frame shown before the play (the display's old position) waits for the first frame.
    EXPECT_EQ(clock.UsUntilNext(0, kStartUs - 2'000), 2'000);
}

TEST(PlayingClockTest, UnusableFrameRatesPlayAtTheFallbackRate)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double fps : { 0.0, -30.0, nan, inf, -inf }) {
        PlayingClock clock;
        clock.Start(0, 9, fps, 1000, 0);
        EXPECT_DOUBLE_EQ(clock.IntervalUs(), 1e6 / PlayingClock::kFallbackFramesPerSecond) << fps;
        EXPECT_EQ(clock.At(40'000).frame, 1) << fps;
    }
}

TEST(PlayingClockTest, ExtremeRatesAndRangesStayInsideTheClip)
{
    PlayingClock fast;
    fast.Start(0, 1000, 1e300, 8000, 0); // interval far below a microsecond
    EXPECT_GT(fast.IntervalUs(), 0.0);
    EXPECT_EQ(fast.At(-1).frame, 0);
    EXPECT_TRUE(fast.At(1'000'000).finished);

    PlayingClock slow;
    slow.Start(0, std::numeric_limits<int>::max(), 1e-300, 125, 0);
    EXPECT_EQ(slow.At(1'000'000'000).frame, 0);
    EXPECT_GT(slow.UsUntilNext(0, 0), 0);
    EXPECT_GE(slow.UsUntilNext(std::numeric_limits<int>::max(), 0), 0);
    const ClockReading far = slow.At(std::numeric_limits<std::int64_t>::max());
    EXPECT_GT(far.frame, 0);
    EXPECT_FALSE(far.finished);

    PlayingClock wide;
    wide.Start(std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), 1e6, 8000, 0);
    const ClockReading reading = wide.At(std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(reading.frame, std::numeric_limits<int>::max());
    EXPECT_TRUE(reading.finished);

    PlayingClock backwards;
    backwards.Start(7, 3, 25.0, 1000, 0); // a range given the wrong way round plays one frame
    EXPECT_EQ(backwards.At(10'000).frame, 7);
    EXPECT_TRUE(backwards.At(40'000).finished);
}

} // namespace
} // namespace fw
