#include "measure/frame_object.h"

#include <algorithm>
#include <cmath>

#include "measure/obj_def.h"
#include "support/fw_error.h"

namespace fw {

namespace {

// Dividing by a shorter interval than a clip ever has would only blow values up.
constexpr double kMinIntervalMs = 0.00001;

} // namespace

TFrameObject::TFrameObject(TFrameObjectList* list, int32_t frame_number, double time_ms)
    : list_(list)
    , frame_number_(frame_number)
    , time_ms_(time_ms)
{
}

TFrameObject::~TFrameObject()
{
    for (const auto& sample : samples_)
        sample->ObjDef()->DetachSample(*sample);
}

TSampleObject* TFrameObject::SampleOf(const TObjDef* def) const
{
    for (const auto& sample : samples_) {
        if (sample->ObjDef() == def)
            return sample.get();
    }
    return nullptr;
}

TSampleObject& TFrameObject::SampleOrNew(TObjDef* def)
{
    if (TSampleObject* sample = SampleOf(def))
        return *sample;
    samples_.push_back(MakeSample(def->Class(), def, this));
    def->AttachSample(*samples_.back());
    return *samples_.back();
}

TSampleObject& TFrameObject::SampleOrFail(const TObjDef* def) const
{
    if (TSampleObject* sample = SampleOf(def))
        return *sample;
    throw Error(def->Name() + QStringLiteral(" sample not found"));
}

bool TFrameObject::RemoveSample(const TObjDef* def)
{
    const auto it = std::find_if(
        samples_.begin(), samples_.end(), [def](const auto& sample) { return sample->ObjDef() == def; });
    if (it == samples_.end())
        return false;
    (*it)->ObjDef()->DetachSample(**it);
    samples_.erase(it);
    return true;
}

FrameFind TFrameObjectList::Find(int32_t frame_number) const
{
    const auto it = std::lower_bound(frames_.begin(), frames_.end(), frame_number,
        [](const auto& frame, int32_t number) { return frame->FrameNumber() < number; });
    FrameFind found;
    found.position = size_t(it - frames_.begin());
    if (it != frames_.end()) {
        found.frame = it->get();
        found.exact = (*it)->FrameNumber() == frame_number;
    }
    return found;
}

TFrameObject& TFrameObjectList::GetOrCreate(int32_t frame_number)
{
    const FrameFind found = Find(frame_number);
    if (found.exact)
        return *found.frame;
    auto frame = std::make_unique<TFrameObject>(this, frame_number, FrameTime(frame_number));
    return **frames_.insert(frames_.begin() + std::ptrdiff_t(found.position), std::move(frame));
}

size_t TFrameObjectList::PositionOf(const TFrameObject& frame, const char* operation) const
{
    const FrameFind found = Find(frame.FrameNumber());
    if (!found.exact || found.frame != &frame)
        throw Error(QString::fromLatin1(operation) + u' ' + QString::number(frame.FrameNumber())
            + QStringLiteral(" not found"));
    return found.position;
}

TFrameObject* TFrameObjectList::NextFrame(const TFrameObject& frame) const
{
    const size_t position = PositionOf(frame, "NextFrame");
    return position + 1 < frames_.size() ? frames_[position + 1].get() : nullptr;
}

TFrameObject* TFrameObjectList::PrevFrame(const TFrameObject& frame) const
{
    const size_t position = PositionOf(frame, "PrevFrame");
    return position > 0 ? frames_[position - 1].get() : nullptr;
}

void TFrameObjectList::SetTimeBase(double frame0_time_ms, double interval_ms, int decimals)
{
    frame0_time_ms_ = std::isfinite(frame0_time_ms) ? frame0_time_ms : 0.0;
    interval_ms_ = interval_ms >= kMinIntervalMs && std::isfinite(interval_ms) ? interval_ms : kMinIntervalMs;
    time_decimals_ = std::clamp(decimals, 0, 20);
    for (const auto& frame : frames_)
        frame->SetTimeMs(FrameTime(frame->FrameNumber()));
}

double TFrameObjectList::FrameTime(int32_t frame_number) const
{
    return double(frame_number) * interval_ms_ + frame0_time_ms_;
}

} // namespace fw
