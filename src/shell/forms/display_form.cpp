#include "shell/forms/display_form.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <typeinfo>

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>

#include "clips/clip_open_failure.h"
#include "clips/descriptor_block.h"
#include "clips/frame_image.h"
#include "shell/display_layout.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form_metrics.h"
#include "shell/forms/frame_view.h"
#include "shell/forms/media_player.h"
#include "shell/forms/save_panel.h"
#include "shell/forms/time_bar.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

using namespace display_metrics;

namespace {

const char* const kCompressorTable[] = {
    "IV31 - Intel Indeo\u00AE R3.1",
    "IV32 - Intel Indeo\u00AE R3.2",
    "IV41 - Intel Indeo\u00AE Video Interactive 32-bit Driver",
    "IV50 - Intel Indeo\u00AE Video 5.0",
    "MPG4 - MPEG-4 Video High Speed Compressor (MT)",
    "MRLE - Microsoft RLE",
    "MSVC - Microsoft Video 1",
    "TR20 - Duck TrueMotion Codec",
    "UCOD - ClearVideo Decoder Driver",
    "VDOM - VDOnet VDOWave Video Codec",
    "VIVO - Vivo H.263 Video CODEC Version 2.0.0",
};

// Fixed notation with 5 significant digits and 1 decimal.
QString reticleText(float value)
{
    const double rounded = QString::number(double(value), 'g', 5).toDouble();
    if (std::fabs(rounded) >= 1e5)
        return QString::number(rounded, 'e', 4);
    return QString::number(rounded, 'f', 1);
}

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
    BuildMenu();
    // Sources other than a plain clip file are painted and driven by the window that owns them.
    stand_alone_ = stream_ && typeid(*stream_) == typeid(TAVISTREAM);
    if (stand_alone_)
        OpenClip();
    // A first clip window shows its frames pixel for pixel; later ones take the stored size.
    if (frame_width_ > 0)
        resize(frame_width_, frame_height_);
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
    // The measurements belong to this clip window and go with it.
    if (measurement_) {
        paint_box_->setOverlayHook(nullptr);
        delete measurement_;
        measurement_ = nullptr;
    }
    if (player_open_)
        player_->Close();
    player_open_ = false;
    // The shown frame belongs to the decoder: let go of it before the decoder goes.
    paint_box_->clear();
    if (frames_open_) {
        stream_->EndFrameAccess(frame_access_);
        frames_open_ = false;
    }
    if (stand_alone_ && stream_) {
        stream_->Close();
        WriteDescriptors();
    }
}

QString TDisplayForm::DriverHint(uint32_t compressor)
{
    const QString code = fourccText(compressor).toUpper();
    QString hint = code;
    for (const char* entry : kCompressorTable) {
        const QString text = QString::fromUtf8(entry);
        if (text.contains(code))
            hint = text;
    }
    return hint;
}

QString TDisplayForm::OpenFailureMessage(
    const QString& path, bool info_readable, uint32_t compressor, const QString& failure)
{
    QString message = QStringLiteral("File ") + path;
    if (info_readable)
        message += QStringLiteral(" requires driver ") + DriverHint(compressor);
    return message + QLatin1Char('\r') + failure;
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
        player_->Close();
        paint_box_->clear();
        if (frames_open_)
            stream.EndFrameAccess(frame_access_);
        frames_open_ = false;
        stream.Close();
        const QString text = QString::fromStdString(failure.what());
        throw Error(OpenFailureMessage(file_name_, readable, info.fccHandler, text));
    }
    frame_bar_->setRange(0, frame_count_ - 1);
    frame_bar_->setValue(0);
    frame_bar_->setTickInterval(std::max(1, frame_count_ / 10));
    ReadDescriptors();
    if (context_.settings)
        stream_->LoadCompression(*context_.settings);
}

