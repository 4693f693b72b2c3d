#pragma once

#include <QColor>
#include <QPointF>

class QPainter;

namespace fw {

// Draws marker 0..7 of the measurement objects centred on a point, `size` pixels across:
// circle, diamond, plus, star, square, cross, small square, hourglass. Points that tracking found
// are drawn dashed, with a dot on the point itself, so that they stand apart from clicked ones.
void DrawPolymarker(
    QPainter& painter, int marker, QPointF centre, double size, const QColor& colour, bool tracked = false);

// 0x00BBGGRR as the object colours are kept.
QColor ColourOfBgr(uint32_t bgr);

} // namespace fw
