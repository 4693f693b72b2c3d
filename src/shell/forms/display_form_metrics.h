#pragma once

// Sizes of the parts of a clip window below the picture, shared by its layout and its widgets.
namespace fw::display_metrics {

inline constexpr int kLegendHeight = 22;
inline constexpr int kFrameBarHeight = 24;
inline constexpr int kPlayerHeight = 30;
inline constexpr int kControlsHeight = kFrameBarHeight + kPlayerHeight;
inline constexpr int kFramePanelWidth = 70;
inline constexpr int kReticlePanelWidth = 120;
inline constexpr int kTimeValueWidth = 90;
inline constexpr int kTimeUnitWidth = 30;
inline constexpr int kMinimumControlsWidth = 225;

} // namespace fw::display_metrics
