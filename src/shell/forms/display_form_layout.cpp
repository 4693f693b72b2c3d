#include "shell/forms/display_form.h"

#include <QGuiApplication>
#include <QScreen>

#include "shell/forms/crop_shape.h"
#include "shell/forms/display_controls.h"
#include "shell/forms/display_legend.h"
#include "shell/forms/display_measuring.h"
#include "shell/forms/display_menu.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/frame_view.h"
#include "shell/forms/media_player.h"
#include "shell/forms/save_panel.h"

namespace fw {

namespace {

int screenHeightOf(const QWidget& widget)
{
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().height() : 0;
}

} // namespace

void TDisplayForm::BuildWidgets()
{
    const auto transform_colours = [this] {
        if (hooks_.color_transform)
            hooks_.color_transform();
    };
    paint_box_ = new FrameView(this);
    paint_box_->setBackground(crop_color_);
    paint_box_->setToolTip(QStringLiteral("Right-Click for Settings"));
    connect(paint_box_, &FrameView::mouseMovedOver, this, [this](int x, int y) { ShowReticle(x, y); });
    connect(paint_box_, &FrameView::clicked, this, [this](int x, int y) {
        // The sample goes where the button went down. The reticle may still show an earlier
        // move, or the point the pointer was pulled to, when the click comes in the same instant.
        ShowReticle(x, y, false);
        PictureClicked();
    });
    connect(paint_box_, &FrameView::doubleClicked, this, transform_colours);
    connect(paint_box_, &FrameView::painted, this, [this] { emit framePainted(shown_index_); });
    cropper_ = new TCropShape(paint_box_);
    cropper_->SetColor(crop_color_);
    cropper_->hide();
    measuring_ = std::make_unique<DisplayMeasuring>(*this, *paint_box_);

    legend_ = new DisplayLegend(this);
    controls_ = new DisplayControls(this);
    connect(controls_, &DisplayControls::frameBarMoved, this, [this](int position) { UserSeek(position); });
    TFWMediaPlayer* player = controls_->Player();
    connect(player, &TFWMediaPlayer::positionChanged, this, [this] {
        // The player keeps time itself; paint its frame now rather than at the next master tick
        // or after the other windows' work queued meanwhile.
        if (Redraw())
            paint_box_->repaint();
    });
    connect(player, &TFWMediaPlayer::postClicked, this, [this] {
        if (cropper_->isVisible())
            cropper_->Outline();
    });
    connect(player, &TFWMediaPlayer::notified, this, [this](NotifyResult result) {
        if (hooks_.player_notified)
            hooks_.player_notified(result);
    });

    saver_ = new DisplaySaver(*this);
    connect(saver_, &DisplaySaver::savingChanged, this, [this] {
        LayoutWindow();
        UpdateMenu();
    });
    setFocusPolicy(Qt::StrongFocus);
    menu_ = new DisplayMenu(*this);
    connect(menu_, &DisplayMenu::colorTransformChosen, this, transform_colours);
}

void TDisplayForm::LayoutWindow()
{
    if (in_layout_ || layout_.FrameWidth() < 1)
        return;
    in_layout_ = true;
    layout_.SetView(options_, IsSaving(), frames_open_);
    // The save panel takes the place of the legend and the controls while it shows.
    const ClipWindowParts& parts = layout_.Parts();
    legend_->ShowParts(parts);
    controls_->setVisible(parts.controls);
    saver_->Panel()->setVisible(parts.save_panel);
    const ClientSize size = layout_.Fit(width(), height(), screenHeightOf(*this));
    // The crop rectangle would be dragged along by the intermediate sizes.
    const bool crop_shown = cropper_->isVisibleTo(paint_box_);
    cropper_->hide();
    resize(size.width, size.height);
    PlaceChildren(layout_.Place(size.width, size.height));
    if (!(options_ & voAnySize)) {
        options_ &= ~uint32_t(voHalfSize | voFullSize | voDoubleSize);
        options_ |= layout_.SizeItem();
    }
    cropper_->SetLimit(layout_.CropLimits());
    cropper_->setVisible(crop_shown);
    if (hooks_.layout_changed)
        hooks_.layout_changed(paint_box_->geometry());
    UpdateMenu();
    in_layout_ = false;
}

void TDisplayForm::PlaceChildren(const ClipWindowRects& at)
{
    const ClipWindowParts& parts = layout_.Parts();
    paint_box_->setGeometry(at.picture);
    if (parts.legend)
        legend_->Place(at.legend, at.counters);
    if (parts.controls)
        controls_->Place(at.controls);
    if (parts.save_panel)
        saver_->Panel()->setGeometry(at.save_panel);
}

void TDisplayForm::resizeEvent(QResizeEvent* event)
{
    TChildForm::resizeEvent(event);
    LayoutWindow();
}

} // namespace fw
