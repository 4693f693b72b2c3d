#pragma once

#include <cstdint>
#include <optional>

#include "shell/player_state.h"

namespace fw {

// What a command of the player bar may end: the result a play in progress gets when the
// command stops it.
enum class PlayCommandKind { Other, StartsPlay, AbortsPlay };

PlayCommandKind CommandKindOf(TMPBtnType button);

// The player's mode and play before or after a command.
struct PlayerSnapshot {
    PlayerMode mode = PlayerMode::NotOpen;
    std::uint64_t serial = 0;
};

PlayerSnapshot SnapshotOf(const PlayerState& state);

// What the player bar does after a command: its clock, its notification and the frame it
// shows.
struct CommandOutcome {
    bool start_clock = false;
    bool from_play_start = false; // a new play starts at its first frame, not the one on screen
    bool reset_stats = false;
    bool stop_clock = false;
    std::optional<NotifyResult> notify;
    bool show_position = false;
};

CommandOutcome OutcomeOf(
    const PlayerSnapshot& before, const PlayerSnapshot& after, PlayCommandKind kind, bool clock_running);

} // namespace fw
