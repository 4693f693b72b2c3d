#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

#include "shell/crop_geometry.h"

namespace fw {

// The crop rectangle over a picture: a transparent child of the picture widget that covers
// exactly the rectangle, draws its outline and is dragged by its edges, corners or centre.
// Bounds and limit are in the parent's (picture) coordinates.
class TCropShape : public QWidget {
    Q_OBJECT
public:
    explicit TCropShape(QWidget* parent);

    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    // Scales the rectangle with the limit, as the picture it sits on was resized.
    void SetLimit(const CropLimit& limit);
    CropLimit Limit() const { return geometry_.Limit(); }

    QRect Bounds() const { return geometry_.Bounds(); }
    void SetBounds(const QRect& bounds);

    // Scales are picture pixels per frame pixel and must be positive.
    FrameCrop CropInFrame(double h_scale, double v_scale) const;
    void SetCropInFrame(const FrameCrop& crop, double h_scale, double v_scale);

    void SetResizable(bool resizable);

    // Repaints the outline, e.g. after a new frame was painted under it.
    void Outline();

    const CropGeometry& Geometry() const { return geometry_; }

signals:
    // Whenever the rectangle moved or changed size, whatever moved it.
    void boundsChanged(QRect bounds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Moves the widget onto the geometry's rectangle and tells listeners when it changed.
    void FollowBounds();
    QPoint InParent(const QMouseEvent* event) const;

    CropGeometry geometry_;
    QColor color_ { Qt::red };
};

} // namespace fw
