#include "shell/forms/display_form.h"

#include <chrono>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "clips/avi_clip_writer.h"
#include "clips/avi_favi.h"
#include "shell/forms/image_preview.h"
#include "shell/forms/media_player.h"
#include "shell/forms/save_panel.h"
#include "shell/save_progress.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

int64_t steadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

QString TDisplayForm::BeginSave(const QString& type_caption, const QString& target, bool clip_file)
{
    // The clip writer builds the new clip beside an existing one and puts it in place only when
    // it is complete, so the old clip survives a failed or cancelled save.
    setWindowTitle(save_state_.Begin(windowTitle(), type_caption, target, clip_file));
    save_panel_->Begin();
    LayoutWindow();
    UpdateMenu();
    setCursor(Qt::WaitCursor);
    return save_state_.FinalName();
}

int32_t TDisplayForm::ReportSaveProgress(int percent)
{
    if (percent < 0)
        RequestSaveCancel();
    const int32_t answer = save_state_.Progress(percent);
    save_panel_->Report(percent, steadyNowMs());
    if (hooks_.save_progress)
        hooks_.save_progress(percent);
    return answer;
}

void TDisplayForm::RequestSaveCancel()
{
    save_state_.RequestCancel();
    save_panel_->RequestCancel();
}

void TDisplayForm::FinishSave(int32_t code, const QString& reason)
{
    const std::optional<SaveOutcome> outcome = save_state_.Finish(code, reason);
    if (!outcome)
        return;
    if (stream_ && outcome->options == SavedOptions::Store && context_.settings)
        stream_->StoreCompression(*context_.settings);
    else if (stream_ && outcome->options == SavedOptions::Forget)
        stream_->CompressOptions().options_ok = false;
    if (outcome->message) {
        qCWarning(lcShell).noquote()
            << outcome->message->caption << "-"
            << QString(outcome->message->text).replace(QLatin1Char('\r'), QStringLiteral("; "));
        showError(outcome->message->text, outcome->message->caption);
    }
    if (outcome->write_descriptors && !WriteDescriptorBlock(outcome->final_name, time_base_.Descriptors()))
        showError(QStringLiteral("Could not Save Description Changes to File ") + outcome->final_name);
    EndSavePanel(outcome->title);
    if (hooks_.save_finished)
        hooks_.save_finished(outcome->success, outcome->clip_file, outcome->final_name);
    emit saveEnded();
}

void TDisplayForm::EndSavePanel(const QString& title)
{
    setWindowTitle(title);
    unsetCursor();
    LayoutWindow();
    UpdateMenu();
}

