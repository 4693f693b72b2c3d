#include "shell/forms/display_form.h"

#include <algorithm>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "shell/display_layout.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form_metrics.h"
#include "shell/forms/frame_view.h"
#include "shell/forms/media_player.h"
#include "shell/forms/save_panel.h"
#include "shell/forms/time_bar.h"

namespace fw {

using namespace display_metrics;

namespace {

int screenHeightOf(const QWidget& widget)
{
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().height() : 0;
}

} // namespace

void TDisplayForm::UpdateLegendVisibility()
{
    frame_panel_->setVisible(options_ & voFrameCounter);
    time_panel_->setVisible(options_ & voTimeCounter);
    reticle_panel_->setVisible(options_ & voReticlePosition);
    // The save panel takes the place of the legend and the controls while it shows.
    legend_->setVisible(!IsSaving() && (options_ & (voFrameCounter | voTimeCounter | voReticlePosition)));
    controls_->setVisible(!IsSaving() && frames_open_ && (options_ & voVideoControls));
    save_panel_->setVisible(IsSaving());
}

int TDisplayForm::ExtraHeight() const
{
    return (save_panel_->isVisibleTo(this) ? SavePanel::kHeight : 0)
        + (legend_->isVisibleTo(this) ? kLegendHeight : 0)
        + (controls_->isVisibleTo(this) ? kControlsHeight : 0);
}

int TDisplayForm::LegendWidth() const
{
    int width = 0;
    if (legend_->isVisibleTo(this)) {
        width += frame_panel_->isVisibleTo(this) ? kFramePanelWidth : 0;
        width += reticle_panel_->isVisibleTo(this) ? kReticlePanelWidth : 0;
        width += time_panel_->isVisibleTo(this) ? time_panel_->width() : 0;
    }
    if (controls_->isVisibleTo(this))
        width = std::max(width, kMinimumControlsWidth);
    return width;
}

void TDisplayForm::LayoutWindow()
{
    if (in_layout_ || frame_width_ < 1)
        return;
    in_layout_ = true;
    UpdateLegendVisibility();
    DisplaySizing sizing;
    sizing.frame_width = frame_width_;
    sizing.frame_height = frame_height_;
    sizing.client_width = width();
    sizing.client_height = height();
    sizing.last_width = last_width_;
    sizing.last_height = last_height_;
    sizing.extra_height = ExtraHeight();
    sizing.previous_extra_height = previous_extra_;
    sizing.legend_width = LegendWidth();
    sizing.screen_height = screenHeightOf(*this);
    sizing.options = options_;
    const ClientSize size = ComputeClientSize(sizing);
    previous_extra_ = sizing.extra_height;
    // The crop rectangle would be dragged along by the intermediate sizes.
    const bool crop_shown = cropper_->isVisibleTo(paint_box_);
    cropper_->hide();
    resize(size.width, size.height);
    last_width_ = size.width;
    last_height_ = size.height;
    PlaceChildren(size.width, size.height);

    horizontal_scale_ = float(paint_box_->width()) / float(frame_width_);
    vertical_scale_ = float(paint_box_->height()) / float(frame_height_);
    if (!(options_ & voAnySize)) {
        options_ &= ~uint32_t(voHalfSize | voFullSize | voDoubleSize);
        options_ |= MatchingSizeItem(paint_box_->width(), paint_box_->height(), frame_width_, frame_height_);
    }
    LimitCropper();
    cropper_->setVisible(crop_shown);
    if (hooks_.layout_changed)
        hooks_.layout_changed(paint_box_->geometry());
    UpdateMenu();
    in_layout_ = false;
}

void TDisplayForm::LimitCropper()
{
    CropLimit limit;
    limit.left = 0;
    limit.top = 0;
    limit.right = paint_box_->width();
    limit.bottom = paint_box_->height();
    cropper_->SetLimit(limit);
}

void TDisplayForm::PlaceChildren(int width, int height)
{
    const int extra = ExtraHeight();
    int y = std::max(0, height - extra);
    paint_box_->setGeometry(0, 0, width, y);
    if (legend_->isVisibleTo(this)) {
        legend_->setGeometry(0, y, width, kLegendHeight);
        const LegendPositions at
            = PlaceLegendPanels(width, frame_panel_->isVisibleTo(this) ? kFramePanelWidth : 0,
                reticle_panel_->isVisibleTo(this) ? kReticlePanelWidth : 0,
                time_panel_->isVisibleTo(this) ? time_panel_->width() : 0);
        frame_panel_->move(at.frame_left, 0);
        reticle_panel_->move(at.reticle_left, 0);
        time_panel_->move(at.time_left, 0);
        y += kLegendHeight;
    }
    if (controls_->isVisibleTo(this)) {
        PlaceControls(width, y);
        y += kControlsHeight;
    }
    if (save_panel_->isVisibleTo(this))
        save_panel_->setGeometry(0, y, width, SavePanel::kHeight);
}

void TDisplayForm::PlaceControls(int width, int top)
{
    controls_->setGeometry(0, top, width, kControlsHeight);
    frame_bar_->setGeometry(0, 0, width, kFrameBarHeight);
    player_->setGeometry(0, kFrameBarHeight, width, kPlayerHeight);
}

void TDisplayForm::resizeEvent(QResizeEvent* event)
{
    TChildForm::resizeEvent(event);
    LayoutWindow();
}

} // namespace fw
