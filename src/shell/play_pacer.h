#pragma once

#include <cstdint>
#include <climits>
#include <optional>

#include "shell/player_state.h"
#include "shell/playing_clock.h"

namespace fw {

// Counts since the last Play: frames announced, frames jumped over to keep time, and the largest
// delay between a frame's due time and its announcement.
struct PlayStats {
    int shown = 0;
    int skipped = 0;
    double max_late_us = 0;
};

// What one timer shot of a play does.
struct PlayShot {
    bool early = false; // too soon after the last frame: wait, show nothing
    std::optional<int> show_frame; // announce this frame now
    bool finished = false; // the pass is over once show_frame (if any) is shown
};

// Chooses which frame of a play is shown at each timer shot, and when the next shot comes. It
// never reads the time: every call is given the steady-clock time in microseconds.
class PlayPacer {
public:
    // How long the listener takes to show a frame is learnt up to this much: frames are chosen
    // that much ahead.
    static constexpr std::int64_t kMaxShowLeadUs = 40000;
    static constexpr int kMaxSpacingMs = 1000;

    // Without a start time the play is timed from its first shot. shown_frame is the frame on
    // screen; a play starting there does not show it again.
    void Start(int from_frame, int to_frame, double frames_per_second, int play_rate, std::uint64_t serial,
        int shown_frame, std::optional<std::int64_t> start_us);
    void Stop() { clock_.Stop(); }
    bool Running() const { return clock_.Running(); }
    // The play (PlayRange::serial) the pacer times.
    std::uint64_t Serial() const { return serial_; }

    // A shot at now_us; a frame it shows is counted as shown at now_us.
    PlayShot Shot(std::int64_t now_us, int play_rate);
    // Showing the last frame took this long.
    void LearnShowTime(std::int64_t took_us);
    // Microseconds until the next shot is worth taking.
    std::int64_t WaitUs(std::int64_t now_us) const;
    // After a change of clock no frame shown earlier holds the next one back.
    void ForgetLastShown() { last_shown_us_ = kNeverUs; }
    // When the next pass of a repeating play starts, the pass having ended by now_us.
    std::int64_t NextPassStartUs(std::int64_t now_us) const;

    // The least spacing between two frames shown, clamped to 0 .. kMaxSpacingMs.
    void SetMinimumSpacingMs(int spacing_ms);
    int MinimumSpacingMs() const { return min_spacing_ms_; }
    std::int64_t ShowLeadUs() const { return show_lead_us_; }

    const PlayStats& Stats() const { return stats_; }
    void ResetStats() { stats_ = {}; }

private:
    std::int64_t SpacingUs() const { return std::int64_t { min_spacing_ms_ } * 1000; }

    PlayingClock clock_;
    double frames_per_second_ = PlayingClock::kFallbackFramesPerSecond;
    std::uint64_t serial_ = 0;
    bool starts_at_first_shot_ = false;
    int min_spacing_ms_ = 16;
    int play_shown_ = -1; // last frame announced by this play
    // Before the first frame of a play no frame holds the next back.
    static constexpr std::int64_t kNeverUs = INT64_MIN / 2;
    std::int64_t last_shown_us_ = kNeverUs;
    std::int64_t show_lead_us_ = 0;
    PlayStats stats_;
};

} // namespace fw