void TDisplayForm::OpenPlayer()
{
    player_->SetAutoRewind(true);
    player_->Open(frame_count_, clipFramesPerSecond(*stream_));
    player_->SetStepSize(1);
    if (frame_bar_->selectionEnd() > frame_bar_->selectionStart()) {
        player_->SetLoopStart(frame_bar_->selectionStart());
        player_->SetLoopEnd(frame_bar_->selectionEnd());
    }
    player_open_ = true;
    options_ |= voVideoControls;
}

void TDisplayForm::ReadDescriptors()
{
    std::array<uint8_t, kDescriptorChunkSize> buffer {};
    int32_t size = kDescriptorChunkSize;
    std::string text;
    if (stream_->ReadData(kDescriptorChunkId, buffer.data(), size) && size > 0)
        text = DescriptorFromChunk(buffer.data(), size_t(std::min(size, kDescriptorChunkSize)));
    time_base_.SetDescriptors(text);
    ApplyDescriptors(text);
}

void TDisplayForm::WriteDescriptors()
{
    if (!descriptors_changed_ || file_name_.isEmpty())
        return;
    const auto chunk = DescriptorChunkBytes(time_base_.Descriptors());
    if (!stream_->WriteData(kDescriptorChunkId, chunk.data(), int32_t(chunk.size())))
        showError(QStringLiteral("Could not Save Description Changes to File ") + file_name_);
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
    if (header.biWidth != frame_width_ || header.biHeight != frame_height_)
        SetFrameSize(header.biWidth, header.biHeight);
    return true;
}

void TDisplayForm::SetFrameSize(int width, int height)
{
    if (width == frame_width_ && height == frame_height_)
        return;
    frame_width_ = width;
    frame_height_ = height;
    if (isVisible())
        LayoutWindow();
}

void TDisplayForm::SetHooks(const DisplayOwnerHooks& hooks)
{
    hooks_ = hooks;
    if (hooks_.paint)
        paint_box_->setPaintHook(hooks_.paint);
    else
        paint_box_->setPaintHook(nullptr);
    UpdateHint();
    UpdateMenu();
}

void TDisplayForm::SetOwnerFrameCount(int32_t count)
{
    if (stand_alone_)
        return;
    frame_count_ = std::max(count, 0);
}

void TDisplayForm::SetDescriptorBlock(const std::string& block)
{
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
    return player_open_ ? player_->Position() : shown_index_;
}

