#pragma once

#include <QDialog>

#include "shell/database_lists.h"

class QMenu;

namespace fw {

class TitlesGrid;

// "Default Video File Titles": the titles every new clip description starts with. A value is
// typed, or taken from an entry of a database file section, in which case it stays a reference
// that is looked up each time the titles are used.
class TDefaultTitlesForm : public QDialog {
    Q_OBJECT
public:
    explicit TDefaultTitlesForm(QWidget* parent = nullptr);

    // Runs the dialog; true when the defaults were replaced.
    bool Edit(DatabaseLists& databases);

    // Steps of Edit, for tests.
    void Begin(DatabaseLists& databases);
    bool Finish(bool accepted);
    // The field menu for the current cell, as a click on a value opens it.
    QMenu* FieldMenu() const { return field_menu_; }
    void ChooseField(uint32_t tag);
    void ChooseStaticText();

    void done(int result) override;

private:
    void BuildFieldMenu();
    void OpenFieldMenu(int row, int column);
    void MarkReferences();

    DatabaseLists* databases_ = nullptr;
    TitlesGrid* grid_ = nullptr;
    QMenu* field_menu_ = nullptr;
    QAction* static_text_item_ = nullptr;
};

} // namespace fw
