#pragma once

// The simulated grabber behind the entry points: two boards, "img0" that can deliver colour and
// "img1" that delivers monochrome only, the sessions opened on them with their attributes and
// rings, and the buffers the library hands out. One lock serialises every call; a call that waits
// for a paced frame lets go of it while it waits.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "sim_config.h"
#include "sim_errors.h"
#include "sim_ring.h"

namespace fw::imaq_sim {

struct BoardModel {
    const char* name;
    bool colour_capable;
};

constexpr BoardModel kBoards[] = { { "img0", true }, { "img1", false } };

class SimGrabber {
public:
    static SimGrabber& instance();

    std::int32_t interfaceOpen(const char* name, std::uint32_t* interface_id);
    std::int32_t interfaceReset(std::uint32_t interface_id);
    std::int32_t sessionOpen(std::uint32_t interface_id, std::uint32_t* session_id);
    std::int32_t getAttribute(std::uint32_t session_id, std::uint32_t attribute, std::uint32_t* value);
    std::int32_t setAttribute(std::uint32_t session_id, std::uint32_t attribute, std::uint32_t value);
    std::int32_t createBuffer(
        std::uint32_t session_id, std::uint32_t where, std::uint32_t size, void** buffer);
    std::int32_t disposeBuffer(void* buffer);
    std::int32_t ringSetup(std::uint32_t session_id, std::uint32_t count, void** list, std::uint32_t skip,
        std::uint32_t start_now);
    std::int32_t examineBuffer(
        std::uint32_t session_id, std::uint32_t wanted, std::uint32_t* given, void** buffer);
    std::int32_t releaseBuffer(std::uint32_t session_id);
    std::int32_t status(std::uint32_t session_id, std::uint32_t* acquiring, std::uint32_t* buffer_number);
    std::int32_t stopAcquisition(std::uint32_t session_id);
    std::int32_t lostFramesList(std::uint32_t session_id, std::uint32_t* list, std::uint32_t count);
    std::int32_t close(std::uint32_t id, std::uint32_t free_resources);
    // The frame the session would deliver as camera frame `frame` with its present attributes.
    std::int32_t renderFrame(std::uint32_t session_id, std::uint32_t frame, void* out, std::uint32_t size);

private:
    struct Interface {
        std::string name;
        bool colour_capable = false;
        SimConfig config;
    };
    struct Session {
        std::uint32_t interface_id = 0;
        bool colour_capable = false;
        SimConfig config;
        std::map<std::uint32_t, std::uint32_t> attributes; // the ones a caller may set
        SimRing ring;

        std::uint32_t attribute(std::uint32_t id) const { return attributes.at(id); }
    };
    struct Buffer {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::uint32_t size = 0;
        std::uint32_t session_id = 0;
    };

    Session* session(std::uint32_t id);
    Session* caughtUpSession(std::uint32_t id);
    // Runs the operation on the session under the lock, after the camera has caught up with the
    // clock; an unknown session gives kErrInvalidId.
    template <typename Operation> std::int32_t onSession(std::uint32_t id, Operation operation)
    {
        std::lock_guard lock(mutex_);
        Session* found = caughtUpSession(id);
        return found != nullptr ? operation(*found) : kErrInvalidId;
    }
    FrameFormat formatOf(const Session& session) const;
    std::int32_t checkAttribute(const Session& session, std::uint32_t attribute, std::uint32_t value) const;
    std::int32_t checkRingList(
        std::uint32_t session_id, const Session& session, std::uint32_t count, void** list) const;
    std::int32_t waitForBuffer(
        std::unique_lock<std::mutex>& lock, std::uint32_t session_id, std::uint64_t number);
    void closeSession(std::uint32_t id, bool free_resources);
    std::uint32_t newId() { return next_id_++; }

    std::mutex mutex_;
    std::condition_variable stopped_;
    std::map<std::uint32_t, Interface> interfaces_;
    std::map<std::uint32_t, Session> sessions_;
    std::map<const void*, Buffer> buffers_;
    std::uint32_t next_id_ = 1;
};

} // namespace fw::imaq_sim
