#include "measure/forms/measured_plot.h"

#include "measure/forms/plot_columns_dlg.h"
#include "measure/measured_signals.h"
#include "measure/motion_data_base.h"
#include "shell/forms/display_form.h"
#include "signals/forms/graph_form.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

const QString kPlacementName = QStringLiteral("MeasuredGraphForm");

} // namespace

MeasuredPlot::MeasuredPlot(TDisplayForm& display, TMotionDataBase& db, SettingsStore* settings)
    : display_(display)
    , db_(db)
    , settings_(settings)
    , signals_(std::make_unique<MeasuredSignals>(db))
{
}

MeasuredPlot::~MeasuredPlot()
{
    // Closing stores the window's place and look, as the clip window's own graph does.
    if (graph_) {
        graph_->close();
        delete graph_;
    }
}

bool MeasuredPlot::ChooseAndPlot(const std::vector<const TSheetElement*>& checked)
{
    if (db_.Sheet().ColumnCount() <= 1) {
        showInformation(QStringLiteral("The sheet shows no columns to plot. Show them first."),
            QStringLiteral("Plot Measured Data"));
        return false;
    }
    PlotColumnsDlg dialog(db_.Sheet(), checked.empty() ? signals_->Columns() : checked, &display_);
    if (!TGraphForm::RunDialog(dialog) || dialog.Chosen().empty())
        return false;
    signals_->SetColumns(dialog.Chosen());
    MakeGraph().PlotSource(signals_.get());
    return true;
}

TGraphForm& MeasuredPlot::MakeGraph()
{
    if (!graph_) {
        graph_ = new TGraphForm(&display_, &display_, settings_, kPlacementName);
        graph_->SetSignalsCommand([this] { ChooseAndPlot({}); });
    }
    return *graph_;
}

TGraphForm* MeasuredPlot::Graph() const
{
    return graph_;
}

void MeasuredPlot::FrameChanged()
{
    if (graph_ && graph_->isVisible())
        graph_->VideoTimeChanged(display_.CurrentTime());
}

} // namespace fw
