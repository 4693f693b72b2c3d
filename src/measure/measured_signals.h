#pragma once

#include <vector>

#include "signals/signal_source.h"

namespace fw {

class TFrameObjectList;
class TMotionDataBase;
class TSheetElement;

// A column's curve name: its header caption, which names the filter, and its object
// ("X Velocity, CFC 180 - Ball").
QString MeasuredSignalName(const TSheetElement& column);
// The axis title of a column's quantity in the sheet's units ("X Velocity (m/s)").
QString MeasuredAxisLabel(const TSheetElement& column);
// A shown column on the clip's time base: a sample every `step` frames from its first value to
// its last, where `step` is the largest spacing that meets every frame with a value, so that a
// sheet collected every fifth frame plots as one line. Frames in between without a value are
// gaps. The object's colour; one group per quantity, so objects overlay.
MemorySignal SignalOfColumn(const TSheetElement& column, const TFrameObjectList& frames);

// Columns of the data sheet as signals for a graph. Tells the graph whenever a plotted value or
// the sheet's layout changes; a column that is hidden leaves the plot, as its values leave the
// sheet.
class MeasuredSignals : public SignalSource {
    Q_OBJECT
public:
    explicit MeasuredSignals(TMotionDataBase& db, QObject* parent = nullptr);
    ~MeasuredSignals() override;

    // Shown columns only, the first kMaxGraphSignals of them; the others are left out.
    void SetColumns(const std::vector<const TSheetElement*>& columns);
    const std::vector<const TSheetElement*>& Columns() const { return columns_; }

    QString Name() const override;
    // Grouped by quantity in the order the quantities were chosen.
    std::vector<MemorySignal> Signals() const override;

private:
    void SheetChanged(const TSheetElement* column);
    // Drops the columns that left the sheet; compares addresses only, so a column being freed
    // is never read.
    void DropHiddenColumns();

    TMotionDataBase& db_;
    int listener_ = 0;
    std::vector<const TSheetElement*> columns_;
};

} // namespace fw
