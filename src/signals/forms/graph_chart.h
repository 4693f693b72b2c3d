#pragma once

#include <vector>

#include <QPoint>
#include <QString>

#include <qcustomplot.h>

#include "signals/graph_appearance.h"
#include "signals/graph_layout.h"

class QRubberBand;

namespace fw {

enum class GraphScaling { Auto, Linear, Log };

// One signal as the chart holds it: its names, sample times and values (NaN for a gap).
struct ChartSignal {
    QString name;
    QString y_label;
    SampleTimes times;
    std::vector<double> values;
    // A colour of its own; invalid: the colour of its position. An axis carrying signals with
    // colours of their own is drawn in the text colour.
    QColor colour;
    // Each sample drawn as a dot as well, for data sampled sparsely.
    bool sample_dots = false;
};

// Where on the chart a point lies, by the plot areas stacked in it.
enum class ChartRegion { Above, Inside, Below, Beside };

// The signal chart: stacked plot areas sharing one time axis, value axes per the layout plan,
// a legend of the signals and a crosshair cursor. The cursor lives on a layer of its own with
// its own paint buffer, so moving it repaints that layer alone and never the curves.
// A drag inside a plot area zooms to the dragged rectangle; single clicks are reported.
class TGraphChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit TGraphChart(QWidget* parent = nullptr);

    // No signals, no areas.
    void ResetChart();
    void Plot(std::vector<ChartSignal> series, const GraphLayoutPlan& plan, GraphScaling scaling,
        const QString& title, const QString& x_label);
    // New samples for the signals plotted, in the same order and on the same axes: the zoom and
    // the cursor stay; an unzoomed chart rescales to the new values. False, and nothing
    // changed, when the count differs.
    bool UpdateSignals(std::vector<ChartSignal> series);
    void ApplyAppearance(const GraphAppearance& look);
    const GraphAppearance& Appearance() const { return look_; }

    int SignalCount() const { return int(signals_.size()); }
    const ChartSignal& Signal(int index) const { return signals_[size_t(index)]; }
    const GraphLayoutPlan& Plan() const { return plan_; }
    QString XLabel() const { return x_label_; }
    int AreaCount() const { return int(areas_.size()); }
    QCPAxisRect* Area(int area) const { return areas_[size_t(area)]; }
    QCPAxis* ValueAxisOf(int signal) const;
    int AreaOf(int signal) const;
    QCPGraph* GraphOf(int signal) const { return graphs_[size_t(signal)]; }
    QColor ColourOf(int signal) const;

    // The cursor: a signal and one of its points.
    void SetCursor(int signal, int32_t point);
    int CursorSignal() const { return cursor_signal_; }
    int32_t CursorPoint() const { return cursor_point_; }
    double CursorX() const;
    double CursorY() const;

    // Pixel geometry.
    ChartRegion RegionAt(const QPoint& pixel, int* area = nullptr) const;
    double TimeAtPixel(int x) const;
    // The value of a signal's axis at a pixel row.
    double ValueAtPixel(int signal, int y) const;
    // A point of a signal of the given area within a few pixels of the pixel; false if none.
    bool PointNear(const QPoint& pixel, int area, int& signal, int32_t& point) const;
    // The signal of the legend entry under the pixel, or -1.
    int LegendSignalAt(const QPoint& pixel) const;

    // Zoom: the time range shown, and back to all of it.
    bool Zoomed() const { return zoomed_; }
    void ZoomTo(const QRect& pixels, int area);
    void ZoomOut();
    // Moves the zoomed time range by a share of its width (negative: earlier).
    void ScrollTimes(double share);
    QCPRange VisibleTimes() const;

signals:
    void leftClicked(const QPoint& pixel);
    void mouseMovedTo(const QPoint& pixel);
    void zoomChanged();
    void cursorKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // While zoomed the wheel scrolls the time range.
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildAreas(const QString& title);
    void BuildAxes(GraphScaling scaling);
    void BuildGraphs();
    void FillGraph(int signal);
    QColor AxisColour(int axis) const;
    void BuildCursor();
    void SyncTimeAxes(const QCPRange& range);
    void RescaleAll();
    void StyleAxis(QCPAxis* axis, const QColor& colour);
    void PlaceCursor();

    GraphAppearance look_;
    std::vector<ChartSignal> signals_;
    GraphLayoutPlan plan_;
    QString x_label_;
    std::vector<QCPAxisRect*> areas_;
    std::vector<QCPAxis*> value_axes_; // per axis of the plan
    std::vector<QCPGraph*> graphs_; // per signal
    QCPMarginGroup* margins_ = nullptr;
    QCPLegend* legend_box_ = nullptr;
    QCPTextElement* title_ = nullptr;
    QCPLayer* cursor_layer_ = nullptr;
    std::vector<QCPItemStraightLine*> cursor_verticals_; // per area
    QCPItemStraightLine* cursor_horizontal_ = nullptr;
    QCPItemTracer* cursor_mark_ = nullptr;
    int cursor_signal_ = 0;
    int32_t cursor_point_ = 0;
    bool zoomed_ = false;
    bool syncing_ = false;

    // A press inside a plot area starts a possible zoom drag.
    QRubberBand* band_ = nullptr;
    QPoint press_at_;
    int press_area_ = -1;
    bool pressed_ = false;
};

} // namespace fw
