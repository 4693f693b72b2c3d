#pragma once

#include <cstdint>

namespace fw {

// What sizing a clip window needs to know; all sizes are client pixels.
struct DisplaySizing {
    int frame_width = 0;
    int frame_height = 0;
    int client_width = 0; // as the window is now
    int client_height = 0;
    int last_width = 0; // as the last layout left it
    int last_height = 0;
    int extra_height = 0; // legend and controls under the picture
    int previous_extra_height = 0;
    int legend_width = 0; // the narrowest the window may get
    int screen_height = 0;
    uint32_t options = 0; // view option bits
};

struct ClientSize {
    int width = 0;
    int height = 0;
    bool operator==(const ClientSize&) const = default;
};

// The client size for the checked size item, or one that follows the user's resize, keeping
// the picture's aspect ratio when asked.
ClientSize ComputeClientSize(const DisplaySizing& sizing);

// The size item (voHalfSize, voFullSize, voDoubleSize or voAnySize) a picture area matches.
uint32_t MatchingSizeItem(int paint_width, int paint_height, int frame_width, int frame_height);

// Left edges of the frame, reticle and time panels across a client width; -1 for hidden ones.
struct LegendPositions {
    int frame_left = -1;
    int reticle_left = -1;
    int time_left = -1;
};
LegendPositions PlaceLegendPanels(int client_width, int frame_width, int reticle_width, int time_width);

// Reticle position in frame pixels, origin at the bottom left of the picture.
struct ReticlePoint {
    float x = 0.0f;
    float y = 0.0f;
};
ReticlePoint ReticleAt(
    int mouse_x, int mouse_y, int paint_width, int paint_height, int frame_width, int frame_height);

} // namespace fw
