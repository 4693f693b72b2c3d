#include "canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace fw::samples {

namespace {

// 5x7 glyphs, one byte per row, bit 4 the leftmost dot.
struct Glyph {
    char character;
    std::array<uint8_t, 7> rows;
};

constexpr Glyph kGlyphs[] = {
    { '0', { 0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E } },
    { '1', { 0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E } },
    { '2', { 0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F } },
    { '3', { 0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E } },
    { '4', { 0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02 } },
    { '5', { 0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E } },
    { '6', { 0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E } },
    { '7', { 0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08 } },
    { '8', { 0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E } },
    { '9', { 0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C } },
    { 'A', { 0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11 } },
    { 'D', { 0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E } },
    { 'E', { 0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F } },
    { 'F', { 0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10 } },
    { 'G', { 0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F } },
    { 'M', { 0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11 } },
    { 'R', { 0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11 } },
    { 'S', { 0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E } },
    { 'T', { 0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04 } },
    { '-', { 0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00 } },
    { '=', { 0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00 } },
    { '.', { 0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C } },
    { ':', { 0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00 } },
    { ' ', { 0, 0, 0, 0, 0, 0, 0 } },
};

const Glyph& glyphOf(char c)
{
    for (const Glyph& glyph : kGlyphs)
        if (glyph.character == c)
            return glyph;
    throw std::invalid_argument(std::string("no glyph for '") + c + "'");
}

// Sub-samples per pixel side for edge coverage.
constexpr int kSamples = 4;

// Coverage of pixel (x, y) by a shape given as a signed distance (negative inside). Only
// pixels the edge passes through are sampled on a kSamples x kSamples grid.
template <typename Distance> double coverage(int x, int y, Distance distance)
{
    constexpr double kHalfDiagonal = 0.7072;
    const double centre = distance(x + 0.5, y + 0.5);
    if (centre <= -kHalfDiagonal)
        return 1.0;
    if (centre >= kHalfDiagonal)
        return 0.0;
    int hits = 0;
    for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx)
            if (distance(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples) <= 0.0)
                ++hits;
    return static_cast<double>(hits) / (kSamples * kSamples);
}

} // namespace

Canvas::Canvas(int width, int height, int channels)
    : width_(width)
    , height_(height)
    , channels_(channels)
    , pixels_(static_cast<size_t>(width) * height * channels, 0)
{
    if (width < 1 || height < 1 || (channels != 1 && channels != 3))
        throw std::invalid_argument("bad canvas format");
}

void Canvas::fill(Colour colour)
{
    fillRect(0, 0, width_ - 1, height_ - 1, colour);
}

void Canvas::blend(int x, int y, Colour colour, double coverage)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage <= 0.0)
        return;
    uint8_t* pixel = at(x, y);
    if (coverage >= 1.0) {
        if (channels_ == 1) {
            pixel[0] = static_cast<uint8_t>((colour.red + colour.green + colour.blue + 1) / 3);
        } else {
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
        }
        return;
    }
    const auto mix = [coverage](uint8_t old_value, double new_value) {
        return static_cast<uint8_t>(std::lround(old_value + (new_value - old_value) * coverage));
    };
    if (channels_ == 1) {
        pixel[0] = mix(pixel[0], (colour.red + colour.green + colour.blue) / 3.0);
        return;
    }
    pixel[0] = mix(pixel[0], colour.blue);
    pixel[1] = mix(pixel[1], colour.green);
    pixel[2] = mix(pixel[2], colour.red);
}

void Canvas::fillRect(int left, int top, int right, int bottom, Colour colour)
{
    for (int y = std::max(top, 0); y <= std::min(bottom, height_ - 1); ++y)
        for (int x = std::max(left, 0); x <= std::min(right, width_ - 1); ++x)
            blend(x, y, colour, 1.0);
}

void Canvas::verticalGradient(Colour top, Colour bottom)
{
    for (int y = 0; y < height_; ++y) {
        const double t = height_ > 1 ? static_cast<double>(y) / (height_ - 1) : 0.0;
        const auto lerp
            = [t](uint8_t a, uint8_t b) { return static_cast<uint8_t>(std::lround(a + (b - a) * t)); };
        fillRect(0, y, width_ - 1, y,
            Colour { lerp(top.red, bottom.red), lerp(top.green, bottom.green), lerp(top.blue, bottom.blue) });
    }
}

void Canvas::disc(double centre_x, double centre_y, double radius, Colour colour)
{
    const auto distance
        = [&](double px, double py) { return std::hypot(px - centre_x, py - centre_y) - radius; };
    const int x0 = static_cast<int>(std::floor(centre_x - radius)) - 1;
    const int x1 = static_cast<int>(std::ceil(centre_x + radius)) + 1;
    const int y0 = static_cast<int>(std::floor(centre_y - radius)) - 1;
    const int y1 = static_cast<int>(std::ceil(centre_y + radius)) + 1;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            blend(x, y, colour, coverage(x, y, distance));
}

void Canvas::line(double x0, double y0, double x1, double y1, double width, Colour colour)
{
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double length_squared = dx * dx + dy * dy;
    const double half = width / 2.0;
    const auto distance = [&](double px, double py) {
        double t = length_squared > 0.0 ? ((px - x0) * dx + (py - y0) * dy) / length_squared : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        const double ex = px - (x0 + t * dx);
        const double ey = py - (y0 + t * dy);
        return std::hypot(ex, ey) - half;
    };
    const int left = static_cast<int>(std::floor(std::min(x0, x1) - half)) - 1;
    const int right = static_cast<int>(std::ceil(std::max(x0, x1) + half)) + 1;
    const int top = static_cast<int>(std::floor(std::min(y0, y1) - half)) - 1;
    const int bottom = static_cast<int>(std::ceil(std::max(y0, y1) + half)) + 1;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            blend(x, y, colour, coverage(x, y, distance));
}

void Canvas::text(int left, int top, const std::string& text, int scale, Colour colour)
{
    int x = left;
    for (const char c : text) {
        const Glyph& glyph = glyphOf(c);
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 5; ++column)
                if (glyph.rows[row] & (0x10 >> column))
                    fillRect(x + column * scale, top + row * scale, x + (column + 1) * scale - 1,
                        top + (row + 1) * scale - 1, colour);
        x += 6 * scale;
    }
}

} // namespace fw::samples
