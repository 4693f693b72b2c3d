#include "shell/forms/display_form.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <QCursor>
#include <QEvent>
#include <QLabel>

#include "shell/forms/frame_view.h"

namespace fw {

namespace {

// A snapped move this long after the last warp is the user moving on: snapping lets go.
constexpr int64_t kSnapHoldMs = 200;

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

void TDisplayForm::SnapReticle()
{
    if (!MeasurementShown())
        return;
    const auto snapped = measurement_->PointerMoved(QPointF(reticle_x_, reticle_y_));
    if (!snapped || !snap_armed_ || frame_width_ < 1 || frame_height_ < 1)
        return;
    const int64_t now = nowMs();
    if (snap_warped_since_arming_ && now - last_warp_ms_ > kSnapHoldMs) {
        snap_armed_ = false;
        return;
    }
    const int width = paint_box_->width();
    const int height = paint_box_->height();
    const QPoint target(std::clamp(int(std::lround(snapped->x() * width / frame_width_)), 0, width - 1),
        std::clamp(int(std::lround(height - 1 - snapped->y() * height / frame_height_)), 0, height - 1));
    if (snap_warped_since_arming_ && target == last_warp_)
        return;
    last_warp_ = target;
    last_warp_ms_ = now;
    snap_warped_since_arming_ = true;
    reticle_x_ = float(snapped->x());
    reticle_y_ = float(snapped->y());
    QCursor::setPos(paint_box_->mapToGlobal(target));
}

void TDisplayForm::changeEvent(QEvent* event)
{
    TChildForm::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        snap_armed_ = true;
        snap_warped_since_arming_ = false;
    }
}

} // namespace fw
