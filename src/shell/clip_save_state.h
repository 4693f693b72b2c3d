#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "shell/save_progress.h"

namespace fw {

// What the clip window does with the stream's compression options once a save has ended.
enum class SavedOptions { Keep, Store, Forget };

// The end of one save as the clip window acts on it.
struct SaveOutcome {
    bool success = false;
    bool clip_file = false;
    QString final_name;
    QString title; // the window's caption from before the save
    std::optional<SaveMessage> message; // shown to the user when set
    bool write_descriptors = false; // the new clip takes the window's descriptor block
    SavedOptions options = SavedOptions::Keep;
};

// The save side of a clip window, without the window: what is being saved where, whether the
// user asked to stop, and what the end of the save means. The window shows the panel, the
// caption and the messages this decides.
class ClipSaveState {
public:
    // A save of `type_caption` to `target` starts; answers the caption the window shows while
    // it runs (upper-case file name and type caption).
    QString Begin(const QString& title, const QString& type_caption, const QString& target, bool clip_file);

    bool Saving() const { return saving_; }
    bool CancelRequested() const { return cancel_requested_; }
    bool ClipFile() const { return clip_file_; }
    const QString& FinalName() const { return final_name_; }

    void RequestCancel() { cancel_requested_ = true; }
    // One progress report: a negative percentage is the source asking to stop. Answers 0 to go
    // on, or the user-abort code once a stop was asked for.
    std::int32_t Progress(int percent);
    // The save ended with `code` (0 for success) and the reason its writer gave; nothing when
    // no save was running. The state is idle afterwards.
    std::optional<SaveOutcome> Finish(std::int32_t code, const QString& reason = {});

private:
    bool saving_ = false;
    bool cancel_requested_ = false;
    bool clip_file_ = false;
    QString final_name_;
    QString title_before_;
};

} // namespace fw
