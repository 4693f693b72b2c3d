#include "shell/forms/display_form.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

#include "clips/descriptor_block.h"
#include "clips/riff_file.h"
#include "shell/forms/save_panel.h"
#include "shell/save_progress.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

int64_t steadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Beside an existing clip the save writes "~" + the rest of its name, so the clip is replaced
// only by a finished save.
QString temporaryNameFor(const QString& target)
{
    const QFileInfo info(target);
    const QString name = info.fileName();
    return info.dir().filePath(QLatin1Char('~') + name.mid(1));
}

bool writeDescriptorChunk(const QString& path, const std::string& block)
{
    const auto chunk = DescriptorChunkBytes(block);
    TRIFF riff(path, true);
    if (!riff.IsOpen())
        return false;
    const auto size = int32_t(chunk.size());
    return riff.WriteChunkData(kDescriptorChunkId, chunk.data(), size)
        || riff.AddChunk(kDescriptorChunkId, chunk.data(), size);
}

} // namespace

QString TDisplayForm::BeginSave(const QString& type_caption, const QString& target, bool clip_file)
{
    title_before_save_ = windowTitle();
    setWindowTitle(QFileInfo(target).fileName().toUpper() + QLatin1Char(' ') + type_caption);
    save_to_clip_ = clip_file;
    save_final_name_ = target;
    save_write_name_ = target;
    if (clip_file && QFileInfo::exists(target)) {
        save_write_name_ = temporaryNameFor(target);
        QFile::remove(save_write_name_);
    }
    saving_ = true;
    save_cancel_requested_ = false;
    save_panel_->Begin();
    LayoutWindow();
    UpdateMenu();
    setCursor(Qt::WaitCursor);
    return save_write_name_;
}

int32_t TDisplayForm::ReportSaveProgress(int percent)
{
    if (percent < 0)
        RequestSaveCancel();
    const int32_t answer = save_panel_->Report(percent, steadyNowMs());
    if (hooks_.save_progress)
        hooks_.save_progress(percent);
    return answer;
}

void TDisplayForm::RequestSaveCancel()
{
    save_cancel_requested_ = true;
    save_panel_->RequestCancel();
}

void TDisplayForm::FinishSave(int32_t code)
{
    if (!saving_)
        return;
    const bool success = code == 0 && !save_cancel_requested_;
    const SaveTargetKind kind = save_to_clip_ ? SaveTargetKind::Clip : SaveTargetKind::Directory;
    if (const auto message = SaveFailureMessage(kind, save_final_name_, code, save_cancel_requested_))
        showError(message->text, message->caption);
    QString result_name = save_final_name_;
    if (save_to_clip_ && !success) {
        // A broken or stopped save must not be left looking like a clip.
        QFile::remove(save_write_name_);
    } else if (save_to_clip_) {
        if (!writeDescriptorChunk(save_write_name_, time_base_.Descriptors()))
            showError(QStringLiteral("Could not Save Description Changes to File ") + save_write_name_);
        if (save_write_name_ != save_final_name_) {
            // rename() replaces the old clip in one step: there is no moment without either.
            std::error_code failure;
            std::filesystem::rename(save_write_name_.toStdString(), save_final_name_.toStdString(), failure);
            if (failure) {
                const SaveMessage message = RenameFailureMessage(save_write_name_, save_final_name_);
                showError(message.text, message.caption);
                result_name = save_write_name_;
            }
        }
    }
    EndSavePanel();
    if (hooks_.save_finished)
        hooks_.save_finished(success, save_to_clip_, result_name);
    emit saveEnded();
}

void TDisplayForm::EndSavePanel()
{
    saving_ = false;
    setWindowTitle(title_before_save_);
    unsetCursor();
    LayoutWindow();
    UpdateMenu();
}

void TDisplayForm::WaitForSaveEnd()
{
    if (!saving_)
        return;
    QEventLoop loop;
    connect(this, &TDisplayForm::saveEnded, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace fw
