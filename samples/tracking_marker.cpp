#include "tracking_marker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace fw::samples::tracking_marker {

namespace {

constexpr double kPi = std::numbers::pi;

// One Gaussian spot of the marker: offset from the marker's centre, width, and the grey levels
// it adds at its middle (negative: darker).
struct Spot {
    double dx;
    double dy;
    double sigma;
    double amplitude;
};

// A bright patch with dark and light speckles, lopsided so that no shift or mirror of it looks
// like itself.
constexpr std::array<Spot, 9> kSpots { {
    { 0.0, 0.0, 5.5, 110.0 },
    { -4.0, -3.0, 1.9, -70.0 },
    { 3.5, -4.2, 1.7, -60.0 },
    { 0.5, 4.0, 2.1, -65.0 },
    { -5.0, 3.5, 1.6, 45.0 },
    { 5.0, 2.0, 1.8, -55.0 },
    { 0.0, -0.5, 1.5, 40.0 },
    { -1.5, 7.0, 1.6, 35.0 },
    { 7.0, -1.0, 1.5, 35.0 },
} };
// Beyond this distance from the centre the spots add less than a hundredth of a grey level.
constexpr int kMarkerReach = 24;

// The card: a square of this side centred on the marker's place halfway through the occlusion,
// striped so that it is a thing of its own.
constexpr double kCardSide = 64.0;

// The mean over a pixel of a Gaussian across one axis: the pixel spans u - 0.5 .. u + 0.5 from
// the spot's middle.
double GaussianMean(double u, double sigma)
{
    const double scale = sigma * std::numbers::sqrt2;
    return sigma * std::sqrt(kPi / 2.0) * (std::erf((u + 0.5) / scale) - std::erf((u - 0.5) / scale));
}

// A plane, so that its mean over a pixel is its value at the pixel's centre.
double Background(int x, int y)
{
    return 62.0 + 0.08 * x + 0.05 * y;
}

uint8_t Quantise(double value)
{
    return uint8_t(std::lround(std::clamp(value, 0.0, 255.0)));
}

double MarkerAt(int x, int y, Position centre)
{
    double value = 0.0;
    for (const Spot& spot : kSpots)
        value += spot.amplitude * GaussianMean(x - centre.x - spot.dx, spot.sigma)
            * GaussianMean(y - centre.y - spot.dy, spot.sigma);
    return value;
}

// Fraction of pixel i's span i - 0.5 .. i + 0.5 that lies within low .. high.
double Overlap(int i, double low, double high)
{
    return std::clamp(std::min(i + 0.5, high) - std::max(i - 0.5, low), 0.0, 1.0);
}

Position CardCentre()
{
    const Position first = MarkerCentre(kOcclusionFirst);
    const Position last = MarkerCentre(kOcclusionLast);
    return { (first.x + last.x) / 2.0 + 0.37, (first.y + last.y) / 2.0 - 0.21 };
}

void DrawCard(GreyPicture& picture, int width, int height)
{
    const Position centre = CardCentre();
    const double left = centre.x - kCardSide / 2.0;
    const double top = centre.y - kCardSide / 2.0;
    for (int y = std::max(int(top) - 1, 0); y < std::min(int(top + kCardSide) + 2, height); ++y) {
        const double cover_y = Overlap(y, top, top + kCardSide);
        for (int x = std::max(int(left) - 1, 0); x < std::min(int(left + kCardSide) + 2, width); ++x) {
            const double cover = cover_y * Overlap(x, left, left + kCardSide);
            if (cover <= 0.0)
                continue;
            const double stripe = (int(std::floor((x - left) / 6.0)) % 2 == 0) ? 150.0 : 120.0;
            uint8_t& pixel = picture[size_t(y) * size_t(width) + size_t(x)];
            pixel = Quantise(pixel + (stripe - pixel) * cover);
        }
    }
}

} // namespace

Position MarkerCentre(int frame)
{
    const double t = double(frame) / (kFrameCount - 1);
    return { 70.37 + 170.0 * t + 10.0 * std::sin(2.0 * kPi * 1.7 * t),
        120.0 - 70.0 * std::sin(kPi * t) + 6.0 * std::cos(2.0 * kPi * 2.3 * t + 0.4) };
}

bool Occluded(int frame)
{
    return frame >= kOcclusionFirst && frame <= kOcclusionLast;
}

GreyPicture RenderMarker(int width, int height, Position centre)
{
    GreyPicture picture(size_t(width) * size_t(height));
    const int near_x = int(std::lround(centre.x));
    const int near_y = int(std::lround(centre.y));
    for (int y = 0; y < height; ++y) {
        const bool rows_near = std::abs(y - near_y) <= kMarkerReach;
        for (int x = 0; x < width; ++x) {
            double value = Background(x, y);
            if (rows_near && std::abs(x - near_x) <= kMarkerReach)
                value += MarkerAt(x, y, centre);
            picture[size_t(y) * size_t(width) + size_t(x)] = Quantise(value);
        }
    }
    return picture;
}

GreyPicture RenderFrame(int index)
{
    GreyPicture picture = RenderMarker(kWidth, kHeight, MarkerCentre(index));
    if (Occluded(index))
        DrawCard(picture, kWidth, kHeight);
    return picture;
}

std::string TruthCsv()
{
    std::string text = "frame,time_ms,x,y,occluded\n";
    for (int frame = 0; frame < kFrameCount; ++frame) {
        const Position at = MarkerCentre(frame);
        char line[96];
        std::snprintf(line, sizeof line, "%d,%d,%.6f,%.6f,%d\n", frame, frame * 1000 / kFramesPerSecond, at.x,
            at.y, Occluded(frame) ? 1 : 0);
        text += line;
    }
    return text;
}

} // namespace fw::samples::tracking_marker
