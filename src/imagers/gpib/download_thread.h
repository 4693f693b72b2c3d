#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

namespace fw {

class TEM1012;

// One frame upload of a processor on a thread of its own. The thread runs the processor's upload
// steps into the caller's buffer (how the frame is read is the processor class's own) and then
// marks itself finished; the owner waits for it and joins it. While it runs, nothing else may use
// the processor or the bus.
class TDownLoadThread {
public:
    TDownLoadThread(TEM1012& processor, std::span<std::uint8_t> buffer, std::optional<std::int32_t> frame);
    ~TDownLoadThread();
    TDownLoadThread(const TDownLoadThread&) = delete;
    TDownLoadThread& operator=(const TDownLoadThread&) = delete;

    void Start();
    bool Finished() const;
    // Runs `wake` on the upload thread when it finishes, or at once when it has; the waiter's
    // way of leaving an event loop.
    void WhenFinished(std::function<void()> wake);
    // Blocks until the upload has finished and its thread has ended.
    void Join();

private:
    void Body();

    TEM1012& processor_;
    std::span<std::uint8_t> buffer_;
    std::optional<std::int32_t> frame_;

    mutable std::mutex mutex_;
    bool finished_ = false;
    std::function<void()> wake_;
    std::thread thread_;
};

} // namespace fw
