#pragma once

#include <cstdint>

#include "measure/track_run.h"

namespace fw {

class FrameAccess;
class TAVISTREAM;

// The frames of an open clip stream for a track, decoded through a frame-access handle of their
// own, so that a track reads beside the clip window's own decoding without moving it.
class ClipTrackFrames {
public:
    // Fails with the stream's name when the clip cannot be decoded.
    explicit ClipTrackFrames(TAVISTREAM& stream);
    ~ClipTrackFrames();
    ClipTrackFrames(const ClipTrackFrames&) = delete;
    ClipTrackFrames& operator=(const ClipTrackFrames&) = delete;

    int32_t Count() const { return count_; }
    // Valid until the next call; no bytes outside the clip or when decoding fails.
    PackedBytes Frame(int32_t index);
    // Reads through this object, which must outlive the source.
    TrackFrameSource Source();

private:
    TAVISTREAM& stream_;
    FrameAccess* access_ = nullptr;
    int32_t count_ = 0;
};

} // namespace fw
