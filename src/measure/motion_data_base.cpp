#include "measure/motion_data_base.h"

#include <algorithm>

#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

TMotionDataBase::TMotionDataBase()
    : sheet_(frames_)
{
    ref_object_ = &defs_.CreateFixed(SetupFor(SampleClass::HiddenPoint, QStringLiteral("Ref"), 0));
    TSampleObject& origin = frames_.GetOrCreate(0).SampleOrNew(ref_object_);
    origin.SetPoint(0, { 0.0f, 0.0f });
    referencer_.SetReferenceSample(&origin);
}

TObjDef::Setup TMotionDataBase::SetupFor(SampleClass sample_class, const QString& name, VisibleSet visible)
{
    TObjDef::Setup setup;
    setup.name = name;
    setup.sample_class = sample_class;
    setup.scaler = &scaler_;
    setup.referencer = &referencer_;
    setup.sheet = &sheet_;
    setup.visible = visible;
    return setup;
}

std::vector<TObjDef*> TMotionDataBase::UserObjects() const
{
    std::vector<TObjDef*> objects;
    for (const auto& def : defs_.Objects()) {
        if (def.get() != ref_object_)
            objects.push_back(def.get());
    }
    return objects;
}

TObjDef& TMotionDataBase::NewObject(SampleClass sample_class)
{
    TObjDef::Setup setup = SetupFor(sample_class, defs_.NewObjectName(sample_class), defs_.DefaultVisible());
    setup.filter = defs_.DefaultFilter();
    return defs_.Create(setup);
}

void TMotionDataBase::RenameObject(TObjDef& def, const QString& name)
{
    if (defs_.FindByName(name, &def))
        throw Error(QStringLiteral("Another object already has the name \"") + name + QStringLiteral("\"."));
    def.SetName(name);
}

void TMotionDataBase::DeleteObject(TObjDef& def)
{
    if (&def == ref_object_)
        return;
    const bool was_reference = referencer_.Moving() && referencer_.ReferenceObject() == &def;
    if (was_reference)
        referencer_.SetFixed();
    defs_.Destroy(&def);
    if (was_reference) {
        RecomputeAll();
        showInformation(QStringLiteral("Referencing has changed to image point fixed"));
    }
}

void TMotionDataBase::ClearObject(TObjDef& def)
{
    if (&def == ref_object_)
        return;
    def.ClearSamples();
    if (referencer_.Moving() && referencer_.ReferenceObject() == &def)
        RecomputeAll();
    else
        def.Columns().RecomputeAll();
}

TSampleObject& TMotionDataBase::SetSamplePoint(
    int32_t frame_number, TObjDef& def, int point_index, ImagePoint point)
{
    TFrameObject& frame = frames_.GetOrCreate(frame_number);
    const bool is_new = frame.SampleOf(&def) == nullptr;
    TSampleObject& sample = frame.SampleOrNew(&def);
    try {
        sample.SetPoint(point_index, point);
    } catch (const Error&) {
        if (is_new)
            frame.RemoveSample(&def);
        throw;
    }
    const bool was_tracked = sample.IsTracked(point_index);
    sample.MarkClicked(point_index);
    SampleChanged(def, frame_number);
    // A correction at the very place tracking found leaves the values alone but not the look.
    if (was_tracked)
        def.Columns().NoteRow(frame_number);
    return sample;
}

void TMotionDataBase::SetTrackedPoints(
    TObjDef& def, int point_index, const std::vector<TrackedSamplePoint>& points)
{
    if (&def == ref_object_ || points.empty())
        return;
    if (point_index < 0 || point_index >= def.PointCount())
        throw Error(def.Name() + QStringLiteral(" has no point ") + QString::number(point_index + 1));
    int32_t earliest = points.front().frame;
    for (const TrackedSamplePoint& tracked : points) {
        TSampleObject& sample = frames_.GetOrCreate(tracked.frame).SampleOrNew(&def);
        sample.SetPoint(point_index, tracked.point);
        sample.MarkTracked(point_index, tracked.confidence);
        earliest = std::min(earliest, tracked.frame);
    }
    def.UpdateUnwrap(earliest);
    if (referencer_.Moving() && referencer_.ReferenceObject() == &def)
        RecomputeAll();
    else
        def.Columns().RecomputeAll();
}

void TMotionDataBase::RemoveSample(int32_t frame_number, TObjDef& def)
{
    if (&def == ref_object_)
        return;
    const FrameFind found = frames_.Find(frame_number);
    if (found.exact && found.frame->RemoveSample(&def))
        SampleChanged(def, frame_number);
}

void TMotionDataBase::SampleChanged(TObjDef& def, int32_t frame_number)
{
    if (&def == ref_object_) {
        RecomputeAll();
        return;
    }
    def.UpdateUnwrap(frame_number);
    def.Columns().SampleChanged(frame_number);
    if (!referencer_.Moving() || referencer_.ReferenceObject() != &def)
        return;
    // Every object's coordinates on this frame are measured from the reference.
    const FrameFind found = frames_.Find(frame_number);
    if (!found.exact)
        return;
    for (const auto& sample : found.frame->Samples()) {
        if (sample->ObjDef() != &def && sample->ObjDef() != ref_object_)
            sample->ObjDef()->Columns().SampleChanged(frame_number);
    }
}

