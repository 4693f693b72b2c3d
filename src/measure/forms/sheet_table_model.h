#pragma once

#include <QAbstractTableModel>
#include <QFont>

#include <optional>

namespace fw {

class MeasureSheet;

// The data sheet as a table: one row per frame, the "Time" column first; the three header
// rows (object, quantity, unit) make the column headers. The collection target cell is teal;
// cells of tracked points are blue italics with their confidence as a tip.
class SheetTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit SheetTableModel(MeasureSheet& sheet, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Takes what changed in the sheet since the last call and tells the views.
    void Refresh();
    // The cell the next click fills: grid column and frame; a negative column clears it.
    void SetTarget(int grid_column, int32_t frame);
    // The grid's font, which the cells of tracked points show in italics.
    void SetFont(const QFont& font) { font_ = font; }

private:
    // The confidence of a cell's tracked point; nothing for clicked points.
    std::optional<float> Confidence(const QModelIndex& index) const;
    QVariant TrackedFont(const QModelIndex& index) const;

    MeasureSheet& sheet_;
    int rows_ = 0;
    int columns_ = 0;
    int target_column_ = -1;
    int32_t target_frame_ = -1;
    QFont font_;
};

} // namespace fw
