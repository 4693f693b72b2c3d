#include "measure/point_track_plan.h"

#include <algorithm>
#include <vector>

#include "measure/frame_object.h"
#include "measure/motion_data_base.h"
#include "support/fw_error.h"

namespace fw {

PixelPoint PixelOfImagePoint(ImagePoint point, int picture_height)
{
    return { double(point.u), double(picture_height - 1) - double(point.v) };
}

ImagePoint ImagePointOfPixel(PixelPoint point, int picture_height)
{
    return { float(point.x), float(double(picture_height - 1) - point.y) };
}

namespace {

bool HasPointAt(const TObjDef& def, int point_index, int32_t frame)
{
    const TSampleObject* sample = def.SampleAt(frame);
    return sample && sample->HasPoint(point_index);
}

// The first frame after the start, in the track's direction, that holds a clicked point.
std::optional<int32_t> FirstClickedFrame(const TObjDef& def, int point_index, int32_t from, int32_t to)
{
    const int direction = to < from ? -1 : 1;
    const auto clicked = [&](const TSampleObject* sample) {
        return sample->HasPoint(point_index) && !sample->IsTracked(point_index);
    };
    const auto& samples = def.Samples();
    if (direction > 0) {
        for (auto it = samples.upper_bound(from); it != samples.end() && it->first <= to; ++it)
            if (clicked(it->second))
                return it->first;
        return std::nullopt;
    }
    for (auto it = std::make_reverse_iterator(samples.lower_bound(from));
         it != samples.rend() && it->first >= to; ++it)
        if (clicked(it->second))
            return it->first;
    return std::nullopt;
}

} // namespace

PointTrackPlan PlanPointTrack(const TObjDef& def, int point_index, int32_t from_frame, int32_t to_frame,
    const TrackSettings& settings, int picture_height)
{
    if (from_frame == to_frame)
        throw Error(QStringLiteral("Choose a last frame other than the start frame %1").arg(from_frame));
    if (point_index < 0 || point_index >= def.PointCount() || !HasPointAt(def, point_index, from_frame))
        throw Error(QStringLiteral("Click point %1 of %2 on frame %3 before tracking it")
                        .arg(point_index + 1)
                        .arg(def.Name())
                        .arg(from_frame));
    PointTrackPlan plan;
    TrackRequest& request = plan.request;
    const int direction = to_frame < from_frame ? -1 : 1;
    request.first_frame = from_frame;
    request.last_frame = to_frame;
    request.settings = settings;
    request.point = PixelOfImagePoint(def.SampleAt(from_frame)->GetPoint(point_index), picture_height);
    if (HasPointAt(def, point_index, from_frame - direction)) {
        const PixelPoint before
            = PixelOfImagePoint(def.SampleAt(from_frame - direction)->GetPoint(point_index), picture_height);
        request.velocity = { request.point.x - before.x, request.point.y - before.y };
    }
    plan.clicked_frame = FirstClickedFrame(def, point_index, from_frame, to_frame);
    if (plan.clicked_frame)
        request.last_frame = *plan.clicked_frame - direction;
    return plan;
}

QString ClickedFrameMessage(int32_t frame)
{
    return QStringLiteral("Tracking stopped before frame %1, which holds a clicked point").arg(frame);
}

void StoreTrackedFrames(TMotionDataBase& db, TObjDef& def, int point_index,
    std::span<const TrackedFrame> frames, int picture_height)
{
    if (frames.empty())
        return;
    std::vector<TrackedSamplePoint> points;
    points.reserve(frames.size());
    for (const TrackedFrame& frame : frames)
        points.push_back(
            { frame.frame, ImagePointOfPixel(frame.point, picture_height), float(frame.confidence) });
    def.SetVisible(def.Visible() | KindBit(QuantityKind::Confidence));
    db.SetTrackedPoints(def, point_index, points);
}

} // namespace fw
