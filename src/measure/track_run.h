#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "measure/point_tracker.h"

namespace fw {

// A packed frame as a frame source hands it out: valid until the source's next call. No bytes
// when the frame cannot be read.
struct PackedBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;
};
using TrackFrameSource = std::function<PackedBytes(int32_t index)>;

// A point to follow from the start frame through the last frame (backward when the last frame
// comes first), with the velocity it had before the start (pixels per frame, in the direction of
// the track) when that is known.
struct TrackRequest {
    int32_t first_frame = 0;
    int32_t last_frame = 0;
    PixelPoint point;
    PixelPoint velocity;
    TrackSettings settings;
};

// The point found on one frame and the confidence of the match.
struct TrackedFrame {
    int32_t frame = 0;
    PixelPoint point;
    double confidence = 0.0;
};

// Where and why a track ended before its last frame.
struct TrackStop {
    TrackStopKind kind = TrackStopKind::LowConfidence;
    int32_t frame = 0;
    std::optional<double> confidence;
    double min_confidence = 0.0;
    // The track could not start: the start frame itself failed.
    bool at_start = false;
};
// "Tracking stopped at frame 84: confidence 0.213 is below the minimum 0.8", "Tracking cannot
// start at frame 3: the point lies outside the picture", and the like.
QString TrackStopMessage(const TrackStop& stop);

// One track run over a frame range, a few frames at a time, so that a window can show progress
// and stay responsive between the steps. The start frame is read when the run is made.
class TrackRun {
public:
    TrackRun(const TrackRequest& request, TrackFrameSource frames);

    // Tracks up to `max_frames` more frames; false once the run has ended: every frame tracked or
    // the track stopped.
    bool Advance(int max_frames);
    bool Ended() const { return stop_.has_value() || next_ == End(); }

    // The start frame (the point as given, confidence 1) and every frame tracked since, in the
    // order tracked; empty when the track could not start.
    const std::vector<TrackedFrame>& Frames() const { return frames_; }
    const std::optional<TrackStop>& Stop() const { return stop_; }
    const TrackRequest& Request() const { return request_; }
    // +1 forward, -1 backward.
    int Direction() const { return direction_; }
    // Frames after the start frame, and how many of them the run has been through.
    int FramesToTrack() const;
    int FramesDone() const;

private:
    int32_t End() const { return request_.last_frame + direction_; }
    void StopAt(TrackStopKind kind, int32_t frame, std::optional<double> confidence = std::nullopt);
    std::optional<PackedFrameView> Read(int32_t index);

    TrackRequest request_;
    TrackFrameSource source_;
    PointTracker tracker_;
    int direction_ = 1;
    int32_t next_ = 0;
    std::vector<TrackedFrame> frames_;
    std::optional<TrackStop> stop_;
};

} // namespace fw
