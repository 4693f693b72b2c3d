#pragma once

#include <QString>

#include <optional>

#include "measure/grey_image.h"

namespace fw {

// A point on the picture in pixels: x to the right, y downward, the centre of the top-left pixel
// at (0, 0).
struct PixelPoint {
    double x = 0.0;
    double y = 0.0;
    bool operator==(const PixelPoint&) const = default;
};

// What a track is asked to do: the side of the square template cut around the point on the
// start frame, the side of the square area searched on each later frame, and the least
// confidence (the peak's normalised correlation, 0 .. 1) a match must reach to be taken.
struct TrackSettings {
    static constexpr int kDefaultTemplatePx = 21;
    static constexpr int kDefaultSearchPx = 64;
    static constexpr double kDefaultMinConfidence = 0.8;
    static constexpr int kMinTemplatePx = 3;
    static constexpr int kMaxTemplatePx = 255;
    static constexpr int kMaxSearchPx = 1024;

    int template_px = kDefaultTemplatePx;
    int search_px = kDefaultSearchPx;
    double min_confidence = kDefaultMinConfidence;
    bool operator==(const TrackSettings&) const = default;
};

// Why the settings cannot be used, in the user's words; empty when they can. The search area
// must exceed the template by at least two pixels, so that the peak has a neighbour on each
// side.
QString TrackSettingsProblem(const TrackSettings& settings);

enum class TrackStopKind {
    LowConfidence, // the best match scored below the least confidence
    PointLeftPicture, // the point is expected outside the picture
    TemplateLeftPicture, // the template around the point no longer fits in the picture
    LeftSearchArea, // the best match lies on the edge of the search area: the point moved further
    FrameUnreadable,
    FrameSizeChanged,
};

// What one step found: a position and its confidence, or why the track ends there (with the
// confidence of the best match when one was made).
struct TrackStep {
    std::optional<TrackStopKind> stop;
    PixelPoint point;
    std::optional<double> confidence;
};

// Follows one point from frame to frame by template matching. The template is cut from the
// start frame around the whole pixel nearest the point and stays the same, so the track never
// drifts by re-learning its own errors. On each frame the search area is centred where the last
// velocity (pixels per frame) puts the point, clipped to the picture; the best placement of the
// template, refined to a fraction of a pixel (MatchTemplate), gives the point at the same offset
// from the template's corner as on the start frame.
class PointTracker {
public:
    explicit PointTracker(const TrackSettings& settings);

    // Cuts the template; fails when the point or the template lies outside the picture.
    std::optional<TrackStopKind> Begin(
        const PackedFrameView& frame, PixelPoint point, PixelPoint velocity = {});
    // Finds the point on the next frame and moves on to it when the match is good.
    TrackStep Step(const PackedFrameView& frame);

    PixelPoint Point() const { return point_; }
    PixelPoint Velocity() const { return velocity_; }

private:
    // The template's top-left corner when the point is at `point`; the corner's whole pixel.
    int CornerX(double x) const;
    int CornerY(double y) const;
    bool TemplateFits(PixelPoint point) const;
    bool Inside(PixelPoint point) const;

    TrackSettings settings_;
    GreyImage template_;
    // The point's place within the template.
    PixelPoint offset_;
    PixelPoint point_;
    PixelPoint velocity_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace fw
