#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

#include "clips/avi_stream.h"

namespace fw {

// The largest picture handed out (about 8000 x 8000): larger claims in a file are taken as
// damage rather than a reason to allocate gigabytes.
constexpr int64_t kMaxPicturePixels = int64_t(1) << 26;

// What opening a clip file learns once: its first video stream, where its pictures sit on the
// stream's time line and where decoding can start. Immutable afterwards, so every frame access
// handle (also one on a save thread) shares it.
struct ClipLayout {
    QString file_name;
    int stream_index = -1; // -1: the file has no video stream
    int64_t first_ts = 0; // stream timestamp of the first picture
    // Slots (timestamps relative to first_ts) that carry a picture, ascending. Slots between
    // them repeat the picture before, as the file's timing asks.
    std::vector<int64_t> picture_slots;
    // Slots of the packets decoding may start at, ascending; the first is always 0.
    std::vector<int64_t> key_slots;
    // File position and size of each picture's data, beside picture_slots; empty without index.
    std::vector<int64_t> picture_offsets;
    std::vector<uint32_t> picture_sizes;
    int32_t frame_count = 0;
    // Uncompressed 24-bit pictures are stored exactly as the rows of a packed frame of this
    // size (bottom-up, or top-down when marked so): they are read straight from the file.
    bool stored_as_frames = false;
    bool stored_top_down = false;
    int32_t width = 0;
    int32_t height = 0;
    // False when the demuxer has no usable index: random access then decodes from the start.
    bool indexed = false;
    TAVIStreamInfo info;

    bool hasVideo() const { return stream_index >= 0; }
    // The last slot at or before `slot` that carries a picture.
    int64_t pictureSlotAtOrBefore(int64_t slot) const;
    // The last key slot at or before `slot`, and the one before a given key slot.
    int64_t keySlotAtOrBefore(int64_t slot) const;
    int64_t keySlotBefore(int64_t key_slot) const;
    // Position of `slot` in picture_slots, or -1.
    int64_t pictureIndex(int64_t slot) const;

    // Throws fw::Error("Stream Open Failed" and the cause on a second line) when the file is
    // not an AVI RIFF form FFmpeg can read. A file without a video stream gives a layout without video.
    static std::shared_ptr<const ClipLayout> read(const QString& file_name);
};

} // namespace fw
