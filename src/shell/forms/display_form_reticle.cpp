#include "shell/forms/display_form.h"

#include <algorithm>

#include <QCursor>
#include <QEvent>
#include <QKeyEvent>

#include "shell/display_keys.h"
#include "shell/forms/display_legend.h"
#include "shell/forms/display_measuring.h"
#include "shell/forms/frame_view.h"

namespace fw {

void TDisplayForm::OpenQuickMeasure()
{
    if (!QuickMeasureAllowed() || !measuring_->Make(shown_index_))
        return;
    // Measuring needs the reticle.
    options_ |= voReticlePosition;
    LayoutWindow();
    UpdateMenu();
    QWidget* window = measuring_->Window()->Window();
    window->show();
    window->raise();
    paint_box_->update();
}

void TDisplayForm::ShowReticle(int mouse_x, int mouse_y, bool snap)
{
    if (!(options_ & voReticlePosition) || layout_.FrameWidth() < 1)
        return;
    const ReticlePoint point = ReticleAt(mouse_x, mouse_y, paint_box_->width(), paint_box_->height(),
        layout_.FrameWidth(), layout_.FrameHeight());
    reticle_ = QPointF(point.x, point.y);
    // The measurement window may pull the reticle onto the point it expects next.
    if (snap)
        reticle_ = measuring_->Snap(reticle_);
    legend_->ShowReticle(reticle_);
}

void TDisplayForm::PictureClicked()
{
    if (!IsSaving())
        setFocus();
    measuring_->PictureClicked(shown_index_, reticle_);
}

bool TDisplayForm::MoveReticleByKey(QKeyEvent* event)
{
    if (!(options_ & voReticlePosition) || !paint_box_->underMouse())
        return false;
    const auto action = ReticleKeyAction(event->key(), event->modifiers() & Qt::ShiftModifier);
    if (!action)
        return false;
    if (action->click) {
        PictureClicked();
        return true;
    }
    QPoint at = paint_box_->mapFromGlobal(QCursor::pos()) + action->step;
    at.setX(std::clamp(at.x(), 0, std::max(0, paint_box_->width() - 1)));
    at.setY(std::clamp(at.y(), 0, std::max(0, paint_box_->height() - 1)));
    QCursor::setPos(paint_box_->mapToGlobal(at));
    ShowReticle(at.x(), at.y());
    return true;
}

void TDisplayForm::keyPressEvent(QKeyEvent* event)
{
    // Over the picture with the reticle on, the keys aim the reticle; elsewhere they step frames.
    if (MoveReticleByKey(event)) {
        event->accept();
        return;
    }
    const auto target = frames_open_ && !IsSaving()
        ? FrameKeyTarget(event->key(), CurrentIndex(), frame_count_ - 1)
        : std::nullopt;
    if (target) {
        UserSeek(*target);
        event->accept();
        return;
    }
    TChildForm::keyPressEvent(event);
}

void TDisplayForm::changeEvent(QEvent* event)
{
    TChildForm::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        measuring_->Arm();
}

} // namespace fw
