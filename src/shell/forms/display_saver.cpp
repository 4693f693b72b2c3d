#include "shell/forms/display_saver.h"

#include <chrono>

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>

#include "clips/avi_clip_writer.h"
#include "shell/forms/display_form.h"
#include "shell/forms/save_panel.h"
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

DisplaySaver::SaveTargetChooser& saveTargetChooser()
{
    static DisplaySaver::SaveTargetChooser chooser;
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

std::optional<DisplaySaver::SaveChoice> askWithFileDialog(QWidget* parent, const QString& caption,
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
    return DisplaySaver::SaveChoice { int(filters.indexOf(dialog.selectedNameFilter())) + 1,
        dialog.selectedFiles().constFirst() };
}

} // namespace

void DisplaySaver::SetSaveTargetChooser(SaveTargetChooser chooser)
{
    saveTargetChooser() = std::move(chooser);
}

DisplaySaver::DisplaySaver(TDisplayForm& display)
    : QObject(&display)
    , display_(display)
    , panel_(new SavePanel(&display))
{
    panel_->hide();
    connect(panel_, &SavePanel::cancelClicked, this, [this] { RequestSaveCancel(); });
}

void DisplaySaver::SetHooks(std::function<void(int percent)> progress,
    std::function<void(bool success, bool clip_file, const QString& final_name)> finished)
{
    progress_hook_ = std::move(progress);
    finished_hook_ = std::move(finished);
}

QString DisplaySaver::BeginSave(const QString& type_caption, const QString& target, bool clip_file)
{
    // The clip writer builds the new clip beside an existing one and puts it in place only when
    // it is complete, so the old clip survives a failed or cancelled save.
    display_.setWindowTitle(state_.Begin(display_.windowTitle(), type_caption, target, clip_file));
    panel_->Begin();
    emit savingChanged();
    display_.setCursor(Qt::WaitCursor);
    return state_.FinalName();
}

int32_t DisplaySaver::ReportSaveProgress(int percent)
{
    if (percent < 0)
        RequestSaveCancel();
    const int32_t answer = state_.Progress(percent);
    panel_->Report(percent, steadyNowMs());
    if (progress_hook_)
        progress_hook_(percent);
    return answer;
}

void DisplaySaver::RequestSaveCancel()
{
    state_.RequestCancel();
    panel_->RequestCancel();
}

void DisplaySaver::FinishSave(int32_t code, const QString& reason)
{
    const std::optional<SaveOutcome> outcome = state_.Finish(code, reason);
    if (!outcome)
        return;
    TAVISTREAM* stream = display_.Stream();
    SettingsStore* settings = display_.Settings();
    if (stream && outcome->options == SavedOptions::Store && settings)
        stream->StoreCompression(*settings);
    else if (stream && outcome->options == SavedOptions::Forget)
        stream->CompressOptions().options_ok = false;
    if (outcome->message) {
        qCWarning(lcShell).noquote()
            << outcome->message->caption << "-"
            << QString(outcome->message->text).replace(QLatin1Char('\r'), QStringLiteral("; "));
        showError(outcome->message->text, outcome->message->caption);
    }
    if (outcome->write_descriptors
        && !WriteDescriptorBlock(outcome->final_name, display_.TimeBase().Descriptors()))
        showError(QStringLiteral("Could not Save Description Changes to File ") + outcome->final_name);
    EndSavePanel(outcome->title);
    if (finished_hook_)
        finished_hook_(outcome->success, outcome->clip_file, outcome->final_name);
    emit saveEnded();
}

void DisplaySaver::EndSavePanel(const QString& title)
{
    display_.setWindowTitle(title);
    display_.unsetCursor();
    emit savingChanged();
}

void DisplaySaver::WaitForSaveEnd()
{
    if (!Saving())
        return;
    QEventLoop loop;
    connect(this, &DisplaySaver::saveEnded, &loop, &QEventLoop::quit);
    loop.exec();
}

