#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include <QFile>

#include "clips/ffmpeg_clip_layout.h"
#include "clips/ffmpeg_frame_packer.h"
#include "clips/ffmpeg_handles.h"

namespace fw {

// Decodes the frames of one clip in any order with its own demuxer and decoder. Frame i is
// the picture shown at slot i of the stream's time line; a slot without a picture of its own
// repeats the one before. Stepping forward continues the running decoder; a jump goes to the
// nearest key frame at or before the target; recent frames are kept so stepping backward
// does not decode the whole run from the key frame for every step.
class ClipDecoder {
public:
    // Opens the clip and decodes its first frame; throws fw::Error when it cannot.
    explicit ClipDecoder(std::shared_ptr<const ClipLayout> layout);
    ~ClipDecoder();

    ClipDecoder(const ClipDecoder&) = delete;
    ClipDecoder& operator=(const ClipDecoder&) = delete;

    // The packed frame `index`, valid until the next call; null when it cannot be decoded.
    const std::vector<uint8_t>* frame(int32_t index);

private:
    struct Picture {
        FramePtr frame;
        int64_t slot = -1;
    };
    struct CachedFrame {
        int64_t slot;
        std::vector<uint8_t> packed;
    };
    enum class Run { Found, Overshot, Failed };

    bool openInput();
    bool restart();
    bool seekToKey(int64_t key_slot);
    void resetDecodeState(int64_t next_slot);
    bool needsSeek(int64_t target, int64_t key) const;
    Run runForward(int64_t target, bool keep_recent);
    bool nextPicture(Picture& picture);
    bool feedPacket();
    int64_t slotOf(const AVFrame& frame);
    const std::vector<uint8_t>* cached(int64_t slot);
    const std::vector<uint8_t>* store(int64_t slot, const AVFrame& frame);
    const std::vector<uint8_t>* readStored(int64_t slot);
    bool readChunk(int64_t offset, uint8_t* target, uint32_t block);
    size_t cacheFrames() const;
    std::vector<uint8_t> takeBuffer();
    const std::vector<uint8_t>* insert(int64_t slot, std::vector<uint8_t> packed);

    std::shared_ptr<const ClipLayout> layout_;
    FormatContextPtr input_;
    CodecContextPtr codec_;
    PacketPtr packet_;
    FramePtr scratch_;
    FramePacker packer_;
    QFile file_; // for pictures read straight from the file

    int64_t ts_base_ = 0; // decoder timestamp of slot 0
    Picture held_; // the latest picture at or before the last target
    Picture ahead_; // a picture decoded past the last target, not yet used
    int64_t last_slot_ = -1; // slot of the latest picture out of the decoder
    int64_t fed_slot_ = -1; // slot of the latest packet handed to the decoder
    bool input_done_ = false; // the demuxer has nothing more; the decoder was told
    bool drained_ = false; // the decoder has nothing more
    bool wait_key_ = false; // after a seek: pictures before the first key picture are unreliable
    int skipped_ = 0;
    int64_t rejected_ = 0; // packets the decoder refused
    int64_t last_target_ = -1;
    int forward_run_ = 0; // frames asked for one after another, up to the last target
    std::deque<CachedFrame> cache_;
    size_t cache_bytes_ = 0;
};

} // namespace fw
