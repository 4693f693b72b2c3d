// The ring calls of the simulated grabber: setting up and starting a ring, looking at its
// buffers, its status and its lost frames.

#include <algorithm>
#include <set>

#include "imagers/imaq/imaq_api.h"
#include "sim_errors.h"
#include "sim_grabber.h"

namespace fw::imaq_sim {

namespace {

// More entries than any machine would give a ring; a larger count is a caller's mistake.
constexpr std::uint32_t kMaxRingEntries = 1u << 16;

} // namespace

std::int32_t SimGrabber::checkRingList(
    std::uint32_t session_id, const Session& session, std::uint32_t count, void** list) const
{
    if (list == nullptr)
        return kErrNullPointer;
    if (count == 0 || count > kMaxRingEntries)
        return kErrInvalidParameter;
    const std::size_t frame_bytes = formatOf(session).bytes();
    std::set<const void*> seen;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto found = buffers_.find(list[i]);
        if (found == buffers_.end() || found->second.session_id != session_id
            || found->second.size < frame_bytes || !seen.insert(list[i]).second)
            return kErrBufferList;
    }
    return kOk;
}

std::int32_t SimGrabber::ringSetup(
    std::uint32_t session_id, std::uint32_t count, void** list, std::uint32_t skip, std::uint32_t start_now)
{
    return onSession(session_id, [&](Session& found) {
        if (found.ring.acquiring())
            return kErrAcquiring;
        const std::int32_t checked = checkRingList(session_id, found, count, list);
        if (checked != kOk)
            return checked;
        found.ring.setup(std::vector<void*>(list, list + count), skip, formatOf(found));
        if (start_now != 0)
            found.ring.start(found.config, Clock::now());
        return kOk;
    });
}

std::int32_t SimGrabber::examineBuffer(
    std::uint32_t session_id, std::uint32_t wanted, std::uint32_t* given, void** buffer)
{
    std::unique_lock lock(mutex_);
    Session* found = caughtUpSession(session_id);
    if (found == nullptr)
        return kErrInvalidId;
    if (given == nullptr || buffer == nullptr)
        return kErrNullPointer;
    if (found->ring.held())
        return kErrBufferHeld;
    std::uint64_t number = wanted;
    while (number <= UINT32_MAX) {
        found = caughtUpSession(session_id);
        if (found == nullptr)
            return kErrInvalidId;
        SimRing& ring = found->ring;
        if (!ring.isSetUp())
            return kErrNotAcquiring;
        if (ring.available(number)) {
            ring.hold(static_cast<std::uint32_t>(number));
            *given = static_cast<std::uint32_t>(number);
            *buffer = ring.entryOf(number);
            return kOk;
        }
        if (static_cast<std::int64_t>(number) <= ring.latest()) {
            number = ring.nextAfterGone(number);
            continue;
        }
        if (!ring.acquiring())
            return ring.failure() != kOk ? ring.failure() : kErrNotAcquiring;
        if (found->config.frames_per_second > 0) {
            const std::int32_t waited = waitForBuffer(lock, session_id, number);
            if (waited != kOk)
                return waited;
            continue;
        }
        ring.produceUpTo(number);
        if (ring.acquiring() && ring.latest() < static_cast<std::int64_t>(number))
            return kErrTimeout;
    }
    return kErrInvalidParameter;
}

// Waits, without the lock, until the camera sends the buffer or the session's time-out passes.
std::int32_t SimGrabber::waitForBuffer(
    std::unique_lock<std::mutex>& lock, std::uint32_t session_id, std::uint64_t number)
{
    const Session* waiting = session(session_id);
    const auto deadline = Clock::now() + std::chrono::milliseconds(waiting->attribute(kImgAttrTimeout_ms));
    const auto due
        = waiting->ring.neverComes(number) ? deadline : std::min(waiting->ring.dueTime(number), deadline);
    stopped_.wait_until(lock, due);
    const Session* woken = caughtUpSession(session_id);
    if (woken == nullptr)
        return kErrInvalidId;
    const bool missing = woken->ring.acquiring() && woken->ring.latest() < static_cast<std::int64_t>(number);
    return missing && Clock::now() >= deadline ? kErrTimeout : kOk;
}

std::int32_t SimGrabber::releaseBuffer(std::uint32_t session_id)
{
    return onSession(session_id, [](Session& found) {
        if (!found.ring.held())
            return kErrNoBufferHeld;
        found.ring.release();
        return kOk;
    });
}

std::int32_t SimGrabber::status(
    std::uint32_t session_id, std::uint32_t* acquiring, std::uint32_t* buffer_number)
{
    return onSession(session_id, [&](const Session& found) {
        if (acquiring == nullptr || buffer_number == nullptr)
            return kErrNullPointer;
        *acquiring = found.ring.acquiring() ? 1 : 0;
        *buffer_number = static_cast<std::uint32_t>(std::max<std::int64_t>(found.ring.latest(), 0));
        return kOk;
    });
}

std::int32_t SimGrabber::stopAcquisition(std::uint32_t session_id)
{
    return onSession(session_id, [this](Session& found) {
        if (!found.ring.acquiring())
            return kErrNotAcquiring;
        found.ring.stop();
        stopped_.notify_all();
        return kOk;
    });
}

std::int32_t SimGrabber::lostFramesList(std::uint32_t session_id, std::uint32_t* list, std::uint32_t count)
{
    return onSession(session_id, [&](const Session& found) {
        if (list == nullptr)
            return kErrNullPointer;
        if (count == 0)
            return kErrInvalidParameter;
        const std::vector<std::uint32_t>& lost = found.ring.lost();
        const std::size_t listed = std::min<std::size_t>(lost.size(), count - 1);
        std::copy_n(lost.begin(), listed, list);
        list[listed] = 0;
        return kOk;
    });
}

} // namespace fw::imaq_sim
