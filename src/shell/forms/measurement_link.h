#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QPointF>

class QPainter;
class QRect;
class QWidget;

namespace fw {

class TDisplayForm;

// What a clip window tells its measurement window and asks of it. Image points are frame
// pixels with the origin at the bottom-left, as the reticle shows them.
class MeasurementWindow {
public:
    virtual ~MeasurementWindow() = default;

    virtual QWidget* Window() = 0;
    // The pointer is over an image point: the point it should snap to, if any.
    virtual std::optional<QPointF> PointerMoved(QPointF image_point) = 0;
    virtual void PictureClicked(int32_t frame, QPointF image_point) = 0;
    virtual void FrameChanged(int32_t frame) = 0;
    virtual void TimeBaseChanged(double frame0_time_ms, double interval_ms, int decimals) = 0;
    // Draws the samples of the current frame over the picture.
    virtual void PaintOverlay(QPainter& painter, const QRect& picture, int frame_width, int frame_height) = 0;
    // How many collected samples the last export did not take (0 once everything is exported).
    virtual int UnexportedSamples() const = 0;
    // Asks where to export the sheet and writes it there; false when the user cancelled or the
    // file could not be written (the user has been told why).
    virtual bool ExportSamples() = 0;
};

// Makes the measurement window of a clip window; the clip window owns what it returns. The
// program installs the factory at start; without one, clip windows offer no measuring.
using MeasurementWindowFactory = std::function<MeasurementWindow*(TDisplayForm& display)>;
void SetMeasurementWindowFactory(MeasurementWindowFactory factory);
const MeasurementWindowFactory& MeasurementFactory();

} // namespace fw
