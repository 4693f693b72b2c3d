#include "shell/forms/display_form.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <QCursor>
#include <QEvent>
#include <QLabel>

#include "shell/forms/frame_view.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

void TDisplayForm::OpenQuickMeasure()
{
    if (!QuickMeasureAllowed())
        return;
    if (!measurement_) {
        const MeasurementWindowFactory& factory = MeasurementFactory();
        if (!factory)
            return;
        measurement_ = factory(*this);
        if (!measurement_)
            return;
        measurement_->TimeBaseChanged(time_base_.FrameTime(0), FramePeriodMs(), time_base_.TimeDecimals());
        measurement_->FrameChanged(shown_index_);
        paint_box_->setOverlayHook([this](QPainter& painter, const QRect& picture) {
            if (MeasurementShown())
                measurement_->PaintOverlay(painter, picture, frame_width_, frame_height_);
        });
    }
    // Measuring needs the reticle.
    options_ |= voReticlePosition;
    LayoutWindow();
    UpdateMenu();
    measurement_->Window()->show();
    measurement_->Window()->raise();
    paint_box_->update();
}

bool TDisplayForm::MeasurementShown() const
{
    return measurement_ && measurement_->Window()->isVisible();
}

bool TDisplayForm::MeasurementMayClose()
{
    // The measurements live only as long as this window: closing it without a word loses them.
    const int samples = measurement_ ? measurement_->UnexportedSamples() : 0;
    if (samples <= 0)
        return true;
    const PromptButton answer = askUser(PromptKind::Confirmation, title_,
        QStringLiteral("Quick Measure holds %1 samples that have not been exported.\n"
                       "Export them before closing %2?\n\n"
                       "Yes exports them, No discards them, Cancel keeps the window open.")
            .arg(samples)
            .arg(title_),
        PromptButton::Yes | PromptButton::No | PromptButton::Cancel);
    if (answer == PromptButton::No) {
        qCInfo(lcShell) << "Closing" << file_name_ << "drops" << samples << "unexported measurement samples";
        return true;
    }
    return answer == PromptButton::Yes && measurement_->ExportSamples();
}

void TDisplayForm::SnapReticle()
{
    if (!MeasurementShown())
        return;
    const auto snapped = measurement_->PointerMoved(QPointF(reticle_x_, reticle_y_));
    if (!snapped || frame_width_ < 1 || frame_height_ < 1)
        return;
    const int width = paint_box_->width();
    const int height = paint_box_->height();
    const QPoint target(std::clamp(int(std::lround(snapped->x() * width / frame_width_)), 0, width - 1),
        std::clamp(int(std::lround(height - 1 - snapped->y() * height / frame_height_)), 0, height - 1));
    if (snap_.SnappedMove(target, nowMs()) != PointerSnap::Action::Warp)
        return;
    reticle_x_ = float(snapped->x());
    reticle_y_ = float(snapped->y());
    QCursor::setPos(paint_box_->mapToGlobal(target));
}

void TDisplayForm::PictureClickedAt(QPoint at)
{
    // The sample goes where the button went down. The reticle may still show an earlier move,
    // or the point the pointer was pulled to, when the click comes in the same instant.
    ShowReticle(at.x(), at.y(), false);
    PictureClicked();
}

void TDisplayForm::PictureClicked()
{
    if (!IsSaving())
        setFocus();
    snap_.Arm();
    if (MeasurementShown()) {
        paint_box_->update();
        measurement_->PictureClicked(shown_index_, QPointF(reticle_x_, reticle_y_));
    }
}

void TDisplayForm::changeEvent(QEvent* event)
{
    TChildForm::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        snap_.Arm();
}

} // namespace fw
