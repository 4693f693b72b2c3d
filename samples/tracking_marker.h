#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The tracking marker: a speckled target moving along a known curve at sub-pixel positions in
// 8-bit grey, with an opaque card passing in front of it for a few frames. Its true positions
// go into a CSV file beside the clip, so that tracking can be checked against them.
//
// Positions are picture pixels: x to the right, y downward, the centre of the top-left pixel at
// (0, 0); pixel (i, j) covers i - 0.5 .. i + 0.5 across and j - 0.5 .. j + 0.5 down. Every pixel
// is the exact mean of the picture's intensity over that square: the marker is a sum of
// Gaussian spots, whose mean over a square follows from the error function, so the frames are
// anti-aliased without sampling error.
namespace fw::samples::tracking_marker {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFramesPerSecond = 1000;
constexpr int kFrameCount = 120;
// The card covers the marker wholly from the first to the last of these frames.
constexpr int kOcclusionFirst = 90;
constexpr int kOcclusionLast = 95;

struct Position {
    double x = 0.0;
    double y = 0.0;
};

// Where the marker's centre is on a frame.
Position MarkerCentre(int frame);
bool Occluded(int frame);

// A grey picture, rows top-down, one byte per pixel.
using GreyPicture = std::vector<uint8_t>;

// Frame `index` of the clip.
GreyPicture RenderFrame(int index);
// The marker alone at a position over the clip's background, on a picture of any size.
GreyPicture RenderMarker(int width, int height, Position centre);

// "frame,time_ms,x,y,occluded" and one line per frame; x and y to 1e-6 pixels.
std::string TruthCsv();

} // namespace fw::samples::tracking_marker
