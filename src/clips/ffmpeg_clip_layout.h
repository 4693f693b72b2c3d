#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

#include "clips/avi_stream.h"

namespace fw {

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
    int32_t frame_count = 0;
    // False when the demuxer has no usable index: random access then decodes from the start.
    bool indexed = false;
    TAVIStreamInfo info;

    bool hasVideo() const { return stream_index >= 0; }
    // The last slot at or before `slot` that carries a picture.
    int64_t pictureSlotAtOrBefore(int64_t slot) const;
    // The last key slot at or before `slot`, and the one before a given key slot.
    int64_t keySlotAtOrBefore(int64_t slot) const;
    int64_t keySlotBefore(int64_t key_slot) const;

    // Throws fw::Error("Stream Open Failed") when the file is not an AVI RIFF form FFmpeg
    // can read. A file without a video stream gives a layout without video.
    static std::shared_ptr<const ClipLayout> read(const QString& file_name);
};

} // namespace fw
