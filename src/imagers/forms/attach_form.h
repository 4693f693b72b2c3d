#pragma once

#include <QDialog>

#include "imagers/imager_fields.h"
#include "imagers/imager_find.h"
#include "imagers/imager_setup.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace fw {

class SettingsStore;
class TImagerList;

// "Imager Attach and Setup": edits the list of imagers, finds imagers on an interface, and
// chooses the entries to attach. The fields show the one selected entry; every edit goes into
// the entry at once. Closing with anything but "Cancel" (the window's close box and Escape
// cancel too) stores the fields shown.
class TAttachForm : public QDialog {
    Q_OBJECT
public:
    explicit TAttachForm(TImagerList& list, QWidget* parent = nullptr);

    // Finds imagers through links; without a search, "Find" says this version cannot.
    void SetSearch(TImagerSearch search) { search_ = std::move(search); }
    // Sets imagers up through links; without them, "Setup" says this version cannot.
    void SetSetup(TImagerSetupActions setup) { setup_ = std::move(setup); }

    // The list, the check boxes and the window's place.
    void Load(const SettingsStore& store);
    void Save(SettingsStore& store);

    // Shows the window modally. True on "Attach": the list's entries carry their
    // selected-for-attach flags.
    bool Select();

    // Command handlers, named after their controls.
    void NewBtnClick();
    void DeleteBtnClick();
    void RenameBtnClick();
    void FindBtnClick();
    void SetupBtnClick();
    void AttachBtnClick();
    void CloseBtnClick();

private:
    void BuildControls();
    QWidget* BuildFields();
    void RefillList();
    void ListSelectionChanged();
    void RefreshFields();
    void ShowFields(const TImagerFieldView& view);
    void EnableFields(const TImagerFieldView& view);
    TImagerFieldTexts ShownTexts() const;
    void FieldEdited();
    void StoreFields();
    void SelectRow(int row);

    TImagerList& list_;
    TImagerSearch search_;
    TImagerSetupActions setup_;
    bool refreshing_ = false;
    bool editing_ = false;

    QListWidget* imager_list_ = nullptr;
    QPushButton* new_button_ = nullptr;
    QPushButton* delete_button_ = nullptr;
    QPushButton* rename_button_ = nullptr;
    QGroupBox* ident_group_ = nullptr;
    QComboBox* type_combo_ = nullptr;
    QComboBox* interface_combo_ = nullptr;
    QLineEdit* ip_edit_ = nullptr;
    QLineEdit* id_edit_ = nullptr;
    QComboBox* baud_combo_ = nullptr;
    QLabel* attached_label_ = nullptr;
    QPushButton* attach_button_ = nullptr;
    QPushButton* setup_button_ = nullptr;
    QPushButton* find_button_ = nullptr;
    QCheckBox* auto_detach_check_ = nullptr;
    QCheckBox* update_clock_check_ = nullptr;
};

} // namespace fw