std::optional<DisplaySaver::SaveChoice> DisplaySaver::ChooseSaveTarget(
    const QString& caption, const QString& proposed_name)
{
    TAVISTREAM& stream = *display_.Stream();
    SettingsStore* settings = display_.Settings();
    const QString section = QStringLiteral("Save");
    QStringList filters;
    for (int type = 1; type <= stream.TypeCount(); ++type)
        filters << dialogFilter(stream.TypeFilter(type));
    int filter_index = settings ? settings->readInteger(section, QStringLiteral("FilterIndex"), 2) : 2;
    QString file_name
        = withoutExtension(settings ? settings->readString(section, QStringLiteral("FileName")) : QString());
    if (!proposed_name.isEmpty())
        file_name = QFileInfo(file_name).dir().filePath(proposed_name);
    const SaveTargetChooser& chooser = saveTargetChooser();
    while (true) {
        const auto choice = chooser ? chooser(&display_, caption, filters, filter_index, file_name)
                                    : askWithFileDialog(&display_, caption, filters, filter_index, file_name);
        if (!choice || choice->type < 1 || choice->type > stream.TypeCount() || choice->file_name.isEmpty())
            return std::nullopt;
        SaveChoice target = *choice;
        const QString type_caption = stream.TypeCaption(target.type);
        QString question;
        target.file_name = withoutExtension(target.file_name);
        if (stream.IsClipType(target.type)) {
            // The question is about the file the save will really write.
            target.file_name += QLatin1Char('.') + stream.DefaultExtension(target.type);
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

std::optional<DisplaySaver::SaveChoice> DisplaySaver::ChooseTarget(
    const QString& caption, const QString& proposed_name)
{
    if (!display_.Stream())
        return std::nullopt;
    const auto target = ChooseSaveTarget(caption, proposed_name);
    if (!target)
        return std::nullopt;
    if (SettingsStore* settings = display_.Settings()) {
        settings->writeInteger(QStringLiteral("Save"), QStringLiteral("FilterIndex"), target->type);
        settings->writeString(QStringLiteral("Save"), QStringLiteral("FileName"), target->file_name);
    }
    return target;
}

void DisplaySaver::SaveThroughWindow(const QString& caption, const QString& proposed_name)
{
    if (Saving() || !display_.Stream())
        return;
    display_.hide();
    const auto target = ChooseTarget(caption, proposed_name);
    if (!target) {
        display_.show();
        if (finished_hook_)
            finished_hook_(false, false, QString());
        return;
    }
    SaveTo(target->type, target->file_name);
}

bool DisplaySaver::CancelRequested() const
{
    return owner_task_ ? panel_->CancelRequested() : state_.CancelRequested();
}

void DisplaySaver::BeginOwnerTask(const QString& caption)
{
    if (Saving())
        return;
    owner_task_ = true;
    title_before_task_ = display_.windowTitle();
    display_.setWindowTitle(caption);
    panel_->Begin();
    emit savingChanged();
}

void DisplaySaver::ReportOwnerTask(const QString& caption, int percent)
{
    if (!owner_task_)
        return;
    display_.setWindowTitle(caption);
    panel_->Report(percent, steadyNowMs());
}

void DisplaySaver::EndOwnerTask()
{
    if (!owner_task_)
        return;
    owner_task_ = false;
    EndSavePanel(title_before_task_);
    emit saveEnded();
}

void DisplaySaver::SaveTo(int type, const QString& file_name)
{
    TAVISTREAM* stream = display_.Stream();
    if (Saving() || !stream)
        return;
    const bool clip_file = stream->IsClipType(type);
    const QString written = BeginSave(stream->TypeCaption(type), file_name, clip_file);
    display_.show();
    try {
        stream->StartSave(
            type, display_.windowTitle(), written,
            [this](int percent) { return ReportSaveProgress(percent); },
            [this](TAVISTREAM& saved, int32_t code) { FinishSave(code, saved.LastSaveFailure()); },
            &display_);
    } catch (const Error& failure) {
        FinishSave(avierr::kGeneral, failure.message());
    }
}

} // namespace fw
