#include "measure/scaler.h"

#include <cmath>

namespace fw {

bool TScaler::SetFactor(int gage_units, double factor)
{
    if (!IsLengthUnit(gage_units) || !std::isfinite(factor))
        return false;
    gage_units_ = gage_units;
    factor_ = factor;
    ApplyScale();
    return true;
}

bool TScaler::SetDisplayUnits(int units)
{
    if (!IsLengthUnit(units))
        return false;
    display_units_ = units;
    ApplyScale();
    return true;
}

bool TScaler::SetAngularUnits(int units)
{
    if (!IsAngleUnit(units))
        return false;
    angular_units_ = units;
    return true;
}

bool TScaler::SetAngularVelocityUnits(int units)
{
    if (!IsAngularVelocityUnit(units))
        return false;
    angular_velocity_units_ = units;
    return true;
}

bool TScaler::SetLinearVelocityUnits(int units)
{
    if (!IsLinearVelocityUnit(units))
        return false;
    linear_velocity_units_ = units;
    return true;
}

bool TScaler::SetAccelerationUnits(int units)
{
    if (!IsAccelerationUnit(units))
        return false;
    acceleration_units_ = units;
    return true;
}

void TScaler::ApplyScale()
{
    scale_ = ConvertLength(factor_, gage_units_, display_units_);
}

} // namespace fw
