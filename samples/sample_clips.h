#pragma once

#include <functional>
#include <string>
#include <vector>

#include "canvas.h"
#include "clip_encoder.h"

namespace fw::samples {

// One bundled sample: its file, format, length, descriptor block and a painter for frame i.
struct SampleClip {
    std::string file_name;
    ClipFormat format;
    int frame_count = 0;
    std::string descriptor;
    std::function<Canvas(int index)> paint;
};

std::vector<SampleClip> sampleClips();

// The falling ball: released from rest at frame 0, it falls kDropHeightMm onto the floor under
// g = 9.81 m/s² and bounces back with coefficient of restitution kRestitution.
namespace falling_ball {
constexpr double kGravity = 9.81; // m/s²
constexpr double kDropHeightMm = 200.0;
constexpr double kRestitution = 0.75;
constexpr double kPixelsPerMm = 1.5;
constexpr int kFramesPerSecond = 1000;
// Height of the ball's lowest point above the floor, in mm, at time t seconds after release.
double heightMm(double t_s);
// Seconds from release to the first impact.
double impactTimeS();
// The frame nearest the impact; the descriptor block marks it at time 0.
int impactFrame();
} // namespace falling_ball

// "Tracking Marker.avi" comes with its true positions; see tracking_marker.h.

// A rigid pendulum swinging from 40 degrees, integrated exactly (not the small-angle form), in
// 8-bit grey.
namespace pendulum {
constexpr int kWidth = 256;
constexpr int kHeight = 192;
constexpr int kFramesPerSecond = 500;
// The angle from the vertical, in radians, of the first `count` frames.
std::vector<double> angles(int count);
// Frame `index` (0 is the release) with the pendulum at `angle`.
Canvas paint(int index, double angle);
} // namespace pendulum

} // namespace fw::samples
