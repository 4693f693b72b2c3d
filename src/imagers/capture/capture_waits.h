#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace fw {

// The pauses of the capture thread (the idle wait and the pause handshake's short wait). The
// thread's owner wakes a wait early when it has something for the thread to do, so that a
// resume or the end of the thread is not held up by a wait in progress. Tests put in waits that
// return at once.
class TCaptureWaits {
public:
    virtual ~TCaptureWaits() = default;
    // Waits up to `duration`, or less once Wake has been called. A Wake that comes while nobody
    // waits ends the next wait at once.
    virtual void Wait(std::chrono::milliseconds duration) = 0;
    virtual void Wake() = 0;
};

// Waits on the steady clock.
class TClockCaptureWaits : public TCaptureWaits {
public:
    void Wait(std::chrono::milliseconds duration) override;
    void Wake() override;

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool wake_pending_ = false;
};

} // namespace fw
