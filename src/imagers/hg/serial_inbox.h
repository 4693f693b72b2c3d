#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include <QByteArray>

namespace fw {

// The reply lines of one serial link on their way from the user-interface thread, which receives
// them from the port, to the thread that waits for them (the link's worker). Whatever ends a wait
// (a line, the link's timer, a release, the link closing) is kept until a wait takes it.
class TSerialInbox {
public:
    enum class Outcome {
        kLine, // a line was taken
        kExpired, // the link's timer fired
        kReleased, // the exchange was let go without a reply
        kClosed, // the link is going away
        kTimedOut, // the waiter's own time limit passed
    };

    // ---- User-interface thread ----
    void Put(QByteArray line);
    void Expire();
    void Release();
    // For good: every wait, now and later, ends at once.
    void Close();

    // ---- Waiting thread ----
    // Drops what earlier exchanges left: lines, an expiry, a release.
    void StartExchange();
    void DropLines();
    // Waits for the next line or for anything else that ends the wait; `until` bounds the wait
    // when given. A line that came is taken before an expiry or a release.
    Outcome Wait(QByteArray& line, std::optional<std::chrono::steady_clock::time_point> until = std::nullopt);

private:
    // Changes the state under the lock and wakes the waiter.
    template <typename Change> void Apply(Change change);
    bool Ended() const;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QByteArray> lines_;
    bool expired_ = false;
    bool released_ = false;
    bool closed_ = false;
};

} // namespace fw
