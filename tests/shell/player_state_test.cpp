#include <gtest/gtest.h>

#include "shell/player_state.h"
#include "support/fw_error.h"

namespace fw {
namespace {

using B = TMPBtnType;

PlayerState OpenPlayer(int length_frames)
{
    PlayerState player;
    player.Open(length_frames);
    return player;
}

TEST(PlayerStateTest, ButtonsCarryTheirHintsAndStartEnabled)
{
    PlayerState player;
    EXPECT_EQ(player.Button(B::btRepeat).hint, "Repeating Play");
    EXPECT_EQ(player.Button(B::btNext).hint, "Next Track");
    EXPECT_EQ(player.Button(B::btBack).hint, "Step Backward");
    EXPECT_EQ(player.Button(B::btFast).hint, "Faster Play");
    for (int i = 0; i < kPlayerButtonCount; ++i) {
        const PlayerButton& b = player.Button(static_cast<B>(i));
        EXPECT_TRUE(b.visible && b.enabled && b.coloured) << i;
    }
    player.SetHint(B::btPlay, "Go");
    EXPECT_EQ(player.Button(B::btPlay).hint, "Go");
}

TEST(PlayerStateTest, CommandsOnAClosedPlayerRaise)
{
    PlayerState player;
    for (auto command : { &PlayerState::Play, &PlayerState::Pause, &PlayerState::Stop, &PlayerState::Next,
             &PlayerState::Previous, &PlayerState::Step, &PlayerState::Back }) {
        try {
            (player.*command)();
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), "Player Not Open");
        }
    }
    EXPECT_THROW(player.Seek(3), Error);
    EXPECT_THROW(player.Position(), Error);
    EXPECT_THROW(player.SetLoopEnd(3), Error);
    EXPECT_THROW(player.Press(B::btPlay), Error);
    player.Open(20);
    player.Close();
    EXPECT_THROW(player.Length(), Error);
    EXPECT_THROW(player.Open(0), Error);
    EXPECT_FALSE(player.IsOpen());
}

TEST(PlayerStateTest, OpenSetsLoopStepAndButtons)
{
    PlayerState player = OpenPlayer(250);
    EXPECT_EQ(player.Length(), 250);
    EXPECT_EQ(player.Position(), 0);
    EXPECT_EQ(player.LoopStart(), 0);
    EXPECT_EQ(player.LoopEnd(), 249);
    EXPECT_EQ(player.StepSize(), 25);
    EXPECT_FALSE(player.LoopStartPending() || player.LoopEndPending());
    EXPECT_TRUE(player.Button(B::btPlay).enabled);
    EXPECT_FALSE(player.Button(B::btPause).enabled);
    EXPECT_FALSE(player.Button(B::btStop).enabled);
    EXPECT_FALSE(player.Button(B::btRecord).enabled);
    EXPECT_FALSE(player.Button(B::btEject).enabled);
    EXPECT_EQ(OpenPlayer(7).StepSize(), 1);

    PlayerCapabilities capabilities;
    capabilities.can_play = false;
    capabilities.can_eject = true;
    player.Open(10, capabilities);
    EXPECT_EQ(player.Length(), 10);
    EXPECT_FALSE(player.Button(B::btPlay).enabled);
    EXPECT_FALSE(player.Button(B::btStep).enabled);
    EXPECT_TRUE(player.Button(B::btEject).enabled);
    player.Close();
    EXPECT_FALSE(player.Button(B::btEject).enabled);
}

TEST(PlayerStateTest, PlayRateIsClampedAndHalvedOrDoubled)
{
    PlayerState player;
    EXPECT_EQ(player.PlayRate(), 1000);
    player.SetPlayRate(100);
    EXPECT_EQ(player.PlayRate(), 125);
    player.SetPlayRate(16000);
    EXPECT_EQ(player.PlayRate(), 8000);
    player.Press(B::btFast);
    EXPECT_EQ(player.PlayRate(), 8000);
    player.SetPlayRate(250);
    player.Press(B::btSlow);
    EXPECT_EQ(player.PlayRate(), 125);
    player.Press(B::btSlow);
    EXPECT_EQ(player.PlayRate(), 125);
    player.Press(B::btFast);
    EXPECT_EQ(player.PlayRate(), 250);
}

