#pragma once

// A session on one camera: the attributes the capture reads and sets, the ring of the caller's
// buffers, and an acquisition that fills the ring from the camera stream on demand. Frames are
// copied out of the stream when the caller examines a buffer, so the stream's own buffers (as
// many as the ring has) hold the frames the caller has not asked for yet.
//
// All calls for one session come from one thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "camera_device.h"
#include "camera_stream.h"
#include "frame_copy.h"
#include "frame_numbering.h"
#include "frame_ring.h"

namespace fw::imaq_genicam {

class GrabberSession {
public:
    explicit GrabberSession(std::shared_ptr<CameraDevice> camera);
    ~GrabberSession();
    GrabberSession(const GrabberSession&) = delete;
    GrabberSession& operator=(const GrabberSession&) = delete;

    int32_t getAttribute(uint32_t attribute, uint32_t* value) const;
    int32_t setAttribute(uint32_t attribute, uint32_t value);

    int32_t setupRing(std::vector<RingEntry> entries, uint32_t frames_to_skip, bool start_now);
    int32_t examine(uint32_t wanted, uint32_t* given, void** buffer);
    int32_t release();
    int32_t status(uint32_t* acquiring, uint32_t* buffer_number) const;
    int32_t stop();
    int32_t lostFrames(uint32_t* list, uint32_t count) const;

    bool acquiring() const { return acquiring_; }
    bool ringUses(const void* memory) const { return ring_.uses(memory); }
    // A buffer of the ring was disposed: the ring is gone with it.
    void forgetRing() { ring_.assign({}); }

private:
    int32_t start();
    int32_t checkRingFits() const;
    int32_t setDecimation(uint32_t attribute, uint32_t value);
    // Numbers one frame out of the stream, copies it into the ring and gives the buffer back.
    int32_t takeFrame(ArvBuffer* buffer, uint32_t wanted);
    int32_t copyFrame(ArvBuffer* buffer, uint32_t number);
    void drainStream();

    std::shared_ptr<CameraDevice> camera_;
    bool colour_ = false;
    uint32_t horizontal_decimation_ = 1;
    uint32_t vertical_decimation_ = 1;
    uint32_t timeout_ms_ = 1000;
    // Settings the capture sets to 1 before every ring; a camera has nothing they select.
    uint32_t acquire_setting_82_ = 0;
    uint32_t acquire_setting_07_ = 0;
    uint32_t acquire_setting_75_ = 0;

    FrameRing ring_;
    uint32_t frames_to_skip_ = 0;
    FrameLayout layout_;
    FrameNumbering numbering_;
    std::unique_ptr<CameraStream> stream_;
    std::atomic<bool> acquiring_ { false };
};

} // namespace fw::imaq_genicam
