#include "shell/master_clock.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "support/fw_error.h"

namespace fw {

namespace {

// Rounds a time-bar figure into the slider's int range; huge spans must not overflow.
int RoundToBar(double value)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<int>(std::lround(std::clamp(value, double(INT_MIN), double(INT_MAX))));
}

} // namespace

void MasterClock::AddChild(MasterChild* child)
{
    if (child && std::find(children_.begin(), children_.end(), child) == children_.end()) {
        children_.push_back(child);
        range_stale_ = true;
    }
}

void MasterClock::RemoveChild(MasterChild* child)
{
    auto it = std::find(children_.begin(), children_.end(), child);
    if (it != children_.end()) {
        children_.erase(it);
        range_stale_ = true;
    }
}

void MasterClock::DropChild(MasterChild* child, const QString& reason)
{
    RemoveChild(child);
    dropped_ = true;
    if (on_child_dropped)
        on_child_dropped(child, reason);
}

template <typename Call> void MasterClock::Guarded(MasterChild* child, Call call)
{
    try {
        call();
    } catch (...) {
        DropChild(child, HandledExceptionText());
    }
}

MasterClock::TickResult MasterClock::Tick(int64_t now_ms)
{
    TickResult result;
    dropped_ = false;
    result.drew = PollChildren();
    if (sync_pending_)
        SyncChildren();
    if (range_stale_) {
        RecomputeRange();
        result.range_recomputed = true;
    }
    if (!children_.empty()) {
        if (sync_pending_ && step_ > 0.0f)
            time_bar_.position = BarPosition(master_time_);
        sync_pending_ = Playing();
        AdvanceOrAdapt(now_ms, result.drew);
    }
    result.children_dropped = dropped_;
    return result;
}

bool MasterClock::PollChildren()
{
    bool drew = false;
    const std::vector<MasterChild*> polled = children_;
    for (auto it = polled.rbegin(); it != polled.rend(); ++it) {
        MasterChild* child = *it;
        Guarded(child, [&] {
            bool stale = false;
            bool closing = false;
            if (child->Poll(stale, closing))
                drew = true;
            if (stale)
                range_stale_ = true;
            float moved_to_ms = 0.0f;
            if (!closing && !child->IsClosing() && child->UserMovedTime(moved_to_ms)) {
                master_time_ = moved_to_ms;
                play_ = repeat_ = false;
                drew = true;
                sync_pending_ = true;
            }
        });
    }
    return drew;
}

void MasterClock::SyncChildren()
{
    const std::vector<MasterChild*> synced = children_;
    for (MasterChild* child : synced) {
        Guarded(child, [&] {
            if (child->IsTimed())
                child->SeekTime(master_time_);
        });
    }
}

void MasterClock::AdvanceOrAdapt(int64_t now_ms, bool drew)
{
    if (Playing()) {
        if (now_ms - last_advance_ms_ > kAdvanceSpacingMs) {
            master_time_ += step_;
            if (repeat_ && master_time_ > loop_end_)
                master_time_ = loop_start_;
            if (master_time_ > end_) {
                play_ = false;
                master_time_ = end_;
            }
            last_advance_ms_ = now_ms;
        }
        interval_ms_ = play_interval_ms_;
    } else if (drew) {
        if (idle_toggle_) {
            interval_ms_ /= 2;
            if (interval_ms_ < 50)
                interval_ms_ = kBusyIntervalMs;
        }
        idle_toggle_ = true;
    } else {
        if (!idle_toggle_)
            interval_ms_ = std::min(interval_ms_ * 2, kIdleIntervalMs);
        idle_toggle_ = false;
    }
}

