#include "shell/player_commands.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using B = TMPBtnType;
using K = PlayCommandKind;
using M = PlayerMode;

TEST(PlayerCommands, PlayPauseAndRepeatStartPlaysStopAbortsThem)
{
    EXPECT_EQ(CommandKindOf(B::btPlay), K::StartsPlay);
    EXPECT_EQ(CommandKindOf(B::btRepeat), K::StartsPlay);
    EXPECT_EQ(CommandKindOf(B::btPause), K::StartsPlay);
    EXPECT_EQ(CommandKindOf(B::btStop), K::AbortsPlay);
    for (B other :
        { B::btNext, B::btPrev, B::btStep, B::btBack, B::btRecord, B::btEject, B::btSlow, B::btFast })
        EXPECT_EQ(CommandKindOf(other), K::Other) << static_cast<int>(other);
}

TEST(PlayerCommands, APlayInProgressLearnsHowItEnded)
{
    const PlayerSnapshot playing { M::Playing, 4 };
    // Stop aborts it; closing (also counted as aborting) too.
    CommandOutcome outcome = OutcomeOf(playing, { M::Stopped, 4 }, K::AbortsPlay, true);
    EXPECT_EQ(outcome.notify, NotifyResult::Aborted);
    EXPECT_TRUE(outcome.stop_clock);
    EXPECT_TRUE(outcome.show_position);
    EXPECT_EQ(OutcomeOf(playing, { M::NotOpen, 4 }, K::AbortsPlay, true).notify, NotifyResult::Aborted);
    // A seek or a new play supersedes it; the new play starts timing from its first frame.
    EXPECT_EQ(OutcomeOf(playing, { M::Stopped, 4 }, K::Other, true).notify, NotifyResult::Superseded);
    outcome = OutcomeOf(playing, { M::Playing, 5 }, K::StartsPlay, true);
    EXPECT_EQ(outcome.notify, NotifyResult::Superseded);
    EXPECT_TRUE(outcome.start_clock && outcome.from_play_start && outcome.reset_stats);
    EXPECT_FALSE(outcome.stop_clock || outcome.show_position);
    // Pausing keeps it alive.
    outcome = OutcomeOf(playing, { M::Paused, 4 }, K::StartsPlay, true);
    EXPECT_FALSE(outcome.notify);
    EXPECT_TRUE(outcome.stop_clock && outcome.show_position);
}

TEST(PlayerCommands, PlaysStartRestartOrFinishAtOnce)
{
    // A new play from rest: counted afresh, no notification yet.
    CommandOutcome outcome = OutcomeOf({ M::Stopped, 1 }, { M::Playing, 2 }, K::StartsPlay, false);
    EXPECT_TRUE(outcome.start_clock && outcome.from_play_start && outcome.reset_stats);
    EXPECT_FALSE(outcome.notify);
    // A play re-timed by another command keeps its counts and goes on from the frame on screen.
    outcome = OutcomeOf({ M::Playing, 2 }, { M::Playing, 3 }, K::Other, true);
    EXPECT_TRUE(outcome.start_clock && outcome.from_play_start);
    EXPECT_FALSE(outcome.reset_stats);
    outcome = OutcomeOf({ M::Paused, 2 }, { M::Playing, 2 }, K::StartsPlay, false);
    EXPECT_TRUE(outcome.start_clock);
    EXPECT_FALSE(outcome.from_play_start || outcome.reset_stats || outcome.notify);
    EXPECT_FALSE(OutcomeOf({ M::Playing, 2 }, { M::Playing, 2 }, K::Other, true).start_clock);
    // Play with nothing to play is done at once.
    EXPECT_EQ(OutcomeOf({ M::Stopped, 1 }, { M::Stopped, 1 }, K::StartsPlay, false).notify,
        NotifyResult::Successful);
    EXPECT_FALSE(OutcomeOf({ M::Stopped, 1 }, { M::Stopped, 1 }, K::Other, false).notify);
}

TEST(PlayerCommands, SnapshotsOfAClosedPlayerDoNotThrow)
{
    PlayerState state;
    EXPECT_EQ(SnapshotOf(state).mode, M::NotOpen);
    state.Open(10);
    const PlayerSnapshot before = SnapshotOf(state);
    state.Play();
    const PlayerSnapshot after = SnapshotOf(state);
    EXPECT_EQ(after.mode, M::Playing);
    EXPECT_NE(after.serial, before.serial);
    state.Stop();
    EXPECT_EQ(OutcomeOf(after, SnapshotOf(state), K::AbortsPlay, true).notify, NotifyResult::Aborted);
}

} // namespace
} // namespace fw
