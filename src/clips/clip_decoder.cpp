#include "clips/clip_decoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <sys/uio.h>

#include "clips/clip_open_failure.h"
#include "clips/frame_image.h"
#include "support/fw_error.h"

namespace fw {

namespace {

constexpr size_t kCacheFrames = 32;
// While frames are asked for one after another (playing), a few recent frames are enough, and
// reusing their still-warm buffers keeps each new frame out of cold memory.
constexpr size_t kPlayingCacheFrames = 4;
constexpr int kPlayingRunFrames = 8;
constexpr size_t kCacheBytes = 64u * 1024 * 1024;
// How many frames before a backward target are kept while decoding up to it.
constexpr int64_t kKeepBehind = 16;
// Pictures allowed out of a decoder after a seek before one is a key picture.
constexpr int kMaxWaitForKey = 8;
// Failed decode calls in a row after which the stream is taken as ended.
constexpr int kMaxDecodeErrors = 64;
// Earlier key frames tried when a seek lands past the target.
constexpr int kMaxSeekRetries = 16;

} // namespace

ClipDecoder::ClipDecoder(std::shared_ptr<const ClipLayout> layout)
    : layout_(std::move(layout))
    , packet_(av_packet_alloc())
    , scratch_(av_frame_alloc())
{
    if (!layout_ || !layout_->hasVideo() || layout_->frame_count < 1 || !packet_ || !scratch_)
        throw Error("No frames to decode");
    if (!openInput())
        throw Error(StreamOpenFailure(layout_->file_name));
    const AVCodecParameters* parameters = input_->streams[layout_->stream_index]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        throw Error("No decoder for the clip's compressor");
    codec_.reset(avcodec_alloc_context3(codec));
    if (!codec_ || avcodec_parameters_to_context(codec_.get(), parameters) < 0)
        throw Error("Decoder setup failed");
    codec_->pkt_timebase = input_->streams[layout_->stream_index]->time_base;
    // One thread keeps the decoder's output delay fixed, which frame numbering relies on.
    codec_->thread_count = 1;
    codec_->max_pixels = kMaxPicturePixels;
    if (avcodec_open2(codec_.get(), codec, nullptr) < 0)
        throw Error("Decoder setup failed");

    resetDecodeState(0);
    ts_base_ = layout_->first_ts;
    Picture first;
    if (!nextPicture(first))
        throw Error("The first frame cannot be decoded");
    // The decoder's first picture fixes how far its timestamps run behind the packets (the
    // reordering delay) unless damaged packets were dropped before it: then it shows a later
    // slot and the delay the decoder reports is used instead.
    const int64_t observed = first.frame->best_effort_timestamp;
    if (rejected_ == 0 && observed != AV_NOPTS_VALUE)
        ts_base_ = observed;
    else
        ts_base_ = layout_->first_ts + std::max(codec_->has_b_frames, 0);
    first.slot = observed != AV_NOPTS_VALUE ? observed - ts_base_ : 0;
    last_slot_ = first.slot;
    held_ = std::move(first);
}

ClipDecoder::~ClipDecoder() = default;

bool ClipDecoder::openInput()
{
    input_ = openAviInput(layout_->file_name);
    return input_ && layout_->stream_index < int(input_->nb_streams)
        && input_->streams[layout_->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
}

const std::vector<uint8_t>* ClipDecoder::frame(int32_t index)
{
    if (index < 0 || index >= layout_->frame_count)
        return nullptr;
    const int64_t target = layout_->pictureSlotAtOrBefore(index);
    if (const auto* hit = cached(target))
        return hit;
    if (layout_->stored_as_frames)
        return readStored(target);
    const bool backward = last_target_ >= 0 && target < last_target_;
    forward_run_ = last_target_ >= 0 && target == last_target_ + 1 ? forward_run_ + 1 : 0;
    last_target_ = target;

    int64_t key = layout_->keySlotAtOrBefore(target);
    if (needsSeek(target, key) && !seekToKey(key))
        return nullptr;
    for (int attempt = 0; attempt <= kMaxSeekRetries; ++attempt) {
        switch (runForward(target, backward)) {
        case Run::Found:
            return store(target, *held_.frame);
        case Run::Failed:
            return nullptr;
        case Run::Overshot:
            // The key frame's run shows nothing at or before the target (open groups of
            // pictures): start one key frame earlier, and from the start as the last resort.
            if (key == 0)
                return nullptr;
            key = attempt + 1 < kMaxSeekRetries ? layout_->keySlotBefore(key) : 0;
            if (!seekToKey(key))
                return nullptr;
            break;
        }
    }
    return nullptr;
}

bool ClipDecoder::needsSeek(int64_t target, int64_t key) const
{
    if (held_.slot < 0 && ahead_.slot < 0)
        return !(last_slot_ < 0 && fed_slot_ < 0 && !input_done_); // fresh state decodes from slot 0
    if (held_.slot > target)
        return true;
    // Skipping the packets up to a later key frame is cheaper than decoding them.
    return layout_->indexed && key > fed_slot_ + 1 && (held_.slot < key || held_.slot < 0);
}

bool ClipDecoder::restart()
{
    if (!openInput())
        return false;
    avcodec_flush_buffers(codec_.get());
    resetDecodeState(0);
    return true;
}

bool ClipDecoder::seekToKey(int64_t key_slot)
{
    if (!layout_->indexed)
        return restart();
    if (av_seek_frame(input_.get(), layout_->stream_index, layout_->first_ts + std::max<int64_t>(key_slot, 0),
            AVSEEK_FLAG_BACKWARD)
        < 0)
        return restart();
    avcodec_flush_buffers(codec_.get());
    resetDecodeState(std::max<int64_t>(key_slot, 0));
    wait_key_ = key_slot > 0;
    return true;
}

void ClipDecoder::resetDecodeState(int64_t next_slot)
{
    held_ = Picture();
    ahead_ = Picture();
    last_slot_ = next_slot - 1;
    fed_slot_ = next_slot - 1;
    input_done_ = false;
    drained_ = false;
    wait_key_ = false;
    skipped_ = 0;
}

ClipDecoder::Run ClipDecoder::runForward(int64_t target, bool keep_recent)
{
    for (;;) {
        if (held_.slot == target)
            return Run::Found;
        Picture next;
        if (ahead_.slot >= 0) {
            next = std::move(ahead_);
            ahead_ = Picture();
        } else if (!nextPicture(next)) {
            return held_.slot >= 0 && held_.slot <= target ? Run::Found : Run::Failed;
        }
        if (next.slot > target) {
            ahead_ = std::move(next);
            return held_.slot >= 0 && held_.slot <= target ? Run::Found : Run::Overshot;
        }
        if (keep_recent && held_.slot >= 0 && held_.slot >= target - kKeepBehind && !cached(held_.slot))
            store(held_.slot, *held_.frame);
        held_ = std::move(next);
    }
}

bool ClipDecoder::nextPicture(Picture& picture)
{
    int errors = 0;
    while (!drained_) {
        const int received = avcodec_receive_frame(codec_.get(), scratch_.get());
        if (received == 0) {
            const int64_t slot = slotOf(*scratch_);
            last_slot_ = slot;
            if (wait_key_ && !scratch_->key_frame && ++skipped_ < kMaxWaitForKey) {
                av_frame_unref(scratch_.get());
                continue;
            }
            wait_key_ = false;
            picture.frame.reset(av_frame_alloc());
            if (!picture.frame)
                return false;
            av_frame_move_ref(picture.frame.get(), scratch_.get());
            picture.slot = slot;
            return true;
        }
        if (received == AVERROR_EOF) {
            drained_ = true;
            break;
        }
        if (received != AVERROR(EAGAIN)) {
            ++rejected_;
            if (++errors > kMaxDecodeErrors)
                return false;
            continue;
        }
        if (input_done_)
            return false; // the decoder wants input after being told there is none
        if (!feedPacket()) {
            input_done_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
        }
    }
    return false;
}

bool ClipDecoder::feedPacket()
{
    int errors = 0;
    while (av_read_frame(input_.get(), packet_.get()) >= 0) {
        const bool usable = packet_->stream_index == layout_->stream_index && packet_->size > 0;
        if (usable && packet_->dts != AV_NOPTS_VALUE)
            fed_slot_ = packet_->dts - layout_->first_ts;
        const int sent = usable ? avcodec_send_packet(codec_.get(), packet_.get()) : -1;
        av_packet_unref(packet_.get());
        // A packet the decoder rejects is skipped; its slot repeats the picture before.
        rejected_ += usable && sent < 0 ? 1 : 0;
        if (sent >= 0 || (usable && ++errors > kMaxDecodeErrors))
            return sent >= 0;
    }
    return false;
}

int64_t ClipDecoder::slotOf(const AVFrame& frame)
{
    if (frame.best_effort_timestamp == AV_NOPTS_VALUE)
        return last_slot_ + 1;
    return frame.best_effort_timestamp - ts_base_;
}

const std::vector<uint8_t>* ClipDecoder::cached(int64_t slot)
{
    auto it
        = std::find_if(cache_.begin(), cache_.end(), [slot](const CachedFrame& c) { return c.slot == slot; });
    if (it == cache_.end())
        return nullptr;
    if (it != cache_.begin()) {
        CachedFrame hit = std::move(*it);
        cache_.erase(it);
        cache_.push_front(std::move(hit));
    }
    return &cache_.front().packed;
}

size_t ClipDecoder::cacheFrames() const
{
    return forward_run_ >= kPlayingRunFrames ? kPlayingCacheFrames : kCacheFrames;
}

std::vector<uint8_t> ClipDecoder::takeBuffer()
{
    std::vector<uint8_t> buffer;
    // Reuse the buffer of the frame about to leave the cache.
    if (cache_.size() >= cacheFrames() || cache_bytes_ >= kCacheBytes) {
        cache_bytes_ -= cache_.back().packed.size();
        buffer = std::move(cache_.back().packed);
        cache_.pop_back();
    }
    return buffer;
}

const std::vector<uint8_t>* ClipDecoder::insert(int64_t slot, std::vector<uint8_t> packed)
{
    cache_bytes_ += packed.size();
    cache_.push_front(CachedFrame { slot, std::move(packed) });
    while (cache_.size() > 1 && (cache_.size() > cacheFrames() || cache_bytes_ > kCacheBytes)) {
        cache_bytes_ -= cache_.back().packed.size();
        cache_.pop_back();
    }
    return &cache_.front().packed;
}

const std::vector<uint8_t>* ClipDecoder::store(int64_t slot, const AVFrame& frame)
{
    std::vector<uint8_t> packed = takeBuffer();
    if (!packer_.pack(frame, packed))
        return nullptr;
    return insert(slot, std::move(packed));
}

bool ClipDecoder::readChunk(int64_t offset, uint8_t* target, uint32_t block)
{
    const size_t row_bytes = size_t(dibRowBytes(layout_->width, 24));
    const size_t rows = layout_->stored_top_down ? size_t(layout_->height) : 1;
    const size_t piece = layout_->stored_top_down ? row_bytes : block;
    std::vector<iovec> parts;
    parts.reserve(rows + 1);
    parts.push_back({ target, 8 });
    uint8_t* pixels = target + 8;
    for (size_t r = 0; r < rows; ++r)
        parts.push_back({ pixels + (rows - 1 - r) * piece, piece });
    const int fd = file_.handle();
    for (size_t first = 0; first < parts.size();) {
        const size_t count = std::min<size_t>(parts.size() - first, IOV_MAX);
        size_t wanted = 0;
        for (size_t k = first; k < first + count; ++k)
            wanted += parts[k].iov_len;
        if (::preadv(fd, parts.data() + first, int(count), off_t(offset)) != ssize_t(wanted))
            return false;
        offset += int64_t(wanted);
        first += count;
    }
    return true;
}

const std::vector<uint8_t>* ClipDecoder::readStored(int64_t slot)
{
    const int64_t i = layout_->pictureIndex(slot);
    if (i < 0)
        return nullptr;
    if (!file_.isOpen()) {
        file_.setFileName(layout_->file_name);
        if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return nullptr;
    }
    const uint32_t block = layout_->picture_sizes[size_t(i)];
    constexpr size_t kHeader = sizeof(BitmapInfoHeader);
    std::vector<uint8_t> packed = takeBuffer();
    packed.resize(kHeader + block);
    // The chunk header lands just before the pixels and is checked before the frame header
    // overwrites it; top-down rows are scattered to their bottom-up places by the read itself.
    if (!readChunk(layout_->picture_offsets[size_t(i)] - 8, packed.data() + kHeader - 8, block))
        return nullptr;
    uint32_t chunk_size;
    std::memcpy(&chunk_size, packed.data() + kHeader - 4, 4);
    if (chunk_size != block)
        return nullptr;
    BitmapInfoHeader header;
    header.biWidth = layout_->width;
    header.biHeight = layout_->height;
    header.biBitCount = 24;
    header.biSizeImage = block;
    std::memcpy(packed.data(), &header, kHeader);
    return insert(slot, std::move(packed));
}

} // namespace fw
