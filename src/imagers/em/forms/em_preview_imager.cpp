// The "Imager Control" group of the EM 1012 / HS 4540 download window: the processor's state and
// errors, recording and stopping, and the recording's information when a recording has ended.
#include "imagers/em/forms/em_preview.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "shell/forms/display_form.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr int kReadyToRecord = 1;
constexpr int kStopped = 4;
constexpr int kPlayStop = 5;
constexpr int kRecording = 10;
constexpr int kTriggerWait = 12;

bool IsRecordingState(int state)
{
    return state >= kRecording && state <= kTriggerWait;
}

} // namespace

void TEMPreview::InstallProcessorEvents()
{
    // The processor reports on whichever thread uses it (a save's worker among them); the
    // window hears of it on its own thread.
    TEM1012& processor = source_->Processor();
    processor.SetOnStateChange([this](int state) {
        QMetaObject::invokeMethod(
            this, [this, state] { StateShown(state); }, Qt::QueuedConnection);
    });
    processor.SetOnError([this](int error_code) {
        QMetaObject::invokeMethod(
            this, [this, error_code] { ErrorShown(error_code); }, Qt::QueuedConnection);
    });
}

void TEMPreview::StateShown(int state)
{
    if (IsClosing())
        return;
    status_bar_->setText(QStringLiteral("Status: ") + TEM1012::StateName(state));
}

void TEMPreview::ErrorShown(int error_code)
{
    // The message is the processor's to tell, which it can only while nothing else uses it; a
    // save tells its own failures.
    if (IsClosing() || IsSaving() || !source_->IsOpen() || source_->Processor().Busy())
        return;
    TEM1012& processor = source_->Processor();
    if (error_code != processor.ErrorCode() || error_code == error_shown_)
        return;
    error_shown_ = error_code;
    error_bar_->setText(error_code == 0 ? QString() : processor.ErrorMessage());
}

void TEMPreview::PollState()
{
    const int state = source_->Processor().GetState();
    if (state == 0 || state == state_)
        return;
    const int previous = state_;
    state_ = state;
    StateShown(state);
    if (IsRecordingState(previous) && (state == kStopped || state == kPlayStop)) {
        info_requested_ = true;
        ReleaseRecordButton();
    }
}

void TEMPreview::ReadRecording()
{
    info_requested_ = false;
    EmRecordingInfo info;
    if (source_->ReadRecordingInfo(info))
        frames_.TakeRecording(info.first_frame, info.last_frame);
    else
        frames_.TakeNoRecording();
    // The first recording takes the stored range; a range never chosen is the whole recording,
    // where the stored default "1" would pick one frame.
    if (restore_stored_range_ && frames_.HasRecording()) {
        restore_stored_range_ = false;
        if (range_stored_)
            frames_.Restore(
                values_.first_frame.toLongLong(), values_.end_frame.toLongLong(), values_.frame_interval);
        else
            frames_.Restore(info.first_frame, info.last_frame, values_.frame_interval);
    }
    display_->SetFrameSize(source_->PictureWidth(), source_->PictureHeight());
    shown_preview_.reset();
    FrameRangeChanged();
    PlaceCropper();
}

void TEMPreview::ReleaseRecordButton()
{
    const QSignalBlocker quiet(record_button_);
    record_button_->setChecked(false);
}

int TEMPreview::DeviceKind()
{
    return state_ == kReadyToRecord || IsRecordingState(state_) ? 2 : 1;
}

void TEMPreview::RecordToggled(bool down)
{
    if (!down)
        return;
    if (in_tick_ || IsClosing() || IsSaving()) {
        ReleaseRecordButton();
        return;
    }
    if (frames_.RecordedFrames() != 0
        && !confirm(QStringLiteral("CAUTION: Do you wish to replace existing recording?"), title_)) {
        ReleaseRecordButton();
        return;
    }
    frames_.ForgetRecording();
    FrameRangeChanged();
    source_->Processor().ReadyRecording();
    last_poll_.reset();
}

void TEMPreview::StopClicked()
{
    if (in_tick_ || IsClosing() || IsSaving())
        return;
    if (state_ == kTriggerWait
        && !confirm(
            QStringLiteral("Processor is waiting for Record Stop Trigger, do you want to Stop It?"), title_))
        return;
    source_->Processor().StopRecording();
    last_poll_.reset();
}

void TEMPreview::MasterRecord(int mode)
{
    if (in_tick_ || IsClosing() || IsSaving())
        return;
    if (mode == 1) {
        source_->Processor().StopRecording();
    } else {
        frames_.ForgetRecording();
        FrameRangeChanged();
        source_->Processor().ReadyRecording();
        const QSignalBlocker quiet(record_button_);
        record_button_->setChecked(true);
    }
    last_poll_.reset();
}

} // namespace fw
