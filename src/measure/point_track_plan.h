#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>

#include "measure/track_run.h"

namespace fw {

class TMotionDataBase;
class TObjDef;
struct ImagePoint;

// Picture pixels (y downward, the centre of the top-left pixel at 0, 0) and the measurement's
// image points (v upward, the bottom row at 0): row y of a picture `picture_height` rows high
// lies at v = picture_height - 1 - y.
PixelPoint PixelOfImagePoint(ImagePoint point, int picture_height);
ImagePoint ImagePointOfPixel(PixelPoint point, int picture_height);

// A track of one point of an object, as the measurement sets it up.
struct PointTrackPlan {
    TrackRequest request;
    // A frame on the way that holds a clicked point of the object: the track ends before it, since
    // a click outranks what tracking finds.
    std::optional<int32_t> clicked_frame;
};

// Starts from the object's point on `from_frame`, clicked or tracked, moving as it moved from the
// frame before (in the direction of the track) when that frame has the point too. Fails with
// the user's message when the start frame has no such point or the range is a single frame.
PointTrackPlan PlanPointTrack(const TObjDef& def, int point_index, int32_t from_frame, int32_t to_frame,
    const TrackSettings& settings, int picture_height);

// Why the track ended before the last frame asked for, when a clicked point stopped it there.
QString ClickedFrameMessage(int32_t frame);

// Stores frames a track found as tracked points of the object and shows its confidence column.
void StoreTrackedFrames(TMotionDataBase& db, TObjDef& def, int point_index,
    std::span<const TrackedFrame> frames, int picture_height);

} // namespace fw
