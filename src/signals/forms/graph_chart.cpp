#include "signals/forms/graph_chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QApplication>
#include <QRubberBand>

namespace fw {

namespace {

// A press that moves further than this is a zoom drag, not a click.
constexpr int kDragPixels = 4;
// How close a click must come to a data point to hit it.
constexpr int kHotSpotPixels = 5;
// Global font size factor of the chart's titles.
constexpr double kTitleFontFactor = 1.2;

const QString kCursorLayer = QStringLiteral("cursor");

// The finite values of the signals, positive ones only for a logarithmic axis.
bool ValueRange(const std::vector<const ChartSignal*>& series, bool positive_only, double& low, double& high)
{
    low = std::numeric_limits<double>::infinity();
    high = -low;
    for (const ChartSignal* signal : series) {
        for (double value : signal->values) {
            if (!std::isfinite(value) || (positive_only && value <= 0.0))
                continue;
            low = std::min(low, value);
            high = std::max(high, value);
        }
    }
    return low <= high;
}

QCPRange PaddedRange(double low, double high, bool logarithmic)
{
    if (logarithmic) {
        if (low == high)
            return QCPRange(low / 2.0, high * 2.0);
        return QCPRange(low / 1.1, high * 1.1);
    }
    if (low == high) {
        const double half = low == 0.0 ? 1.0 : std::fabs(low) * 0.1;
        return QCPRange(low - half, high + half);
    }
    const double pad = (high - low) * 0.05;
    return QCPRange(low - pad, high + pad);
}

// "Auto" scaling goes logarithmic for positive data spanning three decades or more.
bool WantsLogScale(const std::vector<const ChartSignal*>& series)
{
    double low = 0.0, high = 0.0;
    if (!ValueRange(series, false, low, high) || low <= 0.0)
        return false;
    return high / low >= 1000.0;
}

QFont ChartFont(const GraphAppearance& look, double factor = 1.0, bool bold = false)
{
    QFont font = look.font_family.isEmpty() ? QApplication::font() : QFont(look.font_family);
    font.setPointSizeF(look.font_point_size * factor);
    font.setBold(bold);
    return font;
}

} // namespace

TGraphChart::TGraphChart(QWidget* parent)
    : QCustomPlot(parent)
{
    setObjectName(QStringLiteral("Graph1"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAutoAddPlottableToLegend(false);
    setInteractions(QCP::Interactions());
    setPlottingHint(QCP::phCacheLabels, true);
    margins_ = new QCPMarginGroup(this);
    addLayer(kCursorLayer, layer(QStringLiteral("axes")), limAbove);
    cursor_layer_ = layer(kCursorLayer);
    cursor_layer_->setMode(QCPLayer::lmBuffered);
    band_ = new QRubberBand(QRubberBand::Rectangle, this);
    look_ = GraphAppearance::Defaults();
    ResetChart();
}

void TGraphChart::ResetChart()
{
    clearItems();
    clearGraphs();
    plotLayout()->clear();
    signals_.clear();
    plan_ = GraphLayoutPlan();
    areas_.clear();
    value_axes_.clear();
    graphs_.clear();
    cursor_verticals_.clear();
    cursor_horizontal_ = nullptr;
    cursor_mark_ = nullptr;
    legend_box_ = nullptr;
    title_ = nullptr;
    cursor_signal_ = 0;
    cursor_point_ = 0;
    zoomed_ = false;
    pressed_ = false;
    band_->hide();
    setBackground(look_.desk_color);
    replot();
}

void TGraphChart::Plot(std::vector<ChartSignal> series, const GraphLayoutPlan& plan, GraphScaling scaling,
    const QString& title, const QString& x_label)
{
    ResetChart();
    signals_ = std::move(series);
    plan_ = plan;
    x_label_ = x_label;
    if (signals_.empty())
        return;
    BuildAreas(title);
    BuildAxes(scaling);
    BuildGraphs();
    BuildCursor();
    RescaleAll();
    ApplyAppearance(look_);
}

void TGraphChart::BuildAreas(const QString& title)
{
    int row = 0;
    if (!title.isEmpty()) {
        title_ = new QCPTextElement(this, title);
        plotLayout()->addElement(row, 0, title_);
        plotLayout()->setRowStretchFactor(row++, 0.001);
    }
    legend_box_ = new QCPLegend;
    plotLayout()->addElement(row, 0, legend_box_);
    plotLayout()->setRowStretchFactor(row++, 0.001);
    legend_box_->setLayer(QStringLiteral("legend"));
    legend_box_->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend_box_->setWrap(kMaxGraphSignals / 2);
    legend_box_->setBorderPen(Qt::NoPen);
    legend_box_->setBrush(Qt::NoBrush);
    legend_box_->setMargins(QMargins(4, 2, 4, 0));
    for (int area = 0; area < plan_.area_count; ++area) {
        auto* rect = new QCPAxisRect(this, true);
        plotLayout()->addElement(row, 0, rect);
        plotLayout()->setRowStretchFactor(row++, 1.0);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins_);
        areas_.push_back(rect);
    }
}

void TGraphChart::BuildAxes(GraphScaling scaling)
{
    for (size_t area = 0; area < areas_.size(); ++area) {
        QCPAxis* time_axis = areas_[area]->axis(QCPAxis::atBottom);
        const bool last = area + 1 == areas_.size();
        time_axis->setTickLabels(last);
        time_axis->setLabel(last ? x_label_ : QString());
        connect(time_axis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this](const QCPRange& range) { SyncTimeAxes(range); });
    }
    std::vector<int> axes_in_area(areas_.size(), 0);
    for (const AxisPlan& planned : plan_.axes) {
        QCPAxisRect* rect = areas_[size_t(planned.area)];
        QCPAxis* axis = axes_in_area[size_t(planned.area)]++ == 0 ? rect->axis(QCPAxis::atLeft)
                                                                  : rect->addAxis(QCPAxis::atLeft);
        std::vector<const ChartSignal*> carried;
        QStringList labels;
        for (int signal : planned.members) {
            carried.push_back(&signals_[size_t(signal)]);
            if (!labels.contains(signals_[size_t(signal)].y_label))
                labels << signals_[size_t(signal)].y_label;
        }
        axis->setLabel(labels.join(QStringLiteral(", ")));
        const bool log
            = scaling == GraphScaling::Log || (scaling == GraphScaling::Auto && WantsLogScale(carried));
        if (log) {
            axis->setScaleType(QCPAxis::stLogarithmic);
            axis->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
        }
        value_axes_.push_back(axis);
    }
}

void TGraphChart::BuildGraphs()
{
    for (size_t i = 0; i < signals_.size(); ++i) {
        const ChartSignal& signal = signals_[i];
        const int axis = plan_.AxisOf(int(i));
        QCPAxis* value_axis = value_axes_[size_t(axis)];
        QCPGraph* graph = addGraph(value_axis->axisRect()->axis(QCPAxis::atBottom), value_axis);
        graph->setName(signal.name);
        graph->setLineStyle(QCPGraph::lsLine);
        graph->addToLegend(legend_box_);
        graphs_.push_back(graph);
        FillGraph(int(i));
    }
}

void TGraphChart::FillGraph(int signal)
{
    const ChartSignal& series = signals_[size_t(signal)];
    QVector<QCPGraphData> data(qsizetype(series.values.size()));
    for (size_t k = 0; k < series.values.size(); ++k)
        data[qsizetype(k)] = QCPGraphData(series.times.TimeOf(int64_t(k)), series.values[k]);
    graphs_[size_t(signal)]->data()->set(data, series.times.period_ms > 0.0);
}

bool TGraphChart::UpdateSignals(std::vector<ChartSignal> series)
{
    if (series.size() != signals_.size())
        return false;
    signals_ = std::move(series);
    for (int i = 0; i < SignalCount(); ++i)
        FillGraph(i);
    if (!zoomed_)
        RescaleAll();
    SetCursor(cursor_signal_, cursor_point_);
    replot();
    return true;
}

void TGraphChart::BuildCursor()
{
    for (QCPAxisRect* rect : areas_) {
        auto* line = new QCPItemStraightLine(this);
        line->setLayer(cursor_layer_);
        line->setClipAxisRect(rect);
        for (QCPItemPosition* end : { line->point1, line->point2 }) {
            end->setAxisRect(rect);
            end->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            end->setTypeX(QCPItemPosition::ptPlotCoords);
            end->setTypeY(QCPItemPosition::ptAxisRectRatio);
        }
        line->point1->setCoords(0.0, 0.0);
        line->point2->setCoords(0.0, 1.0);
        cursor_verticals_.push_back(line);
    }
    cursor_horizontal_ = new QCPItemStraightLine(this);
    cursor_horizontal_->setLayer(cursor_layer_);
    cursor_mark_ = new QCPItemTracer(this);
    cursor_mark_->setLayer(cursor_layer_);
    cursor_mark_->setStyle(QCPItemTracer::tsCircle);
    cursor_mark_->setSize(7.0);
}

void TGraphChart::RescaleAll()
{
    double first = std::numeric_limits<double>::infinity();
    double last = -first;
    for (const ChartSignal& signal : signals_) {
        if (signal.times.count <= 0)
            continue;
        const double a = signal.times.TimeOf(0);
        const double b = signal.times.TimeOf(signal.times.count - 1);
        first = std::min({ first, a, b });
        last = std::max({ last, a, b });
    }
    if (!(first <= last)) {
        first = 0.0;
        last = 1.0;
    } else if (first == last) {
        first -= 1.0;
        last += 1.0;
    }
    SyncTimeAxes(QCPRange(first, last));
    for (size_t axis = 0; axis < value_axes_.size(); ++axis) {
        std::vector<const ChartSignal*> carried;
        for (int signal : plan_.axes[axis].members)
            carried.push_back(&signals_[size_t(signal)]);
        const bool log = value_axes_[axis]->scaleType() == QCPAxis::stLogarithmic;
        double low = 0.0, high = 0.0;
        if (ValueRange(carried, log, low, high))
            value_axes_[axis]->setRange(PaddedRange(low, high, log));
        else
            value_axes_[axis]->setRange(log ? QCPRange(1.0, 10.0) : QCPRange(0.0, 1.0));
    }
}

void TGraphChart::SyncTimeAxes(const QCPRange& range)
{
    if (syncing_)
        return;
    syncing_ = true;
    for (QCPAxisRect* rect : areas_)
        rect->axis(QCPAxis::atBottom)->setRange(range);
    syncing_ = false;
}

void TGraphChart::StyleAxis(QCPAxis* axis, const QColor& colour)
{
    const QPen pen(colour, 1.0);
    axis->setBasePen(pen);
    axis->setTickPen(pen);
    axis->setSubTickPen(pen);
    axis->setLabelColor(colour);
    axis->setTickLabelColor(colour);
    axis->setLabelFont(ChartFont(look_, 1.0, look_.bold_titles));
    axis->setTickLabelFont(ChartFont(look_));
    axis->grid()->setPen(QPen(look_.grid_color, 0.0, Qt::DotLine));
    axis->grid()->setSubGridVisible(false);
    axis->grid()->setZeroLinePen(Qt::NoPen);
}

void TGraphChart::ApplyAppearance(const GraphAppearance& look)
{
    look_ = look;
    setBackground(look_.desk_color);
    for (QCPAxisRect* rect : areas_) {
        rect->setBackground(look_.graph_color);
        QCPAxis* time_axis = rect->axis(QCPAxis::atBottom);
        StyleAxis(time_axis, look_.text_color);
        time_axis->grid()->setVisible(look_.grid);
    }
    for (size_t axis = 0; axis < value_axes_.size(); ++axis) {
        StyleAxis(value_axes_[axis], AxisColour(int(axis)));
        // One grid per plot area, from its innermost scale.
        const bool innermost = value_axes_[axis] == value_axes_[axis]->axisRect()->axis(QCPAxis::atLeft);
        value_axes_[axis]->grid()->setVisible(look_.grid && innermost);
    }
    for (size_t i = 0; i < graphs_.size(); ++i) {
        graphs_[i]->setPen(QPen(ColourOf(int(i)), look_.line_width));
        if (signals_[i].sample_dots)
            graphs_[i]->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, ColourOf(int(i)), 4.0));
    }
    if (legend_box_) {
        legend_box_->setFont(ChartFont(look_));
        legend_box_->setTextColor(look_.text_color);
    }
    if (title_) {
        title_->setFont(ChartFont(look_, kTitleFontFactor, look_.bold_titles));
        title_->setTextColor(look_.text_color);
    }
    const QPen cursor_pen(look_.cursor_color, 1.0);
    for (QCPItemStraightLine* line : cursor_verticals_)
        line->setPen(cursor_pen);
    if (cursor_horizontal_) {
        cursor_horizontal_->setPen(QPen(look_.cursor_color, 1.0, Qt::DashLine));
        cursor_mark_->setPen(cursor_pen);
    }
    PlaceCursor();
    replot();
}

