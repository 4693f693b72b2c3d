#pragma once

#include <QAbstractTableModel>

namespace fw {

class MeasureSheet;

// The data sheet as a table: one row per frame, the "Time" column first; the three header
// rows (object, quantity, unit) make the column headers. The collection target cell is teal.
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

private:
    MeasureSheet& sheet_;
    int rows_ = 0;
    int columns_ = 0;
    int target_column_ = -1;
    int32_t target_frame_ = -1;
};

} // namespace fw
