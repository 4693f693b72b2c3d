#pragma once

#include <string>
#include <vector>

namespace fw::samples {

// One bundled signal file: its name and its whole text.
struct SampleSignal {
    std::string file_name;
    std::string text;
};

// "Falling Ball Force.txt": the floor's force under the falling ball, time in seconds on the
// ball clip's time base (time 0 at the impact frame) at 10 kHz over the clip's frames.
// "Pressure.txt": two pressure columns without time, 10 kHz from the same start.
std::vector<SampleSignal> sampleSignals();

namespace falling_ball {
constexpr int kSignalRateHz = 10000;
constexpr double kBallMassKg = 0.0045; // solid rubber, 20 mm across
constexpr double kContactS = 0.001; // duration of the impact
// Clip time (seconds) at which the ball meets the floor: between two frames, just before the
// impact frame at time 0.
double impactStartS();
// Force of the ball on the floor, in N, at clip time t (seconds; 0 at the impact frame), without
// sensor noise: a half-sine pulse carrying the ball's change of momentum.
double impactForceN(double clip_time_s);
} // namespace falling_ball

} // namespace fw::samples
