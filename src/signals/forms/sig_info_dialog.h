#pragma once

#include <QDialog>

#include "signals/signal_file.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace fw {

// "Signal Information": the user confirms or corrects the timing and names proposed for a
// signal file before it is read.
class TSigInfoDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSigInfoDlg(QWidget* parent = nullptr);

    // Fills the fields from the proposals; the caption becomes the signal name + " Signal Info".
    void SetInfo(const SigInfo& info);
    // The fields as the user left them (numbers that do not read as numbers give 0).
    SigInfo Info() const;
    // Shows the dialog modally; on OK fills `info` and returns true.
    bool Execute(SigInfo& info);

    QLineEdit* FreqEN() const { return freq_edit_; }
    QLineEdit* FirstSampMSEN() const { return first_sample_edit_; }
    QLineEdit* SigNameEdit() const { return name_edit_; }
    QLineEdit* AxisEN() const { return axis_edit_; }
    QLabel* TimeLB() const { return time_label_; }
    QSpinBox* TimeSpin() const { return time_spin_; }
    QPushButton* OKBtn() const { return ok_button_; }

private:
    void FieldsChanged();

    QLineEdit* freq_edit_ = nullptr;
    QLineEdit* first_sample_edit_ = nullptr;
    QLineEdit* name_edit_ = nullptr;
    QLineEdit* axis_edit_ = nullptr;
    QLabel* time_label_ = nullptr;
    QSpinBox* time_spin_ = nullptr;
    QPushButton* ok_button_ = nullptr;
    TimeColumn time_column_ = TimeColumn::None;
};

// Makes every signal file opened from now on ask through this dialog, parented to `parent`
// (which may be null, and may go away before the next file is opened).
void InstallSigInfoDialog(QWidget* parent = nullptr);

} // namespace fw
