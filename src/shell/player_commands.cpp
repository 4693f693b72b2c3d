#include "shell/player_commands.h"

namespace fw {

namespace {

bool IsRunning(PlayerMode mode)
{
    return mode == PlayerMode::Playing || mode == PlayerMode::Paused;
}

} // namespace

PlayCommandKind CommandKindOf(TMPBtnType button)
{
    switch (button) {
    case TMPBtnType::btRepeat:
    case TMPBtnType::btPlay:
    case TMPBtnType::btPause:
        return PlayCommandKind::StartsPlay;
    case TMPBtnType::btStop:
        return PlayCommandKind::AbortsPlay;
    default:
        return PlayCommandKind::Other;
    }
}

PlayerSnapshot SnapshotOf(const PlayerState& state)
{
    return { state.IsOpen() ? state.Mode() : PlayerMode::NotOpen, state.CurrentPlay().serial };
}

CommandOutcome OutcomeOf(
    const PlayerSnapshot& before, const PlayerSnapshot& after, PlayCommandKind kind, bool clock_running)
{
    CommandOutcome outcome;
    const PlayerMode mode = after.mode;
    const bool new_play = mode == PlayerMode::Playing && after.serial != before.serial;
    if (mode == PlayerMode::Playing) {
        outcome.start_clock = new_play || !clock_running;
        outcome.from_play_start = new_play;
        outcome.reset_stats = new_play && kind == PlayCommandKind::StartsPlay;
    } else {
        outcome.stop_clock = true;
    }

    if (IsRunning(before.mode) && (!IsRunning(mode) || new_play))
        outcome.notify = kind == PlayCommandKind::AbortsPlay && !IsRunning(mode) ? NotifyResult::Aborted
                                                                                 : NotifyResult::Superseded;
    else if (kind == PlayCommandKind::StartsPlay && mode == PlayerMode::Stopped && before.mode == mode)
        outcome.notify = NotifyResult::Successful; // a play with nothing to play is done at once

    outcome.show_position = mode == PlayerMode::Stopped || mode == PlayerMode::Paused;
    return outcome;
}

} // namespace fw
