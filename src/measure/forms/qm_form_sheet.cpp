#include "measure/forms/qm_form.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

#include "measure/forms/sheet_table_model.h"
#include "measure/frame_object.h"
#include "measure/sheet_menus.h"
#include "shell/forms/display_form.h"
#include "support/user_prompt.h"

namespace fw {

QWidget* TQMForm::BuildCollectionPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Collection"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    grid_ = new QTableView(page);
    grid_->setObjectName(QStringLiteral("SheetGrid"));
    grid_->setModel(model_);
    grid_->verticalHeader()->setDefaultSectionSize(18);
    grid_->verticalHeader()->setVisible(false);
    grid_->horizontalHeader()->setDefaultSectionSize(90);
    grid_->setFont(QFont(QStringLiteral("Arial"), 9));
    grid_->setStyleSheet(QStringLiteral("QTableView { background: white; }"));
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    layout->addWidget(grid_);
    connect(grid_, &QTableView::clicked, this,
        [this](const QModelIndex& index) { GridClicked(index.row(), index.column()); });
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
        [this](int column) { GridClicked(-1, column); });

    auto* copy_selection = new QAction(QStringLiteral("&Copy Selection"), grid_);
    copy_selection->setShortcut(QKeySequence::Copy);
    copy_selection->setShortcutContext(Qt::WidgetShortcut);
    connect(copy_selection, &QAction::triggered, this, [this] { CopyToClipboard(false, true); });
    auto* copy_all = new QAction(QStringLiteral("Copy &All"), grid_);
    connect(copy_all, &QAction::triggered, this, [this] { CopyToClipboard(true, true); });
    grid_->addAction(copy_selection);
    grid_->addAction(copy_all);
    return page;
}

void TQMForm::BuildMenus()
{
    auto* bar = new QMenuBar(this);
    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->addAction(QStringLiteral("&Copy Selection"), this, [this] { CopyToClipboard(false, false); });
    edit->addAction(QStringLiteral("Copy &All Data"), this, [this] { CopyToClipboard(true, false); });
    edit->addSeparator();
    QAction* export_item
        = edit->addAction(QStringLiteral("&Export Visible Columns..."), this, [this] { ExportSamples(); });
    export_item->setObjectName(QStringLiteral("ExportItem"));
    edit->addSeparator();
    QAction* hide = edit->addAction(QStringLiteral("&Hide Columns"), this, &TQMForm::HideSelectedColumns);
    hide->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    show_menu_ = edit->addMenu(QStringLiteral("&Show"));
    show_menu_->setObjectName(QStringLiteral("ShowMenu"));
    connect(show_menu_, &QMenu::aboutToShow, this, &TQMForm::FillShowMenu);
    edit->addAction(QStringLiteral("Se&lect All"), this, [this] { grid_->selectAll(); });
    bar->setNativeMenuBar(false);
    // The menu bar sits above the pages.
    if (auto* box = qobject_cast<QVBoxLayout*>(layout()))
        box->setMenuBar(bar);
}

void TQMForm::GridClicked(int row, int column)
{
    if (row >= 0 && row != current_frame_) {
        display_.UserSeek(row);
        return;
    }
    TSheetElement* element = db_.Sheet().ColumnAt(column);
    if (!element || !element->ObjDef())
        return;
    const std::vector<TObjDef*> objects = db_.UserObjects();
    for (size_t i = 0; i < objects.size(); ++i)
        if (objects[i] == element->ObjDef()) {
            target_object_ = int(i) + 1;
            target_point_ = std::min(element->PointIndex(), objects[i]->PointCount() - 1);
        }
    UpdateTarget();
    UpdatePrediction();
}

void TQMForm::HideSelectedColumns()
{
    std::vector<TSheetElement*> hidden;
    for (const QModelIndex& index : grid_->selectionModel()->selectedIndexes())
        if (TSheetElement* element = db_.Sheet().ColumnAt(index.column()))
            if (std::find(hidden.begin(), hidden.end(), element) == hidden.end())
                hidden.push_back(element);
    for (TSheetElement* element : hidden)
        element->Hide();
    RefreshSheet();
}

