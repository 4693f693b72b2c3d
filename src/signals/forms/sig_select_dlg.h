#pragma once

#include <functional>
#include <memory>

#include <QDialog>
#include <QStringList>

#include "signals/forms/graph_chart.h"
#include "signals/sig_select_lists.h"

class QCheckBox;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace fw {

class TSigClass;

// The signal choice: loaded signal files on the left, the signals of the chart on the right in
// two lists, one for signals on axes of their own and one for signals overlaid in the first
// plot area. Its lists stay as they are between runs.
class TSigSelectDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSigSelectDlg(QWidget* parent = nullptr);
    ~TSigSelectDlg() override;

    // Reads one signal file (the signal information dialog included); throws fw::Error.
    using SignalLoader = std::function<std::unique_ptr<TSigClass>(const QString& file_name)>;
    void SetSignalLoader(SignalLoader loader) { loader_ = std::move(loader); }
    // Asks for signal files (parent, caption, folder, filter); the program uses a file dialog,
    // tests give their own answers.
    using FileChooser = std::function<QStringList(QWidget*, const QString&, const QString&, const QString&)>;
    static void SetFileChooser(FileChooser chooser);

    // Loads files into the source list as "&Add File(s)..." does; a file that fails is reported
    // in a box of its own and the rest go on.
    void AddFiles(const QStringList& file_names);

    QString LastFileName() const { return last_file_name_; }
    void SetLastFileName(const QString& file_name) { last_file_name_ = file_name; }

    // What an accepted run chose.
    std::vector<SignalEntry> Result() const { return lists_.Result(); }
    int OverlayCount() const { return int(lists_.List(SigList::Overlay).size()); }
    bool ShareFirstAxis() const;
    GraphScaling Scaling() const;
    const SigSelectLists& Lists() const { return lists_; }

    void accept() override;

private:
    void BuildWidgets();
    QWidget* BuildTarget(SigList target, const QString& caption, const QString& tag);
    QListWidget* ListOf(SigList list) const;
    std::vector<int> SelectedRows(SigList list) const;
    void Refill(SigList list, const std::vector<int>& selected = {});
    void UpdateButtons();
    void OpenBtnClick();
    void RemoveBtnClick();
    void MoveClick(SigList target, bool all);
    void MoveBackClick(SigList target, bool all);

    SigSelectLists lists_;
    SignalLoader loader_;
    QString last_file_name_;

    QListWidget* src_list_ = nullptr;
    QListWidget* separate_list_ = nullptr;
    QListWidget* overlay_list_ = nullptr;
    struct MoveButtons {
        QPushButton* move = nullptr;
        QPushButton* move_all = nullptr;
        QPushButton* back = nullptr;
        QPushButton* back_all = nullptr;
    };
    MoveButtons separate_buttons_;
    MoveButtons overlay_buttons_;
    QPushButton* open_btn_ = nullptr;
    QPushButton* remove_btn_ = nullptr;
    QCheckBox* share_axis_cb_ = nullptr;
    QRadioButton* auto_rb_ = nullptr;
    QRadioButton* linear_rb_ = nullptr;
    QRadioButton* log_rb_ = nullptr;
    QPushButton* ok_btn_ = nullptr;
};

} // namespace fw
