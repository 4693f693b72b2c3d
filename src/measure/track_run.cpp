#include "measure/track_run.h"

#include <cstdlib>

namespace fw {

namespace {

QString Number(double value)
{
    return QString::number(value, 'g', 3);
}

QString StartReason(TrackStopKind kind)
{
    switch (kind) {
    case TrackStopKind::PointLeftPicture:
        return QStringLiteral("the point lies outside the picture");
    case TrackStopKind::TemplateLeftPicture:
        return QStringLiteral("the template around the point does not fit in the picture");
    case TrackStopKind::FrameUnreadable:
        return QStringLiteral("the frame cannot be read");
    default:
        return {};
    }
}

QString Reason(const TrackStop& stop)
{
    switch (stop.kind) {
    case TrackStopKind::LowConfidence:
        return QStringLiteral("confidence %1 is below the minimum %2")
            .arg(Number(stop.confidence.value_or(0.0)), Number(stop.min_confidence));
    case TrackStopKind::PointLeftPicture:
        return QStringLiteral("the point leaves the picture");
    case TrackStopKind::TemplateLeftPicture:
        return QStringLiteral("the template around the point leaves the picture");
    case TrackStopKind::LeftSearchArea:
        return QStringLiteral(
            "the point moved beyond the search area (best match at its edge, confidence %1)")
            .arg(Number(stop.confidence.value_or(0.0)));
    case TrackStopKind::FrameUnreadable:
        return QStringLiteral("the frame cannot be read");
    case TrackStopKind::FrameSizeChanged:
        return QStringLiteral("the frame has another size");
    }
    return {};
}

} // namespace

QString TrackStopMessage(const TrackStop& stop)
{
    if (stop.at_start)
        return QStringLiteral("Tracking cannot start at frame %1: %2")
            .arg(stop.frame)
            .arg(StartReason(stop.kind));
    return QStringLiteral("Tracking stopped at frame %1: %2").arg(stop.frame).arg(Reason(stop));
}

TrackRun::TrackRun(const TrackRequest& request, TrackFrameSource frames)
    : request_(request)
    , source_(std::move(frames))
    , tracker_(request.settings)
    , direction_(request.last_frame < request.first_frame ? -1 : 1)
    , next_(request.first_frame + direction_)
{
    const std::optional<PackedFrameView> frame = Read(request.first_frame);
    std::optional<TrackStopKind> failure = TrackStopKind::FrameUnreadable;
    if (frame)
        failure = tracker_.Begin(*frame, request.point, request.velocity);
    if (failure) {
        StopAt(*failure, request.first_frame);
        stop_->at_start = true;
        return;
    }
    frames_.push_back({ request.first_frame, request.point, 1.0 });
    if (request.first_frame == request.last_frame)
        next_ = End();
}

std::optional<PackedFrameView> TrackRun::Read(int32_t index)
{
    const PackedBytes bytes = source_ ? source_(index) : PackedBytes {};
    return PackedFrameView::Of(bytes.data, bytes.size);
}

void TrackRun::StopAt(TrackStopKind kind, int32_t frame, std::optional<double> confidence)
{
    stop_ = TrackStop { kind, frame, confidence, request_.settings.min_confidence };
}

bool TrackRun::Advance(int max_frames)
{
    for (int done = 0; done < max_frames && !Ended(); ++done) {
        const int32_t index = next_;
        const std::optional<PackedFrameView> frame = Read(index);
        if (!frame) {
            StopAt(TrackStopKind::FrameUnreadable, index);
            break;
        }
        const TrackStep step = tracker_.Step(*frame);
        if (step.stop) {
            StopAt(*step.stop, index, step.confidence);
            break;
        }
        frames_.push_back({ index, step.point, step.confidence.value_or(0.0) });
        next_ += direction_;
    }
    return !Ended();
}

int TrackRun::FramesToTrack() const
{
    return std::abs(request_.last_frame - request_.first_frame);
}

int TrackRun::FramesDone() const
{
    return std::abs(next_ - (request_.first_frame + direction_));
}

} // namespace fw