void TDisplayForm::WaitForSaveEnd()
{
    if (!IsSaving())
        return;
    QEventLoop loop;
    connect(this, &TDisplayForm::saveEnded, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace fw

namespace fw {

namespace {

TDisplayForm::SaveTargetChooser& saveTargetChooser()
{
    static TDisplayForm::SaveTargetChooser chooser;
    return chooser;
}

// "AVI - Video Clip|*.avi" as a file dialog filter.
QString dialogFilter(const QString& type_filter)
{
    const qsizetype bar = type_filter.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return type_filter;
    return type_filter.left(bar) + QStringLiteral(" (") + type_filter.mid(bar + 1) + QLatin1Char(')');
}

QString withoutExtension(const QString& path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return path;
    return info.dir().filePath(name.left(dot));
}

std::optional<TDisplayForm::SaveChoice> askWithFileDialog(QWidget* parent, const QString& caption,
    const QStringList& filters, int filter_index, const QString& file_name)
{
    QFileDialog dialog(parent, caption, QFileInfo(file_name).path());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // the window asks in its own words
    dialog.setNameFilters(filters);
    if (filter_index >= 1 && filter_index <= filters.size())
        dialog.selectNameFilter(filters[filter_index - 1]);
    dialog.selectFile(QFileInfo(file_name).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return TDisplayForm::SaveChoice { int(filters.indexOf(dialog.selectedNameFilter())) + 1,
        dialog.selectedFiles().constFirst() };
}

} // namespace

void TDisplayForm::SetSaveTargetChooser(SaveTargetChooser chooser)
{
    saveTargetChooser() = std::move(chooser);
}

std::optional<TDisplayForm::SaveChoice> TDisplayForm::ChooseSaveTarget(
    const QString& caption, const QString& proposed_name)
{
    const QString section = QStringLiteral("Save");
    QStringList filters;
    for (int type = 1; type <= stream_->TypeCount(); ++type)
        filters << dialogFilter(stream_->TypeFilter(type));
    int filter_index
        = context_.settings ? context_.settings->readInteger(section, QStringLiteral("FilterIndex"), 2) : 2;
    QString file_name = withoutExtension(
        context_.settings ? context_.settings->readString(section, QStringLiteral("FileName")) : QString());
    if (!proposed_name.isEmpty())
        file_name = QFileInfo(file_name).dir().filePath(proposed_name);
    const SaveTargetChooser& chooser = saveTargetChooser();
    while (true) {
        const auto choice = chooser ? chooser(this, caption, filters, filter_index, file_name)
                                    : askWithFileDialog(this, caption, filters, filter_index, file_name);
        if (!choice || choice->type < 1 || choice->type > stream_->TypeCount() || choice->file_name.isEmpty())
            return std::nullopt;
        SaveChoice target = *choice;
        const QString type_caption = stream_->TypeCaption(target.type);
        QString question;
        target.file_name = withoutExtension(target.file_name);
        if (stream_->IsClipType(target.type)) {
            // The question is about the file the save will really write.
            target.file_name += QLatin1Char('.') + stream_->DefaultExtension(target.type);
            if (QFileInfo::exists(target.file_name))
                question = QStringLiteral("Overwrite ") + type_caption + QLatin1Char(' ') + target.file_name
                    + QLatin1Char('?');
        } else if (QFileInfo(target.file_name).isDir()) {
            question = QStringLiteral("Overwrite Images in ") + type_caption + QLatin1Char(' ')
                + target.file_name + QLatin1Char('?');
        }
        if (question.isEmpty()
            || askUser(PromptKind::Confirmation, type_caption + QStringLiteral(" Already Exists"), question,
                   PromptButton::Yes | PromptButton::No)
                == PromptButton::Yes)
            return target;
        filter_index = choice->type;
        file_name = choice->file_name;
    }
}

void TDisplayForm::SaveThroughWindow(const QString& caption, const QString& proposed_name)
{
    if (IsSaving() || !stream_)
        return;
    hide();
    const auto target = ChooseSaveTarget(caption, proposed_name);
    if (!target) {
        show();
        if (hooks_.save_finished)
            hooks_.save_finished(false, false, QString());
        return;
    }
    const bool clip_file = stream_->IsClipType(target->type);
    if (context_.settings) {
        context_.settings->writeInteger(QStringLiteral("Save"), QStringLiteral("FilterIndex"), target->type);
        context_.settings->writeString(QStringLiteral("Save"), QStringLiteral("FileName"), target->file_name);
    }
    const QString type_caption = stream_->TypeCaption(target->type);
    const QString written = BeginSave(type_caption, target->file_name, clip_file);
    show();
    try {
        stream_->StartSave(
            target->type, windowTitle(), written, [this](int percent) { return ReportSaveProgress(percent); },
            [this](TAVISTREAM& stream, int32_t code) { FinishSave(code, stream.LastSaveFailure()); }, this);
    } catch (const Error& failure) {
        FinishSave(avierr::kGeneral, failure.message());
    }
}

} // namespace fw

namespace fw {

void TDisplayForm::SaveAs()
{
    if (!stand_alone_ || IsSaving() || !stream_)
        return;
    if (player_open_)
        player_->Close();
    player_open_ = false;
    auto source = std::make_unique<TAVIFAVI>();
    try {
        source->Open(file_name_);
        new TImagePreview(context_, std::move(source), file_name_, title_);
    } catch (const Error& failure) {
        showError(failure.message());
        OpenPlayer();
        return;
    }
    // The preview reads the clip itself; this window lets go of it without writing anything.
    descriptors_changed_ = false;
    close();
}

} // namespace fw
