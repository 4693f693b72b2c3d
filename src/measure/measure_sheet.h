#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace fw {

class TFrameObjectList;
class TSheetElement;

// What changed in the sheet since the window last asked.
struct SheetChanges {
    // Columns were shown, hidden, moved or their headers changed.
    bool layout = false;
    // Every cell may have changed (units, scale, referencing, time base).
    bool all_cells = false;
    // Single cells of shown columns, by column and frame number; may repeat.
    std::vector<std::pair<const TSheetElement*, int32_t>> cells;
};

// Told of every change as the sheet notes it: the column whose cell changed, or nullptr when
// every cell or the layout may have changed (a column shown, hidden, moved, renamed). A column
// being hidden has left the sheet by the time its listeners hear of it.
using SheetListener = std::function<void(const TSheetElement* column)>;

// The data sheet as a table of texts: column 0 is "Time", then the shown object columns in
// grid order; three header rows, then one row per frame from 0 to the last frame of the clip.
class MeasureSheet {
public:
    explicit MeasureSheet(const TFrameObjectList& frames);

    int32_t LastFrame() const { return last_frame_; }
    void SetLastFrame(int32_t last_frame);
    int RowCount() const;
    int ColumnCount() const { return int(shown_.size()) + 1; }
    // The column of a grid position; nullptr for "Time" and outside the grid.
    TSheetElement* ColumnAt(int grid_column) const;
    // A cell's text; empty outside the grid.
    QString CellText(int grid_column, int grid_row) const;
    QString TimeText(int32_t frame_number) const;
    // The confidence of the tracked point a cell shows; nothing for a clicked point, "Time",
    // the headers and cells outside the grid.
    std::optional<float> CellConfidence(int grid_column, int grid_row) const;

    // Used by the columns themselves when shown or hidden.
    void AppendColumn(TSheetElement* column);
    void RemoveColumn(TSheetElement* column);
    // Moves a shown column from one grid position to another, as a user's drag does.
    void MoveColumn(int from_grid_column, int to_grid_column);

    void NoteCell(const TSheetElement* column, int32_t frame_number);
    void NoteAllCells();
    void NoteLayout();
    SheetChanges TakeChanges();

    // Returns the number that removes the listener again. Listeners never add or remove
    // listeners while they are told.
    int AddListener(SheetListener listener);
    void RemoveListener(int id);

private:
    void Renumber();
    void Tell(const TSheetElement* column) const;

    const TFrameObjectList& frames_;
    int32_t last_frame_ = -1;
    std::vector<TSheetElement*> shown_;
    SheetChanges changes_;
    std::vector<std::pair<int, SheetListener>> listeners_;
    int next_listener_ = 1;
};

// Fixed notation with the given decimals.
QString FormatTimeCell(double time_ms, int decimals);
// General notation with six significant digits.
QString FormatValueCell(double value);

} // namespace fw
