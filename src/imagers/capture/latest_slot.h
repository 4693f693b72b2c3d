#pragma once

#include <mutex>
#include <optional>
#include <utility>

namespace fw {

// The newest of a stream of values on its way from the capture thread to the window (live
// frames, status texts). A value the window has not taken yet is replaced by the next one, so
// that a window slower than the grabber skips values instead of falling behind, and the thread
// never waits for it.
template <typename Value> class TLatestSlot {
public:
    // Keeps a copy of `value`. True when the slot was empty: the reader has to be told.
    bool Put(const Value& value)
    {
        std::lock_guard lock(mutex_);
        const bool was_empty = !value_.has_value();
        value_ = value;
        return was_empty;
    }
    // The value kept, which leaves the slot empty; nothing when it is empty.
    std::optional<Value> Take()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(value_, std::nullopt);
    }

private:
    std::mutex mutex_;
    std::optional<Value> value_;
};

} // namespace fw
