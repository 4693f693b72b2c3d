#include "clip_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace fw::samples {

namespace {

void check(int result, const char* what)
{
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, text, sizeof text);
        throw std::runtime_error(std::string(what) + ": " + text);
    }
}

template <typename T> T* checkPointer(T* pointer, const char* what)
{
    if (!pointer)
        throw std::runtime_error(std::string(what) + " failed");
    return pointer;
}

uint32_t readU32(const std::vector<char>& bytes, size_t offset)
{
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

bool idAt(const std::vector<char>& bytes, size_t offset, const char* id)
{
    return offset + 4 <= bytes.size() && std::memcmp(bytes.data() + offset, id, 4) == 0;
}

// Finds the data offset of chunk `id` among the chunks in [begin, end); 0 when missing.
size_t findChunk(
    const std::vector<char>& bytes, size_t begin, size_t end, const char* id, const char* list_type)
{
    for (size_t at = begin; at + 8 <= end;) {
        const size_t size = readU32(bytes, at + 4);
        if (idAt(bytes, at, id) && (!list_type || idAt(bytes, at + 8, list_type)))
            return at + 8;
        at += 8 + size + (size & 1);
    }
    return 0;
}

// FFmpeg's AVI muxer stores any video rate above 1000 frames per second as 600; high-speed
// clips need their true rate in the main and stream headers.
void patchFrameRate(const std::string& path, int frames_per_second)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<char> head(64 * 1024);
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(file.gcount()));
    file.clear();
    if (!idAt(head, 0, "RIFF"))
        throw std::runtime_error("patching the frame rate: not a RIFF file");
    const size_t hdrl = findChunk(head, 12, head.size(), "LIST", "hdrl");
    const size_t hdrl_end = hdrl ? std::min(head.size(), hdrl + readU32(head, hdrl - 4)) : 0;
    const size_t avih = hdrl ? findChunk(head, hdrl + 4, hdrl_end, "avih", nullptr) : 0;
    const size_t strl = hdrl ? findChunk(head, hdrl + 4, hdrl_end, "LIST", "strl") : 0;
    const size_t strh = strl ? findChunk(head, strl + 4, hdrl_end, "strh", nullptr) : 0;
    if (!avih || !strh || strh + 28 > head.size())
        throw std::runtime_error("patching the frame rate: headers not found");
    const uint32_t micro_seconds = static_cast<uint32_t>(std::lround(1e6 / frames_per_second));
    const uint32_t scale = 1;
    const uint32_t rate = static_cast<uint32_t>(frames_per_second);
    file.seekp(static_cast<std::streamoff>(avih));
    file.write(reinterpret_cast<const char*>(&micro_seconds), 4);
    file.seekp(static_cast<std::streamoff>(strh + 20));
    file.write(reinterpret_cast<const char*>(&scale), 4);
    file.write(reinterpret_cast<const char*>(&rate), 4);
    if (!file.flush())
        throw std::runtime_error("patching the frame rate: write failed");
}

AVPixelFormat pixelFormatOf(const ClipFormat& format)
{
    if (format.codec == ClipCodec::Mjpeg)
        return AV_PIX_FMT_YUVJ420P;
    return format.channels == 1 ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_BGR24;
}

} // namespace

struct ClipEncoder::State {
    ClipFormat format;
    std::string path;
    AVFormatContext* muxer = nullptr;
    AVCodecContext* encoder = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    int64_t next_pts = 0;
    int64_t written = 0;
    bool finished = false;

