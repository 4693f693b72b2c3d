#pragma once

#include <memory>
#include <vector>

#include <QPointer>

class QWidget;

namespace fw {

class MeasuredSignals;
class SettingsStore;
class TDisplayForm;
class TGraphForm;
class TMotionDataBase;
class TSheetElement;

// The plot of measured data of one Quick Measure window: the columns the user chooses, in a
// signal graph window that follows the clip window as the graphs of signal files do. The curves
// follow the sheet as points are collected. Destroy it before the motion database.
class MeasuredPlot {
public:
    MeasuredPlot(TDisplayForm& display, TMotionDataBase& db, SettingsStore* settings);
    ~MeasuredPlot();
    MeasuredPlot(const MeasuredPlot&) = delete;
    MeasuredPlot& operator=(const MeasuredPlot&) = delete;

    // Lets the user choose among the shown columns, the given ones checked (the columns plotted
    // last when none are given), and plots them; false when cancelled or nothing is shown. The
    // choice runs as the graph's dialogs do (TGraphForm::SetDialogRunner).
    bool ChooseAndPlot(const std::vector<const TSheetElement*>& checked);
    // The clip window shows another frame: the cursor follows.
    void FrameChanged();

    // Null until the first plot.
    TGraphForm* Graph() const;
    const MeasuredSignals& Signals() const { return *signals_; }

private:
    TGraphForm& MakeGraph();

    TDisplayForm& display_;
    TMotionDataBase& db_;
    SettingsStore* settings_;
    std::unique_ptr<MeasuredSignals> signals_;
    QPointer<TGraphForm> graph_;
};

} // namespace fw
