#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include <QStringList>

#include "shell/master_clock.h"

namespace fw {
namespace {

// A clip window reduced to what the clock sees.
class FakeChild : public MasterChild {
public:
    FakeChild(float period_ms, float first_ms, int frames, bool timed = true)
        : period_ms_(period_ms)
        , first_ms_(first_ms)
        , frames_(frames)
        , timed_(timed)
    {
    }

    bool Poll(bool& range_stale, bool& closing) override
    {
        if (fail_poll)
            throw std::runtime_error("poll");
        range_stale = period_ms_ > 0.0f;
        closing = false;
        return draws;
    }
    bool UserMovedTime(float& time_ms) override
    {
        if (!moved)
            return false;
        moved = false;
        time_ms = moved_to_ms;
        return true;
    }
    void SeekTime(double time_ms) override
    {
        if (fail_seek)
            throw std::runtime_error("seek");
        seeks.push_back(time_ms);
    }
    float FirstFrameTimeMs() const override { return first_ms_; }
    float EndTime() override { return first_ms_ + period_ms_ * float(frames_ - 1); }
    float FramePeriodMs() const override { return period_ms_; }
    int DeviceKind() override { return kind; }
    bool IsTimed() const override { return timed_; }
    bool IsClosing() const override { return false; }

    // The frame a clip window shows for a master time.
    int IndexAt(double time_ms) const { return int(std::lround((time_ms - first_ms_) / period_ms_)); }

    bool draws = false;
    bool moved = false;
    float moved_to_ms = 0.0f;
    bool fail_poll = false;
    bool fail_seek = false;
    int kind = 0;
    std::vector<double> seeks;

private:
    float period_ms_;
    float first_ms_;
    int frames_;
    bool timed_;
};

class MasterClockTest : public ::testing::Test {
protected:
    // Ticks spaced beyond the advance limit, as the timer does while playing.
    void TickPlaying(int count)
    {
        for (int i = 0; i < count; ++i) {
            now_ms_ += clock_.PlayIntervalMs();
            clock_.Tick(now_ms_);
        }
    }

