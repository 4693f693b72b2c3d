#include "sim_ring.h"

#include <algorithm>

#include "sim_errors.h"

namespace fw::imaq_sim {

void SimRing::setup(std::vector<void*> entries, std::uint32_t frames_to_skip, FrameFormat format)
{
    clear();
    entries_ = std::move(entries);
    numbers_.assign(entries_.size(), -1);
    frames_to_skip_ = frames_to_skip;
    format_ = format;
}

void SimRing::clear()
{
    entries_.clear();
    numbers_.clear();
    acquiring_ = false;
    latest_ = -1;
    lost_.clear();
    held_.reset();
    failure_ = 0;
}

void SimRing::start(const SimConfig& config, Clock::time_point now)
{
    config_ = &config;
    std::fill(numbers_.begin(), numbers_.end(), -1);
    latest_ = -1;
    lost_.clear();
    held_.reset();
    failure_ = 0;
    start_ = now;
    acquiring_ = true;
}

bool SimRing::uses(const void* buffer) const
{
    return std::find(entries_.begin(), entries_.end(), buffer) != entries_.end();
}

bool SimRing::holds(const void* buffer) const
{
    return held_ && entryOf(*held_) == buffer;
}

bool SimRing::available(std::uint64_t number) const
{
    return isSetUp() && static_cast<std::int64_t>(number) <= latest_
        && numbers_[number % numbers_.size()] == static_cast<std::int64_t>(number);
}

std::uint64_t SimRing::nextAfterGone(std::uint64_t number) const
{
    const std::int64_t oldest_kept = latest_ - static_cast<std::int64_t>(entries_.size()) + 1;
    return std::max<std::int64_t>(static_cast<std::int64_t>(number) + 1, oldest_kept);
}

bool SimRing::neverComes(std::uint64_t number) const
{
    return config_ != nullptr && config_->faults.timeout && number >= *config_->faults.timeout;
}

void SimRing::produceUpTo(std::uint64_t last)
{
    skipOverwritten(last);
    while (acquiring_ && latest_ < static_cast<std::int64_t>(last)) {
        const auto number = static_cast<std::uint64_t>(latest_ + 1);
        if (neverComes(number))
            return;
        if (stopsAt(number)) {
            acquiring_ = false;
            failure_ = kErrAcquisition;
            return;
        }
        produce(number, overwrittenBy(number, last));
    }
}

// Buffers the ring overwrites again before `last` are gone through in one step, so that asking
// for a buffer far ahead costs no more than asking for the next one.
void SimRing::skipOverwritten(std::uint64_t last)
{
    const auto& faults = config_->faults;
    for (const auto& stop : { faults.timeout, faults.acquisition_error }) {
        if (stop && *stop == 0)
            return;
        if (stop)
            last = std::min<std::uint64_t>(last, *stop - 1);
    }
    const std::uint64_t count = entries_.size();
    const auto first = static_cast<std::uint64_t>(latest_ + 1);
    if (!acquiring_ || held_ || last >= (std::uint64_t { 1 } << 63) || last < first + 2 * count)
        return;
    const std::uint64_t skipped_last = last - count;
    for (auto lost = faults.lost.lower_bound(static_cast<std::uint32_t>(first));
         lost != faults.lost.end() && *lost <= skipped_last; ++lost)
        lost_.push_back(*lost);
    std::fill(numbers_.begin(), numbers_.end(), -1);
    latest_ = static_cast<std::int64_t>(skipped_last);
}

bool SimRing::stopsAt(std::uint64_t number) const
{
    return config_->faults.acquisition_error && number >= *config_->faults.acquisition_error;
}

// Whether the buffer going into the same entry next will be written before `last`.
bool SimRing::overwrittenBy(std::uint64_t number, std::uint64_t last) const
{
    const std::uint64_t next = number + entries_.size();
    return next <= last && !neverComes(next) && !stopsAt(next)
        && config_->faults.lost.count(static_cast<std::uint32_t>(next)) == 0;
}

// A buffer that will be overwritten before anyone can look at it is not drawn.
void SimRing::produce(std::uint64_t number, bool overwritten_later)
{
    latest_ = static_cast<std::int64_t>(number);
    const std::size_t entry = number % entries_.size();
    const bool entry_held = held_ && *held_ % entries_.size() == entry;
    if (entry_held || config_->faults.lost.count(static_cast<std::uint32_t>(number)) != 0) {
        lost_.push_back(static_cast<std::uint32_t>(number));
        return;
    }
    if (overwritten_later) {
        numbers_[entry] = -1;
        return;
    }
    const std::uint64_t camera_frame = number * (static_cast<std::uint64_t>(frames_to_skip_) + 1);
    renderFrame(config_->scene, format_, camera_frame, static_cast<std::uint8_t*>(entries_[entry]));
    numbers_[entry] = static_cast<std::int64_t>(number);
}

// Camera frame f arrives (f + 1) / fps seconds after the start; buffer n holds camera frame
// n * (frames to skip + 1).
Clock::time_point SimRing::dueTime(std::uint64_t number) const
{
    const double frame = static_cast<double>(number) * (frames_to_skip_ + 1.0) + 1.0;
    const std::chrono::duration<double> after(frame / config_->frames_per_second);
    return start_ + std::chrono::duration_cast<Clock::duration>(after);
}

void SimRing::catchUp(Clock::time_point now)
{
    if (!acquiring_ || config_->frames_per_second <= 0)
        return;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const auto frames_sent = static_cast<std::int64_t>(elapsed * config_->frames_per_second);
    if (frames_sent >= 1)
        produceUpTo(static_cast<std::uint64_t>((frames_sent - 1) / (frames_to_skip_ + 1)));
}

} // namespace fw::imaq_sim
