#include "measure/measure_sheet.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

#include "clips/descriptor_block.h"
#include "measure/frame_object.h"
#include "measure/sheet_elements.h"

namespace fw {

MeasureSheet::MeasureSheet(const TFrameObjectList& frames)
    : frames_(frames)
{
}

void MeasureSheet::SetLastFrame(int32_t last_frame)
{
    last_frame_ = std::clamp<int32_t>(last_frame, -1, INT32_MAX - kSheetHeaderRows - 1);
    NoteLayout();
    NoteAllCells();
}

int MeasureSheet::RowCount() const
{
    return kSheetHeaderRows + last_frame_ + 1;
}

TSheetElement* MeasureSheet::ColumnAt(int grid_column) const
{
    if (grid_column < 1 || grid_column > int(shown_.size()))
        return nullptr;
    return shown_[size_t(grid_column - 1)];
}

QString MeasureSheet::CellText(int grid_column, int grid_row) const
{
    if (grid_column < 0 || grid_column >= ColumnCount() || grid_row < 0 || grid_row >= RowCount())
        return {};
    const int32_t frame_number = grid_row - kSheetHeaderRows;
    if (grid_column == 0) {
        if (grid_row == 1)
            return QStringLiteral("Time");
        if (grid_row == 2)
            return QStringLiteral("ms");
        return grid_row == 0 ? QString() : TimeText(frame_number);
    }
    const TSheetElement* column = shown_[size_t(grid_column - 1)];
    if (grid_row < kSheetHeaderRows)
        return column->HeaderText(grid_row);
    return column->Text(frame_number);
}

std::optional<float> MeasureSheet::CellConfidence(int grid_column, int grid_row) const
{
    const TSheetElement* column = ColumnAt(grid_column);
    if (!column || grid_row < kSheetHeaderRows || grid_row >= RowCount())
        return std::nullopt;
    return column->TrackedConfidence(grid_row - kSheetHeaderRows);
}

QString MeasureSheet::TimeText(int32_t frame_number) const
{
    return FormatTimeCell(frames_.FrameTime(frame_number), frames_.TimeDecimals());
}

void MeasureSheet::AppendColumn(TSheetElement* column)
{
    if (std::find(shown_.begin(), shown_.end(), column) != shown_.end())
        return;
    shown_.push_back(column);
    column->SetGridColumn(int(shown_.size()));
    NoteLayout();
}

void MeasureSheet::RemoveColumn(TSheetElement* column)
{
    const auto it = std::find(shown_.begin(), shown_.end(), column);
    if (it == shown_.end())
        return;
    shown_.erase(it);
    column->SetGridColumn(0);
    // A hidden column may be freed next; no change may point at it.
    std::erase_if(changes_.cells, [column](const auto& cell) { return cell.first == column; });
    Renumber();
    NoteLayout();
}

void MeasureSheet::MoveColumn(int from_grid_column, int to_grid_column)
{
    const int count = int(shown_.size());
    if (from_grid_column < 1 || from_grid_column > count || to_grid_column < 1 || to_grid_column > count
        || from_grid_column == to_grid_column)
        return;
    TSheetElement* column = shown_[size_t(from_grid_column - 1)];
    shown_.erase(shown_.begin() + (from_grid_column - 1));
    shown_.insert(shown_.begin() + (to_grid_column - 1), column);
    Renumber();
    NoteLayout();
}

void MeasureSheet::Renumber()
{
    for (size_t i = 0; i < shown_.size(); ++i)
        shown_[i]->SetGridColumn(int(i) + 1);
}

void MeasureSheet::NoteCell(const TSheetElement* column, int32_t frame_number)
{
    if (!changes_.all_cells)
        changes_.cells.emplace_back(column, frame_number);
    Tell(column);
}

void MeasureSheet::NoteAllCells()
{
    changes_.all_cells = true;
    Tell(nullptr);
}

void MeasureSheet::NoteLayout()
{
    changes_.layout = true;
    Tell(nullptr);
}

int MeasureSheet::AddListener(SheetListener listener)
{
    const int id = next_listener_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void MeasureSheet::RemoveListener(int id)
{
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void MeasureSheet::Tell(const TSheetElement* column) const
{
    for (const auto& [id, listener] : listeners_)
        listener(column);
}

SheetChanges MeasureSheet::TakeChanges()
{
    SheetChanges taken = std::move(changes_);
    changes_ = {};
    if (taken.all_cells)
        taken.cells.clear();
    return taken;
}

QString FormatTimeCell(double time_ms, int decimals)
{
    if (!std::isfinite(time_ms))
        return {};
    char text[400];
    const auto result = std::to_chars(
        text, text + sizeof text, time_ms, std::chars_format::fixed, std::clamp(decimals, 0, 20));
    QString shown = QString::fromLatin1(text, qsizetype(result.ptr - text));
    // A time that rounds to zero is shown without a sign.
    if (shown.startsWith(u'-')
        && std::none_of(shown.begin(), shown.end(), [](QChar c) { return c >= u'1' && c <= u'9'; }))
        shown.remove(0, 1);
    return shown;
}

QString FormatValueCell(double value)
{
    return QString::fromStdString(FormatGeneral(value, 6));
}

} // namespace fw