QColor TGraphChart::ColourOf(int signal) const
{
    const QColor own = signals_[size_t(signal)].colour;
    return own.isValid() ? own : SignalColor(signal);
}

QColor TGraphChart::AxisColour(int axis) const
{
    const int first = plan_.axes[size_t(axis)].members.front();
    return signals_[size_t(first)].colour.isValid() ? look_.text_color : SignalColor(first);
}

QCPAxis* TGraphChart::ValueAxisOf(int signal) const
{
    const int axis = plan_.AxisOf(signal);
    return axis < 0 ? nullptr : value_axes_[size_t(axis)];
}

int TGraphChart::AreaOf(int signal) const
{
    const int axis = plan_.AxisOf(signal);
    return axis < 0 ? -1 : plan_.axes[size_t(axis)].area;
}

void TGraphChart::SetCursor(int signal, int32_t point)
{
    if (signals_.empty())
        return;
    cursor_signal_ = std::clamp(signal, 0, SignalCount() - 1);
    const int32_t count = signals_[size_t(cursor_signal_)].times.count;
    cursor_point_ = count > 0 ? std::clamp(point, 0, count - 1) : 0;
    PlaceCursor();
    cursor_layer_->replot();
}

double TGraphChart::CursorX() const
{
    if (signals_.empty())
        return 0.0;
    return signals_[size_t(cursor_signal_)].times.TimeOf(cursor_point_);
}

