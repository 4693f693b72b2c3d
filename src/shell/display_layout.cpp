#include "shell/display_layout.h"

#include "shell/view_options.h"

#include <cstdint>

namespace fw {

namespace {

class Sizer {
public:
    Sizer(const DisplaySizing& s, int w, int h)
        : s_(s)
        , w_(w)
        , h_(h)
    {
    }
    void heightFollowsWidth() { h_ = int(int64_t(w_) * s_.frame_height / s_.frame_width) + s_.extra_height; }
    void widthFollowsHeight() { w_ = int(int64_t(h_ - s_.extra_height) * s_.frame_width / s_.frame_height); }
    int& w() { return w_; }
    int& h() { return h_; }

private:
    const DisplaySizing& s_;
    int w_;
    int h_;
};

} // namespace

ClientSize ComputeClientSize(const DisplaySizing& s)
{
    if (s.frame_width < 1 || s.frame_height < 1)
        return { s.client_width, s.client_height };
    const bool aspect = (s.options & voPreserveAspectRatio) != 0;
    Sizer size(s, s.client_width, s.client_height + s.extra_height - s.previous_extra_height);

    if (s.options & voDoubleSize) {
        size.w() = 2 * s.frame_width;
        size.h() = 2 * s.frame_height + s.extra_height;
    } else if (s.options & voFullSize) {
        size.w() = s.frame_width;
        size.h() = s.frame_height + s.extra_height;
    } else if (s.options & voHalfSize) {
        size.w() = s.frame_width / 2;
        size.h() = s.frame_height / 2 + s.extra_height;
    } else if (aspect) {
        if (size.w() != s.last_width) {
            size.heightFollowsWidth();
            size.widthFollowsHeight();
        } else if (size.h() == s.last_height) {
            size.widthFollowsHeight();
        } else {
            size.widthFollowsHeight();
            size.heightFollowsWidth();
        }
    }

    if (size.w() < s.legend_width) {
        size.w() = s.legend_width;
        if (aspect)
            size.heightFollowsWidth();
    }
    if (s.screen_height > 0 && size.h() > s.screen_height) {
        size.h() = s.screen_height;
        if (aspect)
            size.widthFollowsHeight();
    }
    return { size.w(), size.h() };
}

uint32_t MatchingSizeItem(int paint_width, int paint_height, int frame_width, int frame_height)
{
    if (paint_width == 2 * frame_width && paint_height == 2 * frame_height)
        return voDoubleSize;
    if (paint_width == frame_width && paint_height == frame_height)
        return voFullSize;
    if (paint_width == frame_width / 2 && paint_height == frame_height / 2)
        return voHalfSize;
    return voAnySize;
}

LegendPositions PlaceLegendPanels(int client_width, int frame_width, int reticle_width, int time_width)
{
    LegendPositions at;
    const int shown = (frame_width > 0) + (reticle_width > 0) + (time_width > 0);
    auto centred = [client_width](int width) { return (client_width - width) / 2; };
    auto right = [client_width](int width) { return client_width - width; };
    if (shown == 1) {
        if (frame_width > 0)
            at.frame_left = centred(frame_width);
        else if (reticle_width > 0)
            at.reticle_left = centred(reticle_width);
        else
            at.time_left = centred(time_width);
    } else if (shown == 2) {
        if (frame_width > 0)
            at.frame_left = 0;
        else
            at.reticle_left = 0;
        if (time_width > 0)
            at.time_left = right(time_width);
        else
            at.reticle_left = right(reticle_width);
    } else if (shown == 3) {
        at.frame_left = 0;
        at.reticle_left = centred(reticle_width);
        at.time_left = right(time_width);
    }
    return at;
}

ReticlePoint ReticleAt(
    int mouse_x, int mouse_y, int paint_width, int paint_height, int frame_width, int frame_height)
{
    if (paint_width < 1 || paint_height < 1)
        return {};
    return { float(mouse_x) / float(paint_width) * float(frame_width),
        float(paint_height - mouse_y - 1) / float(paint_height) * float(frame_height) };
}

} // namespace fw
