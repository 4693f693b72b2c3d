#include "measure/referencer.h"

#include <algorithm>

#include "measure/frame_object.h"
#include "measure/obj_def.h"
#include "measure/scaler.h"
#include "support/fw_error.h"

namespace fw {

void TReferencer::SetMoving(TObjDef* reference_object, int reference_point)
{
    moving_ = reference_object != nullptr;
    reference_object_ = reference_object;
    reference_point_ = std::clamp(reference_point, 1, kMaxReferencePoint);
}

void TReferencer::SetBase(bool use_base, double base_x, double base_y)
{
    use_base_ = use_base;
    base_x_ = base_x;
    base_y_ = base_y;
}

ObjectPoint TReferencer::ScaledPoint(const TSampleObject& sample, int index) const
{
    if (!sample.HasPoint(index))
        throw Error(sample.ClassName() + QStringLiteral(" coordinate ") + QString::number(index)
            + QStringLiteral(" is nil"));
    const ImagePoint point = sample.GetPoint(index);
    const double scale = sample.ObjDef()->Scaler()->Scale();
    return { double(point.u) * scale, double(point.v) * scale };
}

ObjectPoint TReferencer::ObjectCoordinates(const TSampleObject& sample, int index) const
{
    ObjectPoint point = ScaledPoint(sample, index);
    ObjectPoint origin;
    if (moving_) {
        const TSampleObject& reference = sample.Frame()->SampleOrFail(reference_object_);
        origin = ScaledPoint(reference, reference_point_ - 1);
    } else if (reference_sample_) {
        origin = ScaledPoint(*reference_sample_, 0);
    }
    point.x -= origin.x;
    point.y -= origin.y;
    if (use_base_) {
        point.x += base_x_;
        point.y += base_y_;
    }
    return point;
}

} // namespace fw
