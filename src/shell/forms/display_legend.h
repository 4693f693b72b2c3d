#pragma once

#include <cstdint>

#include <QPointF>
#include <QWidget>

class QLabel;

namespace fw {

struct ClipWindowParts;
struct LegendPositions;
struct ShownTime;

// The legend under a clip window's picture: the frame number, the reticle position and the
// time, each in a panel of its own that the view options show or hide.
class DisplayLegend : public QWidget {
    Q_OBJECT
public:
    explicit DisplayLegend(QWidget* parent);

    // Shows the panels the view asks for, and the legend itself when any of them shows.
    void ShowParts(const ClipWindowParts& parts);
    // The legend over `area` of its window, its panels at these left edges.
    void Place(const QRect& area, const LegendPositions& at);

    void ShowCounters(int32_t frame_number, const ShownTime& time);
    // Frame pixels from the bottom left of the picture.
    void ShowReticle(QPointF point);

private:
    QLabel* frame_panel_;
    QLabel* reticle_panel_;
    QWidget* time_panel_;
    QLabel* time_value_;
    QLabel* time_unit_;
};

} // namespace fw
