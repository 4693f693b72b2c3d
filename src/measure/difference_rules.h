#pragma once

namespace fw {

// The derivatives of the data sheet, from positions and frame times in milliseconds. Kept in one
// place so the sheet and the command line compute them alike.

// Change per second from one sample to the next.
inline double DifferenceVelocity(double from, double to, double dt_ms)
{
    return (to - from) / dt_ms * 1000.0;
}

// Second derivative at a sample from the velocities before and after it, over the time from the
// previous to the next sample; any spacing.
inline double DifferenceAcceleration(double velocity_before, double velocity_after, double span_ms)
{
    const double span_s = span_ms / 1000.0;
    return 2.0 * (velocity_after - velocity_before) / span_s;
}

} // namespace fw
