#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>

#include "shell/clip_save_state.h"

class QWidget;

namespace fw {

class SavePanel;
class TDisplayForm;

// The save side of a clip window: asks where to save, runs the stream's save with the save
// panel in place of the legend and the controls, and tells the window's owner how it went.
class DisplaySaver : public QObject {
    Q_OBJECT
public:
    // Where a save goes: a clip type or frame-file directory type of the stream, and a name.
    struct SaveChoice {
        int type = 0;
        QString file_name;
    };
    // Asks for the save target (parent, caption, filters, filter index, file name); the program
    // uses a file dialog, tests install their own answers.
    using SaveTargetChooser = std::function<std::optional<SaveChoice>(
        QWidget*, const QString&, const QStringList&, int, const QString&)>;
    static void SetSaveTargetChooser(SaveTargetChooser chooser);

    // Makes the save panel in the window, hidden until a save begins.
    explicit DisplaySaver(TDisplayForm& display);

    SavePanel* Panel() const { return panel_; }
    // A save or an owner's task is running: the save panel shows.
    bool Saving() const { return state_.Saving() || owner_task_; }
    bool CancelRequested() const;
    // The owner hears of each save's progress and of its end.
    void SetHooks(std::function<void(int percent)> progress,
        std::function<void(bool success, bool clip_file, const QString& final_name)> finished);

    // Asks where to save, then saves the stream there with the save panel showing; the owner
    // hears of the end through its save-finished hook.
    // `proposed_name` (no folder) replaces the name last saved to, in the same folder.
    void SaveThroughWindow(const QString& caption, const QString& proposed_name = {});
    // Asks where to save as SaveThroughWindow does, without saving; the choice is remembered as
    // the next save's proposal. Nothing when the user cancelled.
    std::optional<SaveChoice> ChooseTarget(const QString& caption, const QString& proposed_name = {});
    // Saves the stream as save type `type` to `file_name` without asking (the preview's approve
    // mode); the owner hears of the end as above.
    void SaveTo(int type, const QString& file_name);

    // The save panel side of a save: the save itself runs in the stream. BeginSave returns the
    // name to write to: the target itself, since the clip writer replaces a clip only when the
    // new one is complete.
    QString BeginSave(const QString& type_caption, const QString& target, bool clip_file);
    // One progress report from the save; returns 0 to go on or the user-abort code.
    int32_t ReportSaveProgress(int percent);
    // The save ended with the given code (0 for success) and the reason the saver gave.
    void FinishSave(int32_t code, const QString& reason = {});
    void RequestSaveCancel();

    // A task of the window's owner that writes a file in its own way (a capture) shows on the
    // save panel like a save: `caption` as the window's title, the percentage on the bar, and
    // the panel's Cancel button as CancelRequested.
    void BeginOwnerTask(const QString& caption);
    void ReportOwnerTask(const QString& caption, int percent);
    void EndOwnerTask();

    // Processes events until the running save has ended.
    void WaitForSaveEnd();

signals:
    // A save began or ended: the panel shows or hides, the window lays itself out anew.
    void savingChanged();
    // A save through this window ended (successfully or not).
    void saveEnded();

private:
    void EndSavePanel(const QString& title);
    std::optional<SaveChoice> ChooseSaveTarget(const QString& caption, const QString& proposed_name);

    TDisplayForm& display_;
    ClipSaveState state_;
    SavePanel* panel_;
    std::function<void(int)> progress_hook_;
    std::function<void(bool, bool, const QString&)> finished_hook_;
    bool owner_task_ = false;
    QString title_before_task_;
};

} // namespace fw
