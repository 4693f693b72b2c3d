#include "sample_clips.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "clips/descriptor_block.h"
#include "thrown_ball.h"
#include "tracking_marker.h"

namespace fw::samples {

namespace {

using Colour = Canvas::Colour;

constexpr Colour kWhite { 255, 255, 255 };

// Clips the program writes from frames carry 15 frames per second in their AVI headers and their
// true rate in the descriptor block; the samples are written the same way, so they play as slow
// motion like every clip the program saves.
constexpr int kHeaderFramesPerSecond = 15;

std::string numbered(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::vector<std::string> cameraLines(int frames_per_second, const std::string& exposure)
{
    return { "Camera Type=Synthetic", "Camera ID=FW-SIM-01", "Session ID=1",
        "Recording Rate=" + std::to_string(frames_per_second), "Exposure Setting=" + exposure,
        "Date and Time=01/06/2026 12:00:00" };
}

std::string descriptorFor(
    int frames_per_second, int mark_frame, const std::string& exposure, const std::string& title)
{
    return BuildDescriptorBlock(frames_per_second, mark_frame, 0.0, cameraLines(frames_per_second, exposure),
        { "Title=" + title, "Imager Name=Synthetic Imager" });
}

} // namespace

namespace falling_ball {

double impactTimeS()
{
    return std::sqrt(2.0 * kDropHeightMm / 1000.0 / kGravity);
}

int impactFrame()
{
    return static_cast<int>(std::lround(impactTimeS() * kFramesPerSecond));
}

double heightMm(double t_s)
{
    const double t_impact = impactTimeS();
    if (t_s <= t_impact)
        return kDropHeightMm - 0.5 * kGravity * t_s * t_s * 1000.0;
    // One bounce fits in the clip: the rebound lasts longer than the frames after impact.
    const double rebound_speed = kRestitution * kGravity * t_impact; // m/s
    const double dt = t_s - t_impact;
    return std::max(0.0, (rebound_speed * dt - 0.5 * kGravity * dt * dt) * 1000.0);
}

namespace {

constexpr int kWidth = 512;
constexpr int kHeight = 384;
constexpr int kFloorY = 340; // first floor row
constexpr double kBallRadiusMm = 10.0;
constexpr double kBallX = 300.0;
constexpr int kRulerX = 40;

void paintRuler(Canvas& canvas)
{
    canvas.fillRect(kRulerX - 6, kFloorY - 320, kRulerX + 44, kFloorY, Colour { 30, 30, 35 });
    for (int mm = 0; mm <= 200; mm += 10) {
        const int y = kFloorY - static_cast<int>(std::lround(mm * kPixelsPerMm));
        const int length = mm % 50 == 0 ? 16 : 8;
        canvas.fillRect(kRulerX, y, kRulerX + length, y, kWhite);
        if (mm % 50 == 0)
            canvas.text(kRulerX + 19, y - 3, std::to_string(mm), 1, kWhite);
    }
    canvas.fillRect(kRulerX, kFloorY - 300, kRulerX, kFloorY, kWhite);
    canvas.text(kRulerX + 19, kFloorY - 316, "MM", 1, kWhite);
}

Canvas background()
{
    Canvas canvas(kWidth, kHeight, 3);
    canvas.verticalGradient(Colour { 70, 90, 120 }, Colour { 150, 165, 185 });
    canvas.fillRect(0, kFloorY, kWidth - 1, kHeight - 1, Colour { 60, 55, 50 });
    paintRuler(canvas);
    return canvas;
}

Canvas paint(int index)
{
    static const Canvas scenery = background();
    Canvas canvas = scenery;
    const double t_s = static_cast<double>(index) / kFramesPerSecond;
    const double centre_y = kFloorY - (heightMm(t_s) + kBallRadiusMm) * kPixelsPerMm;
    const double radius = kBallRadiusMm * kPixelsPerMm;
    canvas.disc(kBallX, centre_y, radius, Colour { 220, 40, 30 });
    canvas.disc(kBallX - radius * 0.35, centre_y - radius * 0.35, radius * 0.3, Colour { 240, 120, 100 });
    canvas.text(330, 12, numbered("FRAME %04d", index + 1), 2, kWhite);
    canvas.text(330, 34, numbered("T=%d MS", index - impactFrame()), 2, kWhite);
    return canvas;
}

} // namespace

} // namespace falling_ball

namespace pendulum {

namespace {

constexpr double kLengthM = 0.25;
constexpr double kPixelsPerM = 600.0;
constexpr double kStartAngle = 40.0 * std::numbers::pi / 180.0;

Canvas background()
{
    Canvas canvas(kWidth, kHeight, 1);
    canvas.verticalGradient(Colour { 30, 30, 30 }, Colour { 90, 90, 90 });
    // 50 mm scale bar
    const int bar = static_cast<int>(std::lround(0.05 * kPixelsPerM));
    canvas.fillRect(8, kHeight - 12, 8 + bar, kHeight - 10, kWhite);
    canvas.text(8, kHeight - 22, "50 MM", 1, kWhite);
    return canvas;
}

} // namespace

std::vector<double> angles(int count)
{
    std::vector<double> result;
    double angle = kStartAngle;
    double speed = 0.0;
    constexpr int kSteps = 20;
    const double h = 1.0 / kFramesPerSecond / kSteps;
    const auto acceleration = [](double a) { return -falling_ball::kGravity / kLengthM * std::sin(a); };
    for (int i = 0; i < count; ++i) {
        result.push_back(angle);
        for (int step = 0; step < kSteps; ++step) {
            const double k1a = speed, k1v = acceleration(angle);
            const double k2a = speed + h / 2 * k1v, k2v = acceleration(angle + h / 2 * k1a);
            const double k3a = speed + h / 2 * k2v, k3v = acceleration(angle + h / 2 * k2a);
            const double k4a = speed + h * k3v, k4v = acceleration(angle + h * k3a);
            angle += h / 6 * (k1a + 2 * k2a + 2 * k3a + k4a);
            speed += h / 6 * (k1v + 2 * k2v + 2 * k3v + k4v);
        }
    }
    return result;
}

Canvas paint(int index, double angle)
{
    static const Canvas scenery = background();
    Canvas canvas = scenery;
    const double pivot_x = kWidth / 2.0;
    const double pivot_y = 16.0;
    const double bob_x = pivot_x + std::sin(angle) * kLengthM * kPixelsPerM;
    const double bob_y = pivot_y + std::cos(angle) * kLengthM * kPixelsPerM;
    canvas.fillRect(
        static_cast<int>(pivot_x) - 30, 8, static_cast<int>(pivot_x) + 30, 12, Colour { 160, 160, 160 });
    canvas.line(pivot_x, pivot_y, bob_x, bob_y, 2.0, Colour { 200, 200, 200 });
    canvas.disc(bob_x, bob_y, 10.0, Colour { 235, 235, 235 });
    canvas.disc(pivot_x, pivot_y, 3.0, kWhite);
    canvas.text(kWidth - 66, kHeight - 12, numbered("F %04d", index + 1), 1, kWhite);
    return canvas;
}

} // namespace pendulum

namespace {

// A disc spinning at 50 revolutions per second: 9 degrees from one frame to the next.
namespace spinning_disc {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFramesPerSecond = 2000;
constexpr double kRevolutionsPerSecond = 50.0;

constexpr double kCentreX = kWidth / 2.0;
constexpr double kCentreY = kHeight / 2.0 + 8;
constexpr double kRadius = 90.0;

Canvas background()
{
    Canvas canvas(kWidth, kHeight, 3);
    canvas.fill(Colour { 20, 22, 30 });
    canvas.disc(kCentreX, kCentreY, kRadius, Colour { 120, 120, 130 });
    return canvas;
}

Canvas paint(int index)
{
    static const Canvas scenery = background();
    Canvas canvas = scenery;
    const double angle = 2.0 * std::numbers::pi * kRevolutionsPerSecond * index / kFramesPerSecond;
    canvas.line(kCentreX, kCentreY, kCentreX + std::cos(angle) * kRadius,
        kCentreY - std::sin(angle) * kRadius, 6.0, kWhite);
    canvas.disc(kCentreX + std::cos(angle + 2.0) * kRadius * 0.75,
        kCentreY - std::sin(angle + 2.0) * kRadius * 0.75, 7.0, Colour { 230, 40, 30 });
    canvas.disc(kCentreX, kCentreY, 6.0, Colour { 40, 40, 40 });
    canvas.text(8, 8, numbered("FRAME %04d", index + 1), 2, kWhite);
    return canvas;
}

} // namespace spinning_disc

namespace thrown {

using namespace thrown_ball;

Canvas background()
{
    Canvas canvas(kWidth, kHeight, 3);
    canvas.verticalGradient(Colour { 200, 215, 230 }, Colour { 120, 140, 160 });
    // The scale bar, with end ticks on its exact end columns.
    canvas.fillRect(kBarLeft, kBarRow, kBarRight, kBarRow + 1, Colour { 20, 20, 20 });
    canvas.fillRect(kBarLeft, kBarRow - 6, kBarLeft, kBarRow + 7, Colour { 20, 20, 20 });
    canvas.fillRect(kBarRight, kBarRow - 6, kBarRight, kBarRow + 7, Colour { 20, 20, 20 });
    canvas.text(kBarLeft + 120, kBarRow + 10, "200 MM", 1, Colour { 20, 20, 20 });
    return canvas;
}

Canvas paint(int index)
{
    static const Canvas scenery = background();
    Canvas canvas = scenery;
    const double t_s = static_cast<double>(index) / kFramesPerSecond;
    const double radius = kBallRadiusMm * kPixelsPerMm;
    canvas.disc(CentreColumn(t_s), CentreRow(t_s), radius, Colour { 30, 90, 200 });
    canvas.disc(CentreColumn(t_s), CentreRow(t_s), 1.5, kWhite);
    canvas.text(8, 8, numbered("FRAME %04d", index + 1), 2, Colour { 20, 20, 20 });
    return canvas;
}

} // namespace thrown

// The tracking marker's grey frames, as they are computed, on a canvas for the encoder.
Canvas trackingMarker(int index)
{
    using namespace tracking_marker;
    const GreyPicture picture = RenderFrame(index);
    Canvas canvas(kWidth, kHeight, 1);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t grey = picture[size_t(y) * kWidth + size_t(x)];
            canvas.blend(x, y, Colour { grey, grey, grey }, 1.0);
        }
    return canvas;
}

} // namespace

std::vector<SampleClip> sampleClips()
{
    std::vector<SampleClip> clips;

    clips.push_back({ "Falling Ball.avi", { 512, 384, kHeaderFramesPerSecond, 3, ClipCodec::Mjpeg }, 300,
        descriptorFor(falling_ball::kFramesPerSecond, falling_ball::impactFrame(), "1/2000", "Falling Ball"),
        falling_ball::paint });

    constexpr int kPendulumFrames = 250;
    auto angles = std::make_shared<std::vector<double>>(pendulum::angles(kPendulumFrames));
    clips.push_back({ "Pendulum.avi",
        { pendulum::kWidth, pendulum::kHeight, kHeaderFramesPerSecond, 1, ClipCodec::RawDib },
        kPendulumFrames, descriptorFor(pendulum::kFramesPerSecond, 0, "1/1000", "Pendulum"),
        [angles](int index) { return pendulum::paint(index, (*angles)[index]); } });

    clips.push_back({ "Spinning Disc.kfs",
        { spinning_disc::kWidth, spinning_disc::kHeight, kHeaderFramesPerSecond, 3, ClipCodec::Mjpeg }, 400,
        descriptorFor(spinning_disc::kFramesPerSecond, 200, "1/10000", "Spinning Disc"),
        spinning_disc::paint });

    clips.push_back({ "Thrown Ball.avi",
        { thrown_ball::kWidth, thrown_ball::kHeight, kHeaderFramesPerSecond, 3, ClipCodec::Mjpeg },
        thrown_ball::kFrameCount, descriptorFor(thrown_ball::kFramesPerSecond, 0, "1/5000", "Thrown Ball"),
        thrown::paint });

    // Stored without loss, so that the frames hold the exact sub-pixel picture.
    clips.push_back({ "Tracking Marker.avi",
        { tracking_marker::kWidth, tracking_marker::kHeight, kHeaderFramesPerSecond, 1, ClipCodec::RawDib },
        tracking_marker::kFrameCount,
        descriptorFor(tracking_marker::kFramesPerSecond, 0, "1/20000", "Tracking Marker"), trackingMarker });
    return clips;
}

} // namespace fw::samples
