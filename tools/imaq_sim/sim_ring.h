#pragma once

// The ring of one session: the buffers it fills in turn, buffer n into entry n mod count, with
// buffer numbers counted from 0 at every start. Frames are made when they are needed: at once
// when a buffer is asked for, or, with a frame rate, when the camera would have sent them.

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "frame_pattern.h"
#include "sim_config.h"

namespace fw::imaq_sim {

using Clock = std::chrono::steady_clock;

class SimRing {
public:
    void setup(std::vector<void*> entries, std::uint32_t frames_to_skip, FrameFormat format);
    void clear();
    void start(const SimConfig& config, Clock::time_point now);
    void stop() { acquiring_ = false; }

    bool isSetUp() const { return !entries_.empty(); }
    bool acquiring() const { return acquiring_; }
    bool uses(const void* buffer) const;
    // The buffer the entry points say is held between examine and release.
    const std::optional<std::uint32_t>& held() const { return held_; }
    void hold(std::uint32_t number) { held_ = number; }
    void release() { held_.reset(); }
    bool holds(const void* buffer) const;

    // The last buffer number the grabber went through, filled or lost; -1 before the first.
    std::int64_t latest() const { return latest_; }
    const std::vector<std::uint32_t>& lost() const { return lost_; }
    // The error that stopped the acquisition, or 0.
    std::int32_t failure() const { return failure_; }

    bool available(std::uint64_t number) const;
    void* entryOf(std::uint64_t number) const { return entries_[number % entries_.size()]; }
    // The buffer to look at next when `number` is gone: lost, or overwritten by the ring going round.
    std::uint64_t nextAfterGone(std::uint64_t number) const;
    // A buffer the camera never sends: the time-out fault.
    bool neverComes(std::uint64_t number) const;

    // Goes through the buffers up to `last`, as far as the faults let it.
    void produceUpTo(std::uint64_t last);
    // With a frame rate: the buffers the camera has sent by now.
    void catchUp(Clock::time_point now);
    Clock::time_point dueTime(std::uint64_t number) const;

private:
    void skipOverwritten(std::uint64_t last);
    void produce(std::uint64_t number, bool overwritten_later);
    bool stopsAt(std::uint64_t number) const;
    bool overwrittenBy(std::uint64_t number, std::uint64_t last) const;

    std::vector<void*> entries_;
    std::vector<std::int64_t> numbers_; // buffer number in each entry, -1 for none
    std::uint32_t frames_to_skip_ = 0;
    FrameFormat format_;
    const SimConfig* config_ = nullptr;
    bool acquiring_ = false;
    std::int64_t latest_ = -1;
    std::vector<std::uint32_t> lost_;
    std::optional<std::uint32_t> held_;
    std::int32_t failure_ = 0;
    Clock::time_point start_;
};

} // namespace fw::imaq_sim
