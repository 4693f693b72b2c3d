#include "clips/image_filer.h"

#include <algorithm>
#include <cstring>

#include <QFileInfo>

#include "clips/frame_image.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

// No picture the program handles is larger; anything beyond is a caller's mistake.
constexpr int64_t kMaxSide = 65535;

bool ValidSide(int64_t side)
{
    return side >= 1 && side <= kMaxSide;
}

// Horizontal sampling of one output column: between source pixels x0 and x1, weight rem / den.
struct ColumnSample {
    int32_t x0 = 0;
    int32_t x1 = 0;
    uint32_t rem = 0;
};

std::vector<ColumnSample> ColumnSamples(int32_t width, int32_t out_w, uint32_t& den)
{
    std::vector<ColumnSample> columns(static_cast<size_t>(out_w));
    // A single output column takes the first source sample.
    den = out_w > 1 ? static_cast<uint32_t>(out_w - 1) : 1;
    for (int32_t j = 0; j < out_w && out_w > 1; ++j) {
        const int64_t num = int64_t(j) * (width - 1);
        ColumnSample& c = columns[size_t(j)];
        c.x0 = static_cast<int32_t>(num / den);
        c.rem = static_cast<uint32_t>(num % den);
        c.x1 = std::min(c.x0 + 1, width - 1);
    }
    return columns;
}

} // namespace

int64_t TImageFiler::ImageSize()
{
    return imageSize(Width(), Height(), BitsPerSample(), SamplesPerPixel());
}

namespace {

// One pixel size per instance, so the per-byte loop is unrolled.
template <int Bpp>
void ResampleRows(
    const uint8_t* source, int32_t width, int32_t rows, uint8_t* output, int32_t out_w, int32_t out_h)
{
    uint32_t den = 1;
    const std::vector<ColumnSample> columns = ColumnSamples(width, out_w, den);
    // Dividing by den as a multiply and shift: numerators stay below 256 x den and den below
    // 2^16, where this reciprocal gives exactly the whole-number quotient.
    const uint64_t reciprocal = (uint64_t(1) << 40) / den + 1;
    const auto divide = [reciprocal](uint32_t numerator) { return uint32_t((numerator * reciprocal) >> 40); };
    const size_t row_bytes = size_t(width) * Bpp;
    const uint32_t half = den / 2;
    for (int32_t i = 0; i < out_h; ++i) {
        const int64_t r = out_h > 1 ? int64_t(rows - 1) * i / (out_h - 1) : 0;
        const uint8_t* row0 = source + size_t(r) * row_bytes;
        const uint8_t* row1 = row0 + row_bytes;
        uint8_t* out = output + size_t(i) * size_t(out_w) * Bpp;
        for (const ColumnSample& c : columns) {
            const size_t p0 = size_t(c.x0) * Bpp;
            const size_t p1 = size_t(c.x1) * Bpp;
            const uint32_t w0 = den - c.rem;
            for (int b = 0; b < Bpp; ++b) {
                const uint32_t s0 = divide(row0[p0 + b] * w0 + row0[p1 + b] * c.rem + half);
                const uint32_t s1 = divide(row1[p0 + b] * w0 + row1[p1 + b] * c.rem + half);
                *out++ = static_cast<uint8_t>((s0 + s1) / 2);
            }
        }
    }
}

} // namespace

void ResamplePixels(const uint8_t* source, int32_t width, int32_t rows, int bytes_per_pixel, uint8_t* output,
    int32_t out_w, int32_t out_h)
{
    if (bytes_per_pixel == 3)
        ResampleRows<3>(source, width, rows, output, out_w, out_h);
    else
        ResampleRows<1>(source, width, rows, output, out_w, out_h);
}

