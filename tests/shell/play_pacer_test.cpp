#include "shell/play_pacer.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

// 100 frames per second at normal rate: a frame every 10 ms.
constexpr double kFps = 100.0;
constexpr int kRate = 1000;
constexpr std::int64_t kT0 = 5'000'000;
constexpr std::int64_t kFrameUs = 10'000;

PlayPacer Started(int from, int to, int shown_frame, int spacing_ms = 0)
{
    PlayPacer pacer;
    pacer.SetMinimumSpacingMs(spacing_ms);
    pacer.Start(from, to, kFps, kRate, 7, shown_frame, kT0);
    return pacer;
}

TEST(PlayPacer, TheFrameOnScreenIsNotShownAgainAndLateFramesAreSkipped)
{
    PlayPacer pacer = Started(0, 9, 0);
    EXPECT_EQ(pacer.Serial(), 7u);
    PlayShot shot = pacer.Shot(kT0, kRate);
    EXPECT_FALSE(shot.show_frame);
    EXPECT_FALSE(shot.finished);
    EXPECT_EQ(pacer.WaitUs(kT0), 10'000);

    shot = pacer.Shot(kT0 + kFrameUs, kRate);
    EXPECT_EQ(shot.show_frame, 1);
    // Decoding fell behind: frames 2 and 3 are left out, frame 4 is 5 ms late.
    shot = pacer.Shot(kT0 + 4 * kFrameUs + 5'000, kRate);
    EXPECT_EQ(shot.show_frame, 4);
    EXPECT_EQ(pacer.Stats().shown, 2);
    EXPECT_EQ(pacer.Stats().skipped, 2);
    EXPECT_DOUBLE_EQ(pacer.Stats().max_late_us, 5'000.0);
    EXPECT_EQ(pacer.WaitUs(kT0 + 4 * kFrameUs + 5'000), 5'000);

    pacer.ResetStats();
    EXPECT_EQ(pacer.Stats().shown, 0);
}

TEST(PlayPacer, APlayStartingOffScreenShowsItsFirstFrame)
{
    PlayPacer pacer = Started(3, 9, 0);
    const PlayShot shot = pacer.Shot(kT0, kRate);
    EXPECT_EQ(shot.show_frame, 3);
    EXPECT_EQ(pacer.Stats().skipped, 0);
}

TEST(PlayPacer, WithoutAStartTimeThePlayIsTimedFromItsFirstShot)
{
    PlayPacer pacer;
    pacer.SetMinimumSpacingMs(0);
    pacer.Start(0, 9, kFps, kRate, 1, -1, std::nullopt);
    // However long the command took to return, the first frame is on time and none skipped.
    const std::int64_t first_shot = kT0 + 123'456;
    PlayShot shot = pacer.Shot(first_shot, kRate);
    EXPECT_EQ(shot.show_frame, 0);
    EXPECT_EQ(pacer.Stats().max_late_us, 0.0);
    shot = pacer.Shot(first_shot + kFrameUs, kRate);
    EXPECT_EQ(shot.show_frame, 1);
    EXPECT_EQ(pacer.Stats().skipped, 0);
}

TEST(PlayPacer, FramesDueSoonerThanTheSpacingWait)
{
    PlayPacer pacer = Started(0, 99, 0, 25);
    EXPECT_EQ(pacer.Shot(kT0 + kFrameUs, kRate).show_frame, 1);
    // Frame 2 is due, but the screen cannot show it 10 ms after frame 1.
    const PlayShot early = pacer.Shot(kT0 + 2 * kFrameUs, kRate);
    EXPECT_TRUE(early.early);
    EXPECT_FALSE(early.show_frame);
    EXPECT_EQ(pacer.WaitUs(kT0 + 2 * kFrameUs), 15'000);
    EXPECT_EQ(pacer.Shot(kT0 + kFrameUs + 25'000, kRate).show_frame, 3);
    EXPECT_EQ(pacer.Stats().skipped, 1);

    pacer.SetMinimumSpacingMs(-5);
    EXPECT_EQ(pacer.MinimumSpacingMs(), 0);
    pacer.SetMinimumSpacingMs(1'000'000);
    EXPECT_EQ(pacer.MinimumSpacingMs(), PlayPacer::kMaxSpacingMs);
}

TEST(PlayPacer, ShowingTimeIsLearntAndFramesChosenThatFarAhead)
{
    PlayPacer pacer = Started(0, 99, 0);
    for (int i = 0; i < 40; ++i)
        pacer.LearnShowTime(8'000);
    EXPECT_NEAR(double(pacer.ShowLeadUs()), 8'000.0, 10.0);
    // 3 ms into frame 1's time the frame due on screen 8 ms later is frame 2.
    EXPECT_EQ(pacer.Shot(kT0 + 2 * kFrameUs - 7'000, kRate).show_frame, 2);

    // A stall is not planned for: one sample counts at most the cap, and only a quarter of it.
    PlayPacer stalled = Started(0, 99, 0);
    stalled.LearnShowTime(10'000'000);
    EXPECT_EQ(stalled.ShowLeadUs(), PlayPacer::kMaxShowLeadUs / 4);
    stalled.LearnShowTime(-50);
    EXPECT_EQ(stalled.ShowLeadUs(), PlayPacer::kMaxShowLeadUs * 3 / 16);
}

TEST(PlayPacer, PassesFollowOnWithoutDriftUnlessStalled)
{
    PlayPacer pacer = Started(0, 4, 0);
    const std::int64_t end_us = kT0 + 5 * kFrameUs;
    const PlayShot last_frame = pacer.Shot(end_us - 1, kRate);
    EXPECT_EQ(last_frame.show_frame, 4);
    EXPECT_FALSE(last_frame.finished);
    const PlayShot at_end = pacer.Shot(end_us, kRate);
    EXPECT_TRUE(at_end.finished);
    EXPECT_FALSE(at_end.show_frame);
    // A little late: the next pass starts when this one was due to end.
    EXPECT_EQ(pacer.NextPassStartUs(end_us + 3'000), end_us);
    // Later than a whole pass: it starts now.
    EXPECT_EQ(pacer.NextPassStartUs(end_us + 6 * kFrameUs), end_us + 6 * kFrameUs);
}

} // namespace
} // namespace fw

namespace fw {
namespace {

TEST(PlayPacer, NoEarlierFrameHoldsBackTheFirstFrameOfAClockStartingAtZero)
{
    PlayPacer pacer;
    pacer.SetMinimumSpacingMs(16);
    pacer.Start(2, 9, 100.0, 1000, 1, -1, std::int64_t { 0 });
    EXPECT_EQ(pacer.Shot(0, 1000).show_frame, 2);
    // Without the change of clock, frame 3 would wait for the 16 ms spacing after frame 2.
    pacer.ForgetLastShown();
    EXPECT_EQ(pacer.Shot(10'000, 1000).show_frame, 3);
}

} // namespace
} // namespace fw
