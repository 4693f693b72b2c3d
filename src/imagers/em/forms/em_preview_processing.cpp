#include "imagers/em/forms/em_preview.h"

#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include "clips/forms/processing_settings_form.h"
#include "imagers/em/em_processing.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form.h"

namespace fw {

namespace {

// Smaller moves of a bar leave the picture as it is.
constexpr double kSmallestChange = 0.01;

} // namespace

void TEMPreview::BarMoved(Bar bar, int position)
{
    if (showing_values_)
        return;
    double* value = nullptr;
    double moved = 0.0;
    switch (bar) {
    case Bar::Brightness:
        value = &values_.brightness;
        moved = EmBrightnessAt(position);
        break;
    case Bar::Gamma:
        value = &values_.gamma;
        moved = EmGammaAt(position);
        break;
    case Bar::Sharpness:
        value = &values_.sharpness;
        moved = EmSharpnessAt(position);
        break;
    }
    if (std::fabs(moved - *value) < kSmallestChange)
        return;
    *value = moved;
    ProcessingChanged();
}

void TEMPreview::FilterChosen(int index)
{
    if (showing_values_ || index < 0)
        return;
    values_.filter = index;
    ProcessingChanged();
}

void TEMPreview::FlipsChanged()
{
    if (showing_values_)
        return;
    values_.mirror = mirror_box_->isChecked();
    values_.invert = invert_box_->isChecked();
    ProcessingChanged();
}

void TEMPreview::ProcessingChanged()
{
    settings_changed_ = true;
    EmApplyValues(values_, *source_);
    shown_preview_.reset();
}

void TEMPreview::ShowFilterMask(bool on)
{
    source_->SetShowFilterMask(on);
    filter_button_->setToolTip(on ? QStringLiteral("Show Image") : QStringLiteral("Show Filter Mask"));
    shown_preview_.reset();
}

void TEMPreview::SetSettingsLocked(bool locked)
{
    if (!showing_values_)
        settings_locked_ = locked;
    for (QSlider* bar : bars_)
        bar->setEnabled(!locked);
    filter_box_->setEnabled(!locked);
    undo_button_->setEnabled(!locked);
    locked_panel_->setVisible(locked);
    locked_panel_->raise();
}

void TEMPreview::RestoreDefaults()
{
    const EmStreamSettings defaults;
    values_.brightness = defaults.brightness;
    values_.gamma = defaults.gamma;
    values_.sharpness = defaults.sharpness;
    ShowValues();
    ProcessingChanged();
}

void TEMPreview::OpenSettings()
{
    ProcessingSettings settings = EmWindowHandOver(*source_, values_, settings_locked_);
    if (!TProcessingSettings::Run(settings, SettingsRun::Interactive, this))
        return;
    settings_locked_ = EmWindowTakeBack(settings, *source_, values_);
    display_->Cropper()->SetColor(values_.crop_color);
    ShowValues();
    ProcessingChanged();
    PlaceCropper();
}

void TEMPreview::CroppingToggled(bool on)
{
    if (showing_values_)
        return;
    values_.cropping = on;
    settings_changed_ = true;
    PlaceCropper();
}

void TEMPreview::PlaceCropper()
{
    TCropShape* cropper = display_->Cropper();
    const ClipWindowLayout& layout = display_->Layout();
    cropper->setVisible(values_.cropping);
    cropper_placed_ = false;
    if (!values_.cropping || layout.HorizontalScale() <= 0.0F || layout.VerticalScale() <= 0.0F)
        return;
    const FrameRect& rect = values_.crop;
    const bool was_showing = showing_values_;
    showing_values_ = true;
    cropper->SetCropInFrame(FrameCrop { rect.left, rect.top, rect.right, rect.bottom },
        layout.HorizontalScale(), layout.VerticalScale());
    showing_values_ = was_showing;
    cropper_placed_ = true;
}

void TEMPreview::CropperMoved()
{
    const ClipWindowLayout& layout = display_->Layout();
    // Until the frame stands on the picture, its bounds say nothing about the crop.
    if (showing_values_ || !cropper_placed_ || !values_.cropping || layout.HorizontalScale() <= 0.0F)
        return;
    const FrameCrop crop = display_->Cropper()->CropInFrame(layout.HorizontalScale(), layout.VerticalScale());
    if (crop.right < crop.left || crop.bottom < crop.top)
        return;
    values_.crop = FrameRect { crop.left, crop.top, crop.right, crop.bottom };
    settings_changed_ = true;
}

bool TEMPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == locked_panel_ && event->type() == QEvent::MouseButtonDblClick) {
        OpenSettings();
        return true;
    }
    return TPreviewForm::eventFilter(watched, event);
}

} // namespace fw
