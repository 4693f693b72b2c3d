#include "clips/avi_clip_writer.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include "clips/avi_encoders.h"
#include "clips/compression_options.h"
#include "clips/ffmpeg_handles.h"
#include "clips/frame_image.h"
#include "support/log.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace fw {

namespace {

struct OutputCloser {
    void operator()(AVFormatContext* context) const
    {
        if (context->pb)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputCloser>;

struct FrameShape {
    int32_t width = 0;
    int32_t height = 0;
    int bits = 0;
    int32_t row_bytes = 0;
    bool operator==(const FrameShape&) const = default;
};

QString ffmpegText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

[[noreturn]] void fail(int32_t code, const QString& message)
{
    throw AviSaveError(code, message);
}

// Creates an empty file of a new name beside `path`: "." + its name + "." + six random letters.
// The file is made here, with the mode any new file gets, so the name cannot be taken by
// another writer in the meantime. Empty when no file can be made there.
QString createFileBeside(const QString& path, int& error)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QFileInfo target(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString suffix;
        for (int i = 0; i < 6; ++i)
            suffix += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
        const QString name
            = target.dir().filePath(QLatin1Char('.') + target.fileName() + QLatin1Char('.') + suffix);
        const int fd
            = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        error = errno;
        if (error != EEXIST)
            return {};
    }
    return {};
}

// The finished clip takes the place of `path` in one step. A clip it replaces hands on its
// access mode, so replacing a clip never widens or narrows who may read it.
bool replaceWith(const QString& written, const QString& path, int& error)
{
    const QByteArray from = QFile::encodeName(written);
    const QByteArray to = QFile::encodeName(path);
    struct stat old_file { };
    if (::stat(to.constData(), &old_file) == 0 && S_ISREG(old_file.st_mode))
        ::chmod(from.constData(), old_file.st_mode & 07777);
    if (::rename(from.constData(), to.constData()) == 0)
        return true;
    error = errno;
    return false;
}

// The colour table of an 8-bit frame as FFmpeg's palette: 256 entries of 0xAARRGGBB.
void paletteOf(const BitmapInfoHeader& header, const uint8_t* table, uint32_t* palette)
{
    std::memset(palette, 0, AVPALETTE_SIZE);
    for (uint32_t i = 0; i < header.biClrUsed; ++i) {
        RgbQuad c;
        std::memcpy(&c, table + 4 * i, 4);
        palette[i] = 0xff000000u | uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
    }
}

AVPixelFormat encoderFormat(const AviEncoder& encoder, const AVCodec& codec, AVPixelFormat source)
{
    if (encoder.code == fourcc('U', 'L', 'R', 'G'))
        return AV_PIX_FMT_GBRP;
    if (encoder.code == fourcc('U', 'L', 'Y', '0'))
        return AV_PIX_FMT_YUV420P;
    if (!codec.pix_fmts)
        return source;
    return avcodec_find_best_pix_fmt_of_list(codec.pix_fmts, source, 0, nullptr);
}

} // namespace

struct AviClipWriter::State {
    QString path;
    QString written_path; // the file being written; it becomes `path` when complete
    CompressionOptions options;
    AVRational frame_period { 1, 15 };
    const AviEncoder* encoder = nullptr;

    OutputPtr output;
    AVStream* stream = nullptr;
    bool raw = false;
    FrameShape shape;
    int64_t frames = 0;
    bool finished = false;
    bool failed = false;
    bool file_created = false; // only the file this writer created is ever removed

    // Palettes of 8-bit frames: the muxer stores the first one in the header and a palette
    // change record whenever a frame brings another.
    uint32_t palette[256] = {};
    bool palette_sent = false;

    CodecContextPtr codec;
    SwsPtr sws;
    std::vector<uint8_t> expanded; // 8-bit frames as top-down blue-green-red rows
    FramePtr picture;
    PacketPtr packet { av_packet_alloc() };

