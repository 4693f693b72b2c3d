#include "measure/sheet_elements.h"

#include <QStringList>

#include <algorithm>
#include <climits>
#include <cmath>

#include "measure/difference_rules.h"
#include "measure/frame_object.h"
#include "measure/measure_sheet.h"
#include "measure/obj_def.h"
#include "measure/referencer.h"
#include "measure/scaler.h"
#include "support/fw_error.h"

namespace fw {

namespace {

constexpr int kRadianUnit = 11;

bool IsPointKind(QuantityKind kind)
{
    const int k = static_cast<int>(kind);
    return k <= static_cast<int>(QuantityKind::AbsVelocity)
        || k >= static_cast<int>(QuantityKind::XAcceleration);
}

// Velocities and accelerations: the quantities a filter acts on.
bool IsDerivativeKind(QuantityKind kind)
{
    switch (kind) {
    case QuantityKind::XVelocity:
    case QuantityKind::YVelocity:
    case QuantityKind::AbsVelocity:
    case QuantityKind::XAcceleration:
    case QuantityKind::YAcceleration:
    case QuantityKind::AbsAcceleration:
        return true;
    default:
        return false;
    }
}

const TScaler& ScalerOf(const TSampleObject& sample)
{
    return *sample.ObjDef()->Scaler();
}

ObjectPoint Coordinates(const TSampleObject& sample, int point_index)
{
    return sample.ObjDef()->Referencer()->ObjectCoordinates(sample, point_index);
}

double Component(const ObjectPoint& point, int coordinate_index)
{
    return coordinate_index % 2 == 0 ? point.x : point.y;
}

double TimeOf(const TSampleObject& sample)
{
    return sample.Frame()->TimeMs();
}

// Where derivatives take a point's position from: its object coordinates, or, when the object
// has a filter, its filtered track.
std::optional<ObjectPoint> PositionFor(const TSampleObject& sample, int point_index)
{
    const TSheetElements& columns = sample.ObjDef()->Columns();
    if (!columns.Filtering())
        return Coordinates(sample, point_index);
    return columns.Track(point_index).PositionAt(sample.Frame()->FrameNumber());
}

// Change of a point per second between two samples, in display length units.
std::optional<ObjectPoint> Velocity(const TSampleObject& from, const TSampleObject& to, int point_index)
{
    const double dt_ms = TimeOf(to) - TimeOf(from);
    if (!(dt_ms > 0))
        return std::nullopt;
    const std::optional<ObjectPoint> a = PositionFor(from, point_index);
    const std::optional<ObjectPoint> b = PositionFor(to, point_index);
    if (!a || !b)
        return std::nullopt;
    return ObjectPoint { DifferenceVelocity(a->x, b->x, dt_ms), DifferenceVelocity(a->y, b->y, dt_ms) };
}

// The velocity of a point since the object's previous sample, when it has one.
std::optional<ObjectPoint> VelocitySincePrevious(const TSampleObject& sample, int point_index)
{
    const TSampleObject* prev = sample.ObjDef()->PrevSample(sample);
    if (!prev)
        return std::nullopt;
    return Velocity(*prev, sample, point_index);
}

// Second difference over three samples at any spacing, in display length units per s².
std::optional<ObjectPoint> Acceleration(const TSampleObject& sample, int point_index)
{
    const TObjDef& def = *sample.ObjDef();
    const TSampleObject* prev = def.PrevSample(sample);
    const TSampleObject* next = def.NextSample(sample);
    if (!prev || !next)
        return std::nullopt;
    const std::optional<ObjectPoint> before = Velocity(*prev, sample, point_index);
    const std::optional<ObjectPoint> after = Velocity(sample, *next, point_index);
    const double span_ms = TimeOf(*next) - TimeOf(*prev);
    if (!before || !after || !(span_ms / 1000.0 > 0))
        return std::nullopt;
    return ObjectPoint { DifferenceAcceleration(before->x, after->x, span_ms),
        DifferenceAcceleration(before->y, after->y, span_ms) };
}

} // namespace

TSheetElement::TSheetElement(TSheetElements* list, QuantityKind kind, int coordinate_index, QString caption)
    : list_(list)
    , kind_(kind)
    , coordinate_index_(coordinate_index)
    , caption_(std::move(caption))
{
}

TObjDef* TSheetElement::ObjDef() const
{
    return list_->Owner();
}

QString TSheetElement::HeaderText(int header_row) const
{
    switch (header_row) {
    case 0:
        return ObjDef()->Name();
    case 1:
        if (Filtered())
            return caption_ + QStringLiteral(", ")
                + FilterLabel(ObjDef()->Filter(), list_->Track(PointIndex()).CutoffHz());
        return caption_;
    case 2:
        return UnitLabel();
    default:
        return {};
    }
}

bool TSheetElement::Filtered() const
{
    return IsDerivativeKind(kind_) && list_->Filtering();
}

QString TSheetElement::FilterNote() const
{
    if (!Filtered())
        return {};
    const FilteredTrack& track = list_->Track(PointIndex());
    return track.Refusal().isEmpty() ? track.Warning() : track.Refusal();
}

QString TSheetElement::UnitLabel() const
{
    const TScaler& scaler = *ObjDef()->Scaler();
    switch (kind_) {
    case QuantityKind::ImageU:
    case QuantityKind::ImageV:
        return QStringLiteral("pixels");
    case QuantityKind::ObjectX:
    case QuantityKind::ObjectY:
    case QuantityKind::XDisplacement:
    case QuantityKind::YDisplacement:
    case QuantityKind::AbsDisplacement:
        return QString::fromUtf8(LengthAngleUnit(scaler.DisplayUnits()).name);
    case QuantityKind::XVelocity:
    case QuantityKind::YVelocity:
    case QuantityKind::AbsVelocity:
        return QString::fromUtf8(VelocityUnit(scaler.LinearVelocityUnits()).name);
    case QuantityKind::AbsAngle:
    case QuantityKind::RelAngle:
    case QuantityKind::AngDisplacement:
        return QString::fromUtf8(LengthAngleUnit(scaler.AngularUnits()).name);
    case QuantityKind::AngVelocity:
        return QString::fromUtf8(VelocityUnit(scaler.AngularVelocityUnits()).name);
    case QuantityKind::XAcceleration:
    case QuantityKind::YAcceleration:
    case QuantityKind::AbsAcceleration:
        return QString::fromUtf8(AccelerationUnit(scaler.AccelerationUnits()).name);
    case QuantityKind::Confidence:
        return QStringLiteral("0..1");
    }
    return {};
}

QString TSheetElement::ShowMenuCaption() const
{
    return caption_ + QStringLiteral(" - ") + ObjDef()->Name();
}

void TSheetElement::Show()
{
    if (shown_)
        return;
    MeasureSheet& sheet = *list_->Sheet();
    shown_ = true;
    sheet.AppendColumn(this);
    // Next to the object's own shown columns: after the last one created before it, else in
    // front of the first one created after it.
    const auto& siblings = list_->Columns();
    const int own = list_->IndexOf(this);
    int after = 0;
    int before = INT_MAX;
    for (int i = 0; i < int(siblings.size()); ++i) {
        const TSheetElement& other = *siblings[size_t(i)];
        if (i == own || !other.Shown())
            continue;
        if (i < own)
            after = std::max(after, other.GridColumn());
        else
            before = std::min(before, other.GridColumn());
    }
    if (after > 0)
        sheet.MoveColumn(grid_column_, after + 1);
    else if (before != INT_MAX)
        sheet.MoveColumn(grid_column_, before);
    RecomputeAll();
}

void TSheetElement::Hide()
{
    if (!shown_)
        return;
    shown_ = false;
    list_->Sheet()->RemoveColumn(this);
    values_.clear();
}

std::optional<float> TSheetElement::Value(int32_t frame_number) const
{
    const auto it = values_.find(frame_number);
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

std::optional<float> TSheetElement::TrackedConfidence(int32_t frame_number) const
{
    const TSampleObject* sample = ObjDef()->SampleAt(frame_number);
    if (!sample || !IsPointKind(kind_) || !sample->HasPoint(PointIndex()))
        return std::nullopt;
    return sample->TrackedConfidence(PointIndex());
}

QString TSheetElement::Text(int32_t frame_number) const
{
    const std::optional<float> value = Value(frame_number);
    return value ? FormatValueCell(double(*value)) : QString();
}

void TSheetElement::RecomputeRow(int32_t frame_number)
{
    if (shown_)
        StoreRow(frame_number, ObjDef()->SampleAt(frame_number));
}

void TSheetElement::StoreRow(int32_t frame_number, const TSampleObject* sample)
{
    std::optional<float> value;
    if (sample) {
        try {
            const std::optional<double> computed = Compute(*sample);
            if (computed && std::isfinite(float(*computed)))
                value = float(*computed);
        } catch (const Error&) {
            // A point or reference that is not there gives no value, never a wrong one.
        }
    }
    const auto it = values_.find(frame_number);
    const std::optional<float> old = it == values_.end() ? std::nullopt : std::optional<float>(it->second);
    if (old == value)
        return;
    if (value)
        values_[frame_number] = *value;
    else
        values_.erase(it);
    list_->Sheet()->NoteCell(this, frame_number);
}

void TSheetElement::RecomputeAll()
{
    if (!shown_)
        return;
    std::vector<int32_t> stale;
    for (const auto& [frame_number, value] : values_) {
        if (!ObjDef()->SampleAt(frame_number))
            stale.push_back(frame_number);
    }
    for (int32_t frame_number : stale)
        StoreRow(frame_number, nullptr);
    values_.reserve(ObjDef()->Samples().size());
    for (const auto& [frame_number, sample] : ObjDef()->Samples())
        StoreRow(frame_number, sample);
}

void TSheetElement::RecomputeFrom(int32_t frame_number)
{
    RecomputeRow(frame_number);
    const auto& samples = ObjDef()->Samples();
    if (!shown_)
        return;
    for (auto it = samples.upper_bound(frame_number); it != samples.end(); ++it)
        StoreRow(it->first, it->second);
}

void TSheetElement::RecomputePrevious(int32_t frame_number)
{
    if (const TSampleObject* prev = ObjDef()->SampleBefore(frame_number))
        RecomputeRow(prev->Frame()->FrameNumber());
}

void TSheetElement::RecomputeNext(int32_t frame_number)
{
    if (const TSampleObject* next = ObjDef()->SampleAfter(frame_number))
        RecomputeRow(next->Frame()->FrameNumber());
}

void TSheetElement::SampleChanged(int32_t frame_number)
{
    RecomputeRow(frame_number);
}

std::optional<double> TImageOrdElement::Compute(const TSampleObject& sample) const
{
    if (!sample.HasPoint(PointIndex()))
        return std::nullopt;
    const ImagePoint point = sample.GetPoint(PointIndex());
    return CoordinateIndex() % 2 == 0 ? point.u : point.v;
}

std::optional<double> TObjectOrdElement::Compute(const TSampleObject& sample) const
{
    return Component(Coordinates(sample, PointIndex()), CoordinateIndex());
}

std::optional<double> TDisplacementOrdElement::Compute(const TSampleObject& sample) const
{
    const ObjectPoint here = Coordinates(sample, PointIndex());
    const ObjectPoint first = Coordinates(*ObjDef()->FirstSample(), PointIndex());
    return Component({ here.x - first.x, here.y - first.y }, CoordinateIndex());
}

void TDisplacementOrdElement::SampleChanged(int32_t frame_number)
{
    // Every row is measured from the first sample.
    if (!ObjDef()->SampleBefore(frame_number))
        RecomputeAll();
    else
        RecomputeRow(frame_number);
}

std::optional<double> TDisplacementElement::Compute(const TSampleObject& sample) const
{
    const ObjectPoint here = Coordinates(sample, PointIndex());
    const ObjectPoint first = Coordinates(*ObjDef()->FirstSample(), PointIndex());
    return std::hypot(here.x - first.x, here.y - first.y);
}

std::optional<double> TVelocityOrdElement::Compute(const TSampleObject& sample) const
{
    const std::optional<ObjectPoint> velocity = VelocitySincePrevious(sample, PointIndex());
    if (!velocity)
        return std::nullopt;
    const TScaler& scaler = ScalerOf(sample);
    return ConvertLinearVelocity(
        Component(*velocity, CoordinateIndex()), scaler.DisplayUnits(), scaler.LinearVelocityUnits());
}

void TVelocityOrdElement::SampleChanged(int32_t frame_number)
{
    // A filter spreads every change over the whole track.
    if (Filtered()) {
        RecomputeAll();
        return;
    }
    RecomputeRow(frame_number);
    RecomputeNext(frame_number);
}

std::optional<double> TVelocityElement::Compute(const TSampleObject& sample) const
{
    const std::optional<ObjectPoint> velocity = VelocitySincePrevious(sample, PointIndex());
    if (!velocity)
        return std::nullopt;
    const TScaler& scaler = ScalerOf(sample);
    return ConvertLinearVelocity(
        std::hypot(velocity->x, velocity->y), scaler.DisplayUnits(), scaler.LinearVelocityUnits());
}

std::optional<double> TAccelerationOrdElement::Compute(const TSampleObject& sample) const
{
    const std::optional<ObjectPoint> acceleration = Acceleration(sample, PointIndex());
    if (!acceleration)
        return std::nullopt;
    const TScaler& scaler = ScalerOf(sample);
    return ConvertAcceleration(
        Component(*acceleration, CoordinateIndex()), scaler.DisplayUnits(), scaler.AccelerationUnits());
}

void TAccelerationOrdElement::SampleChanged(int32_t frame_number)
{
    if (Filtered()) {
        RecomputeAll();
        return;
    }
    RecomputePrevious(frame_number);
    RecomputeRow(frame_number);
    RecomputeNext(frame_number);
}

std::optional<double> TAccelerationElement::Compute(const TSampleObject& sample) const
{
    const std::optional<ObjectPoint> acceleration = Acceleration(sample, PointIndex());
    if (!acceleration)
        return std::nullopt;
    const TScaler& scaler = ScalerOf(sample);
    return ConvertAcceleration(
        std::hypot(acceleration->x, acceleration->y), scaler.DisplayUnits(), scaler.AccelerationUnits());
}

std::optional<double> TConfidenceElement::Compute(const TSampleObject& sample) const
{
    if (!sample.HasPoint(PointIndex()))
        return std::nullopt;
    const std::optional<float> confidence = sample.TrackedConfidence(PointIndex());
    return confidence ? std::optional<double>(*confidence) : std::nullopt;
}

std::optional<double> TAbsAngleElement::Compute(const TSampleObject& sample) const
{
    const std::optional<double> angle = sample.LineAngle(CoordinateIndex() - 1);
    if (!angle)
        return std::nullopt;
    return AngleFromRadians(*angle, ScalerOf(sample).AngularUnits());
}

std::optional<double> TRelAngleElement::Compute(const TSampleObject& sample) const
{
    const std::optional<double> angle = sample.RelAngle();
    if (!angle)
        return std::nullopt;
    return AngleFromRadians(*angle, ScalerOf(sample).AngularUnits());
}

std::optional<double> TAngleDispElement::Compute(const TSampleObject& sample) const
{
    const TSampleObject* first = ObjDef()->FirstValidSample();
    if (!sample.TrackedAngle() || !first)
        return std::nullopt;
    return AngleFromRadians(
        sample.UnwrappedAngle() - first->UnwrappedAngle(), ScalerOf(sample).AngularUnits());
}

void TAngleDispElement::SampleChanged(int32_t frame_number)
{
    // Unwrapping carries a turn count to every later sample.
    RecomputeFrom(frame_number);
}

std::optional<double> TAnglularVelocityElement::Compute(const TSampleObject& sample) const
{
    if (!sample.TrackedAngle())
        return std::nullopt;
    const TSampleObject* prev = ObjDef()->ValidSampleBefore(sample.Frame()->FrameNumber());
    if (!prev)
        return std::nullopt;
    const double dt_ms = TimeOf(sample) - TimeOf(*prev);
    if (!(dt_ms > 0))
        return std::nullopt;
    const double radians_per_s = (sample.UnwrappedAngle() - prev->UnwrappedAngle()) / dt_ms * 1000.0;
    return ConvertAngularVelocity(radians_per_s, kRadianUnit, ScalerOf(sample).AngularVelocityUnits());
}

TSheetElements::TSheetElements(TObjDef* owner, MeasureSheet* sheet)
    : owner_(owner)
    , sheet_(sheet)
{
}

TSheetElements::~TSheetElements()
{
    for (const auto& column : columns_)
        column->Hide();
}

int TSheetElements::IndexOf(const TSheetElement* column) const
{
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].get() == column)
            return int(i);
    }
    return -1;
}

