#include "shell/forms/display_form.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>

#include <QContextMenuEvent>

#include "clips/avi_favi.h"
#include "clips/clip_open_failure.h"
#include "clips/frame_image.h"
#include "shell/clip_open_message.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_controls.h"
#include "shell/forms/display_legend.h"
#include "shell/forms/display_measuring.h"
#include "shell/forms/display_menu.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/frame_view.h"
#include "shell/forms/image_preview.h"
#include "shell/forms/media_player.h"
#include "shell/forms/time_bar.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

// Frames per second at normal speed as the clip's header states it.
double clipFramesPerSecond(TAVISTREAM& stream)
{
    TAVIStreamInfo info;
    if (!stream.GetInfo(info) || info.dwScale == 0 || info.dwRate == 0)
        return 0.0;
    return double(info.dwRate) / double(info.dwScale);
}

} // namespace

TDisplayForm::TDisplayForm(const ChildContext& context, std::unique_ptr<TAVISTREAM> stream, QString file_name,
    QString title, QWidget* parent)
    : TChildForm(context, std::move(stream), std::move(file_name), std::move(title), parent)
{
    setObjectName(QStringLiteral("DisplayForm"));
    BuildWidgets();
    // Sources other than a plain clip file are painted and driven by the window that owns them.
    stand_alone_ = stream_ && typeid(*stream_) == typeid(TAVISTREAM);
    if (stand_alone_)
        OpenClip();
    // A first clip window shows its frames pixel for pixel; later ones take the stored size.
    if (layout_.FrameWidth() > 0)
        resize(layout_.FrameWidth(), layout_.FrameHeight());
    RestorePlacement(true);
    shown_index_ = -1;
    requested_index_ = -2;
    if (player_open_)
        SetPlaybackSpeed(PlaybackSpeed());
    UpdateMenu();
    Redraw();
    LayoutWindow();
    if (stand_alone_) {
        show();
        RegisterChild();
    }
}

TDisplayForm::~TDisplayForm()
{
    measuring_->Release();
    if (player_open_)
        controls_->Player()->Close();
    player_open_ = false;
    // The shown frame belongs to the decoder: let go of it before the decoder goes.
    paint_box_->clear();
    if (frames_open_) {
        stream_->EndFrameAccess(frame_access_);
        frames_open_ = false;
    }
    if (stand_alone_ && stream_) {
        stream_->Close();
        if (descriptors_changed_ && !file_name_.isEmpty()
            && !WriteStreamDescriptors(*stream_, time_base_.Descriptors()))
            showError(QStringLiteral("Could not Save Description Changes to File ") + file_name_);
    }
}

void TDisplayForm::OpenClip()
{
    TAVISTREAM& stream = *stream_;
    const QString access_failed = QStringLiteral(" Open Frame Access Failed");
    try {
        stream.Open(file_name_);
        if (!stream.IsOpen())
            throw Error(
                stream.GetShortName() + access_failed + QLatin1Char('\r') + QLatin1String(kNoVideoStream));
        frame_count_ = stream.FrameCount();
        if (!stream.BeginFrameAccess(frame_access_))
            throw Error(stream.GetShortName() + access_failed);
        frames_open_ = true;
        if (frame_count_ < 1 || !ShowFrame(0))
            throw Error(stream.GetShortName() + access_failed);
        OpenPlayer();
    } catch (const std::exception& failure) {
        TAVIStreamInfo info;
        const bool readable = stream.GetInfo(info);
        player_open_ = false;
        controls_->Player()->Close();
        paint_box_->clear();
        if (frames_open_)
            stream.EndFrameAccess(frame_access_);
        frames_open_ = false;
        stream.Close();
        const QString text = QString::fromStdString(failure.what());
        throw Error(ClipOpenFailureMessage(file_name_, readable, info.fccHandler, text));
    }
    controls_->SetFrameCount(frame_count_);
    const std::string descriptors = ReadStreamDescriptors(stream);
    time_base_.SetDescriptors(descriptors);
    ApplyDescriptors(descriptors);
    if (context_.settings)
        stream_->LoadCompression(*context_.settings);
}

void TDisplayForm::OpenPlayer()
{
    TFWMediaPlayer* player = controls_->Player();
    player->SetAutoRewind(true);
    player->Open(frame_count_, clipFramesPerSecond(*stream_));
    player->SetStepSize(1);
    controls_->ApplySelectedLoop();
    player_open_ = true;
    options_ |= voVideoControls;
}

bool TDisplayForm::ShowFrame(int32_t index)
{
    int32_t size = 0;
    const uint8_t* bytes = nullptr;
    if (!stream_->GetFrame(frame_access_, index, size, bytes) || !bytes || size <= 0
        || !paint_box_->setPackedFrame(bytes, size_t(size))) {
        paint_box_->clear();
        return false;
    }
    BitmapInfoHeader header;
    std::memcpy(&header, bytes, sizeof header);
    SetFrameSize(header.biWidth, header.biHeight);
    return true;
}

void TDisplayForm::SetFrameSize(int width, int height)
{
    if (layout_.SetFrameSize(width, height) && isVisible())
        LayoutWindow();
}

