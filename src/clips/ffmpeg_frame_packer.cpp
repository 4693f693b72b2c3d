#include "clips/ffmpeg_frame_packer.h"

#include <cstring>

#include "clips/ffmpeg_clip_layout.h"
#include "clips/frame_image.h"
#include "clips/yuv_to_bgr.h"

namespace fw {

namespace {

constexpr int32_t kMaxSide = 65535;
constexpr int kScalerSlack = 128; // bytes; more than the widest group the scaler writes

uint8_t* writeHeader(std::vector<uint8_t>& packed, int32_t width, int32_t height, int bits, uint32_t colours)
{
    BitmapInfoHeader header;
    header.biWidth = width;
    header.biHeight = height;
    header.biBitCount = uint16_t(bits);
    header.biClrUsed = colours;
    header.biSizeImage = uint32_t(dibRowBytes(width, bits)) * uint32_t(height);
    packed.resize(sizeof(header) + 4 * colours + header.biSizeImage);
    std::memcpy(packed.data(), &header, sizeof(header));
    return packed.data() + sizeof(header);
}

// The full-range "J" formats are deprecated for the scaler: it wants the plain format and the
// range given separately.
AVPixelFormat plainFormat(AVPixelFormat format, bool& full_range)
{
    full_range = true;
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        return AV_PIX_FMT_YUV411P;
    default:
        full_range = false;
        return format;
    }
}

// Full-range 8-bit planar pictures, as the JPEG-family decoders deliver them, go through our own
// converter where the processor runs its vector kernel: it takes about half the scaler's time.
// Limited-range pictures stay with the scaler so lossless clips keep matching FFmpeg's own
// decoding exactly.
bool fullRangePlanes(const AVFrame& picture, YuvPicture& planes)
{
    const bool jpeg_range = picture.color_range == AVCOL_RANGE_JPEG;
    switch (AVPixelFormat(picture.format)) {
    case AV_PIX_FMT_YUVJ420P:
        planes.sampling = ChromaSampling::HalfBoth;
        break;
    case AV_PIX_FMT_YUVJ422P:
        planes.sampling = ChromaSampling::HalfWidth;
        break;
    case AV_PIX_FMT_YUVJ444P:
        planes.sampling = ChromaSampling::Full;
        break;
    case AV_PIX_FMT_YUV420P:
        if (!jpeg_range)
            return false;
        planes.sampling = ChromaSampling::HalfBoth;
        break;
    case AV_PIX_FMT_YUV422P:
        if (!jpeg_range)
            return false;
        planes.sampling = ChromaSampling::HalfWidth;
        break;
    case AV_PIX_FMT_YUV444P:
        if (!jpeg_range)
            return false;
        planes.sampling = ChromaSampling::Full;
        break;
    default:
        return false;
    }
    // For an odd number of rows the scaler takes its filtering path, which interpolates the
    // subsampled chroma rather than repeating it; those rare pictures stay with it so that
    // frames keep matching FFmpeg's own decoding.
    if (planes.sampling != ChromaSampling::Full && picture.height % 2 == 1)
        return false;
    for (int i = 0; i < 3; ++i) {
        if (!picture.data[i])
            return false;
        planes.planes[i] = picture.data[i];
        planes.linesize[i] = picture.linesize[i];
    }
    planes.width = picture.width;
    planes.height = picture.height;
    return true;
}

void setSourceRange(SwsContext* context, bool full_range)
{
    int* table = nullptr;
    int* unused = nullptr;
    int src_range = 0;
    int dst_range = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    if (sws_getColorspaceDetails(
            context, &table, &src_range, &unused, &dst_range, &brightness, &contrast, &saturation)
        >= 0)
        sws_setColorspaceDetails(
            context, table, int(full_range), unused, dst_range, brightness, contrast, saturation);
}

} // namespace

bool FramePacker::pack(const AVFrame& picture, std::vector<uint8_t>& packed)
{
    if (picture.width < 1 || picture.height < 1 || picture.width > kMaxSide || picture.height > kMaxSide
        || int64_t(picture.width) * picture.height > kMaxPicturePixels)
        return false;
    if (!picture.data[0])
        return false;
    const auto format = AVPixelFormat(picture.format);
    if (format == AV_PIX_FMT_PAL8 || format == AV_PIX_FMT_GRAY8)
        return packIndexed(picture, packed);
    return packColour(picture, packed);
}

