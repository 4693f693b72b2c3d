// The "Imager Control" group of the Bayer preview: an attached imager's state, temperature and
// errors, recording, live pictures and its setup window.
#include "shell/forms/ro_preview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include "clips/bayer.h"
#include "shell/forms/display_form.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

const QString kRecordOverQuestion
    = QStringLiteral("Images are Present in Memory.\nRecord Over Imager Memory?");

} // namespace

void TROPreview::InstallImagerHandlers()
{
    imager_ = source_->ImagerControl();
    if (!imager_)
        return;
    // Reports reach the window through its own events, so none runs into a window being closed.
    QPointer<TROPreview> self(this);
    const int state = imager_->InstallHandlers(
        [self](int now) {
            if (self)
                self->ImagerStateChanged(now);
        },
        [self](int celsius) {
            if (self)
                self->temperature_panel_->setText(
                    QString::number(celsius) + QChar(0xBA) + QStringLiteral(" C"));
        },
        [self](const QString& error) {
            if (self)
                self->error_bar_->setText(error);
        });
    imager_state_ = kImagerUnknownState;
    ImagerStateChanged(state);
    imager_group_->show();
    scatter_box_->setEnabled(true);
}

void TROPreview::ImagerStateChanged(int state)
{
    const bool changed = state != imager_state_;
    imager_state_ = state;
    state_panel_->setText(imager_->StateName(state));
    if (changed && (state == kImagerStandby || state == kImagerRecordingDone) && !live_)
        imager_refresh_pending_ = true;
    if (state == kImagerUnknownState && live_button_->isChecked())
        live_button_->setChecked(false);
    stop_button_->setToolTip(
        record_button_->isChecked() ? QStringLiteral("Stop/Trigger Record") : QStringLiteral("Stop"));
}

int TROPreview::DeviceKind()
{
    if (!imager_)
        return 0;
    return imager_state_ == kImagerReadyToRecord || imager_state_ == kImagerRecording ? 2 : 1;
}

void TROPreview::MasterRecord(int mode)
{
    if (!imager_)
        return;
    EndLive();
    if (mode == 2) {
        const QSignalBlocker quiet(record_button_);
        record_button_->setChecked(true);
        imager_->ArmRecord();
    } else {
        StopClicked();
    }
}

void TROPreview::StopClicked()
{
    EndLive();
    if (imager_state_ == kImagerReadyToRecord)
        imager_->Trigger();
    else
        imager_->Stop();
    const QSignalBlocker quiet(record_button_);
    record_button_->setChecked(false);
    stop_button_->setToolTip(QStringLiteral("Stop"));
}

bool TROPreview::MayRecordOver()
{
    return !imager_->HasRecording()
        || askUser(
               PromptKind::Confirmation, QString(), kRecordOverQuestion, PromptButton::Yes | PromptButton::No)
        == PromptButton::Yes;
}

void TROPreview::RecordToggled(bool down)
{
    EndLive();
    imager_->Stop();
    if (down && MayRecordOver()) {
        imager_->ArmRecord();
        stop_button_->setToolTip(QStringLiteral("Stop/Trigger Record"));
        return;
    }
    const QSignalBlocker quiet(record_button_);
    record_button_->setChecked(false);
    stop_button_->setToolTip(QStringLiteral("Stop"));
}

void TROPreview::LiveToggled(bool down)
{
    if (!down) {
        EndLive();
        return;
    }
    if (!MayRecordOver()) {
        const QSignalBlocker quiet(live_button_);
        live_button_->setChecked(false);
        return;
    }
    live_ = true;
    for (QWidget* control :
        std::initializer_list<QWidget*> { save_button_, first_box_, last_box_, preview_box_ })
        control->setEnabled(false);
    QPointer<TROPreview> self(this);
    imager_->StartLive([self] {
        if (self)
            self->LiveFrameReady();
    });
}

void TROPreview::LiveFrameReady()
{
    if (!live_)
        return;
    imager_->RenderLive(preview_frame_.pixels());
    preview_image_ = preview_frame_.toQImage();
    display_->RefreshPicture();
}

void TROPreview::EndLive()
{
    if (!imager_ || !live_)
        return;
    live_ = false;
    imager_->StopLive();
    for (QWidget* control :
        std::initializer_list<QWidget*> { save_button_, first_box_, last_box_, preview_box_ })
        control->setEnabled(true);
    const QSignalBlocker quiet(live_button_);
    live_button_->setChecked(false);
    // The picture shown is the preview frame again, and the recording may be a new one.
    shown_entry_ = -1;
    imager_refresh_pending_ = true;
}

void TROPreview::SetupClicked()
{
    EndLive();
    imager_->OpenSetup();
    InstallImagerHandlers();
    imager_refresh_pending_ = true;
}

void TROPreview::ReloadFrameLists()
{
    QStringList labels;
    for (int32_t entry = 0; entry < source_->EntryCount(); ++entry)
        labels << source_->EntryLabel(entry);
    range_ = BayerFrameRange(labels);
    updating_widgets_ = true;
    for (QComboBox* box : { first_box_, last_box_ }) {
        box->clear();
        box->addItems(labels);
    }
    updating_widgets_ = false;
    FillFrameLists();
    RangeChanged();
}

} // namespace fw