    void open(const FrameShape& first);
    void openEncoder(AVPixelFormat source);
    void writeRaw(const BitmapInfoHeader& header, const uint8_t* table, const uint8_t* pixels);
    void encode(const BitmapInfoHeader& header, const uint8_t* table, const uint8_t* pixels);
    void expandIndexed(const BitmapInfoHeader& header, const uint8_t* table, const uint8_t* pixels);
    void drain();
    void writePacket();
    void checkWritten(int written) const;
    void complete();
    void removeFile();
};

void AviClipWriter::State::open(const FrameShape& first)
{
    shape = first;
    AVFormatContext* context = nullptr;
    const QByteArray name = path.toLocal8Bit();
    if (avformat_alloc_output_context2(&context, nullptr, "avi", name.constData()) < 0 || !context)
        fail(avierr::kGeneral, QStringLiteral("The AVI writer is not available"));
    output.reset(context);
    stream = avformat_new_stream(context, nullptr);
    if (!stream)
        fail(avierr::kGeneral, QStringLiteral("Out of memory"));
    stream->time_base = frame_period;
    stream->avg_frame_rate = av_inv_q(frame_period);
    stream->r_frame_rate = stream->avg_frame_rate;

    raw = encoder->code == kUncompressedCode;
    AVCodecParameters* par = stream->codecpar;
    if (raw) {
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0;
        par->width = first.width;
        par->height = first.height;
        par->format = first.bits == 8 ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_BGR24;
        par->bits_per_coded_sample = first.bits;
    } else {
        openEncoder(AV_PIX_FMT_BGR24); // 8-bit frames are expanded through their colour table
    }

    // An existing clip stays as it is until the new one is complete.
    int error = 0;
    written_path = createFileBeside(path, error);
    if (written_path.isEmpty())
        fail(avierr::kFileOpen, QStringLiteral("Cannot create %1: %2").arg(path, ffmpegText(AVERROR(error))));
    file_created = true;
    const QByteArray written_name = QFile::encodeName(written_path);
    // The file is new and empty: truncating it again would make the file system flush the whole
    // clip to disk when it is closed, as it does for a file rewritten in place.
    AVDictionary* file_options = nullptr;
    av_dict_set(&file_options, "truncate", "0", 0);
    const int opened
        = avio_open2(&context->pb, written_name.constData(), AVIO_FLAG_WRITE, nullptr, &file_options);
    av_dict_free(&file_options);
    if (opened < 0)
        fail(avierr::kFileOpen, QStringLiteral("Cannot create %1: %2").arg(path, ffmpegText(opened)));
    AVDictionary* muxer_options = nullptr;
    // Our rows are bottom-up already, so the header keeps a positive height.
    av_dict_set(&muxer_options, "flipped_raw_rgb", "1", 0);
    const int header = avformat_write_header(context, &muxer_options);
    av_dict_free(&muxer_options);
    if (header < 0)
        fail(avierr::kFileWrite, QStringLiteral("Cannot write %1: %2").arg(path, ffmpegText(header)));
}

void AviClipWriter::State::openEncoder(AVPixelFormat source)
{
    const AVCodec* found = avcodec_find_encoder_by_name(encoder->ffmpeg_name);
    if (!found)
        fail(avierr::kNoCompressor, QStringLiteral("No encoder for %1").arg(encoder->display_name));
    codec.reset(avcodec_alloc_context3(found));
    if (!codec)
        fail(avierr::kGeneral, QStringLiteral("Out of memory"));
    AVCodecContext& c = *codec;
    c.width = shape.width;
    c.height = shape.height;
    c.time_base = frame_period;
    c.framerate = av_inv_q(frame_period);
    c.pix_fmt = encoderFormat(*encoder, *found, source);
    c.codec_tag = encoder->tag;
    c.max_b_frames = 0; // AVI keeps one frame per chunk in decoding order
    if (encoder->has_quality) {
        const int q = QuantiserForQuality(options.dwQuality);
        c.flags |= AV_CODEC_FLAG_QSCALE;
        c.global_quality = q * FF_QP2LAMBDA;
        c.qmin = 1;
    }
    if (encoder->has_key_frames && (options.dwFlags & kCompressKeyFrames) && options.dwKeyFrameEvery > 0) {
        c.gop_size = int(std::min<uint32_t>(options.dwKeyFrameEvery, 1000));
        // Microsoft Video 1 reads the distance from the minimum, counting the frames between.
        c.keyint_min = std::strcmp(encoder->ffmpeg_name, "msvideo1") == 0 ? c.gop_size - 1 : c.gop_size;
    }
    if (c.pix_fmt == AV_PIX_FMT_YUVJ420P || c.pix_fmt == AV_PIX_FMT_YUVJ422P
        || c.pix_fmt == AV_PIX_FMT_YUVJ444P)
        c.color_range = AVCOL_RANGE_JPEG;
    const int opened = avcodec_open2(&c, found, nullptr);
    if (opened < 0)
        fail(avierr::kCompressor,
            QStringLiteral("%1 cannot compress %2x%3 frames: %4")
                .arg(encoder->display_name)
                .arg(shape.width)
                .arg(shape.height)
                .arg(ffmpegText(opened)));
    if (avcodec_parameters_from_context(stream->codecpar, &c) < 0)
        fail(avierr::kGeneral, QStringLiteral("Out of memory"));
    stream->codecpar->codec_tag = encoder->tag;

    sws.reset(sws_getContext(shape.width, shape.height, source, shape.width, shape.height, c.pix_fmt,
        SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    picture.reset(av_frame_alloc());
    if (!sws || !picture)
        fail(avierr::kCompressor, QStringLiteral("Cannot convert frames for %1").arg(encoder->display_name));
    picture->format = c.pix_fmt;
    picture->width = c.width;
    picture->height = c.height;
    if (av_frame_get_buffer(picture.get(), 0) < 0)
        fail(avierr::kGeneral, QStringLiteral("Out of memory"));
}

void AviClipWriter::State::writeRaw(
    const BitmapInfoHeader& header, const uint8_t* table, const uint8_t* pixels)
{
    av_packet_unref(packet.get());
    // The packet borrows the caller's rows: the muxer writes them before this call returns.
    packet->data = const_cast<uint8_t*>(pixels);
    packet->size = int(header.biSizeImage);
    packet->flags = AV_PKT_FLAG_KEY;
    if (shape.bits == 8) {
        uint32_t current[256];
        paletteOf(header, table, current);
        if (!palette_sent || std::memcmp(current, palette, sizeof palette) != 0) {
            std::memcpy(palette, current, sizeof palette);
            palette_sent = true;
            uint8_t* side = av_packet_new_side_data(packet.get(), AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
            if (!side)
                fail(avierr::kGeneral, QStringLiteral("Out of memory"));
            std::memcpy(side, palette, AVPALETTE_SIZE);
        }
    }
    packet->pts = frames;
    packet->dts = frames;
    packet->duration = 1;
    av_packet_rescale_ts(packet.get(), frame_period, stream->time_base);
    packet->stream_index = stream->index;
    const int written = av_write_frame(output.get(), packet.get());
    av_packet_free_side_data(packet.get());
    packet->data = nullptr;
    packet->size = 0;
    checkWritten(written);
}

void AviClipWriter::State::encode(const BitmapInfoHeader& header, const uint8_t* table, const uint8_t* pixels)
{
    if (av_frame_make_writable(picture.get()) < 0)
        fail(avierr::kGeneral, QStringLiteral("Out of memory"));
    // Starting at the last stored row with a negative stride reads the picture top-down.
    const uint8_t* source[4]
        = { pixels + size_t(shape.height - 1) * size_t(shape.row_bytes), nullptr, nullptr, nullptr };
    int source_stride[4] = { -shape.row_bytes, 0, 0, 0 };
    if (shape.bits == 8) {
        // The scaler's own palette path is not exact; through the colour table it is.
        expandIndexed(header, table, pixels);
        source[0] = expanded.data();
        source[1] = nullptr;
        source_stride[0] = shape.width * 3;
    }
    sws_scale(sws.get(), source, source_stride, 0, shape.height, picture->data, picture->linesize);
    picture->pts = frames;
    const int sent = avcodec_send_frame(codec.get(), picture.get());
    if (sent < 0)
        fail(avierr::kCompressor,
            QStringLiteral("%1 failed: %2").arg(encoder->display_name, ffmpegText(sent)));
    drain();
}

void AviClipWriter::State::expandIndexed(
    const BitmapInfoHeader& header, const uint8_t* table, const uint8_t* pixels)
{
    RgbQuad colours[256] = {};
    std::memcpy(colours, table, 4 * size_t(header.biClrUsed));
    expanded.resize(size_t(shape.width) * 3 * size_t(shape.height));
    uint8_t* out = expanded.data();
    for (int32_t y = shape.height - 1; y >= 0; --y) {
        const uint8_t* row = pixels + size_t(y) * size_t(shape.row_bytes);
        for (int32_t x = 0; x < shape.width; ++x) {
            const RgbQuad& c = colours[row[x]];
            *out++ = c.blue;
            *out++ = c.green;
            *out++ = c.red;
        }
    }
}

void AviClipWriter::State::drain()
{
    for (;;) {
        const int received = avcodec_receive_packet(codec.get(), packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        if (received < 0)
            fail(avierr::kCompressor,
                QStringLiteral("%1 failed: %2").arg(encoder->display_name, ffmpegText(received)));
        writePacket();
    }
}

void AviClipWriter::State::writePacket()
{
    av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    const int written = av_write_frame(output.get(), packet.get());
    av_packet_unref(packet.get());
    checkWritten(written);
}

void AviClipWriter::State::complete()
{
    const int trailer = av_write_trailer(output.get());
    const int error = output->pb->error;
    const int closed = avio_closep(&output->pb);
    if (trailer < 0 || error < 0 || closed < 0)
        fail(avierr::kFileWrite,
            QStringLiteral("Cannot complete %1: %2")
                .arg(path,
                    ffmpegText(trailer < 0 ? trailer
                            : error < 0    ? error
                                           : closed)));
    int renamed = 0;
    if (!replaceWith(written_path, path, renamed))
        fail(avierr::kFileWrite,
            QStringLiteral("Cannot write %1: %2").arg(path, ffmpegText(AVERROR(renamed))));
}

// The muxer writes through a buffer: a write that failed on the disk shows in the file's error
// while the frame itself was taken.
void AviClipWriter::State::checkWritten(int written) const
{
    const int error = written < 0 ? written : output->pb->error;
    if (error < 0)
        fail(avierr::kFileWrite, QStringLiteral("Cannot write %1: %2").arg(path, ffmpegText(error)));
}

void AviClipWriter::State::removeFile()
{
    codec.reset();
    output.reset(); // closes the file first
    QFile file(written_path);
    if (!file.remove() && file.exists())
        qCWarning(lcClips).noquote() << "Cannot remove the unfinished" << written_path << "-"
                                     << file.errorString();
}

AviClipWriter::AviClipWriter(QString path, const CompressionOptions& options, uint32_t rate, uint32_t scale)
    : state_(std::make_unique<State>())
{
    state_->path = std::move(path);
    state_->options = options;
    if (rate > 0 && scale > 0 && rate <= uint32_t(INT32_MAX) && scale <= uint32_t(INT32_MAX))
        state_->frame_period = av_make_q(int(scale), int(rate));
    state_->encoder = &PreselectedAviEncoder(options.fccHandler);
    if (!state_->packet)
        throw AviSaveError(avierr::kGeneral, QStringLiteral("Out of memory"));
}

AviClipWriter::~AviClipWriter()
{
    if (!state_->finished && state_->file_created)
        state_->removeFile();
}

void AviClipWriter::WriteFrame(const uint8_t* packed, size_t size)
{
    State& s = *state_;
    if (s.finished || s.failed)
        fail(avierr::kGeneral, QStringLiteral("The clip is closed"));
    try {
        if (validPackedSize(packed, size) == 0)
            fail(avierr::kBadFormat, QStringLiteral("Frame %1 is not a valid picture").arg(s.frames));
        BitmapInfoHeader header;
        std::memcpy(&header, packed, sizeof header);
        const FrameShape shape { header.biWidth, header.biHeight, header.biBitCount,
            dibRowBytes(header.biWidth, header.biBitCount) };
        if (!s.output)
            s.open(shape);
        else if (!(shape == s.shape))
            fail(avierr::kBadFormat,
                QStringLiteral("Frame %1 is %2x%3 at %4 bits, the clip %5x%6 at %7 bits")
                    .arg(s.frames)
                    .arg(shape.width)
                    .arg(shape.height)
                    .arg(shape.bits)
                    .arg(s.shape.width)
                    .arg(s.shape.height)
                    .arg(s.shape.bits));
        const uint8_t* table = packed + sizeof header;
        const uint8_t* pixels = table + 4 * size_t(header.biClrUsed);
        if (s.raw)
            s.writeRaw(header, table, pixels);
        else
            s.encode(header, table, pixels);
        ++s.frames;
    } catch (...) {
        s.failed = true;
        throw;
    }
}

void AviClipWriter::Finish()
{
    State& s = *state_;
    if (s.finished)
        return;
    if (s.failed)
        fail(avierr::kGeneral, QStringLiteral("The clip is incomplete"));
    try {
        if (!s.output)
            fail(avierr::kBadParameter, QStringLiteral("A clip needs at least one frame"));
        if (s.codec) {
            avcodec_send_frame(s.codec.get(), nullptr);
            s.drain();
        }
        s.complete();
        s.finished = true;
        s.output.reset();
        s.codec.reset();
    } catch (...) {
        s.failed = true;
        throw;
    }
}

int64_t AviClipWriter::FramesWritten() const
{
    return state_->frames;
}

QString AviClipWriter::Path() const
{
    return state_->path;
}

} // namespace fw
