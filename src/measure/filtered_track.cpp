#include "measure/filtered_track.h"

#include <vector>

#include "measure/frame_object.h"
#include "measure/obj_def.h"
#include "measure/track_filter.h"
#include "support/fw_error.h"

namespace fw {

namespace {

struct TrackSample {
    int32_t frame_number = 0;
    ObjectPoint point;
};

// The samples of the point that have coordinates, in frame order.
std::vector<TrackSample> SamplesOf(const TObjDef& def, int point_index)
{
    std::vector<TrackSample> samples;
    for (const auto& [frame_number, sample] : def.Samples()) {
        if (!sample->HasPoint(point_index))
            continue;
        try {
            samples.push_back({ frame_number, def.Referencer()->ObjectCoordinates(*sample, point_index) });
        } catch (const Error&) {
            // No reference on this frame: the point has no position here.
        }
    }
    return samples;
}

// The frame step of the samples; fails naming the first step that differs.
int32_t FrameStepOf(const std::vector<TrackSample>& samples)
{
    const int32_t step = samples[1].frame_number - samples[0].frame_number;
    for (size_t i = 2; i < samples.size(); ++i) {
        const int32_t from = samples[i - 1].frame_number;
        const int32_t to = samples[i].frame_number;
        if (to - from != step)
            throw Error(QStringLiteral("Frames %1 and %2 are %3 frames apart, where the samples before them "
                                       "are %4 apart. A filter needs samples at one frame step: collect the "
                                       "missing frames or clear the extra ones.")
                            .arg(from)
                            .arg(to)
                            .arg(to - from)
                            .arg(step));
    }
    return step;
}

} // namespace

FilteredTrack FilteredTrack::Build(const TObjDef& def, int point_index)
{
    FilteredTrack track;
    const std::vector<TrackSample> samples = SamplesOf(def, point_index);
    if (samples.empty())
        return track;
    try {
        double rate_hz = 0.0;
        if (samples.size() >= 2) {
            const double interval_ms = def.Samples().begin()->second->Frame()->List()->IntervalMs();
            rate_hz = 1000.0 / (FrameStepOf(samples) * interval_ms);
        }
        std::vector<double> x;
        std::vector<double> y;
        for (const TrackSample& sample : samples) {
            x.push_back(sample.point.x);
            y.push_back(sample.point.y);
        }
        const FilteredPositions filtered = FilterPositions(std::move(x), std::move(y), rate_hz, def.Filter());
        for (size_t i = 0; i < samples.size(); ++i)
            track.positions_[samples[i].frame_number] = ObjectPoint { filtered.x[i], filtered.y[i] };
        track.warning_ = filtered.warning;
        track.cutoff_hz_ = filtered.cutoff_hz;
    } catch (const Error& refusal) {
        track.positions_.clear();
        track.refusal_ = refusal.message();
    }
    return track;
}

std::optional<ObjectPoint> FilteredTrack::PositionAt(int32_t frame_number) const
{
    const auto it = positions_.find(frame_number);
    if (it == positions_.end())
        return std::nullopt;
    return it->second;
}

} // namespace fw
