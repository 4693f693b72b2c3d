#pragma once

// The library's identifiers: open interfaces (one camera each), their sessions, and the buffers
// imgCreateBuffer handed out. Lookups are locked; the work of a session runs outside the lock,
// so that one session waiting for a frame never holds up another.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "camera_device.h"
#include "frame_ring.h"
#include "grabber_session.h"

namespace fw::imaq_genicam {

class GrabberRegistry {
public:
    static GrabberRegistry& instance();

    int32_t openInterface(const char* name, uint32_t* interface_id);
    int32_t resetInterface(uint32_t interface_id);
    int32_t openSession(uint32_t interface_id, uint32_t* session_id);
    // The session with this id, or nullptr.
    std::shared_ptr<GrabberSession> session(uint32_t session_id);

    int32_t createBuffer(uint32_t session_id, uint32_t where, uint32_t size, void** buffer);
    // The ring entries for a caller's buffer list; every buffer must be one of ours.
    int32_t ringEntries(uint32_t count, void** list, std::vector<RingEntry>& entries);
    int32_t disposeBuffer(void* buffer);

    // Closes a session, or an interface with its session. free_resources also disposes the
    // buffers created for the session.
    int32_t close(uint32_t id, bool free_resources);

    // Bytes all buffers together may take: a quarter of the machine's memory, since the camera
    // stream keeps about as much again.
    static uint64_t bufferMemoryLimit();

private:
    struct Interface {
        std::shared_ptr<CameraDevice> camera;
        uint32_t session_id = 0; // 0: none
    };
    struct Buffer {
        uint32_t session_id = 0;
        size_t size = 0;
    };

    GrabberRegistry() = default;
    uint32_t newId();
    void disposeSessionBuffers(uint32_t session_id);
    bool bufferInAcquiringRing(void* buffer) const;
    void forgetRingsWith(void* buffer);

    mutable std::mutex mutex_;
    uint32_t last_id_ = 0;
    std::map<uint32_t, Interface> interfaces_;
    std::map<uint32_t, std::shared_ptr<GrabberSession>> sessions_;
    std::map<void*, Buffer> buffers_;
    uint64_t buffer_bytes_ = 0;
};

} // namespace fw::imaq_genicam
