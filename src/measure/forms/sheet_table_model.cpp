#include "measure/forms/sheet_table_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include "measure/frame_object.h"
#include "measure/measure_sheet.h"
#include "measure/sheet_elements.h"

namespace fw {

namespace {

const QColor kTargetColour(0x00, 0x80, 0x80); // teal
// Cells of points that tracking found are written in blue italics, clicked ones as before.
const QColor kTrackedColour(0x1A, 0x4F, 0xA8);

} // namespace

SheetTableModel::SheetTableModel(MeasureSheet& sheet, QObject* parent)
    : QAbstractTableModel(parent)
    , sheet_(sheet)
    , rows_(std::max(sheet.RowCount() - kSheetHeaderRows, 0))
    , columns_(sheet.ColumnCount())
{
    sheet_.TakeChanges();
}

int SheetTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int SheetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
}

QVariant SheetTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return sheet_.CellText(index.column(), index.row() + kSheetHeaderRows);
    case Qt::BackgroundRole:
        if (index.column() == target_column_ && index.row() == target_frame_)
            return QBrush(kTargetColour);
        return {};
    case Qt::TextAlignmentRole:
        return int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        return Confidence(index) ? QVariant(QBrush(kTrackedColour)) : QVariant();
    case Qt::FontRole:
        return TrackedFont(index);
    case Qt::ToolTipRole:
        if (const std::optional<float> confidence = Confidence(index))
            return QStringLiteral("Tracked, confidence %1").arg(double(*confidence), 0, 'f', 3);
        return {};
    default:
        return {};
    }
}

std::optional<float> SheetTableModel::Confidence(const QModelIndex& index) const
{
    return sheet_.CellConfidence(index.column(), index.row() + kSheetHeaderRows);
}

QVariant SheetTableModel::TrackedFont(const QModelIndex& index) const
{
    if (!Confidence(index))
        return {};
    QFont font = font_;
    font.setItalic(true);
    return font;
}

QVariant SheetTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal) {
        // Why a filtered column is empty, or what to beware of in it.
        const TSheetElement* column = sheet_.ColumnAt(section);
        const QString note = column ? column->FilterNote() : QString();
        return note.isEmpty() ? QVariant() : QVariant(note);
    }
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section;
    QStringList lines;
    for (int row = 0; row < kSheetHeaderRows; ++row)
        lines << sheet_.CellText(section, row);
    return lines.join(QLatin1Char('\n'));
}

void SheetTableModel::Refresh()
{
    const SheetChanges changes = sheet_.TakeChanges();
    const int rows = std::max(sheet_.RowCount() - kSheetHeaderRows, 0);
    if (changes.layout || rows != rows_ || sheet_.ColumnCount() != columns_) {
        beginResetModel();
        rows_ = rows;
        columns_ = sheet_.ColumnCount();
        endResetModel();
        return;
    }
    if (changes.all_cells) {
        if (rows_ > 0)
            emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
        emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
        return;
    }
    for (const auto& [column, frame] : changes.cells) {
        const int grid_column = column ? column->GridColumn() : -1;
        if (grid_column >= 0 && grid_column < columns_ && frame >= 0 && frame < rows_)
            emit dataChanged(index(frame, grid_column), index(frame, grid_column));
    }
}

void SheetTableModel::SetTarget(int grid_column, int32_t frame)
{
    const int old_column = target_column_;
    const int32_t old_frame = target_frame_;
    target_column_ = grid_column;
    target_frame_ = frame;
    for (const auto& [c, f] : { std::pair { old_column, old_frame }, std::pair { grid_column, frame } })
        if (c >= 0 && c < columns_ && f >= 0 && f < rows_)
            emit dataChanged(index(f, c), index(f, c), { Qt::BackgroundRole });
}

} // namespace fw
