#include "bouncing_ball.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace fw::samples::bouncing_ball {

namespace {

using Colour = Canvas::Colour;

constexpr Colour kInk { 20, 20, 25 };
constexpr int kScaleLeft = 40;
constexpr int kScaleLengthMm = 300;

int ColumnOfMm(int mm)
{
    return kScaleLeft + static_cast<int>(std::lround(mm * kPixelsPerMm));
}

// A 300 mm scale along the floor's edge: a tick every 5 mm, longer ones every 10 mm, numbers
// every 50 mm.
void PaintFloorScale(Canvas& canvas)
{
    canvas.fillRect(0, kFloorRow, kWidth - 1, kHeight - 1, Colour { 225, 215, 170 });
    canvas.fillRect(kScaleLeft, kFloorRow, ColumnOfMm(kScaleLengthMm), kFloorRow, kInk);
    for (int mm = 0; mm <= kScaleLengthMm; mm += 5) {
        const int length = mm % 50 == 0 ? 12 : mm % 10 == 0 ? 8 : 4;
        canvas.fillRect(ColumnOfMm(mm), kFloorRow, ColumnOfMm(mm), kFloorRow + length, kInk);
        if (mm % 50 == 0)
            canvas.text(ColumnOfMm(mm) - 3 * static_cast<int>(std::to_string(mm).size()), kFloorRow + 16,
                std::to_string(mm), 1, kInk);
    }
    canvas.text(ColumnOfMm(kScaleLengthMm) + 12, kFloorRow + 16, "MM", 1, kInk);
}

// A 100 mm height gauge standing on the floor at the right, ticks every 10 mm.
void PaintHeightGauge(Canvas& canvas)
{
    constexpr int kGaugeColumn = 470;
    const int top = kFloorRow - static_cast<int>(std::lround(100 * kPixelsPerMm));
    canvas.fillRect(kGaugeColumn, top, kGaugeColumn + 1, kFloorRow, kInk);
    for (int mm = 0; mm <= 100; mm += 10) {
        const int row = kFloorRow - static_cast<int>(std::lround(mm * kPixelsPerMm));
        canvas.fillRect(kGaugeColumn - (mm % 50 == 0 ? 10 : 5), row, kGaugeColumn, row, kInk);
    }
    canvas.text(kGaugeColumn - 22, top - 12, "100", 1, kInk);
}

Canvas Background()
{
    Canvas canvas(kWidth, kHeight, 3);
    canvas.verticalGradient(Colour { 235, 240, 245 }, Colour { 175, 190, 205 });
    PaintFloorScale(canvas);
    PaintHeightGauge(canvas);
    return canvas;
}

std::string Caption(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

double HeightMm(double t_s)
{
    const double fall_mm = 0.5 * kGravity * 1000.0 * t_s * t_s;
    if (t_s <= 0.0)
        return -kImpactSpeedMmPerS * t_s - fall_mm;
    return std::max(0.0, kRestitution * kImpactSpeedMmPerS * t_s - fall_mm);
}

double CentreColumn(double t_s)
{
    return kImpactColumn + kRollSpeedMmPerS * t_s * kPixelsPerMm;
}

double CentreRow(double t_s)
{
    return kFloorRow - (HeightMm(t_s) + kBallRadiusMm) * kPixelsPerMm;
}

Canvas Paint(int number)
{
    static const Canvas scenery = Background();
    Canvas canvas = scenery;
    const double t_s = static_cast<double>(number) / kFramesPerSecond;
    const double radius = kBallRadiusMm * kPixelsPerMm;
    const double x = CentreColumn(t_s);
    const double y = CentreRow(t_s);
    // A plain ball with a white dot on its centre, for measuring by eye or by its colour.
    canvas.disc(x, y, radius, Colour { 40, 170, 60 });
    canvas.disc(x, y, 1.5, Colour { 255, 255, 255 });
    canvas.text(12, 12, Caption("FRAME %d", number), 2, kInk);
    canvas.text(12, 34, Caption("T=%d MS", number * 1000 / kFramesPerSecond), 2, kInk);
    return canvas;
}

} // namespace fw::samples::bouncing_ball
