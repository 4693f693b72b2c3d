#pragma once

#include "canvas.h"

// The bouncing ball: a ball comes down onto the floor while rolling to the right, hits it at
// time 0 (the trigger) and bounces back up with kRestitution of its impact speed. Positions are
// exact, so a measurement of the sequence can be checked against them.
namespace fw::samples::bouncing_ball {

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr int kFramesPerSecond = 1000;
// Frame files are numbered from kFirstFrame to kLastFrame; file 0 holds the impact.
constexpr int kFirstFrame = -50;
constexpr int kLastFrame = 99;
constexpr double kGravity = 9.81; // m/s²
constexpr double kImpactSpeedMmPerS = 2000.0;
constexpr double kRestitution = 0.8;
constexpr double kRollSpeedMmPerS = 500.0;
constexpr double kBallRadiusMm = 10.0;
constexpr double kPixelsPerMm = 1.5;
// The floor's top row and the column of the ball's centre at impact.
constexpr int kFloorRow = 330;
constexpr double kImpactColumn = 250.0;

// Height of the ball's lowest point above the floor in mm, t seconds after the impact (t < 0
// before it).
double HeightMm(double t_s);
// The ball's centre in picture pixels: column, and row counted from the top.
double CentreColumn(double t_s);
double CentreRow(double t_s);

// Frame file `number` (time number / kFramesPerSecond), in colour.
Canvas Paint(int number);

} // namespace fw::samples::bouncing_ball
