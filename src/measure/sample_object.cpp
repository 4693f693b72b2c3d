#include "measure/sample_object.h"

#include <cmath>
#include <numbers>

#include "measure/sheet_elements.h"
#include "support/fw_error.h"

namespace fw {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

} // namespace

double DirectionAngle(ImagePoint a, ImagePoint b)
{
    const double dx = double(b.u) - double(a.u);
    const double dy = double(b.v) - double(a.v);
    if (std::fabs(dx) <= 1e-20)
        return dy < 0 ? -std::numbers::pi / 2 : std::numbers::pi / 2;
    return std::atan2(dy, dx);
}

double RelativeAngle(ImagePoint a1, ImagePoint a2, ImagePoint b1, ImagePoint b2)
{
    double angle = DirectionAngle(b1, b2) - DirectionAngle(a1, a2);
    if (angle < 0)
        angle += kTwoPi;
    // A tiny negative difference rounds up to 2π itself, which is the same direction as 0.
    if (angle >= kTwoPi)
        angle = 0.0;
    return angle;
}

void TSampleObject::SetPointCount(int count)
{
    if (count > PointCount())
        throw Error(ClassName() + QStringLiteral(" SetPointCount of ") + QString::number(count));
}

std::optional<double> TSampleObject::LineAngle(int) const
{
    return std::nullopt;
}
std::optional<double> TSampleObject::RelAngle() const
{
    return std::nullopt;
}
std::optional<double> TSampleObject::TrackedAngle() const
{
    return std::nullopt;
}

std::optional<float> TSampleObject::TrackedConfidence(int index) const
{
    if (index < 0 || index >= kMostPoints)
        return std::nullopt;
    return tracked_confidence_[size_t(index)];
}

void TSampleObject::MarkTracked(int index, float confidence)
{
    CheckIndex(index);
    tracked_confidence_[size_t(index)] = confidence;
}

void TSampleObject::MarkClicked(int index)
{
    CheckIndex(index);
    tracked_confidence_[size_t(index)].reset();
}

void TSampleObject::CheckIndex(int index) const
{
    if (index < 0 || index >= PointCount())
        throw Error(ClassName() + QStringLiteral(" Point Index of ") + QString::number(index));
}

bool TPointObject::HasPoint(int index) const
{
    CheckIndex(index);
    return point_.has_value();
}

ImagePoint TPointObject::GetPoint(int index) const
{
    CheckIndex(index);
    return point_.value_or(ImagePoint {});
}

void TPointObject::SetPoint(int index, ImagePoint point)
{
    CheckIndex(index);
    point_ = point;
}

void TPointObject::CreateSheetColumns(const QString& name, TSheetElements& columns) const
{
    columns.CreateColumns(name, PointCount(), 0);
}

void THiddenPoint::CreateSheetColumns(const QString&, TSheetElements&) const { }

bool TLineObject::HasPoint(int index) const
{
    CheckIndex(index);
    return points_[size_t(index)].has_value();
}

ImagePoint TLineObject::GetPoint(int index) const
{
    CheckIndex(index);
    if (!points_[size_t(index)])
        throw Error(ClassName() + QStringLiteral(" coordinate ") + QString::number(index)
            + QStringLiteral(" is nil"));
    return *points_[size_t(index)];
}

void TLineObject::SetPoint(int index, ImagePoint point)
{
    CheckIndex(index);
    points_[size_t(index)] = point;
    angle_.reset();
    if (points_[0] && points_[1] && !(*points_[0] == *points_[1]))
        angle_ = RelativeAngle({ 0, 0 }, { 100, 0 }, *points_[0], *points_[1]);
}

void TLineObject::CreateSheetColumns(const QString& name, TSheetElements& columns) const
{
    columns.CreateColumns(name, PointCount(), 1);
}

std::optional<double> TLineObject::LineAngle(int line) const
{
    return line == 0 ? angle_ : std::nullopt;
}

TAngleObject::TAngleObject(TObjDef* def, TFrameObject* frame)
    : TSampleObject(def, frame)
    , lines_ { TLineObject(def, frame), TLineObject(def, frame) }
{
}

bool TAngleObject::HasPoint(int index) const
{
    CheckIndex(index);
    return lines_[size_t(index / 2)].HasPoint(index % 2);
}

ImagePoint TAngleObject::GetPoint(int index) const
{
    CheckIndex(index);
    return lines_[size_t(index / 2)].GetPoint(index % 2);
}

void TAngleObject::SetPoint(int index, ImagePoint point)
{
    CheckIndex(index);
    lines_[size_t(index / 2)].SetPoint(index % 2, point);
}

void TAngleObject::CreateSheetColumns(const QString& name, TSheetElements& columns) const
{
    columns.CreateColumns(name, PointCount(), 2);
}

std::optional<double> TAngleObject::LineAngle(int line) const
{
    if (line < 0 || line > 1)
        return std::nullopt;
    return lines_[size_t(line)].LineAngle(0);
}

std::optional<double> TAngleObject::RelAngle() const
{
    if (!lines_[0].Valid() || !lines_[1].Valid())
        return std::nullopt;
    return RelativeAngle(
        lines_[0].GetPoint(0), lines_[0].GetPoint(1), lines_[1].GetPoint(0), lines_[1].GetPoint(1));
}

std::unique_ptr<TSampleObject> MakeSample(SampleClass sample_class, TObjDef* def, TFrameObject* frame)
{
    switch (sample_class) {
    case SampleClass::Point:
        return std::make_unique<TPointObject>(def, frame);
    case SampleClass::HiddenPoint:
        return std::make_unique<THiddenPoint>(def, frame);
    case SampleClass::Line:
        return std::make_unique<TLineObject>(def, frame);
    case SampleClass::Angle:
        return std::make_unique<TAngleObject>(def, frame);
    }
    return std::make_unique<TPointObject>(def, frame);
}

QString SampleClassBaseName(SampleClass sample_class)
{
    switch (sample_class) {
    case SampleClass::Line:
        return QStringLiteral("Line");
    case SampleClass::Angle:
        return QStringLiteral("Angle");
    case SampleClass::Point:
    case SampleClass::HiddenPoint:
        break;
    }
    return QStringLiteral("Point");
}

} // namespace fw
