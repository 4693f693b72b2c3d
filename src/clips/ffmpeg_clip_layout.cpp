#include "clips/ffmpeg_clip_layout.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavutil/log.h>
}

#include "clips/clip_open_failure.h"
#include "clips/ffmpeg_handles.h"
#include "clips/frame_image.h"
#include "support/fw_error.h"

namespace fw {

namespace {

constexpr int64_t kMaxHeaderListBytes = 4 * 1024 * 1024;
constexpr int kMaxTopLevelChunks = 64;
// A scan of a file without index stops here rather than trust an endless stream.
constexpr int64_t kMaxScannedPackets = 20'000'000;

uint32_t readU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t readU16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

// The stream header and name of the first video stream, read straight from the header list:
// FFmpeg keeps neither the handler code as stored nor the header's own fields.
struct VideoStreamHeader {
    std::vector<uint8_t> strh;
    std::vector<uint8_t> strn;
    std::vector<uint8_t> strf;
};

std::vector<uint8_t> readHeaderList(QFile& file)
{
    uint8_t head[12];
    if (file.read(reinterpret_cast<char*>(head), 12) != 12 || readU32(head) != fourcc('R', 'I', 'F', 'F'))
        return {};
    int64_t pos = 12;
    for (int i = 0; i < kMaxTopLevelChunks; ++i) {
        uint8_t chunk[12];
        if (!file.seek(pos) || file.read(reinterpret_cast<char*>(chunk), 12) != 12)
            return {};
        const uint32_t size = readU32(chunk + 4);
        if (readU32(chunk) == fourcc('L', 'I', 'S', 'T')
            && readU32(chunk + 8) == fourcc('h', 'd', 'r', 'l')) {
            const int64_t bytes = std::min<int64_t>(std::max<int64_t>(size, 4) - 4, kMaxHeaderListBytes);
            QByteArray data = file.read(bytes);
            return std::vector<uint8_t>(data.begin(), data.end());
        }
        pos += 8 + int64_t(size) + (size & 1);
    }
    return {};
}

// Walks the chunks of `data` and calls visit(id, list type or 0, bytes, size) for each.
template <typename Visit> void walkChunks(const uint8_t* data, size_t size, Visit visit)
{
    size_t pos = 0;
    while (pos + 8 <= size) {
        const uint32_t id = readU32(data + pos);
        const size_t length = std::min<size_t>(readU32(data + pos + 4), size - pos - 8);
        const uint8_t* body = data + pos + 8;
        if (id == fourcc('L', 'I', 'S', 'T') && length >= 4)
            visit(id, readU32(body), body + 4, length - 4);
        else
            visit(id, 0u, body, length);
        pos += 8 + length + (length & 1);
    }
}

VideoStreamHeader readVideoStreamHeader(const QString& file_name)
{
    QFile file(file_name);
    VideoStreamHeader header;
    if (!file.open(QIODevice::ReadOnly))
        return header;
    const std::vector<uint8_t> list = readHeaderList(file);
    bool found = false;
    walkChunks(list.data(), list.size(), [&](uint32_t id, uint32_t type, const uint8_t* body, size_t length) {
        if (found || id != fourcc('L', 'I', 'S', 'T') || type != fourcc('s', 't', 'r', 'l'))
            return;
        VideoStreamHeader candidate;
        walkChunks(body, length, [&](uint32_t child, uint32_t, const uint8_t* bytes, size_t n) {
            if (child == fourcc('s', 't', 'r', 'h') && candidate.strh.empty())
                candidate.strh.assign(bytes, bytes + n);
            else if (child == fourcc('s', 't', 'r', 'n') && candidate.strn.empty())
                candidate.strn.assign(bytes, bytes + n);
            else if (child == fourcc('s', 't', 'r', 'f') && candidate.strf.empty())
                candidate.strf.assign(bytes, bytes + n);
        });
        if (candidate.strh.size() >= 48 && readU32(candidate.strh.data()) == fourcc('v', 'i', 'd', 's')) {
            header = std::move(candidate);
            found = true;
        }
    });
    return header;
}

TAVIStreamInfo makeInfo(const VideoStreamHeader& header, const AVStream* stream, int32_t frame_count)
{
    TAVIStreamInfo info;
    const AVCodecParameters* codec = stream->codecpar;
    info.fccType = fourcc('v', 'i', 'd', 's');
    info.fccHandler = codec->codec_tag;
    info.dwScale = uint32_t(std::max(stream->time_base.num, 0));
    info.dwRate = uint32_t(std::max(stream->time_base.den, 0));
    info.rcFrame[2] = codec->width;
    info.rcFrame[3] = codec->height;
    if (header.strh.size() >= 48) {
        const uint8_t* h = header.strh.data();
        info.fccHandler = readU32(h + 4);
        info.dwFlags = readU32(h + 8);
        info.wPriority = readU16(h + 12);
        info.wLanguage = readU16(h + 14);
        info.dwInitialFrames = readU32(h + 16);
        if (readU32(h + 20) != 0 && readU32(h + 24) != 0) {
            info.dwScale = readU32(h + 20);
            info.dwRate = readU32(h + 24);
        }
        info.dwStart = readU32(h + 28);
        info.dwSuggestedBufferSize = readU32(h + 36);
        info.dwQuality = readU32(h + 40);
        info.dwSampleSize = readU32(h + 44);
        if (header.strh.size() >= 56) {
            const int16_t right = int16_t(readU16(h + 52));
            const int16_t bottom = int16_t(readU16(h + 54));
            if (right > 0 && bottom > 0) {
                info.rcFrame[0] = int16_t(readU16(h + 48));
                info.rcFrame[1] = int16_t(readU16(h + 50));
                info.rcFrame[2] = right;
                info.rcFrame[3] = bottom;
            }
        }
    }
    if (!header.strn.empty()) {
        const size_t n = std::min(sizeof(info.szName) - 1, header.strn.size());
        std::memcpy(info.szName, header.strn.data(), n);
        info.szName[n] = 0;
    }
    info.dwLength = uint32_t(frame_count);
    return info;
}

struct PacketEntry {
    int64_t ts;
    bool key;
    int64_t offset = -1; // of the data, after the chunk header
    uint32_t size = 0;
};

// The demuxer's index, when it accounts for pictures that all lie inside the file.
std::vector<PacketEntry> indexEntries(AVFormatContext* input, AVStream* stream)
{
    std::vector<PacketEntry> entries;
    const int count = avformat_index_get_entries_count(stream);
    const int64_t file_size = input->pb ? avio_size(input->pb) : -1;
    entries.reserve(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* e = avformat_index_get_entry(stream, i);
        if (!e || e->timestamp == AV_NOPTS_VALUE)
            return {};
        if (file_size >= 0 && e->pos + e->size > file_size)
            return {};
        if (e->size > 0)
            entries.push_back(
                { e->timestamp, (e->flags & AVINDEX_KEYFRAME) != 0, e->pos + 8, uint32_t(e->size) });
    }
    return entries;
}

// Reads every packet of the video stream once; used for files without a usable index.
std::vector<PacketEntry> scanEntries(AVFormatContext* input, int stream_index)
{
    std::vector<PacketEntry> entries;
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return entries;
    int64_t next_ts = 0;
    for (int64_t n = 0; n < kMaxScannedPackets && av_read_frame(input, packet.get()) >= 0; ++n) {
        if (packet->stream_index == stream_index && packet->size > 0) {
            const int64_t ts = packet->dts != AV_NOPTS_VALUE ? packet->dts : next_ts;
            entries.push_back({ ts, (packet->flags & AV_PKT_FLAG_KEY) != 0 });
            next_ts = ts + 1;
        }
        av_packet_unref(packet.get());
    }
    return entries;
}

void fillSlots(ClipLayout& layout, std::vector<PacketEntry> entries)
{
    std::stable_sort(entries.begin(), entries.end(),
        [](const PacketEntry& a, const PacketEntry& b) { return a.ts < b.ts; });
    if (entries.empty())
        return;
    layout.first_ts = entries.front().ts;
    for (const PacketEntry& e : entries) {
        const int64_t slot = e.ts - layout.first_ts;
        if (slot >= std::numeric_limits<int32_t>::max())
            break;
        if (layout.picture_slots.empty() || layout.picture_slots.back() != slot) {
            layout.picture_slots.push_back(slot);
            layout.picture_offsets.push_back(e.offset);
            layout.picture_sizes.push_back(e.size);
        } else {
            layout.picture_offsets.back() = e.offset;
            layout.picture_sizes.back() = e.size;
        }
        if (e.key && (layout.key_slots.empty() || layout.key_slots.back() != slot))
            layout.key_slots.push_back(slot);
    }
    if (layout.key_slots.empty() || layout.key_slots.front() != 0)
        layout.key_slots.insert(layout.key_slots.begin(), 0);
    layout.frame_count = int32_t(layout.picture_slots.back() + 1);
}

// Uncompressed 24-bit rows, every picture exactly one pixel block in size.
void checkStoredAsFrames(ClipLayout& layout, const VideoStreamHeader& header, const AVCodecParameters& codec)
{
    if (!layout.indexed || header.strf.size() < 40 || codec.codec_id != AV_CODEC_ID_RAWVIDEO)
        return;
    const uint8_t* bih = header.strf.data();
    const int32_t width = int32_t(readU32(bih + 4));
    const int32_t stored_height = int32_t(readU32(bih + 8));
    const int32_t height = stored_height < 0 ? -stored_height : stored_height;
    if (readU16(bih + 14) != 24 || readU32(bih + 16) != 0 || width < 1 || height < 1 || width > 65535
        || height > 65535)
        return;
    if (int64_t(width) * height > kMaxPicturePixels)
        return;
    const uint32_t block = uint32_t(dibRowBytes(width, 24)) * uint32_t(height);
    for (size_t i = 0; i < layout.picture_sizes.size(); ++i) {
        if (layout.picture_sizes[i] != block || layout.picture_offsets[i] < 0)
            return;
    }
    layout.stored_as_frames = true;
    layout.stored_top_down = stored_height < 0;
    layout.width = width;
    layout.height = height;
}

} // namespace

int64_t ClipLayout::pictureIndex(int64_t slot) const
{
    auto it = std::lower_bound(picture_slots.begin(), picture_slots.end(), slot);
    return it != picture_slots.end() && *it == slot ? it - picture_slots.begin() : -1;
}

int64_t ClipLayout::pictureSlotAtOrBefore(int64_t slot) const
{
    auto it = std::upper_bound(picture_slots.begin(), picture_slots.end(), slot);
    return it == picture_slots.begin() ? 0 : *(it - 1);
}

int64_t ClipLayout::keySlotAtOrBefore(int64_t slot) const
{
    auto it = std::upper_bound(key_slots.begin(), key_slots.end(), slot);
    return it == key_slots.begin() ? 0 : *(it - 1);
}

int64_t ClipLayout::keySlotBefore(int64_t key_slot) const
{
    auto it = std::lower_bound(key_slots.begin(), key_slots.end(), key_slot);
    return it == key_slots.begin() ? 0 : *(it - 1);
}

std::shared_ptr<const ClipLayout> ClipLayout::read(const QString& file_name)
{
    int av_error = 0;
    FormatContextPtr input = openAviInput(file_name, &av_error);
    if (!input)
        throw Error(StreamOpenFailure(file_name, av_error));
    auto layout = std::make_shared<ClipLayout>();
    layout->file_name = file_name;
    layout->stream_index = firstVideoStream(input.get());
    if (!layout->hasVideo())
        return layout;
    AVStream* stream = input->streams[layout->stream_index];
    std::vector<PacketEntry> entries = indexEntries(input.get(), stream);
    layout->indexed = !entries.empty();
    if (!layout->indexed)
        entries = scanEntries(input.get(), layout->stream_index);
    fillSlots(*layout, std::move(entries));
    const VideoStreamHeader header = readVideoStreamHeader(file_name);
    layout->info = makeInfo(header, stream, layout->frame_count);
    checkStoredAsFrames(*layout, header, *stream->codecpar);
    return layout;
}

FormatContextPtr openAviInput(const QString& file_name, int* av_error)
{
    if (av_error)
        *av_error = 0;
    // FFmpeg's warnings (pixel formats, stream details) would clutter the program's and the
    // command line tool's error output; failures reach the user through our own texts, and
    // FFmpeg's own error lines are kept for diagnosis unless the program asked for less.
    static const bool quiet = [] {
        if (av_log_get_level() > AV_LOG_ERROR)
            av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    (void)quiet;
    const AVInputFormat* avi = av_find_input_format("avi");
    if (!avi || file_name.isEmpty())
        return nullptr;
    // A file name is a file, never a URL: "http:", "pipe:" or "concat:" in front of a
    // relative name would otherwise make FFmpeg open something else.
    const QByteArray path = "file:" + QFile::encodeName(QFileInfo(file_name).absoluteFilePath());
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, path.constData(), avi, &options);
    av_dict_free(&options);
    if (opened < 0) {
        if (av_error)
            *av_error = opened;
        return nullptr;
    }
    FormatContextPtr input(raw);
    const int video = firstVideoStream(input.get());
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (int(i) != video)
            input->streams[i]->discard = AVDISCARD_ALL;
    }
    return input;
}

int firstVideoStream(const AVFormatContext* input)
{
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            return int(i);
    }
    return -1;
}

} // namespace fw
