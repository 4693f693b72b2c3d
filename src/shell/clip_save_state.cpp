#include "shell/clip_save_state.h"

#include <QFileInfo>

namespace fw {

QString ClipSaveState::Begin(
    const QString& title, const QString& type_caption, const QString& target, bool clip_file)
{
    saving_ = true;
    cancel_requested_ = false;
    clip_file_ = clip_file;
    final_name_ = target;
    title_before_ = title;
    return QFileInfo(target).fileName().toUpper() + QLatin1Char(' ') + type_caption;
}

std::int32_t ClipSaveState::Progress(int percent)
{
    if (percent < 0)
        RequestCancel();
    return cancel_requested_ ? kAviErrUserAbort : 0;
}

std::optional<SaveOutcome> ClipSaveState::Finish(std::int32_t code, const QString& reason)
{
    if (!saving_)
        return std::nullopt;
    saving_ = false;
    SaveOutcome outcome;
    outcome.success = code == 0 && !cancel_requested_;
    outcome.clip_file = clip_file_;
    outcome.final_name = final_name_;
    outcome.title = title_before_;
    const SaveTargetKind kind = clip_file_ ? SaveTargetKind::Clip : SaveTargetKind::Directory;
    outcome.message = SaveFailureMessage(kind, final_name_, code, cancel_requested_, reason);
    outcome.write_descriptors = clip_file_ && outcome.success;
    // Options that failed are asked for again at the next save; confirmed ones are kept.
    if (clip_file_ && outcome.success)
        outcome.options = SavedOptions::Store;
    else if (clip_file_ && code != 0)
        outcome.options = SavedOptions::Forget;
    return outcome;
}

} // namespace fw
