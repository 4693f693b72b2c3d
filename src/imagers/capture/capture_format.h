#pragma once

#include <cstdint>
#include <vector>

#include "clips/frame_image.h"

namespace fw {

// What one capture's frames look like: as the grabber delivers them (1 byte a pixel, or 4 for
// colour: blue, green, red, unused) and as the file stores them (8-bit grey, or 24-bit blue,
// green, red: the first three bytes of each grabber pixel). Lines are stored in the order the
// grabber delivers them.
struct CaptureFormat {
    int32_t width = 0;
    int32_t height = 0;
    bool colour = false;

    int StoredBitsPerPixel() const { return colour ? 24 : 8; }
    // A line of the file is padded to 4 bytes as every packed frame is; at the widths grabbers
    // deliver (multiples of 4) that is width x bytes a pixel.
    int32_t StoredRowBytes() const { return dibRowBytes(width, StoredBitsPerPixel()); }
    uint32_t StoredFrameBytes() const;
    int GrabberPixelBytes() const { return colour ? 4 : 1; }
    uint32_t GrabberBufferBytes() const;

    // 8-bit with 256 greys, or 24-bit without a colour table; image bytes = stored frame bytes.
    BitmapInfoHeader StoredHeader() const;
    // Entry i holds grey i for 8-bit frames; empty for 24-bit ones.
    std::vector<RgbQuad> StoredPalette() const;
    // 8-bit, or 32-bit with image bytes = grabber buffer bytes.
    BitmapInfoHeader GrabberHeader() const;

    // Turns one grabber buffer into StoredFrameBytes() bytes of file frame.
    void ToStored(const uint8_t* grabber, uint8_t* stored) const;
    // A grabber buffer as a packed frame (header, colour table, lines as delivered).
    FrameImage ToFrameImage(const uint8_t* grabber) const;
};

// The AVI main header ("avih", 56 bytes) and stream header ("strh", 64 bytes: its frame
// rectangle is four 32-bit values) of a capture file.
#pragma pack(push, 1)
struct CaptureMainHeader {
    uint32_t micro_sec_per_frame = 0;
    uint32_t max_bytes_per_sec = 0;
    uint32_t padding_granularity = 0;
    uint32_t flags = 0;
    uint32_t total_frames = 0;
    uint32_t initial_frames = 0;
    uint32_t streams = 0;
    uint32_t suggested_buffer_size = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t reserved[4] = { 0, 0, 0, 0 };
};
struct CaptureStreamHeader {
    uint32_t type = 0;
    uint32_t handler = 0;
    uint32_t flags = 0;
    uint16_t priority = 0;
    uint16_t language = 0;
    uint32_t initial_frames = 0;
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t suggested_buffer_size = 0;
    uint32_t quality = 0;
    uint32_t sample_size = 0;
    int32_t frame[4] = { 0, 0, 0, 0 }; // left, top, right, bottom
};
#pragma pack(pop)
static_assert(sizeof(CaptureMainHeader) == 56);
static_assert(sizeof(CaptureStreamHeader) == 64);

// A capture file's timing whatever rate the grabber runs at: 66667 microseconds a frame.
inline constexpr uint32_t kCaptureMicroSecPerFrame = 66667;
inline constexpr uint32_t kCaptureRate = 1000000;

CaptureMainHeader MakeCaptureMainHeader(const CaptureFormat& format, uint32_t frames_requested);
CaptureStreamHeader MakeCaptureStreamHeader(const CaptureFormat& format, uint32_t frames_requested);

} // namespace fw
