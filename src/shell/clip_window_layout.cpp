#include "shell/clip_window_layout.h"

#include <algorithm>

#include "shell/view_options.h"

namespace fw {

using namespace clip_window_metrics;

void ClipWindowLayout::SetView(uint32_t options, bool saving, bool frames_open)
{
    options_ = options;
    parts_.frame_counter = (options & voFrameCounter) != 0;
    parts_.time_counter = (options & voTimeCounter) != 0;
    parts_.reticle = (options & voReticlePosition) != 0;
    parts_.legend = !saving && (parts_.frame_counter || parts_.time_counter || parts_.reticle);
    parts_.controls = !saving && frames_open && (options & voVideoControls);
    parts_.save_panel = saving;
}

bool ClipWindowLayout::SetFrameSize(int width, int height)
{
    if (width == frame_width_ && height == frame_height_)
        return false;
    frame_width_ = width;
    frame_height_ = height;
    return true;
}

int ClipWindowLayout::ExtraHeight() const
{
    return (parts_.save_panel ? kSavePanelHeight : 0) + (parts_.legend ? kLegendHeight : 0)
        + (parts_.controls ? kControlsHeight : 0);
}

int ClipWindowLayout::MinimumWidth() const
{
    int width = 0;
    if (parts_.legend) {
        width += parts_.frame_counter ? kFramePanelWidth : 0;
        width += parts_.reticle ? kReticlePanelWidth : 0;
        width += parts_.time_counter ? kTimePanelWidth : 0;
    }
    if (parts_.controls)
        width = std::max(width, kMinimumControlsWidth);
    return width;
}

ClientSize ClipWindowLayout::Fit(int width, int height, int screen_height)
{
    DisplaySizing sizing;
    sizing.frame_width = frame_width_;
    sizing.frame_height = frame_height_;
    sizing.client_width = width;
    sizing.client_height = height;
    sizing.last_width = last_width_;
    sizing.last_height = last_height_;
    sizing.extra_height = ExtraHeight();
    sizing.previous_extra_height = previous_extra_;
    sizing.legend_width = MinimumWidth();
    sizing.screen_height = screen_height;
    sizing.options = options_;
    const ClientSize size = ComputeClientSize(sizing);
    previous_extra_ = sizing.extra_height;
    last_width_ = size.width;
    last_height_ = size.height;
    return size;
}

ClipWindowRects ClipWindowLayout::Place(int width, int height)
{
    ClipWindowRects at;
    int y = std::max(0, height - ExtraHeight());
    at.picture = QRect(0, 0, width, y);
    if (parts_.legend) {
        at.legend = QRect(0, y, width, kLegendHeight);
        at.counters = PlaceLegendPanels(width, parts_.frame_counter ? kFramePanelWidth : 0,
            parts_.reticle ? kReticlePanelWidth : 0, parts_.time_counter ? kTimePanelWidth : 0);
        y += kLegendHeight;
    }
    if (parts_.controls) {
        at.controls = QRect(0, y, width, kControlsHeight);
        y += kControlsHeight;
    }
    if (parts_.save_panel)
        at.save_panel = QRect(0, y, width, kSavePanelHeight);
    picture_ = at.picture;
    if (frame_width_ > 0 && frame_height_ > 0) {
        horizontal_scale_ = float(picture_.width()) / float(frame_width_);
        vertical_scale_ = float(picture_.height()) / float(frame_height_);
    }
    return at;
}

uint32_t ClipWindowLayout::SizeItem() const
{
    return MatchingSizeItem(picture_.width(), picture_.height(), frame_width_, frame_height_);
}

CropLimit ClipWindowLayout::CropLimits() const
{
    CropLimit limit;
    limit.left = 0;
    limit.top = 0;
    limit.right = picture_.width();
    limit.bottom = picture_.height();
    return limit;
}

} // namespace fw
