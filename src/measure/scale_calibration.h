#pragma once

#include <QPointF>

#include <array>
#include <optional>

namespace fw {

// The scale from a known length: two clicks on the clip window mark its ends, and the length
// the user gives for it over their distance in pixels is the factor.
class ScaleCalibration {
public:
    // The next click marks the first end again; the last complete length stays.
    void Restart() { clicks_ = 0; }
    // Marks an end; true when the click completed a pair and so measured a new length.
    bool Click(QPointF image_point);
    double ImageLengthPx() const { return image_length_px_; }
    // Length units per pixel; nothing until both lengths are above zero. The sign of the
    // known length does not count.
    std::optional<double> FactorFor(double known_length) const;

private:
    std::array<QPointF, 2> ends_ {};
    int clicks_ = 0;
    double image_length_px_ = 0.0;
};

} // namespace fw
