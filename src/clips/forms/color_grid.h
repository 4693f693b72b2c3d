#pragma once

#include <QWidget>

#include "clips/processing_color_table.h"

namespace fw {

// Sixteen colour cells in four rows; clicking a cell that holds a colour chooses it. Empty cells
// are drawn hatched and ignore clicks.
class TFWColorGrid : public QWidget {
    Q_OBJECT
public:
    explicit TFWColorGrid(QWidget* parent = nullptr);

    void SetColors(const CustomColors& colors);
    const CustomColors& Colors() const { return colors_; }
    QRect CellRect(int cell) const;
    // -1 when the point is on no cell.
    int CellAt(const QPoint& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void ColorChosen(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CustomColors colors_;
};

} // namespace fw