TEST(PlayerStateTest, RateChangeRestartsAPlayInProgress)
{
    PlayerState player = OpenPlayer(100);
    player.Play();
    player.SetPlayingPosition(40);
    const auto serial = player.CurrentPlay().serial;
    player.SetPlayRate(2000);
    EXPECT_EQ(player.Mode(), PlayerMode::Playing);
    EXPECT_EQ(player.CurrentPlay().from_frame, 40);
    EXPECT_GT(player.CurrentPlay().serial, serial);
}

TEST(PlayerStateTest, LoopStartKeepsStartBeforeEndInsideTheClip)
{
    PlayerState player = OpenPlayer(100);
    player.SetLoopEnd(50);
    player.SetLoopStart(-5);
    EXPECT_EQ(player.LoopStart(), 0);
    player.SetLoopStart(60);
    EXPECT_EQ(player.LoopStart(), 60);
    EXPECT_EQ(player.LoopEnd(), 61);
    player.SetLoopStart(99);
    EXPECT_EQ(player.LoopStart(), 98);
    EXPECT_EQ(player.LoopEnd(), 99);
    player.SetLoopStart(500);
    EXPECT_EQ(player.LoopStart(), 98);
    EXPECT_EQ(player.LoopEnd(), 99);
    EXPECT_TRUE(player.LoopStartPending());
}

TEST(PlayerStateTest, LoopEndKeepsStartBeforeEndInsideTheClip)
{
    PlayerState player = OpenPlayer(100);
    player.SetLoopEnd(0);
    EXPECT_EQ(player.LoopStart(), 0);
    EXPECT_EQ(player.LoopEnd(), 1);
    player.SetLoopStart(30);
    player.SetLoopEnd(20);
    EXPECT_EQ(player.LoopStart(), 19);
    EXPECT_EQ(player.LoopEnd(), 20);
    player.SetLoopEnd(1000);
    EXPECT_EQ(player.LoopEnd(), 99);
    EXPECT_TRUE(player.LoopEndPending());

    PlayerState single = OpenPlayer(1);
    single.SetLoopEnd(0);
    single.SetLoopStart(0);
    EXPECT_EQ(single.LoopStart(), 0);
    EXPECT_EQ(single.LoopEnd(), 0);
}

TEST(PlayerStateTest, PlayUsesPendingLoopAndRewindsAtTheEnd)
{
    PlayerState player = OpenPlayer(100);
    player.SetLoopStart(10);
    player.SetLoopEnd(30);
    player.Seek(50);
    player.Play();
    EXPECT_EQ(player.CurrentPlay().from_frame, 10);
    EXPECT_EQ(player.CurrentPlay().to_frame, 30);
    EXPECT_FALSE(player.LoopStartPending() || player.LoopEndPending());

    player.SetPlayingPosition(200);
    EXPECT_EQ(player.Position(), 30);
    player.PlayFinished();
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    player.Play();
    EXPECT_EQ(player.CurrentPlay().from_frame, 10); // rewound to the loop start

    player.Stop();
    player.Seek(20);
    player.Play();
    EXPECT_EQ(player.CurrentPlay().from_frame, 20);

    player.Stop();
    player.Seek(60);
    player.SetLoopEnd(40);
    player.Play();
    EXPECT_EQ(player.CurrentPlay().from_frame, 10);
    EXPECT_EQ(player.CurrentPlay().to_frame, 40);

    player.Stop();
    player.SetAutoRewind(false);
    player.Seek(99);
    player.Play();
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    EXPECT_EQ(player.Position(), 99);
}

TEST(PlayerStateTest, PauseTogglesAndPlaysWhenStopped)
{
    PlayerState player = OpenPlayer(100);
    EXPECT_FALSE(player.Press(B::btPause)); // disabled while stopped
    EXPECT_FALSE(player.LastButton().has_value());
    player.Pause();
    EXPECT_EQ(player.Mode(), PlayerMode::Playing);
    player.Stop();
    player.Press(B::btPlay);
    EXPECT_FALSE(player.Button(B::btPlay).enabled);
    EXPECT_TRUE(player.Button(B::btStop).enabled);
    player.Press(B::btPause);
    EXPECT_EQ(player.Mode(), PlayerMode::Paused);
    EXPECT_TRUE(player.Button(B::btPlay).enabled);
    player.SetPlayingPosition(30);
    player.Press(B::btPause);
    EXPECT_EQ(player.Mode(), PlayerMode::Playing);
    EXPECT_EQ(player.Position(), 30);
    player.Press(B::btStop);
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    EXPECT_EQ(player.Position(), 30);
    EXPECT_FALSE(player.Button(B::btStop).enabled);
    EXPECT_EQ(player.LastButton(), B::btStop);
}