void TSheetElements::Add(std::unique_ptr<TSheetElement> column)
{
    columns_.push_back(std::move(column));
}

void TSheetElements::CreateColumns(const QString&, int point_count, int line_count)
{
    const auto numbered
        = [](int count, int number) { return count > 1 ? QString::number(number) : QString(); };
    const auto caption
        = [](QuantityKind kind, const QString& suffix) { return KindCaptionStem(kind) + suffix; };
    for (int p = 0; p < point_count; ++p) {
        const QString n = numbered(point_count, p + 1);
        const int x = p * 2;
        const int y = p * 2 + 1;
        using K = QuantityKind;
        Add(std::make_unique<TImageOrdElement>(this, K::ImageU, x, caption(K::ImageU, n)));
        Add(std::make_unique<TImageOrdElement>(this, K::ImageV, y, caption(K::ImageV, n)));
        Add(std::make_unique<TObjectOrdElement>(this, K::ObjectX, x, caption(K::ObjectX, n)));
        Add(std::make_unique<TObjectOrdElement>(this, K::ObjectY, y, caption(K::ObjectY, n)));
        Add(std::make_unique<TDisplacementOrdElement>(
            this, K::XDisplacement, x, caption(K::XDisplacement, n)));
        Add(std::make_unique<TDisplacementOrdElement>(
            this, K::YDisplacement, y, caption(K::YDisplacement, n)));
        Add(std::make_unique<TDisplacementElement>(
            this, K::AbsDisplacement, x, caption(K::AbsDisplacement, n)));
        Add(std::make_unique<TVelocityOrdElement>(this, K::XVelocity, x, caption(K::XVelocity, n)));
        Add(std::make_unique<TVelocityOrdElement>(this, K::YVelocity, y, caption(K::YVelocity, n)));
        Add(std::make_unique<TVelocityElement>(this, K::AbsVelocity, x, caption(K::AbsVelocity, n)));
        Add(std::make_unique<TAccelerationOrdElement>(
            this, K::XAcceleration, x, caption(K::XAcceleration, n)));
        Add(std::make_unique<TAccelerationOrdElement>(
            this, K::YAcceleration, y, caption(K::YAcceleration, n)));
        Add(std::make_unique<TAccelerationElement>(
            this, K::AbsAcceleration, x, caption(K::AbsAcceleration, n)));
        Add(std::make_unique<TConfidenceElement>(this, K::Confidence, x, caption(K::Confidence, n)));
    }
    if (line_count < 1)
        return;
    for (int line = 1; line <= line_count; ++line) {
        Add(std::make_unique<TAbsAngleElement>(
            this, QuantityKind::AbsAngle, line, caption(QuantityKind::AbsAngle, numbered(line_count, line))));
    }
    if (line_count > 1)
        Add(std::make_unique<TRelAngleElement>(
            this, QuantityKind::RelAngle, 0, caption(QuantityKind::RelAngle, {})));
    Add(std::make_unique<TAngleDispElement>(
        this, QuantityKind::AngDisplacement, 0, caption(QuantityKind::AngDisplacement, {})));
    Add(std::make_unique<TAnglularVelocityElement>(
        this, QuantityKind::AngVelocity, 0, caption(QuantityKind::AngVelocity, {})));
}

