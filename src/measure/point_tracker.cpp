#include "measure/point_tracker.h"

#include <algorithm>
#include <cmath>

#include "measure/template_match.h"

namespace fw {

QString TrackSettingsProblem(const TrackSettings& settings)
{
    using S = TrackSettings;
    if (settings.template_px < S::kMinTemplatePx || settings.template_px > S::kMaxTemplatePx)
        return QStringLiteral("The template must be %1 to %2 pixels wide")
            .arg(S::kMinTemplatePx)
            .arg(S::kMaxTemplatePx);
    if (settings.search_px < settings.template_px + 2 || settings.search_px > S::kMaxSearchPx)
        return QStringLiteral("The search area must be %1 to %2 pixels wide: at least two more than the "
                              "template")
            .arg(settings.template_px + 2)
            .arg(S::kMaxSearchPx);
    if (!(settings.min_confidence >= 0.0 && settings.min_confidence <= 1.0))
        return QStringLiteral("The minimum confidence must lie between 0 and 1");
    return {};
}

PointTracker::PointTracker(const TrackSettings& settings)
    : settings_(settings)
{
}

int PointTracker::CornerX(double x) const
{
    return int(std::lround(x - offset_.x));
}

int PointTracker::CornerY(double y) const
{
    return int(std::lround(y - offset_.y));
}

bool PointTracker::Inside(PixelPoint point) const
{
    return point.x >= -0.5 && point.x < width_ - 0.5 && point.y >= -0.5 && point.y < height_ - 0.5;
}

bool PointTracker::TemplateFits(PixelPoint point) const
{
    const int side = settings_.template_px;
    const int x = CornerX(point.x);
    const int y = CornerY(point.y);
    return x >= 0 && y >= 0 && x + side <= width_ && y + side <= height_;
}

std::optional<TrackStopKind> PointTracker::Begin(
    const PackedFrameView& frame, PixelPoint point, PixelPoint velocity)
{
    width_ = frame.Width();
    height_ = frame.Height();
    point_ = point;
    velocity_ = velocity;
    if (!std::isfinite(point.x) || !std::isfinite(point.y) || !Inside(point))
        return TrackStopKind::PointLeftPicture;
    const int side = settings_.template_px;
    const int corner_x = int(std::lround(point.x)) - side / 2;
    const int corner_y = int(std::lround(point.y)) - side / 2;
    offset_ = { point.x - corner_x, point.y - corner_y };
    if (!TemplateFits(point))
        return TrackStopKind::TemplateLeftPicture;
    template_ = frame.Grey({ corner_x, corner_y, side, side });
    return std::nullopt;
}

TrackStep PointTracker::Step(const PackedFrameView& frame)
{
    if (frame.Width() != width_ || frame.Height() != height_)
        return { TrackStopKind::FrameSizeChanged, point_, std::nullopt };
    const PixelPoint expected { point_.x + velocity_.x, point_.y + velocity_.y };
    if (!Inside(expected))
        return { TrackStopKind::PointLeftPicture, expected, std::nullopt };
    if (!TemplateFits(expected))
        return { TrackStopKind::TemplateLeftPicture, expected, std::nullopt };

    // The placements tried lie around the template's place at the expected point.
    const int margin = (settings_.search_px - settings_.template_px) / 2;
    const int left = std::max(CornerX(expected.x) - margin, 0);
    const int top = std::max(CornerY(expected.y) - margin, 0);
    const PixelRect area { left, top,
        std::min(CornerX(expected.x) - margin + settings_.search_px, width_) - left,
        std::min(CornerY(expected.y) - margin + settings_.search_px, height_) - top };
    const TemplateMatch match = MatchTemplate(frame.Grey(area), template_);
    const double confidence = std::clamp(match.score, 0.0, 1.0);
    const PixelPoint found { area.left + match.x + match.offset_x + offset_.x,
        area.top + match.y + match.offset_y + offset_.y };
    if (confidence < settings_.min_confidence)
        return { TrackStopKind::LowConfidence, found, confidence };
    // A peak on the edge of the placements: at the picture's edge the template is leaving the
    // picture; elsewhere the point moved further than the search area reaches.
    const bool at_picture_edge = (match.at_left && area.left == 0) || (match.at_top && area.top == 0)
        || (match.at_right && area.Right() == width_) || (match.at_bottom && area.Bottom() == height_);
    if (at_picture_edge)
        return { TrackStopKind::TemplateLeftPicture, found, confidence };
    if (match.AtEdge())
        return { TrackStopKind::LeftSearchArea, found, confidence };
    velocity_ = { found.x - point_.x, found.y - point_.y };
    point_ = found;
    return { std::nullopt, found, confidence };
}

} // namespace fw
