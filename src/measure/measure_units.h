#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace fw {

// Quantity kinds of the data sheet. The numbers are stored (bit k of a visible-columns set,
// character k + 1 of "Visibles"), so they never change.
enum class QuantityKind : int {
    ImageU = 0,
    ImageV = 1,
    ObjectX = 2,
    ObjectY = 3,
    XDisplacement = 4,
    YDisplacement = 5,
    AbsDisplacement = 6,
    XVelocity = 7,
    YVelocity = 8,
    AbsVelocity = 9,
    AbsAngle = 10,
    RelAngle = 11,
    AngDisplacement = 12,
    AngVelocity = 13,
    XAcceleration = 14,
    YAcceleration = 15,
    AbsAcceleration = 16,
    // How sure tracking was of a point: the confidence of its match (0 .. 1); empty for clicks.
    Confidence = 17,
};
constexpr int kQuantityKindCount = 18;

// A set of quantity kinds, bit k for kind k.
using VisibleSet = uint32_t;
constexpr VisibleSet kAllKindsSet = (1u << kQuantityKindCount) - 1;
constexpr VisibleSet kDefaultVisibleSet = (1u << 2) | (1u << 3);

constexpr VisibleSet KindBit(QuantityKind kind)
{
    return 1u << static_cast<int>(kind);
}

// The name of a kind in the visible-columns list ("Object X") and the caption stem of its
// columns ("X", "X Displacement").
QString KindListName(QuantityKind kind);
QString KindCaptionStem(QuantityKind kind);

// One entry of a unit table.
struct UnitEntry {
    const char* name;
    double factor;
};

// Lengths 0..8 (millimetres per unit) followed by angles 9..11 (radians per unit).
constexpr int kLengthUnitCount = 9;
constexpr int kFirstAngleUnit = 9;
constexpr int kLengthAngleUnitCount = 12;
// Linear velocities 0..3 (unit per mm/s) followed by angular velocities 4..7 (unit per rad/s).
constexpr int kLinearVelocityUnitCount = 4;
constexpr int kFirstAngularVelocityUnit = 4;
constexpr int kVelocityUnitCount = 8;
// Accelerations (unit per m/s²).
constexpr int kAccelerationUnitCount = 4;

const UnitEntry& LengthAngleUnit(int index);
const UnitEntry& VelocityUnit(int index);
const UnitEntry& AccelerationUnit(int index);

bool IsLengthUnit(int index);
bool IsAngleUnit(int index);
bool IsLinearVelocityUnit(int index);
bool IsAngularVelocityUnit(int index);
bool IsAccelerationUnit(int index);

// Index of a unit by its exact name within a table range; nothing when it is not there.
std::optional<int> FindLengthUnit(const QString& name);
std::optional<int> FindAngleUnit(const QString& name);
std::optional<int> FindLinearVelocityUnit(const QString& name);
std::optional<int> FindAngularVelocityUnit(const QString& name);
std::optional<int> FindAccelerationUnit(const QString& name);

// Conversions. Lengths between two length units; an angle in radians to an angle unit;
// a velocity in display length units per second to a linear velocity unit; an angular velocity
// in angle units per second to an angular velocity unit; an acceleration in display length
// units per second squared to an acceleration unit.
double ConvertLength(double x, int from_unit, int to_unit);
double AngleFromRadians(double radians, int angle_unit);
double ConvertLinearVelocity(double x, int display_unit, int velocity_unit);
double ConvertAngularVelocity(double x, int angle_unit, int velocity_unit);
double ConvertAcceleration(double x, int display_unit, int acceleration_unit);

// Standard gravity, the "G" of the acceleration units.
constexpr double kStandardGravity = 9.80665;

} // namespace fw
