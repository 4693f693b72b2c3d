#include "imagers/em/em_frame_fields.h"

#include <algorithm>

#include "imagers/em/hs4540_avi.h"

namespace fw {

EmFrameFields::EmFrameFields(const TEM1012AVI& stream)
    : FrameFieldsModel(1, 1)
    , stream_(stream)
    , skips_zero_(stream.SkipsFrameZero())
{
}

void EmFrameFields::TakeRecording(std::int32_t first, std::int32_t last)
{
    const std::int64_t span = std::int64_t(last) - first;
    has_recording_ = span >= 0 && span < kWidestRecording;
    lowest_ = has_recording_ ? first : 1;
    highest_ = has_recording_ ? last : 1;
    interval_ = ClampInterval(interval_);
    first_ = Keep(first_);
    last_ = std::max(Keep(last_), first_);
    AlignLast();
    KeepPreview();
}

std::int32_t EmFrameFields::RecordedFrames() const
{
    return has_recording_ ? stream_.FramesBetween(lowest_, highest_, 1) : 0;
}

std::int32_t EmFrameFields::Count() const
{
    return has_recording_ ? stream_.FramesBetween(first_, last_, interval_) : 0;
}

std::int32_t EmFrameFields::Keep(std::int64_t value) const
{
    const auto kept = std::int32_t(std::clamp<std::int64_t>(value, lowest_, highest_));
    if (skips_zero_ && kept == 0)
        return highest_ <= 0 ? -1 : 1;
    return kept;
}

// An interval longer than the recording saves one frame, as the longest one does.
std::int32_t EmFrameFields::ClampInterval(std::int64_t value) const
{
    return std::int32_t(
        std::clamp<std::int64_t>(value, 1, std::max<std::int64_t>(1, std::int64_t(highest_) - lowest_ + 1)));
}

std::int32_t EmFrameFields::NumberAt(std::int32_t first, std::int32_t index) const
{
    return skips_zero_ ? T4540AVI::FrameNumber(first, index, interval_) : first + index * interval_;
}

std::int32_t EmFrameFields::OnGrid(std::int32_t first, std::int32_t number) const
{
    const std::int32_t frames = stream_.FramesBetween(first, number, interval_);
    return frames > 0 ? NumberAt(first, frames - 1) : first;
}

std::int64_t EmFrameFields::Stepped(std::int32_t number, int direction) const
{
    std::int64_t moved = std::int64_t(number) + std::int64_t(direction) * interval_;
    if (skips_zero_ && number > 0 && moved <= 0)
        --moved;
    else if (skips_zero_ && number < 0 && moved >= 0)
        ++moved;
    return moved;
}

void EmFrameFields::AlignLast()
{
    last_ = OnGrid(first_, last_);
}

// The first frame moves down until a run from it lands on the last frame; within one interval
// (and one more frame where the numbering skips 0) one does.
void EmFrameFields::AlignFirst()
{
    const std::int32_t lowest_tried = std::max<std::int64_t>(lowest_, std::int64_t(first_) - interval_ - 1);
    for (std::int32_t candidate = first_; candidate >= lowest_tried; --candidate) {
        if (skips_zero_ && candidate == 0)
            continue;
        if (OnGrid(candidate, last_) == last_) {
            first_ = candidate;
            return;
        }
    }
    AlignLast();
}

void EmFrameFields::KeepPreview()
{
    preview_ = std::clamp(Keep(preview_), first_, last_);
    preview_ = OnGrid(first_, preview_);
}

void EmFrameFields::Restore(std::int64_t first, std::int64_t last, std::int64_t interval)
{
    interval_ = ClampInterval(interval);
    first_ = Keep(first);
    last_ = std::max(Keep(last), first_);
    AlignLast();
    preview_ = first_;
}

void EmFrameFields::LeaveFirst(std::int64_t value)
{
    last_entered_ = FrameField::First;
    first_ = Keep(value);
    last_ = std::max(last_, first_);
    AlignFirst();
    KeepPreview();
}

void EmFrameFields::LeaveLast(std::int64_t value)
{
    last_entered_ = FrameField::Last;
    last_ = Keep(value);
    first_ = std::min(first_, last_);
    AlignLast();
    KeepPreview();
}

void EmFrameFields::LeaveInterval(std::int64_t value)
{
    interval_ = ClampInterval(value);
    AlignLast();
    KeepPreview();
}

void EmFrameFields::LeavePreview(std::int64_t value)
{
    last_entered_ = FrameField::Preview;
    preview_ = Keep(value);
    KeepPreview();
}

void EmFrameFields::SpinFirst(int direction)
{
    LeaveFirst(Stepped(first_, direction));
}

void EmFrameFields::SpinLast(int direction)
{
    LeaveLast(Stepped(last_, direction));
}

void EmFrameFields::SpinPreview(int direction)
{
    const std::int64_t moved = Stepped(preview_, direction);
    if (moved < first_ || moved > last_)
        return;
    LeavePreview(moved);
}

void EmFrameFields::SpinInterval(int direction)
{
    LeaveInterval(std::int64_t(interval_) + direction);
}

} // namespace fw
