#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace fw {

class CleanupList;

// "Delete Frame File Directories": the source files left by finished downloads, for the user
// to delete one by one or forget.
class TCleanupForm : public QDialog {
    Q_OBJECT
public:
    explicit TCleanupForm(CleanupList& list, QWidget* parent = nullptr);

    QListWidget* FileList() const { return file_list_; }

private:
    void Refill();
    void DeleteBtnClick();
    void ClearBtnClick();
    void SelectionChanged();

    CleanupList& list_;
    QListWidget* file_list_ = nullptr;
    QPushButton* delete_button_ = nullptr;
    QPushButton* clear_button_ = nullptr;
};

} // namespace fw
