#include "shell/forms/crop_shape.h"

#include <QMouseEvent>
#include <QPainter>

namespace fw {

namespace {

Qt::CursorShape CursorShapeFor(CropCursor cursor)
{
    switch (cursor) {
    case CropCursor::SizeTopLeftBottomRight:
        return Qt::SizeFDiagCursor;
    case CropCursor::SizeTopRightBottomLeft:
        return Qt::SizeBDiagCursor;
    case CropCursor::SizeVertical:
        return Qt::SizeVerCursor;
    case CropCursor::SizeHorizontal:
        return Qt::SizeHorCursor;
    case CropCursor::Move:
        return Qt::SizeAllCursor;
    case CropCursor::Arrow:
        break;
    }
    return Qt::ArrowCursor;
}

} // namespace

TCropShape::TCropShape(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Cropper"));
    // The cursor has to follow the zones before any button is pressed.
    setMouseTracking(true);
    FollowBounds();
}

void TCropShape::SetColor(const QColor& color)
{
    color_ = color;
    update();
}

void TCropShape::SetLimit(const CropLimit& limit)
{
    geometry_.SetLimit(limit);
    FollowBounds();
}

void TCropShape::SetBounds(const QRect& bounds)
{
    geometry_.SetBounds(bounds);
    FollowBounds();
}

FrameCrop TCropShape::CropInFrame(double h_scale, double v_scale) const
{
    return geometry_.CropInFrame(h_scale, v_scale);
}

void TCropShape::SetCropInFrame(const FrameCrop& crop, double h_scale, double v_scale)
{
    geometry_.SetCropInFrame(crop, h_scale, v_scale);
    FollowBounds();
}

void TCropShape::SetResizable(bool resizable)
{
    geometry_.SetResizable(resizable);
}

void TCropShape::Outline()
{
    // Queued rather than immediate so the outline reaches the screen together with the frame
    // that was just painted under it.
    update();
}

void TCropShape::FollowBounds()
{
    const QRect bounds = geometry_.Bounds();
    if (bounds == geometry())
        return;
    setGeometry(bounds);
    emit boundsChanged(bounds);
}

QPoint TCropShape::InParent(const QMouseEvent* event) const
{
    return mapToParent(event->position().toPoint());
}

void TCropShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(color_, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TCropShape::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    geometry_.BeginDrag(InParent(event));
    event->accept();
}

void TCropShape::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = InParent(event);
    if (geometry_.Dragging()) {
        geometry_.DragTo(point);
        FollowBounds();
    } else {
        setCursor(CursorShapeFor(CropGeometry::CursorFor(geometry_.ZoneAt(point))));
    }
    event->accept();
}

void TCropShape::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    geometry_.EndDrag();
    event->accept();
}

} // namespace fw
