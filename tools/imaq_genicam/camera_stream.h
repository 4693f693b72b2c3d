#pragma once

// The camera's video stream while a ring acquires: as many stream buffers as the ring has
// entries, handed out one at a time and given back at once, and the stream's count of frames it
// had to drop because every buffer was full.

#include <cstddef>
#include <cstdint>
#include <memory>

typedef struct _ArvCamera ArvCamera;
typedef struct _ArvStream ArvStream;
typedef struct _ArvBuffer ArvBuffer;

namespace fw::imaq_genicam {

class CameraStream {
public:
    // Creates the stream with `buffer_count` buffers of the camera's payload and starts a
    // continuous acquisition.
    static int32_t start(ArvCamera* camera, uint32_t buffer_count, std::unique_ptr<CameraStream>& stream);
    // Stops the acquisition if it still runs and frees the stream with its buffers.
    ~CameraStream();
    CameraStream(const CameraStream&) = delete;
    CameraStream& operator=(const CameraStream&) = delete;

    // The next frame, waiting up to timeout_us; nullptr when none came.
    ArvBuffer* next(uint64_t timeout_us);
    // The next frame already complete, or nullptr.
    ArvBuffer* nextReady();

    struct Drops {
        uint64_t dropped = 0; // frames dropped since the last giveBack
        uint64_t waiting = 0; // complete frames still queued
    };
    // Returns a buffer from next() or nextReady() to the stream.
    Drops giveBack(ArvBuffer* buffer);

    // Stops the camera; frames already complete can still be taken.
    void stopCamera();

private:
    CameraStream(ArvCamera* camera, ArvStream* stream);

    ArvCamera* camera_;
    ArvStream* stream_;
    bool camera_running_ = false;
    uint64_t underruns_seen_ = 0;
};

} // namespace fw::imaq_genicam
