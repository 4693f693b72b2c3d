#include "frame_ring.h"

#include <algorithm>

namespace fw::imaq_genicam {

void FrameRing::assign(std::vector<RingEntry> entries)
{
    entries_ = std::move(entries);
    clearFrames();
}

void FrameRing::clearFrames()
{
    numbers_.assign(entries_.size(), std::nullopt);
    held_.reset();
    last_filled_.reset();
}

bool FrameRing::uses(const void* memory) const
{
    return std::any_of(entries_.begin(), entries_.end(),
        [memory](const RingEntry& entry) { return entry.memory == memory; });
}

const RingEntry* FrameRing::writableFor(uint32_t number) const
{
    if (entries_.empty())
        return nullptr;
    const size_t index = number % entries_.size();
    if (held_ == index)
        return nullptr;
    return &entries_[index];
}

void FrameRing::filled(uint32_t number)
{
    numbers_[number % entries_.size()] = number;
    last_filled_ = number;
}

std::optional<size_t> FrameRing::bestFor(uint32_t wanted) const
{
    std::optional<size_t> best;
    for (size_t index = 0; index < numbers_.size(); ++index) {
        const std::optional<uint32_t>& number = numbers_[index];
        if (number && *number >= wanted && (!best || *number < *numbers_[*best]))
            best = index;
    }
    return best;
}

} // namespace fw::imaq_genicam
