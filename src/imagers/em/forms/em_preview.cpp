#include "imagers/em/forms/em_preview.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "clips/forms/processing_settings_form.h"
#include "imagers/em/em_processing.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/frame_numbers_group.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

// One number for the whole program run, so that two windows never propose the same name.
int& saveCounter()
{
    static int counter = 0;
    return counter;
}

} // namespace

int TEMPreview::SaveCounter()
{
    return saveCounter();
}

TEMPreview::TEMPreview(const ChildContext& context, std::unique_ptr<TEM1012AVI> stream, QString address,
    QString title, SteadyNow now, QWidget* parent)
    : TPreviewForm(context, std::move(address), std::move(title), parent)
    , source_(stream.get())
    , now_(std::move(now))
    , frames_(*stream)
{
    setObjectName(QStringLiteral("EMPreview"));
    if (!source_->IsOpen())
        throw Error(QStringLiteral("Error creating Video display form."));
    setWindowTitle(title_);
    state_ = source_->Processor().State();
    ReadSettings();

    DisplayOwnerHooks hooks;
    hooks.paint
        = [this](QPainter& painter, const QRect& picture) { DrawPicture(painter, picture, preview_image_); };
    hooks.layout_changed = [this](const QRect&) { PlaceCropper(); };
    hooks.save_progress = [this](int) {
        // A frame the user gave up on ends the save as a cancel.
        if (upload_aborted_.load())
            display_->Saver().RequestSaveCancel();
    };
    hooks.save_finished = [this](bool success, bool clip_file, const QString& name) {
        SaveFinished(success, clip_file, name);
    };
    MakeDisplay(std::move(stream), hooks);
    display_->setWindowTitle(QStringLiteral("Video"));
    display_->SetFrameSize(source_->PictureWidth(), source_->PictureHeight());
    display_->resize(source_->PictureWidth(), source_->PictureHeight());
    display_->Cropper()->SetColor(values_.crop_color);
    connect(display_->Cropper(), &TCropShape::boundsChanged, this, [this] { CropperMoved(); });

    BuildWidgets();
    InstallProcessorEvents();
    ShowValues();
    StateShown(state_);
    FrameRangeChanged();
    ShowWithDisplay();
    PlaceCropper();
    IdleTick();
}

TEMPreview::~TEMPreview()
{
    // The processor reports to this window; it is disconnected while the window is whole.
    if (source_->IsOpen())
        source_->Close();
}

void TEMPreview::ReadSettings()
{
    if (context_.settings) {
        values_ = EmStreamSettings::Read(
            *context_.settings, source_->CameraType(), source_->PictureWidth(), source_->PictureHeight());
        range_stored_ = EmStreamSettings::RangeStored(*context_.settings, source_->CameraType());
        source_->LoadCompression(*context_.settings);
    } else {
        values_.crop = FrameRect { 0, 0, source_->PictureWidth() - 1, source_->PictureHeight() - 1 };
    }
    EmApplyValues(values_, *source_);
    // A connected settings file holds the values the user last saved for this processor.
    if (!values_.settings_file.isEmpty() && QFileInfo(values_.settings_file).isFile()) {
        ProcessingSettings settings = EmWindowHandOver(*source_, values_, settings_locked_);
        if (TProcessingSettings::Run(settings, SettingsRun::LoadOnly, this))
            settings_locked_ = EmWindowTakeBack(settings, *source_, values_);
    }
}

void TEMPreview::StoreSettings()
{
    values_.first_frame = QString::number(frames_.First());
    values_.end_frame = QString::number(frames_.Last());
    values_.frame_interval = frames_.Interval();
    if (context_.settings)
        values_.Write(*context_.settings, source_->CameraType());
}

void TEMPreview::WriteSettings()
{
    if (settings_changed_ && !values_.settings_file.isEmpty()) {
        ProcessingSettings settings = EmWindowHandOver(*source_, values_, settings_locked_);
        TProcessingSettings::Run(settings, SettingsRun::SaveOnly, this);
    }
    StoreSettings();
}

