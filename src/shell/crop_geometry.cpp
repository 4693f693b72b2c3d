#include "shell/crop_geometry.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace fw {

namespace {

struct Span {
    int start;
    int size;
};

// One axis of the clamping: cut at the near limit, pull back from the far limit, and grow to
// the minimum by moving the start back, so a dragged near edge stops short of the far one.
Span ClampSpan(Span s, int low, int high, int minimum)
{
    if (s.start < low) {
        s.size -= low - s.start;
        s.start = low;
    }
    if (s.start + s.size > high) {
        s.size = high - s.start;
        if (s.size < minimum) {
            s.start = std::max(low, high - minimum);
            s.size = minimum;
        }
    }
    if (s.size < minimum) {
        const int shortfall = minimum - s.size;
        s.size = minimum;
        s.start = std::max(low, s.start - shortfall);
    }
    return s;
}

int Scaled(int value, double factor)
{
    return int(std::lround(value * factor));
}

bool IsPositive(double scale)
{
    return std::isfinite(scale) && scale > 0.0;
}

// Frame pixels along one axis: start and size cut to the frame, at least one pixel wide.
Span ToFrame(int start, int size, int limit_size, double scale)
{
    const int frame_size = std::max(1, Scaled(limit_size, 1.0 / scale));
    Span s { Scaled(start, 1.0 / scale), Scaled(size, 1.0 / scale) };
    s.start = std::clamp(s.start, 0, frame_size - 1);
    s.size = std::clamp(s.size, 1, frame_size - s.start);
    return s;
}

} // namespace

CropGeometry::CropGeometry(const QRect& bounds)
{
    SetBounds(bounds);
}

bool CropGeometry::LimitUsable() const
{
    return limit_.right > limit_.left && limit_.bottom > limit_.top;
}

QRect CropGeometry::Clamped(int left, int top, int width, int height) const
{
    if (!LimitUsable())
        return QRect(left, top, width, height);
    const Span h = ClampSpan({ left, width }, limit_.left, limit_.right, minimum_.width());
    const Span v = ClampSpan({ top, height }, limit_.top, limit_.bottom, minimum_.height());
    return QRect(h.start, v.start, h.size, v.size);
}

void CropGeometry::SetBounds(const QRect& bounds)
{
    bounds_ = Clamped(bounds.left(), bounds.top(), bounds.width(), bounds.height());
}

void CropGeometry::SetLimit(const CropLimit& limit)
{
    // The limit at construction is a placeholder: a rectangle placed before the first real
    // limit keeps its size instead of shrinking by client size / placeholder.
    const bool scale
        = limit_set_ && limit_.right > 0 && limit_.bottom > 0 && limit.right > 0 && limit.bottom > 0;
    if (scale) {
        const double fx = double(limit.right) / limit_.right;
        const double fy = double(limit.bottom) / limit_.bottom;
        minimum_ = QSize(std::max(kMinimumSize, Scaled(minimum_.width(), fx)),
            std::max(kMinimumSize, Scaled(minimum_.height(), fy)));
        bounds_ = QRect(Scaled(bounds_.left(), fx), Scaled(bounds_.top(), fy), Scaled(bounds_.width(), fx),
            Scaled(bounds_.height(), fy));
    }
    limit_ = limit;
    limit_set_ = true;
    SetBounds(bounds_);
}

int CropGeometry::ZoneAt(const QPoint& point) const
{
    if (!bounds_.contains(point))
        return 0;
    if (!resizable_)
        return 5;
    const int x = point.x() - bounds_.left();
    const int y = point.y() - bounds_.top();
    const int column = x < kEdgeGrip ? 0 : (bounds_.width() - 1 - x < kEdgeGrip ? 2 : 1);
    const int row = y < kEdgeGrip ? 0 : (bounds_.height() - 1 - y < kEdgeGrip ? 2 : 1);
    return row * 3 + column + 1;
}

CropCursor CropGeometry::CursorFor(int zone)
{
    switch (zone) {
    case 1:
    case 9:
        return CropCursor::SizeTopLeftBottomRight;
    case 3:
    case 7:
        return CropCursor::SizeTopRightBottomLeft;
    case 2:
    case 8:
        return CropCursor::SizeVertical;
    case 4:
    case 6:
        return CropCursor::SizeHorizontal;
    case 5:
        return CropCursor::Move;
    default:
        return CropCursor::Arrow;
    }
}

int CropGeometry::BeginDrag(const QPoint& point)
{
    drag_zone_ = ZoneAt(point);
    drag_start_ = point;
    drag_start_bounds_ = bounds_;
    return drag_zone_;
}

QRect CropGeometry::Moved(int dx, int dy) const
{
    const QRect& r = drag_start_bounds_;
    int left = r.left() + dx;
    int top = r.top() + dy;
    if (LimitUsable()) {
        left = std::max(limit_.left, std::min(left, limit_.right - r.width()));
        top = std::max(limit_.top, std::min(top, limit_.bottom - r.height()));
    }
    return QRect(left, top, r.width(), r.height());
}

void CropGeometry::DragTo(const QPoint& point)
{
    if (drag_zone_ == 0)
        return;
    const int dx = point.x() - drag_start_.x();
    const int dy = point.y() - drag_start_.y();
    if (drag_zone_ == 5) {
        bounds_ = Moved(dx, dy);
        return;
    }
    const QRect& r = drag_start_bounds_;
    int left = r.left(), top = r.top(), width = r.width(), height = r.height();
    const int column = (drag_zone_ - 1) % 3;
    const int row = (drag_zone_ - 1) / 3;
    if (column == 0) {
        left += dx;
        width -= dx;
    } else if (column == 2) {
        width += dx;
    }
    if (row == 0) {
        top += dy;
        height -= dy;
    } else if (row == 2) {
        height += dy;
    }
    bounds_ = Clamped(left, top, width, height);
}

FrameCrop CropGeometry::CropInFrame(double horizontal_scale, double vertical_scale) const
{
    if (!IsPositive(horizontal_scale) || !IsPositive(vertical_scale))
        throw std::invalid_argument("crop scales must be positive");
    const Span h = ToFrame(
        bounds_.left() - limit_.left, bounds_.width(), limit_.right - limit_.left, horizontal_scale);
    const Span v
        = ToFrame(bounds_.top() - limit_.top, bounds_.height(), limit_.bottom - limit_.top, vertical_scale);
    return FrameCrop { h.start, v.start, h.start + h.size - 1, v.start + v.size - 1 };
}

void CropGeometry::SetCropInFrame(const FrameCrop& crop, double horizontal_scale, double vertical_scale)
{
    if (!IsPositive(horizontal_scale) || !IsPositive(vertical_scale))
        throw std::invalid_argument("crop scales must be positive");
    SetBounds(QRect(limit_.left + Scaled(crop.left, horizontal_scale),
        limit_.top + Scaled(crop.top, vertical_scale), Scaled(crop.right - crop.left + 1, horizontal_scale),
        Scaled(crop.bottom - crop.top + 1, vertical_scale)));
}

} // namespace fw
