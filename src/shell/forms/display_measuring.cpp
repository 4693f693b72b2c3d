#include "shell/forms/display_measuring.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <QCursor>
#include <QWidget>

#include "shell/forms/display_form.h"
#include "shell/forms/frame_view.h"
#include "shell/forms/measurement_link.h"
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

DisplayMeasuring::DisplayMeasuring(TDisplayForm& display, FrameView& picture)
    : display_(display)
    , picture_(picture)
{
}

DisplayMeasuring::~DisplayMeasuring()
{
    Release();
}

void DisplayMeasuring::Release()
{
    if (!window_)
        return;
    picture_.setOverlayHook(nullptr);
    delete window_;
    window_ = nullptr;
}

bool DisplayMeasuring::Shown() const
{
    return window_ && window_->Window()->isVisible();
}

bool DisplayMeasuring::Make(int32_t shown_frame)
{
    if (window_)
        return true;
    const MeasurementWindowFactory& factory = MeasurementFactory();
    if (!factory)
        return false;
    window_ = factory(display_);
    if (!window_)
        return false;
    TimeBaseChanged();
    window_->FrameChanged(shown_frame);
    picture_.setOverlayHook([this](QPainter& painter, const QRect& picture) {
        if (Shown())
            window_->PaintOverlay(
                painter, picture, display_.Layout().FrameWidth(), display_.Layout().FrameHeight());
    });
    return true;
}

bool DisplayMeasuring::MayClose()
{
    // The measurements live only as long as the clip window: closing it without a word loses them.
    const int samples = window_ ? window_->UnexportedSamples() : 0;
    if (samples <= 0)
        return true;
    const QString title = display_.Title();
    const PromptButton answer = askUser(PromptKind::Confirmation, title,
        QStringLiteral("Quick Measure holds %1 samples that have not been exported.\n"
                       "Export them before closing %2?\n\n"
                       "Yes exports them, No discards them, Cancel keeps the window open.")
            .arg(samples)
            .arg(title),
        PromptButton::Yes | PromptButton::No | PromptButton::Cancel);
    if (answer == PromptButton::No) {
        qCInfo(lcShell) << "Closing" << display_.FileName() << "drops" << samples
                        << "unexported measurement samples";
        return true;
    }
    return answer == PromptButton::Yes && window_->ExportSamples();
}

QPointF DisplayMeasuring::Snap(QPointF reticle)
{
    if (!Shown())
        return reticle;
    const auto snapped = window_->PointerMoved(reticle);
    const int frame_width = display_.Layout().FrameWidth();
    const int frame_height = display_.Layout().FrameHeight();
    if (!snapped || frame_width < 1 || frame_height < 1)
        return reticle;
    const int width = picture_.width();
    const int height = picture_.height();
    const QPoint target(std::clamp(int(std::lround(snapped->x() * width / frame_width)), 0, width - 1),
        std::clamp(int(std::lround(height - 1 - snapped->y() * height / frame_height)), 0, height - 1));
    if (snap_.SnappedMove(target, nowMs()) != PointerSnap::Action::Warp)
        return reticle;
    QCursor::setPos(picture_.mapToGlobal(target));
    return QPointF(float(snapped->x()), float(snapped->y()));
}

void DisplayMeasuring::PictureClicked(int32_t shown_frame, QPointF reticle)
{
    snap_.Arm();
    if (!Shown())
        return;
    picture_.update();
    window_->PictureClicked(shown_frame, reticle);
}

void DisplayMeasuring::FrameChanged(int32_t shown_frame)
{
    if (window_)
        window_->FrameChanged(shown_frame);
}

void DisplayMeasuring::TimeBaseChanged()
{
    if (window_)
        window_->TimeBaseChanged(
            display_.TimeBase().FrameTime(0), display_.FramePeriodMs(), display_.TimeBase().TimeDecimals());
}

} // namespace fw
