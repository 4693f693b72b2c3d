#pragma once

#include <cstdint>

#include <QRect>

#include "shell/crop_geometry.h"
#include "shell/display_layout.h"

namespace fw {

// Sizes of the parts of a clip window below its picture, shared by its layout and its widgets.
namespace clip_window_metrics {

inline constexpr int kLegendHeight = 22;
inline constexpr int kFrameBarHeight = 24;
inline constexpr int kPlayerHeight = 30;
inline constexpr int kControlsHeight = kFrameBarHeight + kPlayerHeight;
inline constexpr int kFramePanelWidth = 70;
inline constexpr int kReticlePanelWidth = 120;
inline constexpr int kTimeValueWidth = 90;
inline constexpr int kTimeUnitWidth = 30;
inline constexpr int kTimePanelWidth = kTimeValueWidth + kTimeUnitWidth;
inline constexpr int kMinimumControlsWidth = 225;
inline constexpr int kSavePanelHeight = 72;

} // namespace clip_window_metrics

// Which parts of a clip window show.
struct ClipWindowParts {
    bool frame_counter = false; // the legend's panels
    bool time_counter = false;
    bool reticle = false;
    bool legend = false;
    bool controls = false; // frame bar and player bar
    bool save_panel = false;
    bool operator==(const ClipWindowParts&) const = default;
};

// Where the parts of a clip window go in its client area; parts that do not show get empty
// rectangles.
struct ClipWindowRects {
    QRect picture;
    QRect legend;
    LegendPositions counters; // inside the legend
    QRect controls;
    QRect save_panel;
};

// The layout of a clip window without the window: which parts show for its view options, the
// client size the window takes, where each part goes, and the scale of the picture it leaves.
// It remembers the size it last fitted, so that a resize by the user can tell which edge moved.
class ClipWindowLayout {
public:
    // The view: option bits, whether a save runs (its panel then takes the place of the legend
    // and the controls) and whether the window plays frames of its own.
    void SetView(uint32_t options, bool saving, bool frames_open);
    // False when the frame already had this size.
    bool SetFrameSize(int width, int height);
    int FrameWidth() const { return frame_width_; }
    int FrameHeight() const { return frame_height_; }

    const ClipWindowParts& Parts() const { return parts_; }
    // The rows under the picture.
    int ExtraHeight() const;
    // The narrowest the window may get: its legend panels side by side, or the controls.
    int MinimumWidth() const;

    // The client size for a window that is `width` x `height` now, on a screen `screen_height`
    // tall (0 when unknown).
    ClientSize Fit(int width, int height, int screen_height);
    // Places the parts in a client area of this size; the picture's scale follows from it.
    ClipWindowRects Place(int width, int height);

    QRect Picture() const { return picture_; }
    // Picture pixels per frame pixel, 1 until the first placing.
    float HorizontalScale() const { return horizontal_scale_; }
    float VerticalScale() const { return vertical_scale_; }
    // The size item the placed picture matches (voHalfSize, voFullSize, voDoubleSize, voAnySize).
    uint32_t SizeItem() const;
    // The crop rectangle stays on the picture.
    CropLimit CropLimits() const;

private:
    uint32_t options_ = 0;
    ClipWindowParts parts_;
    int frame_width_ = 0;
    int frame_height_ = 0;
    int last_width_ = 0;
    int last_height_ = 0;
    int previous_extra_ = 0;
    QRect picture_;
    float horizontal_scale_ = 1.0f;
    float vertical_scale_ = 1.0f;
};

} // namespace fw
