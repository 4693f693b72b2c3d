#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <optional>

#include "measure/referencer.h"

namespace fw {

class TObjDef;

// The object coordinates of one point of an object after the object's filter, by frame number,
// and what the filter said about them. Velocities and accelerations of a filtered object are
// taken from these positions.
class FilteredTrack {
public:
    // From the object's samples that have the point and a reference on their frame. They must lie
    // at one frame step; otherwise, or when the filter refuses the rate, the track holds no
    // positions and says why.
    static FilteredTrack Build(const TObjDef& def, int point_index);

    std::optional<ObjectPoint> PositionAt(int32_t frame_number) const;
    // Why the positions could not be filtered; empty when they were.
    const QString& Refusal() const { return refusal_; }
    // What to beware of in the filtered positions; empty when nothing.
    const QString& Warning() const { return warning_; }
    // The cut-off the automatic choice settled on.
    std::optional<double> CutoffHz() const { return cutoff_hz_; }

private:
    std::map<int32_t, ObjectPoint> positions_;
    QString refusal_;
    QString warning_;
    std::optional<double> cutoff_hz_;
};

} // namespace fw
