#include "imagers/hg/serial_inbox.h"

namespace fw {

template <typename Change> void TSerialInbox::Apply(Change change)
{
    {
        const std::lock_guard lock(mutex_);
        change();
    }
    changed_.notify_all();
}

void TSerialInbox::Put(QByteArray line)
{
    Apply([this, &line] { lines_.push_back(std::move(line)); });
}

void TSerialInbox::Expire()
{
    Apply([this] { expired_ = true; });
}

void TSerialInbox::Release()
{
    Apply([this] { released_ = true; });
}

void TSerialInbox::Close()
{
    Apply([this] { closed_ = true; });
}

void TSerialInbox::StartExchange()
{
    const std::lock_guard lock(mutex_);
    lines_.clear();
    expired_ = false;
    released_ = false;
}

void TSerialInbox::DropLines()
{
    const std::lock_guard lock(mutex_);
    lines_.clear();
}

bool TSerialInbox::Ended() const
{
    return closed_ || !lines_.empty() || expired_ || released_;
}

TSerialInbox::Outcome TSerialInbox::Wait(
    QByteArray& line, std::optional<std::chrono::steady_clock::time_point> until)
{
    std::unique_lock lock(mutex_);
    if (until) {
        if (!changed_.wait_until(lock, *until, [this] { return Ended(); }))
            return Outcome::kTimedOut;
    } else {
        changed_.wait(lock, [this] { return Ended(); });
    }
    if (closed_)
        return Outcome::kClosed;
    if (!lines_.empty()) {
        line = std::move(lines_.front());
        lines_.pop_front();
        return Outcome::kLine;
    }
    if (expired_) {
        expired_ = false;
        return Outcome::kExpired;
    }
    released_ = false;
    return Outcome::kReleased;
}

} // namespace fw