double TGraphChart::CursorY() const
{
    if (signals_.empty())
        return std::numeric_limits<double>::quiet_NaN();
    const std::vector<double>& values = signals_[size_t(cursor_signal_)].values;
    return size_t(cursor_point_) < values.size() ? values[size_t(cursor_point_)]
                                                 : std::numeric_limits<double>::quiet_NaN();
}

void TGraphChart::PlaceCursor()
{
    if (signals_.empty() || !cursor_horizontal_)
        return;
    const double x = CursorX();
    const double y = CursorY();
    for (QCPItemStraightLine* line : cursor_verticals_) {
        line->point1->setCoords(x, 0.0);
        line->point2->setCoords(x, 1.0);
    }
    QCPAxis* value_axis = ValueAxisOf(cursor_signal_);
    QCPAxisRect* rect = value_axis->axisRect();
    QCPAxis* time_axis = rect->axis(QCPAxis::atBottom);
    cursor_horizontal_->setClipAxisRect(rect);
    for (QCPItemPosition* end : { cursor_horizontal_->point1, cursor_horizontal_->point2 }) {
        end->setAxisRect(rect);
        end->setAxes(time_axis, value_axis);
        end->setTypeX(QCPItemPosition::ptAxisRectRatio);
        end->setTypeY(QCPItemPosition::ptPlotCoords);
    }
    cursor_horizontal_->point1->setCoords(0.0, y);
    cursor_horizontal_->point2->setCoords(1.0, y);
    cursor_mark_->setClipAxisRect(rect);
    cursor_mark_->position->setAxisRect(rect);
    cursor_mark_->position->setAxes(time_axis, value_axis);
    cursor_mark_->position->setCoords(x, y);
    const bool has_value = std::isfinite(y);
    cursor_horizontal_->setVisible(has_value);
    cursor_mark_->setVisible(has_value);
}

