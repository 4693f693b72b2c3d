#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace fw {

// The area the crop rectangle must stay in. Right and bottom are the outer edges (a client
// area of width w has right = w), so a rectangle fits while left + width <= right.
struct CropLimit {
    int left = 0;
    int top = 0;
    int right = 99999;
    int bottom = 99999;
    bool operator==(const CropLimit&) const = default;
};

// A crop in frame pixels; right and bottom are inclusive.
struct FrameCrop {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    bool operator==(const FrameCrop&) const = default;
};

enum class CropCursor {
    Arrow, // outside the rectangle
    SizeTopLeftBottomRight, // zones 1 and 9
    SizeTopRightBottomLeft, // zones 3 and 7
    SizeVertical, // zones 2 and 8
    SizeHorizontal, // zones 4 and 6
    Move, // zone 5
};

// Geometry of the crop rectangle drawn over a picture: hit zones, dragging and clamping in
// picture (client) pixels, and the conversion to and from frame pixels.
//
// Zones are numbered like a telephone keypad: 1 2 3 along the top, 4 5 6 across the middle,
// 7 8 9 along the bottom; 0 is outside the rectangle.
class CropGeometry {
public:
    static constexpr int kEdgeGrip = 5; // how near an edge a point grabs it
    static constexpr int kMinimumSize = 8;

    CropGeometry() = default;
    explicit CropGeometry(const QRect& bounds);

    QRect Bounds() const { return bounds_; }
    CropLimit Limit() const { return limit_; }
    QSize MinimumSize() const { return minimum_; }
    bool Resizable() const { return resizable_; }
    void SetResizable(bool resizable) { resizable_ = resizable; }

    // Takes the rectangle as far as the limit and the minimum size allow.
    void SetBounds(const QRect& bounds);

    // Scales the rectangle and the minimum size by how the limit's right and bottom changed,
    // then keeps the rectangle inside the new limit.
    void SetLimit(const CropLimit& limit);

    int ZoneAt(const QPoint& point) const;
    static CropCursor CursorFor(int zone);

    // Grabs the zone under the point; returns it (0: nothing grabbed).
    int BeginDrag(const QPoint& point);
    void DragTo(const QPoint& point);
    void EndDrag() { drag_zone_ = 0; }
    bool Dragging() const { return drag_zone_ != 0; }
    int DragZone() const { return drag_zone_; }

    // The rectangle in frame pixels for a picture drawn at the given picture pixels per frame
    // pixel; the scales must be positive.
    FrameCrop CropInFrame(double horizontal_scale, double vertical_scale) const;
    void SetCropInFrame(const FrameCrop& crop, double horizontal_scale, double vertical_scale);

private:
    QRect Clamped(int left, int top, int width, int height) const;
    QRect Moved(int dx, int dy) const;
    bool LimitUsable() const;

    QRect bounds_;
    CropLimit limit_;
    QSize minimum_ { kMinimumSize, kMinimumSize };
    bool resizable_ = true;
    bool limit_set_ = false; // the construction limit is only a placeholder

    int drag_zone_ = 0;
    QPoint drag_start_;
    QRect drag_start_bounds_;
};

} // namespace fw
