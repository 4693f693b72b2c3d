#pragma once

#include <QDialog>

#include "shell/database_lists.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace fw {

// "Assign Database Files and Sections": which INI files supply title values, and which of their
// sections are loaded. Works on a copy; OK hands it back.
class TAssignDBForm : public QDialog {
    Q_OBJECT
public:
    explicit TAssignDBForm(QWidget* parent = nullptr);

    // Runs the dialog; on OK the lists are replaced and true returned.
    bool Edit(DatabaseLists& databases);

    // Steps and commands of the dialog, for tests.
    void Begin(const DatabaseLists& databases);
    const DatabaseLists& Working() const { return working_; }
    void SelectFile(int index);
    void AddFile(const QString& path);
    void RemoveSelected();
    void SetSectionChecked(const QString& section, bool checked);
    // Writes the edited text over the selected file.
    bool SaveFileText(const QString& text);

private:
    void ShowFiles(int selected);
    void ShowSections();
    void SectionToggled(QListWidgetItem* item);
    void ChooseFileToAdd();
    void EditSelected();
    int Selected() const;

    DatabaseLists working_;
    QListWidget* file_list_ = nullptr;
    QListWidget* section_list_ = nullptr;
    QPushButton* edit_button_ = nullptr;
    QPushButton* remove_button_ = nullptr;
    bool showing_ = false;
};

} // namespace fw
