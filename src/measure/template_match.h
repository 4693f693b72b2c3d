#pragma once

#include "measure/grey_image.h"

namespace fw {

// Where a template fits a search image best.
struct TemplateMatch {
    // Top-left corner of the best whole-pixel placement within the search image.
    int x = 0;
    int y = 0;
    // Refinement of that placement, each within -0.5 .. 0.5 pixels.
    double offset_x = 0.0;
    double offset_y = 0.0;
    // The normalised correlation coefficient at the peak, -1 .. 1.
    double score = 0.0;
    // The peak lies on that edge of the placements tried: the true best may lie beyond it.
    bool at_left = false;
    bool at_right = false;
    bool at_top = false;
    bool at_bottom = false;

    bool AtEdge() const { return at_left || at_right || at_top || at_bottom; }
};

// Tries every placement of the template wholly inside the search image and scores it by the
// normalised correlation coefficient (OpenCV's matchTemplate with TM_CCOEFF_NORMED: both
// patches less their means, divided by the product of their norms), which ignores changes of
// brightness and contrast. The peak is refined to a fraction of a pixel by the parabola through
// the peak and its two neighbours, across and down separately (ParabolaPeakOffset); a peak on an
// edge keeps its whole-pixel place in that direction. The search image must be at least as
// large as the template.
TemplateMatch MatchTemplate(const GreyImage& search, const GreyImage& templ);

// The vertex of the parabola through (-1, before), (0, at), (1, after), relative to 0: exact for
// a quadratic peak, clamped to -0.5 .. 0.5 and 0 when the three values do not form a peak.
double ParabolaPeakOffset(double before, double at, double after);

} // namespace fw
