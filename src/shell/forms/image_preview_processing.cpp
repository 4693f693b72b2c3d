#include "shell/forms/image_preview.h"

#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "clips/forms/custom_color_form.h"
#include "clips/forms/processing_settings_form.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

QString sizeText(int32_t width, int32_t height)
{
    return QStringLiteral("%1W %2H").arg(width).arg(height);
}

} // namespace

void TImagePreview::TrackBarMoved(TrackTag tag, int position)
{
    if (showing_values_)
        return;
    if (std::fabs(ImportTrackValue(tag, position) - values_.Value(tag)) < 0.01F)
        return;
    values_.SetPosition(tag, position);
    settings_changed_ = true;
    ApplyImportProcessing(values_, *source_);
    previewed_number_ = -1;
}

void TImagePreview::FilterChosen(int index)
{
    if (showing_values_ || index < 0)
        return;
    values_.filter_index = index;
    settings_changed_ = true;
    ApplyImportProcessing(values_, *source_);
    previewed_number_ = -1;
}

void TImagePreview::ShowFilterMask(bool on)
{
    source_->Pipeline().SetShowFilterMask(on);
    filter_button_->setToolTip(on ? QStringLiteral("Show Color Image") : QStringLiteral("Show Filter Mask"));
    previewed_number_ = -1;
}

void TImagePreview::SetSettingsLocked(bool locked)
{
    if (!showing_values_ && values_.settings_locked != locked) {
        values_.settings_locked = locked;
        settings_changed_ = true;
    }
    for (QSlider* bar : track_bars_)
        bar->setEnabled(!locked);
    filter_box_->setEnabled(!locked);
    undo_button_->setEnabled(!locked);
    locked_panel_->setVisible(locked);
    locked_panel_->raise();
}

void TImagePreview::CroppingToggled(bool on)
{
    if (showing_values_)
        return;
    values_.crop.cropping = on && values_.crop.allowed;
    settings_changed_ = true;
    PlaceCropper();
    ShowSizes();
}

void TImagePreview::ApplyValues()
{
    ApplyImportProcessing(values_, *source_);
    display_->Cropper()->SetColor(values_.crop.border_color);
    ShowValues();
    PlaceCropper();
    ShowSizes();
    previewed_number_ = -1;
}

void TImagePreview::ShowValues()
{
    showing_values_ = true;
    for (size_t i = 0; i < track_bars_.size(); ++i)
        track_bars_[i]->setValue(values_.positions[i]);
    filter_box_->setCurrentIndex(values_.filter_index);
    settings_locked_->setChecked(values_.settings_locked);
    crop_button_->setChecked(values_.crop.cropping);
    showing_values_ = false;
    SetSettingsLocked(values_.settings_locked);
}

void TImagePreview::ShowSizes()
{
    const FrameRect& rect = values_.crop.rect;
    cropping_label_->setText(values_.crop.cropping ? sizeText(rect.Width(), rect.Height())
                                                   : sizeText(source_->ImageWidth(), source_->ImageHeight()));
    saving_label_->setText(
        sizeText(values_.SavedWidth(source_->ImageWidth()), values_.SavedHeight(source_->ImageHeight())));
}

void TImagePreview::PlaceCropper()
{
    TCropShape* cropper = display_->Cropper();
    const ClipWindowLayout& layout = display_->Layout();
    cropper->setVisible(values_.crop.cropping);
    if (!values_.crop.cropping || layout.HorizontalScale() <= 0.0F || layout.VerticalScale() <= 0.0F)
        return;
    const FrameRect& rect = values_.crop.rect;
    const bool was_showing = showing_values_;
    showing_values_ = true;
    cropper->SetCropInFrame(FrameCrop { rect.left, rect.top, rect.right, rect.bottom },
        layout.HorizontalScale(), layout.VerticalScale());
    showing_values_ = was_showing;
}

void TImagePreview::CropperMoved()
{
    const ClipWindowLayout& layout = display_->Layout();
    if (showing_values_ || !values_.crop.cropping || layout.HorizontalScale() <= 0.0F)
        return;
    const FrameCrop crop = display_->Cropper()->CropInFrame(layout.HorizontalScale(), layout.VerticalScale());
    if (crop.right < crop.left || crop.bottom < crop.top)
        return;
    values_.crop.rect = FrameRect { crop.left, crop.top, crop.right, crop.bottom };
    settings_changed_ = true;
    ShowSizes();
}

void TImagePreview::OpenSettings()
{
    ProcessingSettings settings = HandOverImportValues(values_);
    if (!TProcessingSettings::Run(settings, SettingsRun::Interactive, this))
        return;
    TakeBackImportValues(settings, values_, source_->ImageWidth(), source_->ImageHeight());
    settings_changed_ = true;
    ApplyValues();
}

void TImagePreview::RestoreOriginal()
{
    values_.positions = original_values_.positions;
    values_.filter_index = original_values_.filter_index;
    settings_changed_ = true;
    ApplyValues();
}

void TImagePreview::BalanceSettings()
{
    values_.Balance();
    settings_changed_ = true;
    ApplyValues();
}

void TImagePreview::PickWhitePoint(int x, int y, const PixelColor& target)
{
    const PixelColor raw = source_->RawPixel(frames_.Preview(), x, y);
    const ProcessingPipeline& pipeline = source_->Pipeline();
    const ChannelGains effective = GainsForTargetColor(pipeline.Levels(), pipeline.Gamma(), raw, target);
    const BrightnessSplit split = SplitGains(effective, values_.Value(TrackTag::Brightness));
    if (split.inaccurate)
        showInformation(QString::fromLatin1(kTransformInaccurateText));
    values_.SetPosition(TrackTag::Brightness, ImportTrackPosition(TrackTag::Brightness, split.brightness));
    values_.SetPosition(TrackTag::RedGain, ImportTrackPosition(TrackTag::RedGain, split.channel_gains[0]));
    values_.SetPosition(
        TrackTag::GreenGain, ImportTrackPosition(TrackTag::GreenGain, split.channel_gains[1]));
    values_.SetPosition(TrackTag::BlueGain, ImportTrackPosition(TrackTag::BlueGain, split.channel_gains[2]));
    settings_changed_ = true;
    ApplyValues();
}

void TImagePreview::TransformColor()
{
    if (values_.settings_locked || preview_frame_.isNull() || !source_->IsColour() || !context_.settings)
        return;
    const QPointF reticle = display_->Reticle();
    const int x = std::clamp(int(reticle.x()), 0, source_->ImageWidth() - 1);
    const int y = std::clamp(source_->ImageHeight() - 1 - int(reticle.y()), 0, source_->ImageHeight() - 1);
    const uint8_t* shown = preview_frame_.topDownRow(y) + size_t(x) * 3;
    ColorPickRequest request;
    request.pixel = source_->RawPixel(frames_.Preview(), x, y);
    request.shown = PixelColor { shown[2], shown[1], shown[0] };
    request.levels = source_->Pipeline().Levels();
    request.gamma = source_->Pipeline().Gamma();
    request.brightness = values_.Value(TrackTag::Brightness);
    TCustomColorForm form(*context_.settings, this);
    form.PlaceOver(display_->frameGeometry());
    form.Run(
        request, [this, x, y](const ColorTransformResult& result) { PickWhitePoint(x, y, result.target); });
}

bool TImagePreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == locked_panel_ && event->type() == QEvent::MouseButtonDblClick) {
        OpenSettings();
        return true;
    }
    return TChildForm::eventFilter(watched, event);
}

} // namespace fw
