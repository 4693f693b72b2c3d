#include "shell/forms/titles_grid.h"

#include <QHeaderView>

#include <QKeyEvent>
#include <algorithm>

#include "shell/title_rules.h"
#include "support/user_prompt.h"

namespace fw {

TitlesGrid::TitlesGrid(Style style, QWidget* parent)
    : QTableWidget(0, 2, parent)
    , style_(style)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed);
    connect(this, &QTableWidget::itemChanged, this, &TitlesGrid::CellEdited);
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row, int, int previous_row, int) {
        // Leaving an edited row checks its name; a refused name keeps the row selected.
        if (moving_back_ || previous_row < 0 || previous_row == row || previous_row >= rowCount())
            return;
        if (!CheckRow(previous_row))
            MoveTo(previous_row);
    });
}

void TitlesGrid::SetEntries(const std::vector<IniEntry>& entries)
{
    filling_ = true;
    setRowCount(0);
    for (const IniEntry& entry : entries)
        InsertEntry(rowCount(), entry);
    filling_ = false;
    if (rowCount() > 0)
        setCurrentCell(0, 1);
}

std::vector<IniEntry> TitlesGrid::Entries() const
{
    std::vector<IniEntry> entries;
    for (int row = 0; row < rowCount(); ++row)
        entries.push_back({ item(row, 0)->text(), item(row, 1)->text() });
    return entries;
}

void TitlesGrid::InsertEntry(int row, const IniEntry& entry)
{
    const bool filling = filling_;
    filling_ = true;
    insertRow(row);
    auto* name = new QTableWidgetItem(entry.name);
    auto* value = new QTableWidgetItem(NormalizedTitleValue(entry.value));
    QFont bold = font();
    bold.setBold(true);
    name->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    (style_ == Style::NamesPlainValuesBold ? value : name)->setFont(bold);
    setItem(row, 0, name);
    setItem(row, 1, value);
    filling_ = filling;
}

void TitlesGrid::AddRow()
{
    const int row = currentRow();
    if (row < 0 || row >= rowCount()) {
        InsertRow();
        return;
    }
    InsertEntry(row + 1, { QString(), QStringLiteral("?") });
    changed_ = true;
    setCurrentCell(row + 1, 0);
    emit rowsChanged();
}

void TitlesGrid::InsertRow()
{
    const int row = std::clamp(currentRow(), 0, rowCount());
    InsertEntry(row, { QString(), QStringLiteral("?") });
    changed_ = true;
    setCurrentCell(row, 0);
    emit rowsChanged();
}

void TitlesGrid::RemoveRow()
{
    const int row = currentRow();
    if (rowCount() <= 1 || row < 0)
        return;
    removeRow(row);
    changed_ = true;
    emit rowsChanged();
}

bool TitlesGrid::CheckRow(int row)
{
    if (const auto problem = TitleNameProblem(Entries(), row)) {
        showWarning(*problem);
        return false;
    }
    return true;
}

bool TitlesGrid::CheckCurrentName()
{
    return currentRow() < 0 || CheckRow(currentRow());
}

bool TitlesGrid::CheckAllNames()
{
    for (int row = 0; row < rowCount(); ++row) {
        if (!CheckRow(row)) {
            MoveTo(row);
            return false;
        }
    }
    return true;
}

void TitlesGrid::MoveTo(int row)
{
    // Going back to a refused row is no leaving of the row the user was on.
    moving_back_ = true;
    setCurrentCell(row, 0);
    moving_back_ = false;
}

void TitlesGrid::SetValueReadOnly(int row, bool read_only)
{
    QTableWidgetItem* value = item(row, 1);
    if (!value)
        return;
    value->setFlags(
        read_only ? (value->flags() & ~Qt::ItemIsEditable) : (value->flags() | Qt::ItemIsEditable));
}

void TitlesGrid::SetValue(int row, const QString& value)
{
    if (QTableWidgetItem* cell = item(row, 1))
        cell->setText(value);
}

void TitlesGrid::CellEdited(QTableWidgetItem* cell)
{
    if (filling_)
        return;
    QString text = cell->text();
    if (cell->column() == 1) {
        text = NormalizedTitleValue(text);
    } else {
        qsizetype first = 0;
        while (first < text.size() && text[first] == QLatin1Char(' '))
            ++first;
        // A name ends at the first "=": the rest would turn into part of the value.
        text = text.mid(first).section(QLatin1Char('='), 0, 0);
    }
    if (text != cell->text()) {
        filling_ = true;
        cell->setText(text);
        filling_ = false;
    }
    changed_ = true;
}

void TitlesGrid::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    const int width = viewport()->width();
    setColumnWidth(0, width / 3);
    setColumnWidth(1, std::max(0, width - width / 3));
}

void TitlesGrid::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState) {
        CheckCurrentName();
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

} // namespace fw