void TDisplayForm::SetHooks(const DisplayOwnerHooks& hooks)
{
    hooks_ = hooks;
    if (hooks_.paint)
        paint_box_->setPaintHook(hooks_.paint);
    else
        paint_box_->setPaintHook(nullptr);
    saver_->SetHooks(hooks_.save_progress, hooks_.save_finished);
    paint_box_->setToolTip(hooks_.color_transform
            ? QStringLiteral("Right-Click for Settings, Double-Click for Color Transform")
            : QStringLiteral("Right-Click for Settings"));
    UpdateMenu();
}

void TDisplayForm::SetOwnerFrames(int32_t count, const std::string& block)
{
    if (!stand_alone_)
        frame_count_ = std::max(count, 0);
    time_base_.SetDescriptors(block);
    ApplyDescriptors(block);
    force_redraw_ = true;
    Redraw();
}

void TDisplayForm::RefreshPicture()
{
    paint_box_->update();
    if (cropper_->isVisible())
        cropper_->Outline();
}

int32_t TDisplayForm::CurrentIndex()
{
    return player_open_ ? controls_->Player()->Position() : shown_index_;
}

void TDisplayForm::Seek(int32_t index)
{
    index = std::clamp(index, 0, std::max(0, frame_count_ - 1));
    TFWMediaPlayer* player = controls_->Player();
    if (player_open_ && player->Position() != index)
        player->Seek(index);
    TChildForm::Seek(index);
}

float TDisplayForm::EndTime()
{
    if (!player_open_)
        return FirstFrameTimeMs();
    return float(time_base_.FrameTime(frame_count_ - 1));
}

int32_t TDisplayForm::LastIndex()
{
    return player_open_ ? frame_count_ - 1 : 0;
}

bool TDisplayForm::Redraw()
{
    if (player_open_)
        requested_index_ = std::clamp(controls_->Player()->Position(), 0, std::max(0, frame_count_ - 1));
    else if (frames_open_)
        requested_index_ = std::clamp(requested_index_, 0, std::max(0, frame_count_ - 1));
    if (!TChildForm::Redraw())
        return false;
    if (frames_open_)
        ShowFrame(shown_index_);
    else if (hooks_.paint)
        paint_box_->update();
    legend_->ShowCounters(time_base_.ShownNumber(shown_index_), time_base_.ShowTime(current_time_ms_));
    if (frames_open_)
        controls_->ShowFrame(shown_index_);
    measuring_->FrameChanged(shown_index_);
    if (hooks_.time_changed)
        hooks_.time_changed(current_time_ms_);
    if (cropper_->isVisible())
        cropper_->Outline();
    return true;
}

bool TDisplayForm::Poll(bool& range_stale, bool& closing)
{
    TChildForm::Poll(range_stale, closing);
    if (closing_)
        return false;
    return Redraw();
}

bool TDisplayForm::CanClose()
{
    // The preview decides: closing its picture closes the preview, which then frees this window.
    if (owner_child_ && !owner_child_->IsClosing()) {
        QMetaObject::invokeMethod(owner_child_, &QWidget::close, Qt::QueuedConnection);
        return false;
    }
    if (IsSaving()) {
        if (!saver_->CancelRequested()) {
            const PromptButton answer = askUser(PromptKind::Confirmation, title_,
                QStringLiteral("Cancel Save in Progress?"), PromptButton::Yes | PromptButton::No);
            if (answer == PromptButton::Yes)
                saver_->RequestSaveCancel();
        }
        saver_->WaitForSaveEnd();
        return false;
    }
    if (!measuring_->MayClose())
        return false;
    if (typeid(*this) != typeid(TDisplayForm) || !descriptors_changed_ || file_name_.isEmpty()
        || descriptor_save_confirmed_)
        return true;
    PromptButton answer = PromptButton::No;
    try {
        answer = askUser(PromptKind::Confirmation, title_,
            QStringLiteral("Save Description Changes to File ") + file_name_ + QLatin1Char('?'),
            PromptButton::Yes | PromptButton::No | PromptButton::Cancel);
    } catch (const std::exception& failure) {
        qCWarning(lcShell).noquote() << "The description question failed, taken as No -" << failure.what();
        answer = PromptButton::No;
    }
    if (answer == PromptButton::Cancel)
        return false;
    if (answer == PromptButton::Yes)
        descriptor_save_confirmed_ = true;
    else
        descriptors_changed_ = false;
    return true;
}

void TDisplayForm::EnableQuickMeasure(bool enable)
{
    TChildForm::EnableQuickMeasure(enable && stand_alone_);
    UpdateMenu();
}

void TDisplayForm::EnableSignalGraph(bool enable)
{
    TChildForm::EnableSignalGraph(enable && stand_alone_);
    UpdateMenu();
}

void TDisplayForm::TimeBaseUpdated()
{
    measuring_->TimeBaseChanged();
    Redraw();
}

bool TDisplayForm::IsSaving() const
{
    return saver_->Saving();
}

MeasurementWindow* TDisplayForm::Measurement() const
{
    return measuring_->Window();
}

void TDisplayForm::SaveAs()
{
    if (!stand_alone_ || IsSaving() || !stream_)
        return;
    if (player_open_)
        controls_->Player()->Close();
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