void TEMPreview::IdleTick()
{
    if (in_tick_ || IsSaving() || IsClosing() || !source_->IsOpen() || source_->Processor().Busy())
        return;
    in_tick_ = true;
    const auto now = now_();
    if (!last_poll_ || now - *last_poll_ >= kStatePollPeriod) {
        last_poll_ = now;
        PollState();
    }
    if (info_requested_)
        ReadRecording();
    if (shown_preview_ != frames_.Preview())
        ShowPreview();
    in_tick_ = false;
    if (range_pending_) {
        range_pending_ = false;
        ApplyRangeToStream();
    }
    if (close_pending_) {
        close_pending_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TEMPreview::ShowPreview()
{
    const std::int32_t number = frames_.Preview();
    shown_preview_ = number;
    if (frames_.Count() < 1) {
        preview_image_ = QImage();
        display_->RefreshPicture();
        return;
    }
    const std::int32_t index = source_->ClipIndex(number);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    std::optional<QString> failure;
    try {
        failure = source_->PreviewFrame(index, preview_frame_);
    } catch (const Error& error) {
        failure = error.message();
    }
    QGuiApplication::restoreOverrideCursor();
    if (failure) {
        qCInfo(lcGpib).noquote() << "Preview of frame" << number << "-" << *failure;
        error_shown_ = source_->Processor().ErrorCode();
        error_bar_->setText(*failure);
        preview_image_ = QImage();
    } else {
        preview_image_ = preview_frame_.toQImage();
    }
    display_->setWindowTitle(QStringLiteral("Frame ") + QString::number(number) + QLatin1Char(' ') + title_);
    display_->Seek(index);
    display_->RefreshPicture();
}

void TEMPreview::FrameRangeChanged()
{
    // The buffers are tagged with clip frames; while one is being filled the stream keeps the
    // old range, and takes the new one when the frame has arrived.
    if (source_->IsOpen() && source_->Processor().Busy())
        range_pending_ = true;
    else
        ApplyRangeToStream();
    ShowFrameFields();
}

void TEMPreview::ApplyRangeToStream()
{
    if (!source_->IsOpen())
        return;
    source_->SetFrames(frames_.First(), frames_.Count(), frames_.Interval());
    display_->SetOwnerFrames(frames_.Count(), source_->DescriptorText());
    // The clip window counts in processor frame numbers; the first saved frame stays at time 0.
    ClipTimeBase& numbering = display_->TimeBase();
    numbering.SetSkipFrameZero(source_->SkipsFrameZero() && frames_.First() < 0);
    numbering.SetFrameStep(frames_.Interval());
    numbering.SetFirstFrameNumber(frames_.First());
    numbering.SetFirstFrameTime(0.0);
}

void TEMPreview::ShowFrameFields()
{
    frame_group_->ShowNumbers();
    ok_button_->setEnabled(frames_.Count() > 0);
}

void TEMPreview::Save()
{
    if (IsSaving() || in_tick_ || IsClosing() || frames_.Count() < 1)
        return;
    ApplyRangeToStream();
    saving_ = true;
    hide();
    source_->SetPrefetch(true);
    upload_aborted_ = false;
    source_->SetAbortFlag(&upload_aborted_);
    StoreSettings();
    if (crop_button_->isChecked())
        source_->SetCrop(values_.crop);
    display_->Saver().SaveThroughWindow(
        QStringLiteral("Save ") + windowTitle() + QStringLiteral(" Images As"),
        title_ + QLatin1Char('(') + QString::number(saveCounter()) + QLatin1Char(')'));
}

void TEMPreview::SaveFinished(bool success, bool clip_file, const QString& final_name)
{
    saving_ = false;
    source_->SetPrefetch(false);
    source_->SetAbortFlag(nullptr);
    source_->SetCrop(std::nullopt);
    if (success) {
        ++saveCounter();
        if (clip_file) {
            if (context_.open_clip)
                context_.open_clip(final_name);
            else
                showError(QStringLiteral("Error creating Video display form."));
        }
        if (auto_detach_) {
            close();
            return;
        }
    }
    shown_preview_.reset();
    last_poll_.reset();
    show();
    display_->show();
    PlaceCropper();
    IdleTick();
}

bool TEMPreview::CanClose()
{
    if (display_->IsSaving()) {
        if (confirm(QStringLiteral("Cancel the Download and Save in Progress?"), title_))
            display_->Saver().RequestSaveCancel();
        return false;
    }
    // A frame is on its way; the window closes once it has arrived.
    if (in_tick_) {
        close_pending_ = true;
        return false;
    }
    return true;
}

void TEMPreview::closeEvent(QCloseEvent* event)
{
    TPreviewForm::closeEvent(event);
    if (event->isAccepted() && source_->IsOpen())
        source_->Close();
}

} // namespace fw