    MasterClock clock_;
    int64_t now_ms_ = 100000;
};

TEST_F(MasterClockTest, RangeSpansAllTimedClipsWithTheSmallestStep)
{
    FakeChild fast(1.0f, 0.0f, 100); // 1000 fps, 0..99 ms
    FakeChild slow(2.0f, -10.0f, 100); // 500 fps, -10..188 ms
    FakeChild preview(0.25f, -500.0f, 10, false);
    clock_.AddChild(&fast);
    clock_.AddChild(&slow);
    clock_.AddChild(&preview);
    clock_.RecomputeRange();
    EXPECT_FLOAT_EQ(clock_.Step(), 1.0f);
    EXPECT_FLOAT_EQ(clock_.Start(), -10.0f);
    EXPECT_FLOAT_EQ(clock_.End(), 188.0f);
    EXPECT_EQ(clock_.TimeBar().maximum, 198);
    EXPECT_EQ(clock_.TimeBar().frequency, 19);
    EXPECT_FLOAT_EQ(clock_.LoopStart(), -10.0f);
    EXPECT_FLOAT_EQ(clock_.LoopEnd(), 188.0f);
}

TEST_F(MasterClockTest, ShortRangeTicksEveryPositionAndKindsAreCollected)
{
    FakeChild clip(10.0f, 0.0f, 6);
    FakeChild imager(1.0f, 0.0f, 1, false);
    imager.kind = 2;
    FakeChild odd(1.0f, 0.0f, 1, false);
    odd.kind = 9; // outside the set: ignored
    clock_.AddChild(&clip);
    clock_.AddChild(&imager);
    clock_.AddChild(&odd);
    clock_.RecomputeRange();
    EXPECT_EQ(clock_.TimeBar().maximum, 5);
    EXPECT_EQ(clock_.TimeBar().frequency, 1);
    EXPECT_EQ(clock_.Kinds(), 0b101);
    EXPECT_TRUE(clock_.HasKind(2));
    EXPECT_FALSE(clock_.HasKind(1));
}

TEST_F(MasterClockTest, PlayingTwoRatesAdvancesOneMillisecondPerIntervalAndRepeatsSlowFrames)
{
    FakeChild fast(1.0f, 0.0f, 100);
    FakeChild slow(2.0f, 0.0f, 50);
    clock_.AddChild(&fast);
    clock_.AddChild(&slow);
    clock_.Tick(now_ms_);
    clock_.Play();
    TickPlaying(6);
    std::vector<int> slow_frames;
    for (double t : slow.seeks)
        slow_frames.push_back(slow.IndexAt(t));
    ASSERT_GE(fast.seeks.size(), 5u);
    for (size_t i = 1; i < fast.seeks.size(); ++i)
        EXPECT_DOUBLE_EQ(fast.seeks[i] - fast.seeks[i - 1], 1.0);
    // 0, 1, 2, 3 ... ms on the slow clip: frames 0, 1, 1, 2, 2 ... (rounding half away).
    EXPECT_EQ(slow_frames, (std::vector<int> { 0, 1, 1, 2, 2, 3 }));
}

TEST_F(MasterClockTest, AdvanceIsLimitedToOneStepPer25Ms)
{
    FakeChild clip(1.0f, 0.0f, 100);
    clock_.AddChild(&clip);
    clock_.Tick(now_ms_);
    clock_.Play();
    clock_.Tick(now_ms_ += 30);
    const float after_first = clock_.MasterTime();
    clock_.Tick(now_ms_ += 10);
    clock_.Tick(now_ms_ += 15); // 25 ms after the advance: not more than 25
    EXPECT_FLOAT_EQ(clock_.MasterTime(), after_first);
    clock_.Tick(now_ms_ += 1);
    EXPECT_FLOAT_EQ(clock_.MasterTime(), after_first + 1.0f);
    EXPECT_EQ(clock_.IntervalMs(), 67);
}

TEST_F(MasterClockTest, PlayStopsAtTheEndAndRestartsFromTheStart)
{
    FakeChild clip(1.0f, 5.0f, 4); // 5..8 ms
    clock_.AddChild(&clip);
    clock_.Tick(now_ms_);
    clock_.JumpToEnd();
    clock_.StepBackward();
    clock_.Play();
    TickPlaying(3);
    EXPECT_FALSE(clock_.PlayDown());
    EXPECT_FLOAT_EQ(clock_.MasterTime(), 8.0f);
    clock_.Play();
    EXPECT_FLOAT_EQ(clock_.MasterTime(), 5.0f);
    EXPECT_TRUE(clock_.PlayDown());
    EXPECT_TRUE(clock_.SyncPending());
}

TEST_F(MasterClockTest, RepeatOutsideTheLoopStartsAtTheLoopAndWrapsAtItsEnd)
{
    FakeChild clip(1.0f, 0.0f, 11); // 0..10
    clock_.AddChild(&clip);
    clock_.Tick(now_ms_);
    clock_.TimeBarChanged(3);
    clock_.SetLoopStart();
    clock_.TimeBarChanged(5);
    clock_.SetLoopEnd();
    EXPECT_FLOAT_EQ(clock_.LoopStart(), 3.0f);
    EXPECT_FLOAT_EQ(clock_.LoopEnd(), 5.0f);

    clock_.JumpToEnd();
    clock_.RepeatingPlay();
    EXPECT_FLOAT_EQ(clock_.MasterTime(), 3.0f);
    clock_.JumpToStart();
    clock_.RepeatingPlay();
    EXPECT_FLOAT_EQ(clock_.MasterTime(), 3.0f);
    EXPECT_TRUE(clock_.RepeatDown());
    EXPECT_FALSE(clock_.PlayDown());
    std::vector<float> times;
    for (int i = 0; i < 4; ++i) {
        TickPlaying(1);
        times.push_back(clock_.MasterTime());
    }
    EXPECT_EQ(times, (std::vector<float> { 4.0f, 5.0f, 3.0f, 4.0f }));
    EXPECT_TRUE(clock_.RepeatDown());
}

TEST_F(MasterClockTest, LoopIsClampedAndKeptWhenTheRangeChanges)
{
    FakeChild wide(1.0f, 0.0f, 101); // 0..100
    clock_.AddChild(&wide);
    clock_.Tick(now_ms_);
    clock_.TimeBarChanged(20);
    clock_.SetLoopStart();
    clock_.TimeBarChanged(90);
    clock_.SetLoopEnd();
    FakeChild fine(0.5f, 10.0f, 101); // 10..60
    clock_.RemoveChild(&wide);
    clock_.AddChild(&fine);
    clock_.RecomputeRange();
    EXPECT_FLOAT_EQ(clock_.LoopStart(), 20.0f);
    EXPECT_FLOAT_EQ(clock_.LoopEnd(), 60.0f);
    EXPECT_EQ(clock_.TimeBar().sel_start, 20);
    EXPECT_EQ(clock_.TimeBar().sel_end, 100);
    clock_.SetFullLoop();
    EXPECT_FALSE(clock_.TimeBar().HasSelection());
    EXPECT_FLOAT_EQ(clock_.LoopStart(), 10.0f);
    EXPECT_FLOAT_EQ(clock_.LoopEnd(), 60.0f);
}

TEST_F(MasterClockTest, IdleIntervalHalvesWhileDrawingAndDoublesWhenQuiet)
{
    FakeChild clip(1.0f, 0.0f, 10);
    clock_.AddChild(&clip);
    std::vector<int> intervals;
    clip.draws = true;
    for (int i = 0; i < 5; ++i) {
        clock_.Tick(now_ms_ += 200);
        intervals.push_back(clock_.IntervalMs());
    }
    clip.draws = false;
    for (int i = 0; i < 5; ++i) {
        clock_.Tick(now_ms_ += 200);
        intervals.push_back(clock_.IntervalMs());
    }
    EXPECT_EQ(intervals, (std::vector<int> { 200, 100, 50, 25, 25, 25, 50, 100, 200, 200 }));
}

TEST_F(MasterClockTest, AfterPlayingTheIntervalDropsStraightTo25)
{
    FakeChild clip(1.0f, 0.0f, 100);
    clock_.AddChild(&clip);
    clock_.Tick(now_ms_);
    clock_.Play();
    TickPlaying(1);
    clock_.Stop();
    clip.draws = true;
    clock_.Tick(now_ms_ += 67); // toggle set
    clock_.Tick(now_ms_ += 67); // 67 / 2 = 33, below 50
    EXPECT_EQ(clock_.IntervalMs(), 25);
}

TEST_F(MasterClockTest, UserMovedChildTakesOverTheMasterTimeAndStopsPlay)
{
    FakeChild a(1.0f, 0.0f, 100);
    FakeChild b(1.0f, 0.0f, 100);
    clock_.AddChild(&a);
    clock_.AddChild(&b);
    clock_.Tick(now_ms_);
    clock_.Play();
    TickPlaying(2);
    b.moved = true;
    b.moved_to_ms = 42.0f;
    clock_.Tick(now_ms_ += 67);
    EXPECT_FALSE(clock_.Playing());
    EXPECT_FLOAT_EQ(clock_.MasterTime(), 42.0f);
    ASSERT_FALSE(a.seeks.empty());
    EXPECT_DOUBLE_EQ(a.seeks.back(), 42.0);
    EXPECT_EQ(clock_.TimeBar().position, 42);
}

TEST_F(MasterClockTest, FailingChildrenAreDroppedAndTheOthersGoOn)
{
    FakeChild good(1.0f, 0.0f, 10);
    FakeChild bad_poll(1.0f, 0.0f, 10);
    FakeChild bad_seek(1.0f, 0.0f, 10);
    std::vector<MasterChild*> dropped;
    QStringList reasons;
    clock_.on_child_dropped = [&](MasterChild* child, const QString& reason) {
        dropped.push_back(child);
        reasons << reason;
    };
    clock_.AddChild(&good);
    clock_.AddChild(&bad_poll);
    clock_.AddChild(&bad_seek);
    clock_.Tick(now_ms_);
    bad_poll.fail_poll = true;
    bad_seek.fail_seek = true;
    clock_.StepForward();
    const MasterClock::TickResult result = clock_.Tick(now_ms_ += 200);
    EXPECT_TRUE(result.children_dropped);
    EXPECT_EQ(dropped, (std::vector<MasterChild*> { &bad_poll, &bad_seek }));
    // The caller learns why, to keep a trace of it.
    EXPECT_EQ(reasons, (QStringList { "poll", "seek" }));
    EXPECT_EQ(clock_.Children(), (std::vector<MasterChild*> { &good }));
    ASSERT_FALSE(good.seeks.empty());
    EXPECT_DOUBLE_EQ(good.seeks.back(), 1.0);
}

TEST_F(MasterClockTest, WithoutTimedChildrenPlayIsReleasedAndTheLoopCleared)
{
    FakeChild clip(1.0f, 0.0f, 10);
    clock_.AddChild(&clip);
    clock_.Tick(now_ms_);
    clock_.TimeBarChanged(2);
    clock_.SetLoopStart();
    clock_.TimeBarChanged(6);
    clock_.SetLoopEnd();
    clock_.Play();
    clock_.RemoveChild(&clip);
    FakeChild preview(1.0f, 0.0f, 10, false);
    clock_.AddChild(&preview);
    clock_.Tick(now_ms_ += 67);
    EXPECT_FALSE(clock_.HasTimedChildren());
    EXPECT_FALSE(clock_.Playing());
    EXPECT_FALSE(clock_.TimeBar().HasSelection());
}

TEST_F(MasterClockTest, ClipWithoutFramePeriodStaysOutOfTheRange)
{
    FakeChild unset(0.0f, 0.0f, 10);
    FakeChild clip(2.0f, 0.0f, 11);
    clock_.AddChild(&unset);
    clock_.AddChild(&clip);
    clock_.RecomputeRange();
    EXPECT_FLOAT_EQ(clock_.Step(), 2.0f);
    EXPECT_EQ(clock_.TimeBar().maximum, 10);
}

TEST_F(MasterClockTest, TransportMovesWithinTheRange)
{
    FakeChild clip(0.5f, -1.0f, 9); // -1..3
    clock_.AddChild(&clip);
    clock_.Tick(now_ms_);
    clock_.TimeBarChanged(4);
    EXPECT_FLOAT_EQ(clock_.MasterTime(), 1.0f);
    clock_.JumpToEnd();
    clock_.StepForward();
    EXPECT_FLOAT_EQ(clock_.MasterTime(), 3.0f);
    clock_.JumpToStart();
    clock_.StepBackward();
    EXPECT_FLOAT_EQ(clock_.MasterTime(), -1.0f);
    clock_.Play();
    clock_.StopAtTimeZero();
    EXPECT_FLOAT_EQ(clock_.MasterTime(), 0.0f);
    EXPECT_FALSE(clock_.Playing());
    clock_.Tick(now_ms_ += 200);
    EXPECT_EQ(clock_.TimeBar().position, 2);
    EXPECT_DOUBLE_EQ(clip.seeks.back(), 0.0);
}

TEST_F(MasterClockTest, SpeedsSetThePlayInterval)
{
    const int expected[] = { 533, 267, 133, 67, 33 };
    for (int i = 0; i < 5; ++i) {
        clock_.SetSpeed(i);
        EXPECT_EQ(clock_.PlayIntervalMs(), expected[i]);
    }
    clock_.SetSpeed(7);
    EXPECT_EQ(clock_.PlayIntervalMs(), 33);
}

TEST_F(MasterClockTest, HugeSpanDoesNotOverflowTheTimeBar)
{
    FakeChild tiny(1e-6f, 0.0f, 2);
    FakeChild long_clip(1000.0f, 0.0f, 100000);
    clock_.AddChild(&tiny);
    clock_.AddChild(&long_clip);
    clock_.RecomputeRange();
    EXPECT_GT(clock_.TimeBar().maximum, 0);
    clock_.JumpToEnd();
    clock_.Tick(now_ms_);
    EXPECT_EQ(clock_.TimeBar().position, clock_.TimeBar().maximum);
}

TEST_F(MasterClockTest, CaptionFlashesAtMostEvery700Ms)
{
    EXPECT_TRUE(clock_.FlashDue(now_ms_));
    EXPECT_FALSE(clock_.FlashDue(now_ms_ + 700));
    EXPECT_TRUE(clock_.FlashDue(now_ms_ + 701));
}

} // namespace
} // namespace fw