    ~State()
    {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&encoder);
        if (muxer) {
            avio_closep(&muxer->pb);
            avformat_free_context(muxer);
        }
    }

    void openEncoder()
    {
        const AVCodec* codec = checkPointer(
            avcodec_find_encoder(format.codec == ClipCodec::Mjpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_RAWVIDEO),
            "finding the encoder");
        encoder = checkPointer(avcodec_alloc_context3(codec), "allocating the encoder");
        encoder->width = format.width;
        encoder->height = format.height;
        encoder->time_base = AVRational { 1, format.frames_per_second };
        encoder->framerate = AVRational { format.frames_per_second, 1 };
        encoder->pix_fmt = pixelFormatOf(format);
        encoder->thread_count = 1;
        encoder->flags |= AV_CODEC_FLAG_BITEXACT;
        if (format.codec == ClipCodec::Mjpeg) {
            encoder->color_range = AVCOL_RANGE_JPEG;
            encoder->flags |= AV_CODEC_FLAG_QSCALE;
            encoder->global_quality = 3 * FF_QP2LAMBDA;
        }
        check(avcodec_open2(encoder, codec, nullptr), "opening the encoder");
    }

    void openMuxer(const std::string& path)
    {
        check(avformat_alloc_output_context2(&muxer, nullptr, "avi", path.c_str()), "creating the AVI muxer");
        muxer->flags |= AVFMT_FLAG_BITEXACT;
        stream = checkPointer(avformat_new_stream(muxer, nullptr), "adding the video stream");
        check(avcodec_parameters_from_context(stream->codecpar, encoder), "describing the video stream");
        stream->time_base = encoder->time_base;
        stream->avg_frame_rate = encoder->framerate;
        check(avio_open(&muxer->pb, path.c_str(), AVIO_FLAG_WRITE), "creating the file");
        AVDictionary* options = nullptr;
        // Uncompressed rows go in the classic bottom-up order with a positive height.
        if (format.codec == ClipCodec::RawDib)
            av_dict_set(&options, "flipped_raw_rgb", "1", 0);
        const int result = avformat_write_header(muxer, &options);
        av_dict_free(&options);
        check(result, "writing the AVI header");
    }

    void fillFrame(const Canvas& picture)
    {
        check(av_frame_make_writable(frame), "preparing a frame");
        if (format.codec == ClipCodec::Mjpeg) {
            const uint8_t* source[1] = { picture.row(0) };
            const int source_stride[1] = { picture.width() * 3 };
            sws_scale(scaler, source, source_stride, 0, picture.height(), frame->data, frame->linesize);
            return;
        }
        const size_t row_bytes = static_cast<size_t>(picture.width()) * picture.channels();
        for (int y = 0; y < picture.height(); ++y)
            std::memcpy(frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0],
                picture.row(picture.height() - 1 - y), row_bytes);
        if (format.channels == 1) {
            auto* palette = reinterpret_cast<uint32_t*>(frame->data[1]);
            for (uint32_t i = 0; i < 256; ++i)
                palette[i] = 0xFF000000u | i << 16 | i << 8 | i;
        }
    }

    void drain()
    {
        for (;;) {
            const int result = avcodec_receive_packet(encoder, packet);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return;
            check(result, "encoding a frame");
            // One frame per tick of the stream's clock, whatever rate the muxer settled on.
            packet->pts = packet->dts = written++;
            packet->duration = 1;
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(muxer, packet), "writing a frame");
        }
    }
};

ClipEncoder::ClipEncoder(const std::string& path, const ClipFormat& format)
    : state_(std::make_unique<State>())
{
    if (format.width < 4 || format.height < 4 || format.width % 4 != 0 || format.frames_per_second < 1)
        throw std::invalid_argument("bad clip format");
    if (format.codec == ClipCodec::Mjpeg && format.channels != 3)
        throw std::invalid_argument("Motion JPEG clips take 24-bit pictures");
    av_log_set_level(AV_LOG_ERROR);
    State& s = *state_;
    s.format = format;
    s.path = path;
    s.openEncoder();
    s.openMuxer(path);
    s.frame = checkPointer(av_frame_alloc(), "allocating a frame");
    s.frame->format = s.encoder->pix_fmt;
    s.frame->width = format.width;
    s.frame->height = format.height;
    check(av_frame_get_buffer(s.frame, 0), "allocating frame buffers");
    s.packet = checkPointer(av_packet_alloc(), "allocating a packet");
    if (format.codec == ClipCodec::Mjpeg)
        s.scaler = checkPointer(sws_getContext(format.width, format.height, AV_PIX_FMT_BGR24, format.width,
                                    format.height, AV_PIX_FMT_YUVJ420P,
                                    SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr, nullptr),
            "creating the colour converter");
}

ClipEncoder::~ClipEncoder() = default;

void ClipEncoder::write(const Canvas& picture)
{
    State& s = *state_;
    if (s.finished || picture.width() != s.format.width || picture.height() != s.format.height
        || picture.channels() != s.format.channels)
        throw std::invalid_argument("picture does not fit the clip");
    s.fillFrame(picture);
    s.frame->pts = s.next_pts++;
    check(avcodec_send_frame(s.encoder, s.frame), "encoding a frame");
    s.drain();
}

void ClipEncoder::finish()
{
    State& s = *state_;
    if (s.finished)
        return;
    s.finished = true;
    check(avcodec_send_frame(s.encoder, nullptr), "flushing the encoder");
    s.drain();
    check(av_write_trailer(s.muxer), "completing the AVI file");
    check(avio_closep(&s.muxer->pb), "closing the file");
    if (s.stream->time_base.num != 1 || s.stream->time_base.den != s.format.frames_per_second)
        patchFrameRate(s.path, s.format.frames_per_second);
}

} // namespace fw::samples
