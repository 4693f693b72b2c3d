#include "measure/measure_units.h"

#include <numbers>

namespace fw {

namespace {

constexpr double kPi = std::numbers::pi;

constexpr std::array<UnitEntry, kLengthAngleUnitCount> kLengthAngleUnits { {
    { "mm", 1.0 },
    { "cm", 10.0 },
    { "m", 1000.0 },
    { "km", 1000000.0 },
    { "in", 25.4 },
    { "ft", 304.8 },
    { "yds", 914.4 },
    { "mi", 1609344.0 },
    { "pix", 1.0 },
    { "rev", 2.0 * kPi },
    { "deg", kPi / 180.0 },
    { "rad", 1.0 },
} };

constexpr std::array<UnitEntry, kVelocityUnitCount> kVelocityUnits { {
    { "m/s", 0.001 },
    { "ft/s", 0.0032808399 },
    { "kph", 0.0036 },
    { "mph", 0.0022369363 },
    { "rev/s", 1.0 / (2.0 * kPi) },
    { "rpm", 60.0 / (2.0 * kPi) },
    { "deg/s", 180.0 / kPi },
    { "rad/s", 1.0 },
} };

constexpr std::array<UnitEntry, kAccelerationUnitCount> kAccelerationUnits { {
    { "m/s\u00B2", 1.0 },
    { "cm/s\u00B2", 100.0 },
    { "ft/s\u00B2", 1.0 / 0.3048 },
    { "G", 1.0 / kStandardGravity },
} };

struct KindNames {
    const char* list_name;
    const char* caption;
};

constexpr std::array<KindNames, kQuantityKindCount> kKindNames { {
    { "Image U", "U" },
    { "Image V", "V" },
    { "Object X", "X" },
    { "Object Y", "Y" },
    { "X Displacement", "X Displacement" },
    { "Y Displacement", "Y Displacement" },
    { "Abs. Displacement", "Abs. Displacement" },
    { "X Velocity", "X Velocity" },
    { "Y Velocity", "Y Velocity" },
    { "Abs. Velocity", "Abs. Velocity" },
    { "Abs. Angle", "Abs. Angle" },
    { "Rel. Angle", "Rel. Angle" },
    { "Ang. Displacement", "Ang. Displacement" },
    { "Ang. Velocity", "Ang. Velocity" },
    { "X Acceleration", "X Acceleration" },
    { "Y Acceleration", "Y Acceleration" },
    { "Abs. Acceleration", "Abs. Acceleration" },
    { "Confidence", "Confidence" },
} };

const KindNames& NamesOf(QuantityKind kind)
{
    const int k = static_cast<int>(kind);
    return kKindNames[size_t(k >= 0 && k < kQuantityKindCount ? k : 0)];
}

template <size_t N> const UnitEntry& EntryOf(const std::array<UnitEntry, N>& table, int index)
{
    return table[size_t(index >= 0 && index < int(N) ? index : 0)];
}

template <size_t N>
std::optional<int> FindIn(const std::array<UnitEntry, N>& table, int first, int end, const QString& name)
{
    for (int i = first; i < end; ++i) {
        if (name == QString::fromUtf8(table[size_t(i)].name))
            return i;
    }
    return std::nullopt;
}

} // namespace

QString KindListName(QuantityKind kind)
{
    return QString::fromLatin1(NamesOf(kind).list_name);
}
QString KindCaptionStem(QuantityKind kind)
{
    return QString::fromLatin1(NamesOf(kind).caption);
}

const UnitEntry& LengthAngleUnit(int index)
{
    return EntryOf(kLengthAngleUnits, index);
}
const UnitEntry& VelocityUnit(int index)
{
    return EntryOf(kVelocityUnits, index);
}
const UnitEntry& AccelerationUnit(int index)
{
    return EntryOf(kAccelerationUnits, index);
}

bool IsLengthUnit(int index)
{
    return index >= 0 && index < kLengthUnitCount;
}
bool IsAngleUnit(int index)
{
    return index >= kFirstAngleUnit && index < kLengthAngleUnitCount;
}
bool IsLinearVelocityUnit(int index)
{
    return index >= 0 && index < kLinearVelocityUnitCount;
}
bool IsAngularVelocityUnit(int index)
{
    return index >= kFirstAngularVelocityUnit && index < kVelocityUnitCount;
}
bool IsAccelerationUnit(int index)
{
    return index >= 0 && index < kAccelerationUnitCount;
}

std::optional<int> FindLengthUnit(const QString& name)
{
    return FindIn(kLengthAngleUnits, 0, kLengthUnitCount, name);
}
std::optional<int> FindAngleUnit(const QString& name)
{
    return FindIn(kLengthAngleUnits, kFirstAngleUnit, kLengthAngleUnitCount, name);
}
std::optional<int> FindLinearVelocityUnit(const QString& name)
{
    return FindIn(kVelocityUnits, 0, kLinearVelocityUnitCount, name);
}
std::optional<int> FindAngularVelocityUnit(const QString& name)
{
    return FindIn(kVelocityUnits, kFirstAngularVelocityUnit, kVelocityUnitCount, name);
}
std::optional<int> FindAccelerationUnit(const QString& name)
{
    return FindIn(kAccelerationUnits, 0, kAccelerationUnitCount, name);
}

double ConvertLength(double x, int from_unit, int to_unit)
{
    return x * LengthAngleUnit(from_unit).factor / LengthAngleUnit(to_unit).factor;
}

double AngleFromRadians(double radians, int angle_unit)
{
    return radians / LengthAngleUnit(angle_unit).factor;
}

double ConvertLinearVelocity(double x, int display_unit, int velocity_unit)
{
    return x * LengthAngleUnit(display_unit).factor * VelocityUnit(velocity_unit).factor;
}

double ConvertAngularVelocity(double x, int angle_unit, int velocity_unit)
{
    return x * LengthAngleUnit(angle_unit).factor * VelocityUnit(velocity_unit).factor;
}

double ConvertAcceleration(double x, int display_unit, int acceleration_unit)
{
    const double metres_per_s2 = x * LengthAngleUnit(display_unit).factor / 1000.0;
    return metres_per_s2 * AccelerationUnit(acceleration_unit).factor;
}

} // namespace fw
