#pragma once

#include <QDialog>

#include "clips/clip_time_base.h"
#include "shell/database_lists.h"
#include "shell/descriptor_timing.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace fw {

class TChildForm;
class TitlesGrid;

// The descriptor dialog of a clip window: titles, timing and camera pages. Timing edits reach
// the clip at once (its window shows the new times while the dialog is open) and are taken back
// when the dialog is cancelled.
class TTitlesForm : public QDialog {
    Q_OBJECT
public:
    explicit TTitlesForm(QWidget* parent = nullptr);

    // Runs the dialog on the child's descriptor block; true when the user confirmed a change,
    // which the child then holds as its new block.
    bool Edit(TChildForm& child, DatabaseLists& databases);

    // Steps of Edit, for the window's tests to drive without a modal loop.
    bool Begin(TChildForm& child, DatabaseLists& databases);
    bool Finish(bool accepted);

    void done(int result) override;

private:
    void BuildTitlesPage();
    void BuildTimingPage();
    void BuildButtons();
    void ReadBlock(const std::string& block);
    void ApplyTimingFields();
    int32_t MarkIndex() const;
    // The timing page as typed; a time that is no number counts as 0.
    TimingFields Fields() const;
    void StoreEdits(TChildForm& child);
    void MarkFrameChanged(int number);
    void PageChanging(int index);
    void SetRateFromMenu(const QString& rate);

    TChildForm* child_ = nullptr;
    DatabaseLists* databases_ = nullptr;
    bool changed_ = false;
    ClipTimeBase saved_time_base_;
    int shown_page_ = 0;

    QTabWidget* pages_ = nullptr;
    TitlesGrid* titles_grid_ = nullptr;
    TitlesGrid* camera_grid_ = nullptr;
    QLineEdit* rate_field_ = nullptr;
    QSpinBox* mark_field_ = nullptr;
    QLineEdit* time_field_ = nullptr;
    QCheckBox* timing_locked_ = nullptr;
    QPushButton* title_buttons_[4] = {};
};

} // namespace fw