void TImageFiler::CutRect(const SourcePixels& source, const FrameRect& rect, uint8_t* target)
{
    const int bpp = source.bytes_per_pixel;
    const int32_t w = rect.Width();
    const int32_t h = rect.Height();
    const size_t out_row_bytes = size_t(w) * size_t(bpp);
    // The columns of the rectangle that lie inside the picture.
    const int64_t first_x = std::max<int64_t>(rect.left, 0);
    const int64_t last_x = std::min<int64_t>(rect.right, source.width - 1);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = target + size_t(y) * out_row_bytes;
        const int64_t picture_y = int64_t(rect.top) + y;
        if (picture_y < 0 || picture_y >= source.height || first_x > last_x) {
            std::memset(out, 0, out_row_bytes);
        } else {
            // Rows are stored bottom-up.
            const uint8_t* row
                = source.pixels + size_t(source.height - 1 - picture_y) * size_t(source.row_bytes);
            const size_t before = size_t(first_x - rect.left) * size_t(bpp);
            const size_t inside = size_t(last_x - first_x + 1) * size_t(bpp);
            std::memset(out, 0, before);
            std::memcpy(out + before, row + size_t(first_x) * size_t(bpp), inside);
            std::memset(out + before + inside, 0, out_row_bytes - before - inside);
        }
        if (bpp == 3 && colour_transform_) {
            for (int32_t x = 0; x < w; ++x)
                colour_transform_(x, y, out + size_t(x) * 3);
        } else if (bpp == 1 && grey_transform_) {
            for (int32_t x = 0; x < w; ++x)
                out[x] = grey_transform_(out[x]);
        }
    }
}

void TImageFiler::ExtractFromPixels(const SourcePixels& source, uint8_t* output, const FrameRect& rect,
    TSharpener* sharpener, int32_t out_w, int32_t out_h)
{
    if (!source.pixels)
        throw Error("No frame loaded");
    if (!output || !ValidSide(int64_t(rect.right) - rect.left + 1)
        || !ValidSide(int64_t(rect.bottom) - rect.top + 1) || !ValidSide(out_w) || !ValidSide(out_h))
        throw Error("Invalid rectangle");
    const int bpp = source.bytes_per_pixel;
    const int32_t w = rect.Width();
    const int32_t h = rect.Height();
    if (w == out_w && h == out_h) {
        CutRect(source, rect, output);
    } else {
        const size_t row_bytes = size_t(w) * size_t(bpp);
        const size_t needed = row_bytes * (size_t(h) + 1);
        if (intermediate_.size() < needed)
            intermediate_.resize(needed);
        CutRect(source, rect, intermediate_.data());
        // The row after the last repeats it, so the bottom output row is not blended with
        // whatever an earlier, larger cut left in the buffer.
        std::memcpy(intermediate_.data() + size_t(h) * row_bytes,
            intermediate_.data() + size_t(h - 1) * row_bytes, row_bytes);
        ResamplePixels(intermediate_.data(), w, h, bpp, output, out_w, out_h);
    }
    if (sharpener)
        sharpener->Apply(output, out_w, out_h, bpp);
}

TAVIFile::TAVIFile(std::unique_ptr<TAVISTREAM> stream)
    : stream_(std::move(stream))
{
    if (!stream_)
        throw Error("No clip stream");
}

TAVIFile::~TAVIFile()
{
    try {
        Close();
    } catch (const std::exception& failure) {
        // A stream that fails to close has nothing left to release.
        qCWarning(lcClips) << "Closing" << stream_->FileName() << "failed:" << failure.what();
    }
}

void TAVIFile::FailOpen(const QString& file_name, const QString& reason)
{
    QString short_name = stream_->GetShortName();
    if (short_name.isEmpty())
        short_name = QFileInfo(file_name).fileName();
    QString message = short_name + QStringLiteral(" Open Frame Access Failed");
    if (!reason.isEmpty())
        message += QLatin1Char('\r') + reason;
    throw Error(message);
}

