#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fw::samples {

// A top-down picture of 1 (grey) or 3 (blue, green, red) bytes per pixel, rows unpadded.
class Canvas {
public:
    Canvas(int width, int height, int channels);

    int width() const { return width_; }
    int height() const { return height_; }
    int channels() const { return channels_; }
    const uint8_t* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_ * channels_; }

    // Colours are given as red, green, blue; a grey canvas takes their mean.
    struct Colour {
        uint8_t red = 0;
        uint8_t green = 0;
        uint8_t blue = 0;
    };

    void fill(Colour colour);
    // Blends `colour` into the pixel with weight `coverage` (0..1); outside pixels are ignored.
    void blend(int x, int y, Colour colour, double coverage);
    void fillRect(int left, int top, int right, int bottom, Colour colour);
    // Vertical gradient between two colours over the whole canvas.
    void verticalGradient(Colour top, Colour bottom);
    // An anti-aliased disc at a sub-pixel centre, so slow motion stays smooth from frame to frame.
    void disc(double centre_x, double centre_y, double radius, Colour colour);
    // An anti-aliased line of the given width between two sub-pixel points.
    void line(double x0, double y0, double x1, double y1, double width, Colour colour);
    // Text in a 5x7 block font (digits, capitals, space and "-=.:"), `scale` pixels per dot.
    void text(int left, int top, const std::string& text, int scale, Colour colour);

private:
    uint8_t* at(int x, int y) { return pixels_.data() + (static_cast<size_t>(y) * width_ + x) * channels_; }

    int width_;
    int height_;
    int channels_;
    std::vector<uint8_t> pixels_;
};

} // namespace fw::samples
