#pragma once

// Frames for the tracking tests: the tracking marker drawn in memory, as the sample clip holds
// it, handed to a track as packed frames.

#include <cmath>
#include <functional>
#include <vector>

#include "../../samples/tracking_marker.h"
#include "clips/frame_image.h"
#include "measure/track_run.h"

namespace fw::testing {

namespace marker = samples::tracking_marker;

// A grey picture as an 8-bit frame with a grey colour table.
inline FrameImage GreyFrame(const marker::GreyPicture& picture, int width, int height)
{
    FrameImage frame(width, height, 8);
    for (int y = 0; y < height; ++y)
        std::copy_n(picture.begin() + ptrdiff_t(y) * width, width, frame.topDownRow(y));
    return frame;
}

// Frames held in memory; an index without a frame cannot be read.
class MemoryFrames {
public:
    void Add(FrameImage frame) { frames_.push_back(std::move(frame)); }
    int Count() const { return int(frames_.size()); }
    void MakeUnreadable(int index) { frames_[size_t(index)] = FrameImage(); }

    TrackFrameSource Source() const
    {
        return [this](int32_t index) {
            if (index < 0 || index >= Count() || frames_[size_t(index)].isNull())
                return PackedBytes {};
            const FrameImage& frame = frames_[size_t(index)];
            return PackedBytes { frame.packed(), frame.packedSize() };
        };
    }

private:
    std::vector<FrameImage> frames_;
};

// The sample clip's frames, drawn once per test program.
inline const MemoryFrames& MarkerClipFrames()
{
    static const MemoryFrames frames = [] {
        MemoryFrames made;
        for (int index = 0; index < marker::kFrameCount; ++index)
            made.Add(GreyFrame(marker::RenderFrame(index), marker::kWidth, marker::kHeight));
        return made;
    }();
    return frames;
}

inline PixelPoint TruePoint(int frame)
{
    const marker::Position at = marker::MarkerCentre(frame);
    return { at.x, at.y };
}

// Root mean square distance of tracked points from where the marker truly was.
inline double RmsError(const std::vector<TrackedFrame>& frames)
{
    if (frames.empty())
        return 0.0;
    double sum = 0.0;
    for (const TrackedFrame& frame : frames) {
        const PixelPoint truth = TruePoint(frame.frame);
        sum += std::pow(frame.point.x - truth.x, 2) + std::pow(frame.point.y - truth.y, 2);
    }
    return std::sqrt(sum / double(frames.size()));
}

// Runs a track to its end.
inline TrackRun TrackToEnd(const TrackRequest& request, TrackFrameSource source)
{
    TrackRun run(request, std::move(source));
    while (run.Advance(16)) { }
    return run;
}

} // namespace fw::testing
