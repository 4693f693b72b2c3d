#include "frame_copy.h"

namespace fw::imaq_genicam {

namespace {

struct Bgr {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
};

Bgr PixelAt(SourceFormat format, const uint8_t* pixel)
{
    switch (format) {
    case SourceFormat::kRgb8:
        return { pixel[2], pixel[1], pixel[0] };
    case SourceFormat::kBgr8:
        return { pixel[0], pixel[1], pixel[2] };
    case SourceFormat::kMono8:
        break;
    }
    return { pixel[0], pixel[0], pixel[0] };
}

// ITU-R BT.601 luma with weights that add up to 256.
uint8_t Grey(Bgr pixel)
{
    return static_cast<uint8_t>((29 * pixel.blue + 150 * pixel.green + 77 * pixel.red + 128) >> 8);
}

void CopyLine(const FrameLayout& layout, const uint8_t* source_line, uint8_t* target_line)
{
    const size_t pixel_bytes = SourcePixelBytes(layout.format);
    const size_t source_step = pixel_bytes * layout.step_x;
    const uint32_t width = layout.width();
    if (layout.colour) {
        for (uint32_t x = 0; x < width; ++x, source_line += source_step, target_line += 4) {
            const Bgr pixel = PixelAt(layout.format, source_line);
            target_line[0] = pixel.blue;
            target_line[1] = pixel.green;
            target_line[2] = pixel.red;
            target_line[3] = 0;
        }
    } else if (layout.format == SourceFormat::kMono8) {
        for (uint32_t x = 0; x < width; ++x, source_line += source_step)
            target_line[x] = *source_line;
    } else {
        for (uint32_t x = 0; x < width; ++x, source_line += source_step)
            target_line[x] = Grey(PixelAt(layout.format, source_line));
    }
}

} // namespace

size_t SourcePixelBytes(SourceFormat format)
{
    return format == SourceFormat::kMono8 ? 1 : 3;
}

size_t PackedStride(SourceFormat format, uint32_t width)
{
    return SourcePixelBytes(format) * width;
}

FrameLayout FullLayout(SourceFormat format, uint32_t width, uint32_t height, bool colour)
{
    FrameLayout layout;
    layout.format = format;
    layout.source_width = width;
    layout.source_height = height;
    layout.source_stride = PackedStride(format, width);
    layout.colour = colour;
    return layout;
}

size_t FrameLayout::deliveredBytes() const
{
    return size_t { width() } * height() * (colour ? 4 : 1);
}

size_t FrameLayout::sourceBytes() const
{
    if (source_height == 0)
        return 0;
    return source_stride * (source_height - 1) + PackedStride(format, source_width);
}

bool CopyFrameBottomUp(
    const FrameLayout& layout, const uint8_t* source, size_t source_size, uint8_t* target, size_t target_size)
{
    if (layout.step_x == 0 || layout.step_y == 0
        || layout.source_stride < PackedStride(layout.format, layout.source_width))
        return false;
    if (source == nullptr || target == nullptr || source_size < layout.sourceBytes()
        || target_size < layout.deliveredBytes())
        return false;
    const uint32_t height = layout.height();
    const size_t target_stride = size_t { layout.width() } * (layout.colour ? 4 : 1);
    for (uint32_t line = 0; line < height; ++line) {
        const size_t camera_line = size_t { height - 1 - line } * layout.step_y;
        CopyLine(layout, source + camera_line * layout.source_stride, target + line * target_stride);
    }
    return true;
}

} // namespace fw::imaq_genicam