void TQMForm::FillShowMenu()
{
    show_menu_->clear();
    for (const ShowMenuItem& item : ShowMenuItems(db_.HeaderList())) {
        if (item.break_before)
            show_menu_->addSeparator();
        TSheetElement* column = item.column;
        show_menu_->addAction(item.caption, this, [this, column] {
            column->Show();
            RefreshSheet();
        });
    }
    show_menu_->addSeparator();
    show_menu_->addAction(QStringLiteral("&All"), this, [this] {
        db_.ApplyDefaultVisible(db_.HeaderList().DefaultVisible());
        RefreshSheet();
    });
}

// ---------------------------------------------------------------------------------------------
// Copy and export

void TQMForm::SelectionRange(
    int& first_row, int& last_row, int& first_column, int& last_column, bool all) const
{
    first_row = kSheetHeaderRows;
    last_row = db_.Sheet().RowCount() - 1;
    first_column = all ? 1 : 0;
    last_column = db_.Sheet().ColumnCount() - 1;
    if (all || !grid_->selectionModel())
        return;
    const QModelIndexList selected = grid_->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    first_row = last_row = selected.first().row() + kSheetHeaderRows;
    first_column = last_column = selected.first().column();
    for (const QModelIndex& index : selected) {
        first_row = std::min(first_row, index.row() + kSheetHeaderRows);
        last_row = std::max(last_row, index.row() + kSheetHeaderRows);
        first_column = std::min(first_column, index.column());
        last_column = std::max(last_column, index.column());
    }
}

QString TQMForm::DataText(
    int first_row, int last_row, int first_column, int last_column, QChar separator) const
{
    const MeasureSheet& sheet = db_.Sheet();
    QString text;
    auto append_row = [&](int row, bool skip_empty) {
        bool empty = true;
        for (int column = first_column; column <= last_column; ++column)
            empty = empty && sheet.CellText(column, row).isEmpty();
        if (skip_empty && empty)
            return;
        if (first_column > 0)
            text += sheet.CellText(0, row) + separator;
        for (int column = first_column; column <= last_column; ++column)
            text += sheet.CellText(column, row) + separator;
        text += QStringLiteral("\r\n");
    };
    for (int row = 0; row < kSheetHeaderRows; ++row)
        append_row(row, false);
    for (int row = first_row; row <= last_row; ++row)
        append_row(row, true);
    return text;
}

QString TQMForm::CopyText(bool all, bool grid_format) const
{
    int first_row = 0;
    int last_row = 0;
    int first_column = 0;
    int last_column = 0;
    SelectionRange(first_row, last_row, first_column, last_column, all);
    if (grid_format) {
        if (all)
            first_column = 0;
        const MeasureSheet& sheet = db_.Sheet();
        QString text;
        auto append_row = [&](int row) {
            QString line;
            for (int column = first_column; column <= last_column; ++column)
                line += sheet.CellText(column, row) + QLatin1Char('\t');
            if (line.endsWith(QLatin1Char('\t')))
                line.chop(1);
            text += line + QLatin1Char('\r');
        };
        for (int row = 0; row < kSheetHeaderRows; ++row)
            append_row(row);
        for (int row = first_row; row <= last_row; ++row)
            append_row(row);
        return text;
    }
    return DataText(first_row, last_row, first_column, last_column, QLatin1Char('\t'));
}

void TQMForm::CopyToClipboard(bool all, bool grid_format)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(CopyText(all, grid_format));
}

bool TQMForm::ExportVisibleColumns(const QString& path)
{
    const QString text = DataText(
        kSheetHeaderRows, db_.Sheet().RowCount() - 1, 1, db_.Sheet().ColumnCount() - 1, QLatin1Char(','));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        showError(QStringLiteral("Could not write ") + path + QStringLiteral(": ") + file.errorString());
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
