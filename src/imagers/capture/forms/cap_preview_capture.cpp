// "Capture" and the end of a capture.

#include "imagers/capture/forms/cap_preview.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include "clips/avi_stream.h"
#include "imagers/capture/capture_ending.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

void TCapPreview::Capture()
{
    if (starting_ || capturing_ || IsClosing() || thread_->Stage() != CaptureStage::csLiveMode)
        return;
    TakeEditedFields();
    starting_ = true;
    hide();
    thread_->RequestPause();
    if (!WaitForPause())
        qCInfo(lcImaq) << "the capture thread did not pause before the file was asked for";
    const QString last_saved = context_.settings
        ? context_.settings->readString(QStringLiteral("Save"), QStringLiteral("FileName"))
        : QString();
    const auto target = display_->Saver().ChooseTarget(
        QStringLiteral("Save Captured Images As"), ProposedCaptureName(last_saved));
    starting_ = false;
    if (!target) {
        thread_->Resume();
        show();
        return;
    }
    capturing_ = true;
    cancel_sent_ = false;
    display_->Saver().BeginOwnerTask(QStringLiteral("Preparing File"));
    CaptureOrder order;
    order.file_name = target->file_name;
    order.frames = values_.total_frames;
    order.use_trigger = values_.use_trigger;
    order.threshold = values_.trigger_level;
    order.region = values_.region;
    order.whole_frame = !values_.region_on;
    thread_->SetLiveWhileCapturing(values_.progress);
    thread_->StartCapture(order);
    thread_->Resume();
}

bool TCapPreview::WaitForPause()
{
    const QDeadlineTimer deadline(kPauseWait);
    while (!thread_->PauseAcknowledged() && !thread_->Finished() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return thread_->PauseAcknowledged();
}

void TCapPreview::ShowCaptureProgress()
{
    DisplaySaver& saver = display_->Saver();
    if (saver.CancelRequested() && !cancel_sent_) {
        thread_->Cancel();
        cancel_sent_ = true;
    }
    const CaptureProgressView view = CaptureProgressOf(
        thread_->Stage(), thread_->FramesWritten(), thread_->FramesRequested(), cancel_sent_);
    saver.ReportOwnerTask(view.caption, view.percent);
}

void TCapPreview::CaptureEnded(const CaptureCompletion& completion)
{
    if (!capturing_)
        return;
    capturing_ = false;
    cancel_sent_ = false;
    display_->Saver().EndOwnerTask();
    ending_ = true;
    const CaptureEnding ending = CaptureEndingOf(completion);
    if (!ending.failure.isEmpty())
        showError(ending.failure, title_);
    const bool kept = ending.file_written && KeepFile(completion, ending);
    if (kept)
        OpenCapturedClip(completion.file_name);
    ending_ = false;
    if (delete_pending_) {
        deleteLater();
        return;
    }
    if (IsClosing())
        return;
    if (kept && auto_detach_) {
        close();
        return;
    }
    show();
    IdleTick();
}

bool TCapPreview::KeepFile(const CaptureCompletion& completion, const CaptureEnding& ending)
{
    if (ending.question
        && askUser(PromptKind::Confirmation, ending.question->caption, ending.question->text,
               PromptButton::Yes | PromptButton::No)
            != PromptButton::Yes) {
        if (!QFile::remove(completion.file_name))
            qCWarning(lcImaq).noquote() << "cannot delete the partial capture" << completion.file_name;
        return false;
    }
    if (!WriteDescriptorBlock(completion.file_name, display_->TimeBase().Descriptors()))
        showError(QStringLiteral("Could not Save Description Changes to File ") + completion.file_name);
    return true;
}

void TCapPreview::OpenCapturedClip(const QString& file_name)
{
    try {
        if (!context_.open_clip)
            throw Error(QStringLiteral("no clip windows"));
        context_.open_clip(file_name);
    } catch (const Error& failure) {
        qCWarning(lcImaq).noquote() << "cannot show" << file_name << "-" << failure.message();
        showError(QStringLiteral("Error creating Video display form."));
    }
}

} // namespace fw
