#pragma once

#include <cstdint>
#include <vector>

#include "clips/ffmpeg_handles.h"

namespace fw {

// Turns decoded pictures into packed frames: 8-bit with the picture's own colour table for
// palettized pictures, 8-bit with a grey table for grey ones, 24-bit blue-green-red otherwise.
class FramePacker {
public:
    // False when the picture has no usable size or format.
    bool pack(const AVFrame& picture, std::vector<uint8_t>& packed);

private:
    bool packIndexed(const AVFrame& picture, std::vector<uint8_t>& packed);
    bool packColour(const AVFrame& picture, std::vector<uint8_t>& packed);
    // Converts the picture to top-down blue-green-red rows in scaled_.
    bool scale(const AVFrame& picture);

    // The scaler is kept while pictures keep their size, format and range.
    SwsPtr sws_;
    int sws_width_ = 0;
    int sws_height_ = 0;
    AVPixelFormat sws_format_ = AV_PIX_FMT_NONE;
    bool sws_full_range_ = false;
    std::vector<uint8_t> scaled_;
    int scaled_stride_ = 0;
};

} // namespace fw
