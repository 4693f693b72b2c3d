#include "clips/forms/color_grid.h"

#include <QMouseEvent>
#include <QPainter>

namespace fw {

namespace {

constexpr int kColumns = 4;
constexpr int kCellSide = 28;
constexpr int kGap = 4;

} // namespace

TFWColorGrid::TFWColorGrid(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ColorGrid"));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TFWColorGrid::SetColors(const CustomColors& colors)
{
    colors_ = colors;
    update();
}

QRect TFWColorGrid::CellRect(int cell) const
{
    const int column = cell % kColumns;
    const int row = cell / kColumns;
    return { kGap + column * (kCellSide + kGap), kGap + row * (kCellSide + kGap), kCellSide, kCellSide };
}

int TFWColorGrid::CellAt(const QPoint& point) const
{
    for (int cell = 0; cell < kCustomColorCount; ++cell)
        if (CellRect(cell).contains(point))
            return cell;
    return -1;
}

QSize TFWColorGrid::sizeHint() const
{
    const int rows = (kCustomColorCount + kColumns - 1) / kColumns;
    return { kGap + kColumns * (kCellSide + kGap), kGap + rows * (kCellSide + kGap) };
}

void TFWColorGrid::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    for (int cell = 0; cell < kCustomColorCount; ++cell) {
        const QRect rect = CellRect(cell);
        const std::optional<QColor>& color = colors_[size_t(cell)];
        if (color)
            painter.fillRect(rect, *color);
        else
            painter.fillRect(rect, QBrush(palette().color(QPalette::Mid), Qt::BDiagPattern));
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

void TFWColorGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int cell = CellAt(event->position().toPoint());
    if (cell >= 0 && colors_[size_t(cell)])
        emit ColorChosen(*colors_[size_t(cell)]);
}

} // namespace fw
