#include "shell/forms/default_titles_form.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/forms/titles_grid.h"

namespace fw {

TDefaultTitlesForm::TDefaultTitlesForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DefaultTitlesForm"));
    setWindowTitle(QStringLiteral("Default Video File Titles"));
    setMinimumSize(380, 260);
    grid_ = new TitlesGrid(TitlesGrid::Style::NamesBoldValuesPlain, this);
    grid_->setObjectName(QStringLiteral("DefaultTitlesGrid"));
    connect(grid_, &QTableWidget::cellClicked, this, &TDefaultTitlesForm::OpenFieldMenu);
    connect(grid_, &QTableWidget::cellDoubleClicked, this, &TDefaultTitlesForm::OpenFieldMenu);
    field_menu_ = new QMenu(this);
    field_menu_->setObjectName(QStringLiteral("FieldMenu"));

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption) {
        auto* push = new QPushButton(caption, this);
        push->setObjectName(QLatin1String(name));
        push->setAutoDefault(false);
        buttons->addWidget(push);
        return push;
    };
    connect(button("AddBtn", QStringLiteral("Add")), &QPushButton::clicked, grid_, &TitlesGrid::AddRow);
    connect(
        button("InsertBtn", QStringLiteral("Insert")), &QPushButton::clicked, grid_, &TitlesGrid::InsertRow);
    QPushButton* remove = button("RemoveBtn", QStringLiteral("Remove"));
    connect(remove, &QPushButton::clicked, grid_, &TitlesGrid::RemoveRow);
    connect(
        grid_, &TitlesGrid::rowsChanged, this, [this, remove] { remove->setEnabled(grid_->rowCount() > 1); });
    buttons->addStretch();
    connect(button("OkBtn", QStringLiteral("OK")), &QPushButton::clicked, this, &QDialog::accept);
    connect(button("CancelBtn", QStringLiteral("Cancel")), &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
    layout->addLayout(buttons);
}

bool TDefaultTitlesForm::Edit(DatabaseLists& databases)
{
    Begin(databases);
    return Finish(exec() == QDialog::Accepted);
}

void TDefaultTitlesForm::Begin(DatabaseLists& databases)
{
    databases_ = &databases;
    grid_->SetEntries(databases.BuiltIn(DatabaseLists::kDefaultTitles));
    grid_->ClearChanged();
    MarkReferences();
    BuildFieldMenu();
    findChild<QPushButton*>(QStringLiteral("RemoveBtn"))->setEnabled(grid_->rowCount() > 1);
}

void TDefaultTitlesForm::MarkReferences()
{
    const std::vector<IniEntry> entries = grid_->Entries();
    for (size_t row = 0; row < entries.size(); ++row)
        grid_->SetValueReadOnly(int(row), IsDatabaseReference(entries[row].value));
}

void TDefaultTitlesForm::BuildFieldMenu()
{
    field_menu_->clear();
    static_text_item_
        = field_menu_->addAction(QStringLiteral("&Static Text"), this, [this] { ChooseStaticText(); });
    const std::vector<DatabaseFile>& files = databases_->Files();
    for (size_t file = 0; file < files.size(); ++file) {
        if (files[file].sections.empty())
            continue;
        field_menu_->addSeparator();
        for (size_t section = 0; section < files[file].sections.size(); ++section) {
            const DatabaseSection& loaded = files[file].sections[section];
            if (!loaded.checked || loaded.name == DatabaseLists::kDefaultTitles
                || loaded.name == DatabaseLists::kTitles)
                continue;
            QMenu* sub = field_menu_->addMenu(loaded.name);
            for (size_t entry = 0; entry < loaded.entries.size(); ++entry) {
                const auto tag = DatabaseItemTag({ int(file), int(section), int(entry) });
                if (!tag)
                    break; // beyond what a tag can point at
                QAction* item = sub->addAction(loaded.entries[entry].name);
                item->setData(*tag);
                const uint32_t chosen = *tag;
                connect(item, &QAction::triggered, this, [this, chosen] { ChooseField(chosen); });
            }
        }
    }
}

void TDefaultTitlesForm::OpenFieldMenu(int row, int column)
{
    if (row < 0)
        return;
    // Only static text makes sense while the name is being edited.
    for (QAction* action : field_menu_->actions())
        action->setEnabled(column == 1 || action == static_text_item_);
    field_menu_->popup(
        grid_->viewport()->mapToGlobal(grid_->visualItemRect(grid_->item(row, column)).bottomLeft()));
}

void TDefaultTitlesForm::ChooseField(uint32_t tag)
{
    const int row = grid_->currentRow();
    const DatabaseItem item = DatabaseItemFromTag(tag);
    const std::vector<DatabaseFile>& files = databases_->Files();
    if (row < 0 || size_t(item.file) >= files.size()
        || size_t(item.section) >= files[size_t(item.file)].sections.size())
        return;
    const DatabaseFile& file = files[size_t(item.file)];
    const DatabaseSection& section = file.sections[size_t(item.section)];
    if (size_t(item.entry) >= section.entries.size())
        return;
    grid_->SetValue(
        row, DatabaseReference(file.name, section.name, section.entries[size_t(item.entry)].name));
    grid_->SetValueReadOnly(row, true);
}

void TDefaultTitlesForm::ChooseStaticText()
{
    const int row = grid_->currentRow();
    if (row < 0)
        return;
    if (IsDatabaseReference(grid_->Entries()[size_t(row)].value))
        grid_->SetValue(row, QStringLiteral("?"));
    grid_->SetValueReadOnly(row, false);
}

void TDefaultTitlesForm::done(int result)
{
    if (result == QDialog::Accepted && !grid_->CheckAllNames())
        return;
    QDialog::done(result);
}

bool TDefaultTitlesForm::Finish(bool accepted)
{
    if (!databases_ || !accepted)
        return false;
    databases_->SetBuiltIn(DatabaseLists::kDefaultTitles, grid_->Entries());
    return true;
}

} // namespace fw