TEST(PlayerStateTest, PositionButtons)
{
    PlayerState player = OpenPlayer(100);
    player.SetLoopStart(20);
    player.Press(B::btNext);
    EXPECT_EQ(player.Position(), 99);
    player.Press(B::btStep);
    EXPECT_EQ(player.Position(), 20); // wraps to the loop start
    player.Press(B::btStep);
    EXPECT_EQ(player.Position(), 30);
    player.Press(B::btBack);
    EXPECT_EQ(player.Position(), 20);
    player.Press(B::btBack);
    EXPECT_EQ(player.Position(), 99); // wraps to the last frame
    player.Press(B::btPrev);
    EXPECT_EQ(player.Position(), 0);
    player.Press(B::btBack);
    EXPECT_EQ(player.Position(), 0);
    player.SetStepSize(1);
    player.Seek(98);
    player.Press(B::btStep);
    EXPECT_EQ(player.Position(), 99);
    player.Seek(-4);
    EXPECT_EQ(player.Position(), 0);
    player.Seek(400);
    EXPECT_EQ(player.Position(), 99);
    EXPECT_EQ(player.LastButton(), B::btStep);

    player.SetAutoRewind(false);
    player.Press(B::btStep);
    EXPECT_EQ(player.Position(), 99);
}

TEST(PlayerStateTest, StepAndSeekStopAPlay)
{
    PlayerState player = OpenPlayer(100);
    player.Press(B::btRepeat);
    player.Press(B::btStep);
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
    EXPECT_EQ(player.RepeatCount(), 0);
    player.PlayFinished(); // a late report from the clock changes nothing
    EXPECT_EQ(player.Mode(), PlayerMode::Stopped);
}

TEST(PlayerStateTest, RepeatingPlayRunsItsPassesFromTheLoopStart)
{
    PlayerState player = OpenPlayer(100);
    player.SetLoopStart(10);
    player.SetLoopEnd(20);
    player.PlayRepeat(3);
    int passes = 1;
    while (player.Mode() == PlayerMode::Playing) {
        EXPECT_EQ(player.CurrentPlay().from_frame, 10);
        player.PlayFinished();
        passes += player.Mode() == PlayerMode::Playing ? 1 : 0;
    }
    EXPECT_EQ(passes, 3);
    EXPECT_EQ(player.Position(), 20);

    player.Press(B::btRepeat);
    EXPECT_EQ(player.LastButton(), B::btRepeat);
    passes = 1;
    while (player.Mode() == PlayerMode::Playing) {
        player.PlayFinished();
        passes += player.Mode() == PlayerMode::Playing ? 1 : 0;
    }
    EXPECT_EQ(passes, PlayerState::kRepeatPasses);
    EXPECT_TRUE(player.Button(B::btPlay).enabled);
}

TEST(PlayerStateTest, RecordAndEjectFailWithoutTheCapability)
{
    PlayerState player;
    player.SetAutoEnable(false);
    player.Open(10);
    player.Press(B::btRecord);
    EXPECT_EQ(player.LastError(), PlayerError::Unsupported);
    player.Press(B::btEject);
    EXPECT_EQ(player.LastError(), PlayerError::Unsupported);
    player.Press(B::btNext);
    EXPECT_EQ(player.LastError(), PlayerError::None);
}

TEST(PlayerStateTest, NotifyStoresResultAndReenablesWhenStopped)
{
    PlayerState player;
    player.SetAutoEnabled(B::btStop, false);
    player.Open(100);
    player.Press(B::btPlay);
    player.Stop();
    player.Notify(NotifyResult::Aborted);
    EXPECT_EQ(player.LastNotifyResult(), NotifyResult::Aborted);
    EXPECT_TRUE(player.Button(B::btPlay).enabled);
    EXPECT_FALSE(player.Button(B::btPause).enabled);
    EXPECT_TRUE(player.Button(B::btStop).enabled); // not auto-enabled: left as it was
}

} // namespace
} // namespace fw
