#include "measure/forms/qm_sheet_page.h"

#include <algorithm>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTableView>
#include <QVBoxLayout>

#include "measure/forms/sheet_table_model.h"
#include "measure/motion_data_base.h"
#include "measure/sheet_menus.h"

namespace fw {

QMSheetPage::QMSheetPage(TMotionDataBase& db, QWidget* parent)
    : QWidget(parent)
    , db_(db)
    , model_(new SheetTableModel(db.Sheet(), this))
{
    setObjectName(QStringLiteral("Collection"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("SheetGrid"));
    grid_->setModel(model_);
    grid_->verticalHeader()->setDefaultSectionSize(18);
    grid_->verticalHeader()->setVisible(false);
    grid_->horizontalHeader()->setDefaultSectionSize(90);
    grid_->setFont(QFont(QStringLiteral("Arial"), 9));
    model_->SetFont(grid_->font());
    grid_->setStyleSheet(QStringLiteral("QTableView { background: white; }"));
    grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    layout->addWidget(grid_);
    connect(grid_, &QTableView::clicked, this,
        [this](const QModelIndex& index) { emit CellClicked(index.row(), index.column()); });
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
        [this](int column) { emit CellClicked(-1, column); });

    auto* copy_selection = new QAction(QStringLiteral("&Copy Selection"), grid_);
    copy_selection->setShortcut(QKeySequence::Copy);
    copy_selection->setShortcutContext(Qt::WidgetShortcut);
    connect(copy_selection, &QAction::triggered, this, [this] { CopyToClipboard(false, true); });
    auto* copy_all = new QAction(QStringLiteral("Copy &All"), grid_);
    connect(copy_all, &QAction::triggered, this, [this] { CopyToClipboard(true, true); });
    grid_->addAction(copy_selection);
    grid_->addAction(copy_all);
}

void QMSheetPage::Refresh()
{
    model_->Refresh();
}

void QMSheetPage::SetTarget(int grid_column, int32_t frame)
{
    model_->SetTarget(grid_column, frame);
}

void QMSheetPage::ScrollToFrame(int32_t frame)
{
    if (frame < model_->rowCount())
        grid_->scrollTo(model_->index(frame, 0));
}

void QMSheetPage::SetTimeDecimals(int decimals)
{
    grid_->setColumnWidth(0, 8 * decimals + 30 + 40);
}

SheetBlock QMSheetPage::SelectedBlock() const
{
    SheetBlock block = WholeSheet(db_.Sheet(), 0);
    const QModelIndexList selected
        = grid_->selectionModel() ? grid_->selectionModel()->selectedIndexes() : QModelIndexList();
    if (selected.isEmpty())
        return block;
    block.first_row = block.last_row = selected.first().row() + kSheetHeaderRows;
    block.first_column = block.last_column = selected.first().column();
    for (const QModelIndex& index : selected) {
        block.first_row = std::min(block.first_row, index.row() + kSheetHeaderRows);
        block.last_row = std::max(block.last_row, index.row() + kSheetHeaderRows);
        block.first_column = std::min(block.first_column, index.column());
        block.last_column = std::max(block.last_column, index.column());
    }
    return block;
}

QString QMSheetPage::CopyText(bool all, bool grid_format) const
{
    const MeasureSheet& sheet = db_.Sheet();
    if (grid_format)
        return GridText(sheet, all ? WholeSheet(sheet, 0) : SelectedBlock());
    return DataText(sheet, all ? WholeSheet(sheet, 1) : SelectedBlock(), QLatin1Char('\t'));
}

void QMSheetPage::CopyToClipboard(bool all, bool grid_format)
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(CopyText(all, grid_format));
}

std::vector<TSheetElement*> QMSheetPage::SelectedColumns() const
{
    std::vector<int> grid_columns;
    for (const QModelIndex& index : grid_->selectionModel()->selectedIndexes())
        grid_columns.push_back(index.column());
    std::sort(grid_columns.begin(), grid_columns.end());
    grid_columns.erase(std::unique(grid_columns.begin(), grid_columns.end()), grid_columns.end());
    std::vector<TSheetElement*> columns;
    for (int grid_column : grid_columns)
        if (TSheetElement* element = db_.Sheet().ColumnAt(grid_column))
            columns.push_back(element);
    return columns;
}

void QMSheetPage::HideSelectedColumns()
{
    for (TSheetElement* element : SelectedColumns())
        element->Hide();
    emit ColumnsChanged();
}

void QMSheetPage::FillShowMenu(QMenu& menu)
{
    menu.clear();
    for (const ShowMenuItem& item : ShowMenuItems(db_.HeaderList())) {
        if (item.break_before)
            menu.addSeparator();
        TSheetElement* column = item.column;
        menu.addAction(item.caption, this, [this, column] {
            column->Show();
            emit ColumnsChanged();
        });
    }
    menu.addSeparator();
    menu.addAction(QStringLiteral("&All"), this, [this] {
        db_.ApplyDefaultVisible(db_.HeaderList().DefaultVisible());
        emit ColumnsChanged();
    });
}

void QMSheetPage::SelectAll()
{
    grid_->selectAll();
}

} // namespace fw