void TMotionDataBase::SetFixedReferencePoint(ImagePoint point)
{
    referencer_.ReferenceSample()->SetPoint(0, point);
    RecomputeAll();
}

ImagePoint TMotionDataBase::FixedReferencePoint() const
{
    return referencer_.ReferenceSample()->GetPoint(0);
}

void TMotionDataBase::SetMovingReference(TObjDef* reference_object, int reference_point)
{
    if (reference_object == ref_object_)
        reference_object = nullptr;
    referencer_.SetMoving(reference_object, reference_point);
    RecomputeAll();
}

void TMotionDataBase::SetReferenceBase(bool use_base, double base_x, double base_y)
{
    referencer_.SetBase(use_base, base_x, base_y);
    RecomputeAll();
}

std::optional<QString> TMotionDataBase::ReferenceProblem(int32_t frame_number) const
{
    if (!referencer_.Moving())
        return std::nullopt;
    const FrameFind found = frames_.Find(frame_number);
    if (found.exact && found.frame->SampleOf(referencer_.ReferenceObject()))
        return std::nullopt;
    return referencer_.ReferenceObject()->Name() + QStringLiteral(" sample not found");
}

bool TMotionDataBase::SetScaleFactor(int gage_units, double factor)
{
    if (!scaler_.SetFactor(gage_units, factor))
        return false;
    RecomputeAll();
    return true;
}

bool TMotionDataBase::SetDisplayUnits(int units)
{
    const int old_units = scaler_.DisplayUnits();
    if (!scaler_.SetDisplayUnits(units))
        return false;
    referencer_.SetBase(referencer_.UseBase(), ConvertLength(referencer_.BaseX(), old_units, units),
        ConvertLength(referencer_.BaseY(), old_units, units));
    RecomputeAll();
    return true;
}

bool TMotionDataBase::SetAngularUnits(int units)
{
    if (!scaler_.SetAngularUnits(units))
        return false;
    RecomputeAll();
    return true;
}

bool TMotionDataBase::SetAngularVelocityUnits(int units)
{
    if (!scaler_.SetAngularVelocityUnits(units))
        return false;
    RecomputeAll();
    return true;
}

bool TMotionDataBase::SetLinearVelocityUnits(int units)
{
    if (!scaler_.SetLinearVelocityUnits(units))
        return false;
    RecomputeAll();
    return true;
}

bool TMotionDataBase::SetAccelerationUnits(int units)
{
    if (!scaler_.SetAccelerationUnits(units))
        return false;
    RecomputeAll();
    return true;
}

void TMotionDataBase::SetTimeBase(double frame0_time_ms, double interval_ms, int decimals)
{
    frames_.SetTimeBase(frame0_time_ms, interval_ms, decimals);
    RecomputeAll();
}

std::vector<const TSampleObject*> TMotionDataBase::CurrentSamples() const
{
    std::vector<const TSampleObject*> samples;
    const FrameFind found = frames_.Find(frames_.CurrentFrame());
    if (!found.exact)
        return samples;
    for (const auto& sample : found.frame->Samples()) {
        if (sample->ObjDef() != ref_object_)
            samples.push_back(sample.get());
    }
    return samples;
}

void TMotionDataBase::ApplyDefaultVisible(VisibleSet visible)
{
    defs_.SetDefaultVisible(visible);
    for (TObjDef* def : UserObjects())
        def->SetVisible(defs_.DefaultVisible());
}

void TMotionDataBase::RecomputeAll()
{
    sheet_.NoteLayout();
    sheet_.NoteAllCells();
    for (const auto& def : defs_.Objects()) {
        def->UpdateUnwrap(INT32_MIN);
        def->Columns().RecomputeAll();
    }
}

std::optional<ImagePoint> TMotionDataBase::CursorTarget(
    const TObjDef& def, int point_index, int32_t frame_number) const
{
    if (defs_.Cursor() == CursorMode::None || frames_.Frames().empty() || point_index < 0
        || point_index >= def.PointCount())
        return std::nullopt;
    const FrameFind found = frames_.Find(frame_number);
    const int32_t start = found.frame ? found.frame->FrameNumber() : frames_.Frames().back()->FrameNumber();
    const auto& samples = def.Samples();
    const TSampleObject* sample = nullptr;
    for (auto it = samples.upper_bound(start); it != samples.begin();) {
        --it;
        if (it->second->HasPoint(point_index)) {
            sample = it->second;
            break;
        }
    }
    if (!sample)
        return std::nullopt;
    const ImagePoint p = sample->GetPoint(point_index);
    const TSampleObject* earlier = def.PrevSample(*sample);
    if (defs_.Cursor() == CursorMode::Simple || !earlier || !earlier->HasPoint(point_index))
        return p;
    const double span_ms = sample->Frame()->TimeMs() - earlier->Frame()->TimeMs();
    if (!(span_ms > 0))
        return p;
    const ImagePoint p2 = earlier->GetPoint(point_index);
    const double ratio = (frames_.FrameTime(frame_number) - earlier->Frame()->TimeMs()) / span_ms;
    return ImagePoint { float(p2.u + (p.u - p2.u) * ratio), float(p2.v + (p.v - p2.v) * ratio) };
}

} // namespace fw
