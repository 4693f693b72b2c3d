#pragma once

#include <array>
#include <cstdint>

namespace fw {

class TIMAQ;

// The grabber buffers of one session: buffer n of an acquisition lives in entry n mod count.
// The buffers belong to the grabber library; Dispose gives every one back.
class TCaptureRing {
public:
    static constexpr int kMinBuffers = 10;
    static constexpr int kMaxBuffers = 512;
    static constexpr int kDefaultBuffers = 60;

    explicit TCaptureRing(TIMAQ& imaq);
    ~TCaptureRing();
    TCaptureRing(const TCaptureRing&) = delete;
    TCaptureRing& operator=(const TCaptureRing&) = delete;

    // Creates buffers of `bytes` each until `wanted` exist or one cannot be created. Returns 0,
    // or the code of the creation that failed (the buffers made so far stay).
    int32_t Create(uint32_t session_id, uint32_t bytes, int wanted);
    // Sets the ring up on the session with all buffers.
    int32_t Setup(uint32_t session_id, uint32_t frames_to_skip, bool start_now);
    // Disposes of every buffer; returns 0 or the first failure. A buffer the library refuses is
    // dropped all the same: the session's close frees it.
    int32_t Dispose();

    int Count() const { return count_; }
    const uint8_t* Entry(uint64_t buffer_number) const;

    // The number of buffers to ask for next time: after a failure for want of memory, ten fewer
    // than were obtained (at least kMinBuffers); after success, the number obtained; after any
    // other failure, as before.
    static int WantedAfter(int32_t result, int obtained, int wanted);
    static int ClampWanted(int wanted);

private:
    TIMAQ& imaq_;
    std::array<void*, kMaxBuffers> buffers_ {};
    int count_ = 0;
};

} // namespace fw
