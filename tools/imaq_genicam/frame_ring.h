#pragma once

// The caller's ring of frame buffers: buffer number n lives in entry n mod count. Each entry
// remembers which number it holds; one entry at a time may be held by the caller, and a held
// entry is never written.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace fw::imaq_genicam {

struct RingEntry {
    uint8_t* memory = nullptr;
    size_t size = 0;
};

class FrameRing {
public:
    void assign(std::vector<RingEntry> entries);
    // Forgets the numbers held, and the hold, for a new acquisition.
    void clearFrames();

    size_t count() const { return entries_.size(); }
    const std::vector<RingEntry>& entries() const { return entries_; }
    bool uses(const void* memory) const;

    // The entry for buffer `number`, or nullptr while the caller holds it.
    const RingEntry* writableFor(uint32_t number) const;
    void filled(uint32_t number);
    std::optional<uint32_t> lastFilled() const { return last_filled_; }

    // The entry holding `wanted`, else the one holding the lowest number above it.
    std::optional<size_t> bestFor(uint32_t wanted) const;
    std::optional<uint32_t> numberAt(size_t index) const { return numbers_[index]; }

    void hold(size_t index) { held_ = index; }
    bool held() const { return held_.has_value(); }
    void release() { held_.reset(); }

private:
    std::vector<RingEntry> entries_;
    std::vector<std::optional<uint32_t>> numbers_;
    std::optional<size_t> held_;
    std::optional<uint32_t> last_filled_;
};

} // namespace fw::imaq_genicam