ChartRegion TGraphChart::RegionAt(const QPoint& pixel, int* area) const
{
    if (area)
        *area = -1;
    if (areas_.empty())
        return ChartRegion::Beside;
    if (pixel.y() < areas_.front()->top())
        return ChartRegion::Above;
    if (pixel.y() > areas_.back()->bottom())
        return ChartRegion::Below;
    for (size_t i = 0; i < areas_.size(); ++i) {
        if (areas_[i]->rect().contains(pixel)) {
            if (area)
                *area = int(i);
            return ChartRegion::Inside;
        }
    }
    return ChartRegion::Beside;
}

double TGraphChart::TimeAtPixel(int x) const
{
    if (areas_.empty())
        return 0.0;
    return areas_.back()->axis(QCPAxis::atBottom)->pixelToCoord(x);
}

double TGraphChart::ValueAtPixel(int signal, int y) const
{
    QCPAxis* axis = ValueAxisOf(signal);
    return axis ? axis->pixelToCoord(y) : 0.0;
}

bool TGraphChart::PointNear(const QPoint& pixel, int area, int& signal, int32_t& point) const
{
    double best = kHotSpotPixels + 0.5;
    bool found = false;
    for (int s = 0; s < SignalCount(); ++s) {
        if (AreaOf(s) != area)
            continue;
        QCPGraph* graph = graphs_[size_t(s)];
        const ChartSignal& data = signals_[size_t(s)];
        const double a = graph->keyAxis()->pixelToCoord(pixel.x() - kHotSpotPixels);
        const double b = graph->keyAxis()->pixelToCoord(pixel.x() + kHotSpotPixels);
        int32_t first = 0, last = -1;
        data.times.PointsWithin(std::min(a, b), std::max(a, b), first, last);
        for (int32_t k = first; k <= last; ++k) {
            const double value = data.values[size_t(k)];
            if (!std::isfinite(value))
                continue;
            const double dx = graph->keyAxis()->coordToPixel(data.times.TimeOf(k)) - pixel.x();
            const double dy = graph->valueAxis()->coordToPixel(value) - pixel.y();
            const double distance = std::hypot(dx, dy);
            if (distance < best) {
                best = distance;
                signal = s;
                point = k;
                found = true;
            }
        }
    }
    return found;
}

