#pragma once

// Turns one camera frame into the pixels the grabber interface delivers: lines bottom-up (the
// camera's last line first), every second line and column when the camera cannot bin, and
// either 4-byte pixels (blue, green, red, unused) or 1-byte grey.

#include <cstddef>
#include <cstdint>

namespace fw::imaq_genicam {

enum class SourceFormat { kMono8, kRgb8, kBgr8 };

struct FrameLayout {
    SourceFormat format = SourceFormat::kMono8;
    uint32_t source_width = 0; // pixels of a camera line
    uint32_t source_height = 0; // camera lines
    size_t source_stride = 0; // bytes from one camera line to the next
    uint32_t step_x = 1; // 2: every second column
    uint32_t step_y = 1; // 2: every second line
    bool colour = false; // deliver 4-byte colour pixels

    uint32_t width() const { return source_width / step_x; }
    uint32_t height() const { return source_height / step_y; }
    size_t deliveredBytes() const;
    // Bytes the camera frame must hold.
    size_t sourceBytes() const;
};

size_t SourcePixelBytes(SourceFormat format);

// The line stride of a frame without padding.
size_t PackedStride(SourceFormat format, uint32_t width);

// Every pixel of a camera frame without line padding, delivered as grey or colour.
FrameLayout FullLayout(SourceFormat format, uint32_t width, uint32_t height, bool colour);

// Fills `target` (at least layout.deliveredBytes()) from `source` (layout.sourceBytes()).
// Returns false, writing nothing, when either is too small.
bool CopyFrameBottomUp(const FrameLayout& layout, const uint8_t* source, size_t source_size, uint8_t* target,
    size_t target_size);

} // namespace fw::imaq_genicam
