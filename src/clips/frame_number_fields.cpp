#include "clips/frame_number_fields.h"

#include <algorithm>

namespace fw {

void FrameFieldsModel::SetFromBar(int64_t value)
{
    switch (last_entered_) {
    case FrameField::First:
        LeaveFirst(value);
        break;
    case FrameField::Last:
        LeaveLast(value);
        break;
    case FrameField::Preview:
        LeavePreview(value);
        break;
    }
}

FrameNumberFields::FrameNumberFields(int32_t lowest, int32_t highest)
    : FrameFieldsModel(lowest, std::max(lowest, highest))
{
}

int32_t FrameNumberFields::Clamp(int64_t value) const
{
    return int32_t(std::clamp<int64_t>(value, lowest_, highest_));
}

// An interval longer than the source saves one frame, as the longest one does.
int32_t FrameNumberFields::ClampInterval(int64_t value) const
{
    return int32_t(std::clamp<int64_t>(value, 1, int64_t(highest_) - lowest_ + 1));
}

void FrameNumberFields::Align(bool moved_first)
{
    const int32_t off_grid = (last_ - first_) % interval_;
    if (moved_first && first_ - off_grid >= lowest_)
        first_ -= off_grid;
    else
        last_ -= off_grid;
    KeepPreview();
}

void FrameNumberFields::KeepPreview()
{
    preview_ = std::clamp(preview_, first_, last_);
    preview_ -= (preview_ - first_) % interval_;
}

void FrameNumberFields::SetRange(int64_t first, int64_t last, int64_t interval)
{
    interval_ = ClampInterval(interval);
    first_ = Clamp(first);
    last_ = std::max(Clamp(last), first_);
    Align(false);
}

void FrameNumberFields::LeaveFirst(int64_t value)
{
    last_entered_ = FrameField::First;
    first_ = Clamp(value);
    last_ = std::max(last_, first_);
    Align(true);
}

void FrameNumberFields::LeaveLast(int64_t value)
{
    last_entered_ = FrameField::Last;
    last_ = Clamp(value);
    first_ = std::min(first_, last_);
    Align(false);
}

void FrameNumberFields::LeaveInterval(int64_t value)
{
    interval_ = ClampInterval(value);
    Align(false);
}

void FrameNumberFields::LeavePreview(int64_t value)
{
    last_entered_ = FrameField::Preview;
    preview_ = int32_t(std::clamp<int64_t>(value, first_, last_));
    KeepPreview();
}

void FrameNumberFields::SpinFirst(int direction)
{
    LeaveFirst(int64_t(first_) + int64_t(direction) * interval_);
}

void FrameNumberFields::SpinLast(int direction)
{
    LeaveLast(int64_t(last_) + int64_t(direction) * interval_);
}

void FrameNumberFields::SpinPreview(int direction)
{
    const int64_t moved = int64_t(preview_) + int64_t(direction) * interval_;
    if (moved < first_ || moved > last_)
        return;
    LeavePreview(moved);
}

void FrameNumberFields::SpinInterval(int direction)
{
    LeaveInterval(int64_t(interval_) + direction);
}

} // namespace fw
