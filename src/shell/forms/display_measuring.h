#pragma once

#include <cstdint>

#include <QPointF>

#include "shell/pointer_snap.h"

namespace fw {

class FrameView;
class MeasurementWindow;
class TDisplayForm;

// The Quick Measure side of a clip window: the measurement window, made once through the
// program's factory and owned here, its samples drawn over the picture, and the pointer
// snapping that follows its predictions.
class DisplayMeasuring {
public:
    DisplayMeasuring(TDisplayForm& display, FrameView& picture);
    ~DisplayMeasuring();
    DisplayMeasuring(const DisplayMeasuring&) = delete;
    DisplayMeasuring& operator=(const DisplayMeasuring&) = delete;

    MeasurementWindow* Window() const { return window_; }
    bool Shown() const;
    // Makes the measurement window on first use, at the frame on screen; false when the program
    // offers no measuring.
    bool Make(int32_t shown_frame);
    // Samples not yet exported: asks whether to export them, drop them or keep the window.
    bool MayClose();
    // Deletes the measurement window: the measurements belong to the clip window and go with it.
    void Release();

    // The reticle at `reticle` (frame pixels): where the measurement window pulls it. The pointer
    // is moved there too while the snapping holds.
    QPointF Snap(QPointF reticle);
    // A click on the picture or the window's activation lets the snapping pull again.
    void Arm() { snap_.Arm(); }
    void PictureClicked(int32_t shown_frame, QPointF reticle);
    void FrameChanged(int32_t shown_frame);
    void TimeBaseChanged();

private:
    TDisplayForm& display_;
    FrameView& picture_;
    MeasurementWindow* window_ = nullptr;
    PointerSnap snap_;
};

} // namespace fw
