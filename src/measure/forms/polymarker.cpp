#include "measure/forms/polymarker.h"

#include <array>
#include <cstdlib>
#include <vector>

#include <QPainter>
#include <QPainterPath>

namespace fw {

namespace {

// Points on a 1000 x 1000 design grid; a negative x starts a new stroke.
const std::array<std::vector<QPoint>, 8> kMarkers = { {
    {},
    { { 100, 500 }, { 500, 900 }, { 900, 500 }, { 500, 100 }, { 100, 500 } },
    { { 500, 100 }, { 500, 900 }, { -100, 500 }, { 900, 500 } },
    { { 500, 100 }, { 500, 900 }, { -100, 500 }, { 900, 500 }, { -100, 100 }, { 900, 900 }, { -100, 900 },
        { 900, 100 } },
    { { 100, 100 }, { 100, 900 }, { 900, 900 }, { 900, 100 }, { 100, 100 } },
    { { 100, 100 }, { 900, 900 }, { -100, 900 }, { 900, 100 } },
    { { 400, 400 }, { 400, 600 }, { 600, 600 }, { 600, 400 }, { 400, 400 } },
    { { 100, 100 }, { 900, 900 }, { 100, 900 }, { 900, 100 }, { 100, 100 } },
} };

} // namespace

void DrawPolymarker(
    QPainter& painter, int marker, QPointF centre, double size, const QColor& colour, bool tracked)
{
    painter.save();
    if (tracked) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(centre, 1.5, 1.5);
    }
    painter.setPen(QPen(colour, 1, tracked ? Qt::DashLine : Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    if (marker <= 0 || marker >= int(kMarkers.size())) {
        const double radius = size * 400.0 / 1000.0;
        painter.drawEllipse(centre, radius, radius);
        painter.restore();
        return;
    }
    QPainterPath path;
    bool first = true;
    for (const QPoint& point : kMarkers[size_t(marker)]) {
        const QPointF at(centre.x() - (std::abs(point.x()) - 500) * size / 1000.0,
            centre.y() - (point.y() - 500) * size / 1000.0);
        if (first || point.x() < 0)
            path.moveTo(at);
        else
            path.lineTo(at);
        first = false;
    }
    painter.drawPath(path);
    painter.restore();
}

QColor ColourOfBgr(uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace fw
