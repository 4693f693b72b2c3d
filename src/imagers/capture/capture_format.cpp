#include "imagers/capture/capture_format.h"

#include <cstring>

#include "clips/compression_options.h"

namespace fw {

namespace {

constexpr uint32_t kAviHasIndex = 16;
constexpr uint32_t kGreyLevels = 256;
constexpr uint32_t kStreamQuality = 10000;

} // namespace

uint32_t CaptureFormat::StoredFrameBytes() const
{
    return static_cast<uint32_t>(StoredRowBytes()) * static_cast<uint32_t>(height);
}

uint32_t CaptureFormat::GrabberBufferBytes() const
{
    return static_cast<uint32_t>(width) * static_cast<uint32_t>(height)
        * static_cast<uint32_t>(GrabberPixelBytes());
}

BitmapInfoHeader CaptureFormat::StoredHeader() const
{
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<uint16_t>(StoredBitsPerPixel());
    header.biSizeImage = StoredFrameBytes();
    header.biClrUsed = colour ? 0 : kGreyLevels;
    header.biClrImportant = header.biClrUsed;
    return header;
}

std::vector<RgbQuad> CaptureFormat::StoredPalette() const
{
    std::vector<RgbQuad> palette;
    if (!colour) {
        for (uint32_t i = 0; i < kGreyLevels; ++i) {
            const auto grey = static_cast<uint8_t>(i);
            palette.push_back(RgbQuad { grey, grey, grey, 0 });
        }
    }
    return palette;
}

BitmapInfoHeader CaptureFormat::GrabberHeader() const
{
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = static_cast<uint16_t>(8 * GrabberPixelBytes());
    header.biSizeImage = GrabberBufferBytes();
    header.biClrUsed = colour ? 0 : kGreyLevels;
    header.biClrImportant = header.biClrUsed;
    return header;
}

void CaptureFormat::ToStored(const uint8_t* grabber, uint8_t* stored) const
{
    const auto row_bytes = static_cast<std::size_t>(StoredRowBytes());
    const auto width_bytes
        = static_cast<std::size_t>(width) * static_cast<std::size_t>(StoredBitsPerPixel() / 8);
    for (int32_t line = 0; line < height; ++line) {
        uint8_t* out = stored + static_cast<std::size_t>(line) * row_bytes;
        if (colour) {
            for (int32_t x = 0; x < width; ++x, grabber += 4, out += 3) {
                out[0] = grabber[0];
                out[1] = grabber[1];
                out[2] = grabber[2];
            }
        } else {
            std::memcpy(out, grabber, width_bytes);
            grabber += width;
            out += width_bytes;
        }
        std::memset(out, 0, row_bytes - width_bytes);
    }
}

FrameImage CaptureFormat::ToFrameImage(const uint8_t* grabber) const
{
    FrameImage frame(width, height, StoredBitsPerPixel());
    ToStored(grabber, frame.pixels());
    return frame;
}

CaptureMainHeader MakeCaptureMainHeader(const CaptureFormat& format, uint32_t frames_requested)
{
    const uint32_t frame_bytes = format.StoredFrameBytes();
    CaptureMainHeader header;
    header.micro_sec_per_frame = kCaptureMicroSecPerFrame;
    header.max_bytes_per_sec = 3 * frame_bytes;
    header.flags = kAviHasIndex;
    header.total_frames = frames_requested;
    header.streams = 1;
    header.suggested_buffer_size = frame_bytes;
    header.width = static_cast<uint32_t>(format.width);
    header.height = static_cast<uint32_t>(format.height);
    header.reserved[0] = kCaptureMicroSecPerFrame;
    header.reserved[1] = kCaptureRate;
    header.reserved[3] = frames_requested;
    return header;
}

CaptureStreamHeader MakeCaptureStreamHeader(const CaptureFormat& format, uint32_t frames_requested)
{
    const uint32_t frame_bytes = format.StoredFrameBytes();
    CaptureStreamHeader header;
    header.type = fourcc('v', 'i', 'd', 's');
    header.handler = fourcc('c', 'v', 'i', 'd');
    header.scale = kCaptureMicroSecPerFrame;
    header.rate = kCaptureRate;
    header.length = frames_requested;
    header.suggested_buffer_size = frame_bytes;
    header.quality = kStreamQuality;
    header.sample_size = frame_bytes;
    header.frame[2] = format.width - 1;
    header.frame[3] = format.height - 1;
    return header;
}

} // namespace fw