int TGraphChart::LegendSignalAt(const QPoint& pixel) const
{
    if (!legend_box_)
        return -1;
    for (int i = 0; i < legend_box_->itemCount(); ++i) {
        auto* item = qobject_cast<QCPPlottableLegendItem*>(legend_box_->item(i));
        if (!item || !item->outerRect().contains(pixel))
            continue;
        const auto found = std::find(graphs_.begin(), graphs_.end(), item->plottable());
        if (found != graphs_.end())
            return int(found - graphs_.begin());
    }
    return -1;
}

void TGraphChart::ZoomTo(const QRect& pixels, int area)
{
    if (area < 0 || area >= AreaCount() || pixels.width() < 2)
        return;
    const double a = TimeAtPixel(pixels.left());
    const double b = TimeAtPixel(pixels.right());
    SyncTimeAxes(QCPRange(std::min(a, b), std::max(a, b)));
    if (pixels.height() >= 2) {
        for (QCPAxis* axis : value_axes_) {
            if (axis->axisRect() != areas_[size_t(area)])
                continue;
            const double low = axis->pixelToCoord(pixels.bottom());
            const double high = axis->pixelToCoord(pixels.top());
            axis->setRange(std::min(low, high), std::max(low, high));
        }
    }
    zoomed_ = true;
    PlaceCursor();
    replot();
    emit zoomChanged();
}

void TGraphChart::ZoomOut()
{
    RescaleAll();
    zoomed_ = false;
    PlaceCursor();
    replot();
    emit zoomChanged();
}

void TGraphChart::ScrollTimes(double share)
{
    if (!zoomed_ || areas_.empty())
        return;
    const QCPRange shown = VisibleTimes();
    SyncTimeAxes(QCPRange(shown.lower + shown.size() * share, shown.upper + shown.size() * share));
    PlaceCursor();
    replot();
    emit zoomChanged();
}

QCPRange TGraphChart::VisibleTimes() const
{
    if (areas_.empty())
        return QCPRange();
    return areas_.back()->axis(QCPAxis::atBottom)->range();
}

void TGraphChart::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) {
        QCustomPlot::mousePressEvent(event);
        return;
    }
    pressed_ = true;
    press_at_ = event->pos();
    RegionAt(press_at_, &press_area_);
    event->accept();
}

void TGraphChart::mouseMoveEvent(QMouseEvent* event)
{
    if (pressed_ && press_area_ >= 0 && (event->pos() - press_at_).manhattanLength() > kDragPixels) {
        const QRect bounds = areas_[size_t(press_area_)]->rect();
        band_->setGeometry(QRect(press_at_, event->pos()).normalized().intersected(bounds));
        band_->show();
    }
    emit mouseMovedTo(event->pos());
    event->accept();
}

void TGraphChart::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressed_) {
        QCustomPlot::mouseReleaseEvent(event);
        return;
    }
    pressed_ = false;
    if (band_->isVisible()) {
        band_->hide();
        ZoomTo(band_->geometry(), press_area_);
    } else {
        emit leftClicked(press_at_);
    }
    event->accept();
}

void TGraphChart::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (!zoomed_ || notches == 0) {
        event->ignore();
        return;
    }
    ScrollTimes(-0.1 * notches);
    event->accept();
}

void TGraphChart::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        emit cursorKey(event->key(), event->modifiers());
        event->accept();
        return;
    default:
        QCustomPlot::keyPressEvent(event);
    }
}

} // namespace fw
