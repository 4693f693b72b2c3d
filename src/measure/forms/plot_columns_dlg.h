#pragma once

#include <vector>

#include <QDialog>

class QListWidget;
class QPushButton;

namespace fw {

class MeasureSheet;
class TSheetElement;

// Chooses the shown columns of the data sheet to plot: a list of them in grid order, each
// with a check box, at most kMaxGraphSignals checked.
class PlotColumnsDlg : public QDialog {
    Q_OBJECT
public:
    PlotColumnsDlg(const MeasureSheet& sheet, const std::vector<const TSheetElement*>& checked,
        QWidget* parent = nullptr);

    // The checked columns in grid order.
    std::vector<const TSheetElement*> Chosen() const;
    int ColumnCount() const { return int(columns_.size()); }

private:
    // At the limit the unchecked columns cannot be checked; OK needs one column at least.
    void UpdateChecks();

    std::vector<const TSheetElement*> columns_;
    QListWidget* list_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace fw