bool FramePacker::packIndexed(const AVFrame& picture, std::vector<uint8_t>& packed)
{
    const bool palette = picture.format == AV_PIX_FMT_PAL8;
    if (palette && !picture.data[1])
        return false;
    uint8_t* table = writeHeader(packed, picture.width, picture.height, 8, 256);
    for (int i = 0; i < 256; ++i) {
        uint8_t* entry = table + 4 * i;
        if (palette) {
            // FFmpeg keeps the palette as native 32-bit ARGB words.
            uint32_t argb;
            std::memcpy(&argb, picture.data[1] + 4 * i, 4);
            entry[0] = uint8_t(argb);
            entry[1] = uint8_t(argb >> 8);
            entry[2] = uint8_t(argb >> 16);
        } else {
            entry[0] = entry[1] = entry[2] = uint8_t(i);
        }
        entry[3] = 0;
    }
    const int32_t row_bytes = dibRowBytes(picture.width, 8);
    uint8_t* pixels = table + 4 * 256;
    for (int32_t y = 0; y < picture.height; ++y) {
        uint8_t* row = pixels + int64_t(picture.height - 1 - y) * row_bytes;
        std::memcpy(row, picture.data[0] + int64_t(y) * picture.linesize[0], size_t(picture.width));
        std::memset(row + picture.width, 0, size_t(row_bytes - picture.width));
    }
    return true;
}

bool FramePacker::packColour(const AVFrame& picture, std::vector<uint8_t>& packed)
{
    const int32_t row_bytes = dibRowBytes(picture.width, 24);
    uint8_t* pixels = writeHeader(packed, picture.width, picture.height, 24, 0);
    YuvPicture planes;
    if (fastFullRangeYuvToBgr() && fullRangePlanes(picture, planes))
        return fullRangeYuvToBgr(planes, pixels, row_bytes);
    const uint8_t* rows = picture.data[0];
    int stride = picture.linesize[0];
    if (picture.format != AV_PIX_FMT_BGR24) {
        if (!scale(picture))
            return false;
        rows = scaled_.data();
        stride = scaled_stride_;
    }
    const size_t row_length = size_t(picture.width) * 3;
    for (int32_t y = 0; y < picture.height; ++y) {
        uint8_t* target = pixels + int64_t(picture.height - 1 - y) * row_bytes;
        std::memcpy(target, rows + int64_t(y) * stride, row_length);
        std::memset(target + row_length, 0, size_t(row_bytes) - row_length);
    }
    return true;
}

bool FramePacker::scale(const AVFrame& picture)
{
    bool full_range = false;
    const AVPixelFormat source = plainFormat(AVPixelFormat(picture.format), full_range);
    full_range = full_range || picture.color_range == AVCOL_RANGE_JPEG;
    if (!sws_ || picture.width != sws_width_ || picture.height != sws_height_ || source != sws_format_
        || full_range != sws_full_range_) {
        sws_.reset(sws_getContext(picture.width, picture.height, source, picture.width, picture.height,
            AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!sws_)
            return false;
        sws_width_ = picture.width;
        sws_height_ = picture.height;
        sws_format_ = source;
        sws_full_range_ = full_range;
        setSourceRange(sws_.get(), full_range);
    }
    // The scaler writes whole groups of pixels, past the end of a row when the width is not a
    // multiple of the group; it gets rows with room to spare rather than the packed rows.
    scaled_stride_ = (picture.width * 3 + 63) / 64 * 64 + kScalerSlack;
    scaled_.resize(size_t(scaled_stride_) * size_t(picture.height) + kScalerSlack);
    uint8_t* data[4] = { scaled_.data(), nullptr, nullptr, nullptr };
    const int linesize[4] = { scaled_stride_, 0, 0, 0 };
    const int rows = sws_scale(sws_.get(), picture.data, picture.linesize, 0, picture.height, data, linesize);
    return rows == picture.height;
}

} // namespace fw
