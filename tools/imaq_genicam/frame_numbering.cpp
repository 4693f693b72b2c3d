#include "frame_numbering.h"

#include <algorithm>

namespace fw::imaq_genicam {

namespace {

// GigE Vision's 16-bit block ids run from 1 to 65535 and skip 0 when they wrap.
constexpr uint64_t kShortFrameIdLast = 0xFFFF;
// A drop counted before the frame counter showed it is matched by a jump within this many frames.
constexpr uint64_t kCreditArrivals = 4;

} // namespace

FrameNumbering::FrameNumbering(uint32_t frames_to_skip)
    : step_(uint64_t { frames_to_skip } + 1)
{
}

uint64_t FrameNumbering::nextNumber() const
{
    return (camera_index_ + step_ - 1) / step_;
}

void FrameNumbering::noteDrops(uint64_t dropped, uint64_t waiting)
{
    if (dropped > 0)
        drops_.push_back({ arrivals_ + waiting, dropped });
}

FrameNumbering::Placement FrameNumbering::arrive(uint64_t frame_id, bool complete)
{
    lose(framesLostBefore(frame_id));
    if (frame_id != 0)
        last_frame_id_ = frame_id;
    else if (last_frame_id_) // a frame without its id took the next one
        ++*last_frame_id_;
    ++arrivals_;
    const uint64_t camera_frame = camera_index_++;
    if (camera_frame % step_ != 0)
        return {};
    const uint64_t number = camera_frame / step_;
    if (!complete) {
        loseNumber(number);
        return {};
    }
    return { true, static_cast<uint32_t>(number) };
}

uint64_t FrameNumbering::frameIdGap(uint64_t frame_id) const
{
    if (frame_id == 0 || !last_frame_id_)
        return 0;
    const uint64_t last = *last_frame_id_;
    if (frame_id > last)
        return frame_id - last - 1;
    if (last <= kShortFrameIdLast && frame_id < last)
        return kShortFrameIdLast - last + frame_id - 1;
    return 0; // the counter started again: nothing to tell
}

uint64_t FrameNumbering::dueDrops()
{
    uint64_t due = 0;
    while (!drops_.empty() && drops_.front().before_arrival <= arrivals_) {
        due += drops_.front().frames;
        drops_.pop_front();
    }
    return due;
}

// Counter jumps and drops often report the same lost frames, one of them a frame or two late, so
// the larger of the two counts; drops the counter has not shown yet stay as credit for a while.
uint64_t FrameNumbering::framesLostBefore(uint64_t frame_id)
{
    if (arrivals_ > credit_until_arrival_)
        drop_credit_ = 0;
    uint64_t jump = frameIdGap(frame_id);
    const uint64_t already_counted = std::min(jump, drop_credit_);
    jump -= already_counted;
    drop_credit_ -= already_counted;
    const uint64_t due = dueDrops();
    if (due > jump) {
        drop_credit_ += due - jump;
        credit_until_arrival_ = arrivals_ + kCreditArrivals;
        return due;
    }
    return jump;
}

void FrameNumbering::lose(uint64_t camera_frames)
{
    if (camera_frames == 0)
        return;
    const uint64_t first_number = nextNumber();
    camera_index_ += camera_frames;
    const uint64_t end_number = nextNumber();
    for (uint64_t number = first_number; number < end_number; ++number) {
        if (lost_.size() >= kLostListLimit) {
            lost_count_ += end_number - number;
            return;
        }
        loseNumber(number);
    }
}

void FrameNumbering::loseNumber(uint64_t number)
{
    ++lost_count_;
    if (lost_.size() < kLostListLimit)
        lost_.push_back(static_cast<uint32_t>(number));
}

} // namespace fw::imaq_genicam
