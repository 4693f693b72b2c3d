#pragma once

// The thrown ball: launched at frame 0 from the lower left, it flies a parabola under standard
// gravity in front of a 200 mm scale bar. Positions are exact, so a measurement of the clip can
// be checked against them.
namespace fw::samples::thrown_ball {

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr int kFramesPerSecond = 1000;
constexpr int kFrameCount = 300;
constexpr double kGravity = 9.80665; // m/s², one G
constexpr double kPixelsPerMm = 1.5;
constexpr double kStartXMm = 20.0;
constexpr double kStartYMm = 30.0; // above the scale bar's line
constexpr double kSpeedXMmPerS = 900.0;
constexpr double kSpeedYMmPerS = 1500.0;
constexpr double kBallRadiusMm = 8.0;
// The scale bar: 200 mm long, on picture row kBarRow from column kBarLeft.
constexpr double kBarLengthMm = 200.0;
constexpr int kBarLeft = 40;
constexpr int kBarRow = 360;
constexpr int kBarRight = kBarLeft + static_cast<int>(kBarLengthMm * kPixelsPerMm);

// Ball centre in mm above and right of the bar's left end, t seconds after launch.
constexpr double CentreXMm(double t_s)
{
    return kStartXMm + kSpeedXMmPerS * t_s;
}
constexpr double CentreYMm(double t_s)
{
    return kStartYMm + kSpeedYMmPerS * t_s - 0.5 * kGravity * 1000.0 * t_s * t_s;
}
// The same in picture pixels: column, and row counted from the top.
constexpr double CentreColumn(double t_s)
{
    return kBarLeft + CentreXMm(t_s) * kPixelsPerMm;
}
constexpr double CentreRow(double t_s)
{
    return kBarRow - CentreYMm(t_s) * kPixelsPerMm;
}

} // namespace fw::samples::thrown_ball
