#include "shell/forms/display_form.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QPainter>

#include "shell/forms/child_windows.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_controls.h"
#include "shell/forms/display_legend.h"
#include "shell/forms/display_measuring.h"
#include "shell/forms/display_menu.h"
#include "shell/forms/frame_view.h"
#include "shell/forms/media_player.h"

namespace fw {

void TDisplayForm::UpdateMenu()
{
    // Measuring needs the reticle: it stays on while the measurement window shows.
    const bool measuring = measuring_->Shown();
    if (measuring)
        options_ |= voReticlePosition;
    DisplayMenuState state;
    state.options = options_;
    state.player_open = player_open_;
    state.can_copy_frame = frames_open_ && !IsSaving();
    state.can_copy_border = layout_.FrameWidth() > 0 && !IsSaving();
    state.color_transform = bool(hooks_.color_transform);
    // Measuring and graphing are offered only where they can run.
    state.quick_measure = QuickMeasureAllowed() && MeasurementFactory();
    state.measuring = measuring;
    state.signal_graph = SignalGraphAllowed() && SignalGraphAvailable();
    menu_->Update(state);
    paint_box_->setCursor((options_ & voReticlePosition) ? Qt::CrossCursor : Qt::ArrowCursor);
}

void TDisplayForm::SetViewOption(ViewOption item, bool on)
{
    constexpr uint32_t size_bits = voHalfSize | voFullSize | voDoubleSize | voAnySize;
    if (item & size_bits) {
        // The size items act as one choice.
        options_ &= ~size_bits;
        if (on)
            options_ |= item;
    } else if (on) {
        options_ |= item;
    } else {
        options_ &= ~uint32_t(item);
    }
    LayoutWindow();
    UpdateMenu();
}

void TDisplayForm::SetPlaybackSpeed(int speed)
{
    speed = std::clamp(speed, PlayerState::kMinPlayRate, PlayerState::kMaxPlayRate);
    options_ = (options_ & 0xFFFFu) | (uint32_t(speed) << 16);
    if (player_open_)
        controls_->Player()->SetPlayRate(speed);
    UpdateMenu();
}

void TDisplayForm::SetCropColor(const QColor& color)
{
    if (!color.isValid())
        return;
    crop_color_ = color;
    cropper_->SetColor(color);
    paint_box_->setBackground(color);
}

QImage TDisplayForm::ImageAndDataBorder(const QPoint& picture_point)
{
    const int bottom
        = legend_->isVisibleTo(this) ? legend_->geometry().bottom() : paint_box_->geometry().bottom();
    QImage image = grab(QRect(0, 0, width(), bottom + 1)).toImage();
    if ((options_ & voReticlePosition) && paint_box_->rect().contains(picture_point)) {
        const QPoint at = paint_box_->mapTo(this, picture_point) * image.devicePixelRatio();
        QPainter painter(&image);
        painter.setPen(QPen(crop_color_, 1));
        const int arm = std::max(6, std::min(paint_box_->width(), paint_box_->height()) / 20);
        painter.drawLine(at.x() - arm, at.y(), at.x() + arm, at.y());
        painter.drawLine(at.x(), at.y() - arm, at.x(), at.y() + arm);
    }
    return image;
}

void TDisplayForm::CopyImageAndDataBorder()
{
    if (layout_.FrameWidth() < 1 || IsSaving())
        return;
    // From the menu the point is where it was opened; from the keyboard, where the mouse is.
    QPoint at = menu_->OpenedAt();
    if (!paint_box_->rect().contains(at)) {
        at = paint_box_->mapFromGlobal(QCursor::pos());
    } else {
        QCursor::setPos(paint_box_->mapToGlobal(at));
        ShowReticle(at.x(), at.y());
    }
    QApplication::clipboard()->setImage(ImageAndDataBorder(at));
}

void TDisplayForm::contextMenuEvent(QContextMenuEvent* event)
{
    if (IsSaving())
        return;
    UpdateMenu();
    menu_->Popup(event->globalPos(), paint_box_->mapFromGlobal(event->globalPos()));
}

} // namespace fw