void MasterClock::RecomputeRange()
{
    range_stale_ = false;
    kinds_ = 0;
    float start = kNoStart;
    float end = kNoEnd;
    float step = kNoStep;
    bool timed = false;
    const std::vector<MasterChild*> measured = children_;
    for (MasterChild* child : measured) {
        Guarded(child, [&] {
            const int kind = child->DeviceKind();
            if (kind >= 0 && kind <= 7)
                kinds_ |= uint8_t(1u << kind);
            // A window without a frame period yet cannot be stepped through; it joins the
            // range once its time base is known.
            if (!child->IsTimed() || !(child->FramePeriodMs() > 0.0f))
                return;
            const float period = child->FramePeriodMs();
            const float first = child->FirstFrameTimeMs();
            const float last = child->EndTime();
            timed = true;
            step = std::min(step, period);
            start = std::min(start, first);
            end = std::max(end, last);
        });
    }
    has_timed_ = timed;
    if (!timed) {
        play_ = repeat_ = false;
        time_bar_.sel_start = time_bar_.sel_end = 0;
        return;
    }
    if (start == start_ && end == end_ && step == step_)
        return;
    start_ = start;
    end_ = end;
    step_ = step;
    time_bar_.maximum = std::max(0, RoundToBar((double(end_) - start_) / step_));
    time_bar_.frequency = time_bar_.maximum <= 9 ? 1 : time_bar_.maximum / 10;
    time_bar_.position = std::clamp(time_bar_.position, 0, time_bar_.maximum);
    if (time_bar_.HasSelection()) {
        loop_start_ = std::max(loop_start_, start_);
        loop_end_ = std::min(loop_end_, end_);
        time_bar_.sel_start = BarPosition(loop_start_);
        time_bar_.sel_end = BarPosition(loop_end_);
    } else {
        loop_start_ = start_;
        loop_end_ = end_;
    }
}

int MasterClock::BarPosition(float time_ms) const
{
    return std::clamp(RoundToBar((double(time_ms) - start_) / step_), 0, time_bar_.maximum);
}

bool MasterClock::FlashDue(int64_t now_ms)
{
    if (now_ms - last_flash_ms_ <= kFlashSpacingMs)
        return false;
    last_flash_ms_ = now_ms;
    return true;
}

void MasterClock::TimeBarChanged(int position)
{
    time_bar_.position = std::clamp(position, 0, time_bar_.maximum);
    master_time_ = float(time_bar_.position) * step_ + start_;
    Stop();
}

void MasterClock::Stop()
{
    play_ = repeat_ = false;
    sync_pending_ = true;
}

void MasterClock::StopAtTimeZero()
{
    master_time_ = 0.0f;
    Stop();
}

void MasterClock::JumpToStart()
{
    master_time_ = start_;
    Stop();
}

void MasterClock::JumpToEnd()
{
    master_time_ = end_;
    Stop();
}

void MasterClock::StepForward()
{
    master_time_ = std::min(master_time_ + step_, end_);
    Stop();
}

void MasterClock::StepBackward()
{
    master_time_ = std::max(master_time_ - step_, start_);
    Stop();
}

void MasterClock::Play()
{
    if (master_time_ >= end_)
        master_time_ = start_;
    play_ = true;
    repeat_ = false;
    sync_pending_ = true;
}

void MasterClock::RepeatingPlay()
{
    // Outside the loop on either side, the repeat starts over at the loop's start.
    if (master_time_ >= loop_end_ || master_time_ < loop_start_)
        master_time_ = loop_start_;
    repeat_ = true;
    play_ = false;
    sync_pending_ = true;
}

void MasterClock::SetSpeed(int index)
{
    if (index < 0 || index >= int(std::size(kPlaySpeeds)))
        return;
    speed_index_ = index;
    play_interval_ms_ = kPlaySpeeds[index].interval_ms;
}

void MasterClock::SetLoopStart()
{
    time_bar_.sel_start = time_bar_.position;
    ApplyLoopFromSelection();
}

void MasterClock::SetLoopEnd()
{
    time_bar_.sel_end = time_bar_.position;
    ApplyLoopFromSelection();
}

void MasterClock::SetFullLoop()
{
    time_bar_.sel_start = time_bar_.sel_end = 0;
    ApplyLoopFromSelection();
}

void MasterClock::ApplyLoopFromSelection()
{
    if (time_bar_.HasSelection()) {
        loop_start_ = start_ + step_ * float(time_bar_.sel_start);
        loop_end_ = start_ + step_ * float(time_bar_.sel_end);
    } else {
        loop_start_ = start_;
        loop_end_ = end_;
    }
}

} // namespace fw