void TDisplayForm::Seek(int32_t index)
{
    index = std::clamp(index, 0, std::max(0, frame_count_ - 1));
    if (player_open_ && player_->Position() != index)
        player_->Seek(index);
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
        requested_index_ = std::clamp(player_->Position(), 0, std::max(0, frame_count_ - 1));
    else if (frames_open_)
        requested_index_ = std::clamp(requested_index_, 0, std::max(0, frame_count_ - 1));
    if (!TChildForm::Redraw())
        return false;
    if (frames_open_)
        ShowFrame(shown_index_);
    else if (hooks_.paint)
        paint_box_->update();
    ShowCounters();
    if (measurement_)
        measurement_->FrameChanged(shown_index_);
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

void TDisplayForm::PlayerPositionChanged(int /*frame*/)
{
    // The player keeps time itself; paint its frame now rather than at the next master tick or
    // after the other windows' work queued meanwhile.
    if (Redraw())
        paint_box_->repaint();
}

void TDisplayForm::PlayerButtonPressed(TMPBtnType /*button*/)
{
    if (cropper_->isVisible())
        cropper_->Outline();
}

bool TDisplayForm::CanClose()
{
    // The preview decides: closing its picture closes the preview, which then frees this window.
    if (owner_child_ && !owner_child_->IsClosing()) {
        QMetaObject::invokeMethod(owner_child_, &QWidget::close, Qt::QueuedConnection);
        return false;
    }
    if (IsSaving()) {
        if (!save_state_.CancelRequested()) {
            const PromptButton answer = askUser(PromptKind::Confirmation, title_,
                QStringLiteral("Cancel Save in Progress?"), PromptButton::Yes | PromptButton::No);
            if (answer == PromptButton::Yes)
                RequestSaveCancel();
        }
        WaitForSaveEnd();
        return false;
    }
    if (!MeasurementMayClose())
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
    if (measurement_)
        measurement_->TimeBaseChanged(time_base_.FrameTime(0), FramePeriodMs(), time_base_.TimeDecimals());
    Redraw();
}

void TDisplayForm::ShowCounters()
{
    frame_panel_->setText(QString::number(time_base_.ShownNumber(shown_index_)));
    const ShownTime shown = time_base_.ShowTime(current_time_ms_);
    time_value_->setText(shown.text);
    time_unit_->setText(shown.unit);
    time_panel_->setToolTip(shown.hint);
    time_value_->setToolTip(shown.hint);
    if (frames_open_ && frame_bar_->value() != shown_index_) {
        updating_frame_bar_ = true;
        frame_bar_->setValue(shown_index_);
        updating_frame_bar_ = false;
    }
}

void TDisplayForm::ShowReticle(int mouse_x, int mouse_y, bool snap)
{
    if (!(options_ & voReticlePosition) || frame_width_ < 1)
        return;
    const ReticlePoint point
        = ReticleAt(mouse_x, mouse_y, paint_box_->width(), paint_box_->height(), frame_width_, frame_height_);
    reticle_x_ = point.x;
    reticle_y_ = point.y;
    if (snap)
        SnapReticle();
    reticle_panel_->setText(reticleText(reticle_x_) + QStringLiteral(", ") + reticleText(reticle_y_));
}

void TDisplayForm::FrameBarMoved(int position)
{
    if (!updating_frame_bar_)
        UserSeek(position);
}

bool TDisplayForm::MoveReticleByKey(QKeyEvent* event)
{
    if (!(options_ & voReticlePosition) || !paint_box_->underMouse())
        return false;
    const int step = (event->modifiers() & Qt::ShiftModifier) ? 10 : 1;
    int dx = 0;
    int dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -step;
        break;
    case Qt::Key_Right:
        dx = step;
        break;
    case Qt::Key_Up:
        dy = -step;
        break;
    case Qt::Key_Down:
        dy = step;
        break;
    case Qt::Key_PageUp:
        dx = step;
        dy = -step;
        break;
    case Qt::Key_PageDown:
        dx = step;
        dy = step;
        break;
    case Qt::Key_End:
        dx = -step;
        dy = step;
        break;
    case Qt::Key_Home:
        dx = -step;
        dy = -step;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PictureClicked();
        return true;
    default:
        return false;
    }
    QPoint at = paint_box_->mapFromGlobal(QCursor::pos());
    at.setX(std::clamp(at.x() + dx, 0, std::max(0, paint_box_->width() - 1)));
    at.setY(std::clamp(at.y() + dy, 0, std::max(0, paint_box_->height() - 1)));
    QCursor::setPos(paint_box_->mapToGlobal(at));
    ShowReticle(at.x(), at.y());
    return true;
}

bool TDisplayForm::StepByKey(QKeyEvent* event)
{
    if (!frames_open_ || IsSaving())
        return false;
    switch (event->key()) {
    case Qt::Key_Left:
        UserSeek(CurrentIndex() - 1);
        return true;
    case Qt::Key_Right:
        UserSeek(CurrentIndex() + 1);
        return true;
    case Qt::Key_Home:
        UserSeek(0);
        return true;
    case Qt::Key_End:
        UserSeek(frame_count_ - 1);
        return true;
    default:
        return false;
    }
}

void TDisplayForm::keyPressEvent(QKeyEvent* event)
{
    // Over the picture with the reticle on, the keys aim the reticle; elsewhere they step frames.
    if (MoveReticleByKey(event) || StepByKey(event)) {
        event->accept();
        return;
    }
    TChildForm::keyPressEvent(event);
}

} // namespace fw
