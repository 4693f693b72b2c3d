#pragma once

#include <memory>
#include <string>

#include "canvas.h"

namespace fw::samples {

enum class ClipCodec {
    Mjpeg, // 24-bit pictures, Motion JPEG
    RawDib // uncompressed bottom-up DIB rows: 8-bit with a grey colour table, or 24-bit
};

struct ClipFormat {
    int width = 0;
    int height = 0;
    int frames_per_second = 0;
    int channels = 3; // 1: 8-bit grey, 3: 24-bit colour
    ClipCodec codec = ClipCodec::Mjpeg;
};

// Writes an AVI clip frame by frame with libavformat/libavcodec. The output is byte-for-byte
// reproducible: one encoder thread and no version strings in the file. Throws
// std::runtime_error on any library failure.
class ClipEncoder {
public:
    ClipEncoder(const std::string& path, const ClipFormat& format);
    ~ClipEncoder();

    ClipEncoder(const ClipEncoder&) = delete;
    ClipEncoder& operator=(const ClipEncoder&) = delete;

    void write(const Canvas& picture);
    // Flushes the encoder and completes the file; the encoder takes no frames after it.
    void finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace fw::samples
