#pragma once

#include "measure/measure_units.h"

namespace fw {

// Image pixels to real units, and the units every quantity is shown in. The unit setters
// refuse an index outside their table range and return false.
class TScaler {
public:
    int GageUnits() const { return gage_units_; }
    int DisplayUnits() const { return display_units_; }
    int AngularUnits() const { return angular_units_; }
    int AngularVelocityUnits() const { return angular_velocity_units_; }
    int LinearVelocityUnits() const { return linear_velocity_units_; }
    int AccelerationUnits() const { return acceleration_units_; }
    // Real units per pixel as entered, in gage units.
    double Factor() const { return factor_; }
    // Display units per pixel, the same along X and Y.
    double Scale() const { return scale_; }

    bool SetFactor(int gage_units, double factor);
    bool SetDisplayUnits(int units);
    bool SetAngularUnits(int units);
    bool SetAngularVelocityUnits(int units);
    bool SetLinearVelocityUnits(int units);
    bool SetAccelerationUnits(int units);

private:
    void ApplyScale();

    int gage_units_ = 0;
    int display_units_ = 0;
    int angular_units_ = 9;
    int angular_velocity_units_ = 4;
    int linear_velocity_units_ = 0;
    int acceleration_units_ = 0;
    double factor_ = 1.0;
    double scale_ = 1.0;
};

} // namespace fw
