#include "shell/play_pacer.h"

#include <algorithm>

namespace fw {

void PlayPacer::Start(int from_frame, int to_frame, double frames_per_second, int play_rate,
    std::uint64_t serial, int shown_frame, std::optional<std::int64_t> start_us)
{
    frames_per_second_ = frames_per_second;
    clock_.Start(from_frame, to_frame, frames_per_second, play_rate, start_us.value_or(0));
    // Timed from the first shot, the first frame of a play is never counted late or skipped
    // for the time the command took to get back to the event loop.
    starts_at_first_shot_ = !start_us.has_value();
    serial_ = serial;
    play_shown_ = from_frame == shown_frame ? from_frame : from_frame - 1;
}

PlayShot PlayPacer::Shot(std::int64_t now_us, int play_rate)
{
    if (starts_at_first_shot_) {
        clock_.Start(clock_.FromFrame(), clock_.ToFrame(), frames_per_second_, play_rate, now_us);
        starts_at_first_shot_ = false;
    }
    // The frame chosen is the one due when the listener will have it on screen, judged by how
    // long showing the last frames took; the end of the play is still judged by now.
    const int frame = clock_.At(now_us + show_lead_us_).frame;
    PlayShot shot;
    shot.finished = clock_.At(now_us).finished;
    if (frame == play_shown_)
        return shot;
    if (now_us < last_shown_us_ + SpacingUs()) {
        // The timer fired early; the screen would not show it anyway.
        shot.early = true;
        shot.finished = false;
        return shot;
    }
    // Frames whose time passed while the last one was being shown are left out, so the play
    // keeps time when decoding cannot keep up.
    stats_.skipped += std::max(0, frame - play_shown_ - 1);
    stats_.shown += 1;
    stats_.max_late_us = std::max(stats_.max_late_us, static_cast<double>(now_us - clock_.DueUs(frame)));
    play_shown_ = frame;
    last_shown_us_ = now_us;
    shot.show_frame = frame;
    return shot;
}

void PlayPacer::LearnShowTime(std::int64_t took_us)
{
    // A running average follows a steady decoding cost without jumping at one slow frame; a
    // stall (a window being dragged) is not a cost to plan for.
    const std::int64_t sample_us = std::clamp<std::int64_t>(took_us, 0, kMaxShowLeadUs);
    show_lead_us_ = (show_lead_us_ * 3 + sample_us) / 4;
}

std::int64_t PlayPacer::WaitUs(std::int64_t now_us) const
{
    std::int64_t wait_us = clock_.UsUntilNext(play_shown_, now_us + show_lead_us_);
    wait_us = std::max(wait_us, last_shown_us_ + SpacingUs() - now_us);
    return std::clamp<std::int64_t>(wait_us, 0, std::int64_t { 24 } * 3600 * 1000 * 1000);
}

std::int64_t PlayPacer::NextPassStartUs(std::int64_t now_us) const
{
    // The next pass starts when this one was due to end, so passes do not drift; after a long
    // stall it starts now rather than racing through the passes missed.
    const std::int64_t end_us = clock_.DueUs(clock_.ToFrame() + 1);
    const std::int64_t pass_us = end_us - clock_.StartUs();
    return now_us - end_us > pass_us ? now_us : end_us;
}

void PlayPacer::SetMinimumSpacingMs(int spacing_ms)
{
    min_spacing_ms_ = std::clamp(spacing_ms, 0, kMaxSpacingMs);
}

} // namespace fw
