#include "measure/forms/qm_form.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include "measure/forms/measured_plot.h"
#include "measure/forms/qm_reference_page.h"
#include "measure/forms/qm_sheet_page.h"
#include "measure/sheet_text.h"
#include "shell/forms/display_form.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

// ---------------------------------------------------------------------------------------------
// Collection

void TQMForm::CollectClick(int32_t frame, QPointF point)
{
    if (db_.UserObjects().empty()) {
        Prompt(QStringLiteral("Define an object on the Objects page first"));
        return;
    }
    int32_t next_frame = frame;
    try {
        const int step_frames = stored_.auto_step ? stored_.frame_step : 0;
        next_frame
            = target_.Collect(db_, frame, ImagePoint { float(point.x()), float(point.y()) }, step_frames);
        unexported_ = true;
    } catch (const Error& failure) {
        showError(QStringLiteral("Data Point not Created\r") + failure.message());
        return;
    }
    RefreshSheet();
    display_.RefreshPicture();
    // A moving reference without a sample here leaves the cells empty; say why.
    const std::optional<QString> reference_problem = db_.ReferenceProblem(frame);
    if (next_frame != frame) {
        display_.UserSeek(next_frame);
        if (reference_problem)
            Prompt(*reference_problem);
        return;
    }
    UpdateTarget();
    sheet_->ScrollToFrame(frame);
    UpdatePrediction();
    if (reference_problem)
        Prompt(*reference_problem);
}

void TQMForm::GridClicked(int row, int column)
{
    if (row >= 0 && row != target_.Frame()) {
        display_.UserSeek(row);
        return;
    }
    if (!target_.Choose(db_, column))
        return;
    UpdateTarget();
    UpdatePrediction();
}

void TQMForm::ObjectDeleted(bool was_reference)
{
    if (was_reference)
        reference_->FallBackToImagePoint();
    target_.Restart();
    reference_->RefillObjectChoice();
    RefreshSheet();
    UpdatePrediction();
    display_.RefreshPicture();
}

void TQMForm::UpdateTarget()
{
    if (!target_.Def(db_)) {
        sheet_->SetTarget(-1, -1);
        return;
    }
    sheet_->SetTarget(target_.GridColumn(db_), target_.Frame());
    Prompt(target_.PromptText(db_));
}

void TQMForm::UpdatePrediction()
{
    prediction_.reset();
    if (const std::optional<ImagePoint> target = target_.Prediction(db_))
        prediction_ = QPointF(target->u, target->v);
}

void TQMForm::RefreshSheet()
{
    sheet_->Refresh();
    UpdateTarget();
}

// ---------------------------------------------------------------------------------------------
// Menus, copy and export

void TQMForm::BuildMenus()
{
    auto* bar = new QMenuBar(this);
    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->addAction(
        QStringLiteral("&Copy Selection"), this, [this] { sheet_->CopyToClipboard(false, false); });
    edit->addAction(QStringLiteral("Copy &All Data"), this, [this] { sheet_->CopyToClipboard(true, false); });
    edit->addSeparator();
    QAction* export_item
        = edit->addAction(QStringLiteral("&Export Visible Columns..."), this, [this] { ExportSamples(); });
    export_item->setObjectName(QStringLiteral("ExportItem"));
    QAction* plot_item = edit->addAction(QStringLiteral("&Plot..."), this, [this] {
        const std::vector<TSheetElement*> selected = sheet_->SelectedColumns();
        plot_->ChooseAndPlot({ selected.begin(), selected.end() });
    });
    plot_item->setObjectName(QStringLiteral("PlotItem"));
    edit->addSeparator();
    QAction* hide
        = edit->addAction(QStringLiteral("&Hide Columns"), sheet_, &QMSheetPage::HideSelectedColumns);
    hide->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    QMenu* show = edit->addMenu(QStringLiteral("&Show"));
    show->setObjectName(QStringLiteral("ShowMenu"));
    connect(show, &QMenu::aboutToShow, sheet_, [this, show] { sheet_->FillShowMenu(*show); });
    edit->addAction(QStringLiteral("Se&lect All"), sheet_, &QMSheetPage::SelectAll);
    QMenu* track = bar->addMenu(QStringLiteral("&Track"));
    track->setObjectName(QStringLiteral("TrackMenu"));
    QAction* track_point = track->addAction(QStringLiteral("Track &Point..."), this, &TQMForm::TrackPoint);
    track_point->setObjectName(QStringLiteral("TrackItem"));
    track_point->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    bar->setNativeMenuBar(false);
    // The menu bar sits above the pages.
    if (auto* box = qobject_cast<QVBoxLayout*>(layout()))
        box->setMenuBar(bar);
}

QString TQMForm::CopyText(bool all, bool grid_format) const
{
    return sheet_->CopyText(all, grid_format);
}

bool TQMForm::ExportVisibleColumns(const QString& path)
{
    try {
        ExportSheet(db_.Sheet(), path);
    } catch (const Error& failure) {
        showError(failure.message());
        return false;
    }
    stored_.export_path = QFileInfo(path).absolutePath();
    unexported_ = false;
    return true;
}

namespace {

std::optional<QString> exportPathFromDialog(QWidget* parent, const QString& folder)
{
    QFileDialog dialog(parent, QStringLiteral("Export Visible Columns"), folder,
        QStringLiteral("Excel Comma Delimited Text (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

TQMForm::ExportPathChooser& exportPathChooser()
{
    static TQMForm::ExportPathChooser chooser = exportPathFromDialog;
    return chooser;
}

} // namespace

void TQMForm::SetExportPathChooser(ExportPathChooser chooser)
{
    exportPathChooser() = chooser ? std::move(chooser) : ExportPathChooser(exportPathFromDialog);
}

bool TQMForm::ExportSamples()
{
    const std::optional<QString> path = exportPathChooser()(this, stored_.export_path);
    return path && ExportVisibleColumns(*path);
}

int TQMForm::UnexportedSamples() const
{
    if (!unexported_)
        return 0;
    size_t samples = 0;
    for (const TObjDef* def : db_.UserObjects())
        samples += def->Samples().size();
    return int(samples);
}

} // namespace fw
