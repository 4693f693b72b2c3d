#include "measure/scale_calibration.h"

#include <cmath>

namespace fw {

bool ScaleCalibration::Click(QPointF image_point)
{
    ends_[size_t(clicks_)] = image_point;
    clicks_ = (clicks_ + 1) % 2;
    if (clicks_ == 1)
        return false;
    const QPointF span = ends_[1] - ends_[0];
    image_length_px_ = std::hypot(span.x(), span.y());
    return true;
}

std::optional<double> ScaleCalibration::FactorFor(double known_length) const
{
    const double length = std::fabs(known_length);
    if (image_length_px_ > 0.0 && length > 0.0)
        return length / image_length_px_;
    return std::nullopt;
}

} // namespace fw