void TAVIFile::Open(const QString& file_name)
{
    if (access_) {
        stream_->EndFrameAccess(access_);
        access_ = nullptr;
    }
    try {
        if (!stream_->IsOpen())
            stream_->Open(file_name);
    } catch (const std::exception& failure) {
        FailOpen(file_name, QString::fromStdString(failure.what()));
    }
    if (!stream_->IsOpen())
        FailOpen(file_name);
    frame_count_ = stream_->FrameCount();
    FrameAccess* access = nullptr;
    if (!stream_->BeginFrameAccess(access) || !access)
        FailOpen(file_name);
    access_ = access;
    current_index_ = 0;
    if (!LoadFrame()) {
        stream_->EndFrameAccess(access_);
        access_ = nullptr;
        FailOpen(file_name);
    }
}

void TAVIFile::Close()
{
    if (access_)
        stream_->EndFrameAccess(access_);
    access_ = nullptr;
    frame_ = nullptr;
    pixels_ = SourcePixels {};
    stream_->Close();
}

bool TAVIFile::LoadFrame()
{
    frame_ = nullptr;
    pixels_ = SourcePixels {};
    grey_table_ = false;
    if (!access_)
        return false;
    int32_t size = 0;
    const uint8_t* frame = nullptr;
    if (!stream_->GetFrame(access_, current_index_, size, frame) || !frame || size <= 0)
        return false;
    // The decoder's bytes are outside input like any other: never trust the header blindly.
    if (validPackedSize(frame, size_t(size)) == 0)
        return false;
    BitmapInfoHeader header;
    std::memcpy(&header, frame, sizeof header);
    frame_ = frame;
    const uint8_t* table = frame + sizeof header;
    pixels_.pixels = table + 4 * size_t(header.biClrUsed);
    pixels_.width = header.biWidth;
    pixels_.height = header.biHeight;
    pixels_.row_bytes = dibRowBytes(header.biWidth, header.biBitCount);
    pixels_.bytes_per_pixel = header.biBitCount / 8;
    grey_table_ = header.biBitCount == 8 && IsGreyTable(table, header.biClrUsed);
    if (header.biBitCount == 8 && expand_palette_)
        ExpandThroughTable(table, header.biClrUsed);
    return true;
}

bool TAVIFile::IsGreyTable(const uint8_t* table, uint32_t colours)
{
    for (uint32_t i = 0; i < colours; ++i) {
        RgbQuad entry;
        std::memcpy(&entry, table + 4 * size_t(i), sizeof entry);
        if (entry.red != i || entry.green != i || entry.blue != i)
            return false;
    }
    return true;
}

void TAVIFile::ExpandThroughTable(const uint8_t* table, uint32_t colours)
{
    // Indices past the table are black, as a bitmap viewer shows them.
    RgbQuad lookup[256] = {};
    std::memcpy(lookup, table, 4 * size_t(std::min<uint32_t>(colours, 256)));
    const int32_t width = pixels_.width;
    const int32_t height = pixels_.height;
    const int32_t row_bytes = dibRowBytes(width, 24);
    expanded_.assign(size_t(row_bytes) * size_t(height), 0);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* in = pixels_.pixels + size_t(y) * size_t(pixels_.row_bytes);
        uint8_t* out = expanded_.data() + size_t(y) * size_t(row_bytes);
        for (int32_t x = 0; x < width; ++x) {
            const RgbQuad& c = lookup[in[x]];
            *out++ = c.blue;
            *out++ = c.green;
            *out++ = c.red;
        }
    }
    pixels_.pixels = expanded_.data();
    pixels_.row_bytes = row_bytes;
    pixels_.bytes_per_pixel = 3;
}

int32_t TAVIFile::Width()
{
    return pixels_.width;
}

int32_t TAVIFile::Height()
{
    return pixels_.height;
}

int TAVIFile::BitsPerSample()
{
    return frame_ ? pixels_.bytes_per_pixel * 8 : 0;
}

void TAVIFile::ExtractRect(
    uint8_t* output, const FrameRect& rect, TSharpener* sharpener, int32_t out_w, int32_t out_h)
{
    ExtractFromPixels(pixels_, output, rect, sharpener, out_w, out_h);
}

} // namespace fw
