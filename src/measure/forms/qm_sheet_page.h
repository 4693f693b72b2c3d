#pragma once

#include <cstdint>
#include <vector>

#include <QWidget>

#include "measure/sheet_text.h"

class QMenu;
class QTableView;

namespace fw {

class SheetTableModel;
class TMotionDataBase;
class TSheetElement;

// The Collection page of Quick Measure: the data sheet as a grid. Its cells and headers choose
// frame and target, it copies as text, and its columns are hidden and shown again here.
class QMSheetPage : public QWidget {
    Q_OBJECT
public:
    QMSheetPage(TMotionDataBase& db, QWidget* parent = nullptr);

    // Shows what changed in the sheet since the last call.
    void Refresh();
    // The cell the next click fills: grid column and frame; a negative column clears it.
    void SetTarget(int grid_column, int32_t frame);
    void ScrollToFrame(int32_t frame);
    // Widens "Time" for times with so many decimals.
    void SetTimeDecimals(int decimals);

    // The sheet as text: grid format (tabs, CR) or data format (tabs, CR LF, empty rows left
    // out), for the selection or everything.
    QString CopyText(bool all, bool grid_format) const;
    void CopyToClipboard(bool all, bool grid_format);
    // The object columns of the selected cells, in grid order.
    std::vector<TSheetElement*> SelectedColumns() const;
    void HideSelectedColumns();
    // Lists the hidden columns; choosing one shows it again, "All" the default set.
    void FillShowMenu(QMenu& menu);
    void SelectAll();

signals:
    // A cell was clicked: its frame row, or -1 for a column header.
    void CellClicked(int row, int grid_column);
    // Columns were hidden or shown.
    void ColumnsChanged();

private:
    // The rows and columns around the selected cells; everything without a selection.
    SheetBlock SelectedBlock() const;

    TMotionDataBase& db_;
    SheetTableModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
};

} // namespace fw