void TSheetElements::RecomputeAll()
{
    tracks_.clear();
    for (const auto& column : columns_)
        column->RecomputeAll();
}

void TSheetElements::SampleChanged(int32_t frame_number)
{
    tracks_.clear();
    // The automatic cut-off, and with it the headers, may move with any sample.
    if (Filtering())
        sheet_->NoteAllCells();
    for (const auto& column : columns_)
        column->SampleChanged(frame_number);
}

void TSheetElements::NoteRow(int32_t frame_number)
{
    for (const auto& column : columns_)
        if (column->Shown())
            sheet_->NoteCell(column.get(), frame_number);
}

bool TSheetElements::Filtering() const
{
    return owner_->Filter().kind != FilterKind::None;
}

const FilteredTrack& TSheetElements::Track(int point_index) const
{
    auto it = tracks_.find(point_index);
    if (it == tracks_.end())
        it = tracks_.emplace(point_index, FilteredTrack::Build(*owner_, point_index)).first;
    return it->second;
}

void TSheetElements::FilterChanged()
{
    sheet_->NoteLayout();
    RecomputeAll();
}

QString TSheetElements::FilterStatus() const
{
    if (!Filtering() || owner_->Samples().empty())
        return {};
    QStringList lines;
    const int points = owner_->PointCount();
    for (int p = 0; p < points; ++p) {
        const FilteredTrack& track = Track(p);
        QString line = track.Refusal().isEmpty() ? track.Warning() : track.Refusal();
        if (track.CutoffHz())
            line = QStringLiteral("Automatic cut-off: ") + FrequencyText(*track.CutoffHz())
                + QStringLiteral(" Hz");
        if (line.isEmpty())
            continue;
        lines << (points > 1 ? QStringLiteral("Point %1: ").arg(p + 1) + line : line);
    }
    return lines.join(QLatin1Char('\n'));
}

void TSheetElements::RefreshHeaders()
{
    sheet_->NoteLayout();
}

int TSheetElements::LeftmostShownColumn(int point_index) const
{
    int leftmost = 0;
    for (const auto& column : columns_) {
        if (column->Shown() && IsPointKind(column->Kind()) && column->PointIndex() == point_index
            && (leftmost == 0 || column->GridColumn() < leftmost))
            leftmost = column->GridColumn();
    }
    return leftmost;
}

} // namespace fw
