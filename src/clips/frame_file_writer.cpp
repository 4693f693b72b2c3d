#include "clips/frame_file_writer.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QDir>
#include <QSaveFile>

#include "clips/frame_image.h"
#include "support/fw_error.h"

extern "C" {
#include <jpeglib.h>
}

namespace fw {

namespace {

using Bytes = std::vector<uint8_t>;

// A packed frame that passed validation, read in place.
struct PackedFrame {
    int32_t width = 0;
    int32_t height = 0;
    int bits = 0;
    int32_t row_bytes = 0;
    uint32_t colours = 0;
    const RgbQuad* table = nullptr;
    const uint8_t* pixels = nullptr;

    const uint8_t* topDownRow(int32_t y) const { return pixels + size_t(height - 1 - y) * size_t(row_bytes); }
};

PackedFrame readPacked(const uint8_t* packed, size_t size)
{
    if (validPackedSize(packed, size) == 0)
        throw Error("the frame is not a valid 8-bit or 24-bit bitmap");
    BitmapInfoHeader h;
    std::memcpy(&h, packed, sizeof h);
    PackedFrame frame;
    frame.width = h.biWidth;
    frame.height = h.biHeight;
    frame.bits = h.biBitCount;
    frame.row_bytes = dibRowBytes(h.biWidth, h.biBitCount);
    frame.colours = h.biClrUsed;
    frame.table = reinterpret_cast<const RgbQuad*>(packed + sizeof h);
    frame.pixels = packed + sizeof h + 4 * size_t(h.biClrUsed);
    return frame;
}

// The colour table of an 8-bit frame widened to every byte value; indexes past the table are
// black, as a bitmap viewer shows them.
struct Palette {
    std::array<RgbQuad, 256> colours {};
    bool grey = true; // every entry has red = green = blue
    bool identity = true; // entry i is grey level i
};

Palette paletteOf(const PackedFrame& frame)
{
    Palette palette;
    std::copy(frame.table, frame.table + frame.colours, palette.colours.begin());
    for (int i = 0; i < 256; ++i) {
        const RgbQuad& c = palette.colours[size_t(i)];
        palette.grey = palette.grey && c.red == c.green && c.green == c.blue;
        palette.identity = palette.identity && palette.grey && c.red == i;
    }
    return palette;
}

void put16(Bytes& out, uint32_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(Bytes& out, uint32_t value)
{
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

// ---- BMP: a file header in front of the packed frame.

Bytes bmpFileHeader(const PackedFrame& frame, size_t packed_size)
{
    if (packed_size > UINT32_MAX - 14)
        throw Error("the frame is too large for a BMP file");
    Bytes header;
    header.push_back('B');
    header.push_back('M');
    put32(header, uint32_t(14 + packed_size));
    put32(header, 0);
    put32(header, uint32_t(14 + sizeof(BitmapInfoHeader) + 4 * frame.colours));
    return header;
}

// ---- TIFF: baseline, uncompressed, one strip, little-endian.

enum class TiffKind { Grey, Palette, Rgb };

struct TiffEntry {
    uint16_t tag;
    uint16_t type; // 3 SHORT, 4 LONG, 5 RATIONAL
    uint32_t count;
    uint32_t value; // or the offset of values that do not fit in four bytes
};

Bytes encodeTiff(const PackedFrame& frame)
{
    const Palette palette = frame.bits == 8 ? paletteOf(frame) : Palette {};
    const TiffKind kind = frame.bits == 24 ? TiffKind::Rgb
        : palette.grey                     ? TiffKind::Grey
                                           : TiffKind::Palette;
    const uint32_t samples = kind == TiffKind::Rgb ? 3 : 1;
    const uint64_t row = uint64_t(frame.width) * samples;
    const uint64_t image = row * uint64_t(frame.height);

    const uint32_t entry_count = kind == TiffKind::Palette ? 14 : 13;
    const uint32_t ifd = 8;
    const uint32_t bits_at = ifd + 2 + 12 * entry_count + 4;
    const uint32_t x_res_at = bits_at + (kind == TiffKind::Rgb ? 6 : 0);
    const uint32_t y_res_at = x_res_at + 8;
    const uint32_t map_at = y_res_at + 8;
    const uint32_t pixels_at = map_at + (kind == TiffKind::Palette ? 3 * 256 * 2 : 0);
    if (pixels_at + image > UINT32_MAX)
        throw Error("the frame is too large for a TIFF file");

    const uint16_t photometric = kind == TiffKind::Grey ? 1 : kind == TiffKind::Palette ? 3 : 2;
    std::vector<TiffEntry> entries {
        { 256, 4, 1, uint32_t(frame.width) },
        { 257, 4, 1, uint32_t(frame.height) },
        { 258, 3, samples, samples == 1 ? 8u : bits_at },
        { 259, 3, 1, 1 },
        { 262, 3, 1, photometric },
        { 273, 4, 1, pixels_at },
        { 277, 3, 1, samples },
        { 278, 4, 1, uint32_t(frame.height) },
        { 279, 4, 1, uint32_t(image) },
        { 282, 5, 1, x_res_at },
        { 283, 5, 1, y_res_at },
        { 284, 3, 1, 1 },
        { 296, 3, 1, 2 },
    };
    if (kind == TiffKind::Palette)
        entries.push_back({ 320, 3, 3 * 256, map_at });

    Bytes out;
    out.reserve(size_t(pixels_at + image));
    out.insert(out.end(), { 'I', 'I', 42, 0 });
    put32(out, ifd);
    put16(out, entry_count);
    for (const TiffEntry& e : entries) {
        put16(out, e.tag);
        put16(out, e.type);
        put32(out, e.count);
        if (e.type == 3 && e.count == 1) {
            put16(out, e.value);
            put16(out, 0);
        } else {
            put32(out, e.value);
        }
    }
    put32(out, 0); // no further directory
    if (kind == TiffKind::Rgb) {
        for (int i = 0; i < 3; ++i)
            put16(out, 8);
    }
    for (int i = 0; i < 2; ++i) { // 72 pixels per inch
        put32(out, 72);
        put32(out, 1);
    }
    if (kind == TiffKind::Palette) {
        for (auto channel : { &RgbQuad::red, &RgbQuad::green, &RgbQuad::blue }) {
            for (const RgbQuad& c : palette.colours)
                put16(out, uint32_t(c.*channel) * 257);
        }
    }

    for (int32_t y = 0; y < frame.height; ++y) {
        const uint8_t* src = frame.topDownRow(y);
        if (kind == TiffKind::Palette || (kind == TiffKind::Grey && palette.identity)) {
            out.insert(out.end(), src, src + frame.width);
        } else if (kind == TiffKind::Grey) {
            for (int32_t x = 0; x < frame.width; ++x)
                out.push_back(palette.colours[src[x]].red);
        } else {
            for (int32_t x = 0; x < frame.width; ++x) {
                const uint8_t* bgr = src + 3 * x;
                out.insert(out.end(), { bgr[2], bgr[1], bgr[0] });
            }
        }
    }
    return out;
}

// ---- JPEG through libjpeg: quality 100, no chroma subsampling.

struct JpegJob {
    jpeg_compress_struct info {};
    jpeg_error_mgr errors {};
    std::jmp_buf failed {};
    char message[JMSG_LENGTH_MAX] = {};
    unsigned char* memory = nullptr;
    unsigned long memory_size = 0;
};

void onJpegError(j_common_ptr info)
{
    JpegJob* job = static_cast<JpegJob*>(info->client_data);
    (*info->err->format_message)(info, job->message);
    std::longjmp(job->failed, 1);
}

void ignoreJpegMessage(j_common_ptr) { }

// Kept apart from encodeJpeg so that nothing the error jump skips owns memory.
bool runJpeg(JpegJob& job, const PackedFrame& frame, const Palette& palette, uint8_t* row_buffer)
{
    if (setjmp(job.failed))
        return false;
    jpeg_create_compress(&job.info);
    jpeg_mem_dest(&job.info, &job.memory, &job.memory_size);
    const bool grey = frame.bits == 8 && palette.grey;
    job.info.image_width = JDIMENSION(frame.width);
    job.info.image_height = JDIMENSION(frame.height);
    job.info.input_components = grey ? 1 : 3;
    job.info.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&job.info);
    jpeg_set_quality(&job.info, 100, TRUE);
    for (int c = 0; c < job.info.num_components; ++c) {
        job.info.comp_info[c].h_samp_factor = 1;
        job.info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&job.info, TRUE);
    for (int32_t y = 0; y < frame.height; ++y) {
        const uint8_t* src = frame.topDownRow(y);
        JSAMPROW row = row_buffer;
        if (frame.bits == 24 || (grey && palette.identity)) {
            row = const_cast<JSAMPROW>(src);
        } else if (grey) {
            for (int32_t x = 0; x < frame.width; ++x)
                row_buffer[x] = palette.colours[src[x]].red;
        } else {
            for (int32_t x = 0; x < frame.width; ++x) {
                const RgbQuad& c = palette.colours[src[x]];
                row_buffer[3 * x] = c.blue;
                row_buffer[3 * x + 1] = c.green;
                row_buffer[3 * x + 2] = c.red;
            }
        }
        jpeg_write_scanlines(&job.info, &row, 1);
    }
    jpeg_finish_compress(&job.info);
    return true;
}

Bytes encodeJpeg(const PackedFrame& frame)
{
    if (frame.width > JPEG_MAX_DIMENSION || frame.height > JPEG_MAX_DIMENSION)
        throw Error("the frame is too large for a JPEG file");
    const Palette palette = frame.bits == 8 ? paletteOf(frame) : Palette {};
    std::vector<uint8_t> row_buffer(size_t(frame.width) * 3);
    JpegJob job;
    job.info.err = jpeg_std_error(&job.errors);
    job.errors.error_exit = onJpegError;
    job.errors.output_message = ignoreJpegMessage;
    job.info.client_data = &job;
    const bool written = runJpeg(job, frame, palette, row_buffer.data());
    Bytes out;
    if (written)
        out.assign(job.memory, job.memory + job.memory_size);
    jpeg_destroy_compress(&job.info);
    std::free(job.memory);
    if (!written)
        throw Error(QString::fromLocal8Bit(job.message));
    return out;
}

// ---- GIF: one 8-bit image with a global colour table, LZW with 12-bit codes at most.

// Packs variable-width codes least significant bit first into data sub-blocks.
class GifCodeWriter {
public:
    explicit GifCodeWriter(Bytes& out)
        : out_(out)
    {
    }

    void put(uint32_t code, int width)
    {
        bits_ |= code << count_;
        count_ += width;
        while (count_ >= 8) {
            putByte(uint8_t(bits_));
            bits_ >>= 8;
            count_ -= 8;
        }
    }

    void finish()
    {
        if (count_ > 0)
            putByte(uint8_t(bits_));
        flushBlock();
        out_.push_back(0);
    }

private:
    void putByte(uint8_t byte)
    {
        block_[length_++] = byte;
        if (length_ == block_.size())
            flushBlock();
    }
    void flushBlock()
    {
        if (length_ == 0)
            return;
        out_.push_back(uint8_t(length_));
        out_.insert(out_.end(), block_.begin(), block_.begin() + length_);
        length_ = 0;
    }

    Bytes& out_;
    std::array<uint8_t, 255> block_ {};
    size_t length_ = 0;
    uint32_t bits_ = 0;
    int count_ = 0;
};

void encodeLzw(const std::vector<uint8_t>& indices, Bytes& out)
{
    constexpr int kMinCodeSize = 8;
    constexpr uint32_t kClear = 1u << kMinCodeSize;
    constexpr uint32_t kEnd = kClear + 1;
    constexpr uint32_t kMaxCodes = 4096;
    constexpr size_t kTableSize = 5003; // prime, a little above the code count
    std::vector<int32_t> keys(kTableSize, -1);
    std::vector<uint16_t> codes(kTableSize, 0);
    uint32_t next = kEnd + 1;
    int width = kMinCodeSize + 1;

    out.push_back(kMinCodeSize);
    GifCodeWriter writer(out);
    writer.put(kClear, width);
    // Each added string moves the decoder's code width one code later than ours, so widen when
    // the code after the next one no longer fits.
    auto countCode = [&] {
        ++next;
        if (next > (1u << width) && width < 12)
            ++width;
    };
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const uint8_t c = indices[i];
        const int32_t key = int32_t(prefix << 8 | c);
        size_t slot = (size_t(c) << 4 ^ prefix) % kTableSize;
        while (keys[slot] != -1 && keys[slot] != key)
            slot = slot == 0 ? kTableSize - 1 : slot - 1;
        if (keys[slot] == key) {
            prefix = codes[slot];
            continue;
        }
        writer.put(prefix, width);
        if (next < kMaxCodes) {
            keys[slot] = key;
            codes[slot] = uint16_t(next);
            countCode();
        } else {
            writer.put(kClear, width);
            std::fill(keys.begin(), keys.end(), -1);
            next = kEnd + 1;
            width = kMinCodeSize + 1;
        }
        prefix = c;
    }
    writer.put(prefix, width);
    if (next < kMaxCodes)
        countCode();
    writer.put(kEnd, width);
    writer.finish();
}

// Frames with at most 256 colours keep them exactly; others get a median-cut palette over a
// 5-bit-per-channel histogram, each pixel taking the nearest entry (no dithering, so measured
// edges stay where they are).
class ColourQuantiser {
public:
    explicit ColourQuantiser(const PackedFrame& frame)
        : frame_(frame)
    {
    }

    void run(std::vector<uint8_t>& indices, std::array<RgbQuad, 256>& palette)
    {
        if (!exactColours(indices, palette))
            medianCut(indices, palette);
    }

private:
    static uint32_t rgbOf(const uint8_t* bgr)
    {
        return uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0];
    }
    static uint32_t binOf(const uint8_t* bgr)
    {
        return uint32_t(bgr[2] >> 3) << 10 | uint32_t(bgr[1] >> 3) << 5 | uint32_t(bgr[0] >> 3);
    }

    bool exactColours(std::vector<uint8_t>& indices, std::array<RgbQuad, 256>& palette)
    {
        constexpr size_t kSlots = 1024;
        std::vector<uint32_t> keys(kSlots, 0); // colour + 1, 0 for free
        std::vector<uint8_t> slot_index(kSlots, 0);
        size_t used = 0;
        size_t at = 0;
        for (int32_t y = 0; y < frame_.height; ++y) {
            const uint8_t* row = frame_.topDownRow(y);
            for (int32_t x = 0; x < frame_.width; ++x) {
                const uint32_t key = rgbOf(row + 3 * x) + 1;
                size_t slot = (key * 2654435761u) >> 22;
                while (keys[slot] != 0 && keys[slot] != key)
                    slot = (slot + 1) % kSlots;
                if (keys[slot] == 0) {
                    if (used == 256)
                        return false;
                    keys[slot] = key;
                    slot_index[slot] = uint8_t(used);
                    palette[used] = RgbQuad { row[3 * x], row[3 * x + 1], row[3 * x + 2], 0 };
                    ++used;
                }
                indices[at++] = slot_index[slot];
            }
        }
        return true;
    }

    struct Box {
        std::array<int, 3> low; // red, green, blue bin bounds, inclusive
        std::array<int, 3> high;
        uint64_t population = 0;
    };

    static int binAt(int r, int g, int b) { return r << 10 | g << 5 | b; }

    template <typename Visit> static void forEachBin(const Box& box, Visit visit)
    {
        for (int r = box.low[0]; r <= box.high[0]; ++r)
            for (int g = box.low[1]; g <= box.high[1]; ++g)
                for (int b = box.low[2]; b <= box.high[2]; ++b)
                    visit(binAt(r, g, b), std::array<int, 3> { r, g, b });
    }

    // Narrows the box to its occupied bins and counts its pixels.
    void shrink(Box& box) const
    {
        Box tight { { 31, 31, 31 }, { 0, 0, 0 }, 0 };
        forEachBin(box, [&](int bin, const std::array<int, 3>& at) {
            if (count_[size_t(bin)] == 0)
                return;
            tight.population += count_[size_t(bin)];
            for (int a = 0; a < 3; ++a) {
                tight.low[size_t(a)] = std::min(tight.low[size_t(a)], at[size_t(a)]);
                tight.high[size_t(a)] = std::max(tight.high[size_t(a)], at[size_t(a)]);
            }
        });
        box = tight;
    }

    // Splits at the population median of the box's longest side, which spans two bins or more.
    void split(Box& box, Box& upper) const
    {
        size_t axis = 0;
        for (size_t a = 1; a < 3; ++a) {
            if (box.high[a] - box.low[a] > box.high[axis] - box.low[axis])
                axis = a;
        }
        std::array<uint64_t, 32> slices {};
        forEachBin(box,
            [&](int bin, const std::array<int, 3>& at) { slices[size_t(at[axis])] += count_[size_t(bin)]; });
        uint64_t below = 0;
        int cut = box.low[axis];
        while (cut < box.high[axis] - 1 && (below + slices[size_t(cut)]) * 2 < box.population)
            below += slices[size_t(cut++)];
        upper = box;
        box.high[axis] = cut;
        upper.low[axis] = cut + 1;
        shrink(box);
        shrink(upper);
    }

    void medianCut(std::vector<uint8_t>& indices, std::array<RgbQuad, 256>& palette)
    {
        count_.assign(32768, 0);
        std::vector<std::array<uint64_t, 3>> sums(32768, { 0, 0, 0 });
        for (int32_t y = 0; y < frame_.height; ++y) {
            const uint8_t* row = frame_.topDownRow(y);
            for (int32_t x = 0; x < frame_.width; ++x) {
                const uint8_t* bgr = row + 3 * x;
                const uint32_t bin = binOf(bgr);
                ++count_[bin];
                sums[bin][0] += bgr[2];
                sums[bin][1] += bgr[1];
                sums[bin][2] += bgr[0];
            }
        }
        std::vector<Box> boxes { Box { { 0, 0, 0 }, { 31, 31, 31 }, 0 } };
        shrink(boxes[0]);
        while (boxes.size() < 256) {
            // The box with the most pixels times the longest side gives the most error back.
            size_t best = boxes.size();
            uint64_t best_score = 0;
            for (size_t i = 0; i < boxes.size(); ++i) {
                const Box& b = boxes[i];
                const int side
                    = std::max({ b.high[0] - b.low[0], b.high[1] - b.low[1], b.high[2] - b.low[2] });
                const uint64_t score = b.population * uint64_t(side);
                if (score > best_score) {
                    best = i;
                    best_score = score;
                }
            }
            if (best == boxes.size())
                break;
            Box upper;
            split(boxes[best], upper);
            boxes.push_back(upper);
        }

        for (size_t i = 0; i < boxes.size(); ++i) {
            std::array<uint64_t, 3> total { 0, 0, 0 };
            forEachBin(boxes[i], [&](int bin, const std::array<int, 3>&) {
                for (size_t c = 0; c < 3; ++c)
                    total[c] += sums[size_t(bin)][c];
            });
            const uint64_t n = std::max<uint64_t>(boxes[i].population, 1);
            palette[i] = RgbQuad { uint8_t((total[2] + n / 2) / n), uint8_t((total[1] + n / 2) / n),
                uint8_t((total[0] + n / 2) / n), 0 };
        }

        std::vector<uint8_t> nearest(32768, 0);
        for (size_t bin = 0; bin < 32768; ++bin) {
            if (count_[bin] == 0)
                continue;
            const uint64_t n = count_[bin];
            const int r = int(sums[bin][0] / n), g = int(sums[bin][1] / n), b = int(sums[bin][2] / n);
            int best_distance = INT32_MAX;
            for (size_t i = 0; i < boxes.size(); ++i) {
                const int dr = r - palette[i].red, dg = g - palette[i].green, db = b - palette[i].blue;
                const int distance = dr * dr + dg * dg + db * db;
                if (distance < best_distance) {
                    best_distance = distance;
                    nearest[bin] = uint8_t(i);
                }
            }
        }
        size_t at = 0;
        for (int32_t y = 0; y < frame_.height; ++y) {
            const uint8_t* row = frame_.topDownRow(y);
            for (int32_t x = 0; x < frame_.width; ++x)
                indices[at++] = nearest[binOf(row + 3 * x)];
        }
    }

    const PackedFrame& frame_;
    std::vector<uint32_t> count_;
};

Bytes encodeGif(const PackedFrame& frame)
{
    if (frame.width > 65535 || frame.height > 65535)
        throw Error("the frame is too large for a GIF file");
    std::vector<uint8_t> indices(size_t(frame.width) * size_t(frame.height));
    std::array<RgbQuad, 256> palette {};
    if (frame.bits == 8) {
        palette = paletteOf(frame).colours;
        for (int32_t y = 0; y < frame.height; ++y)
            std::memcpy(&indices[size_t(y) * size_t(frame.width)], frame.topDownRow(y), size_t(frame.width));
    } else {
        ColourQuantiser(frame).run(indices, palette);
    }

    Bytes out;
    out.reserve(indices.size() / 2 + 1024);
    out.insert(out.end(), { 'G', 'I', 'F', '8', '9', 'a' });
    put16(out, uint32_t(frame.width));
    put16(out, uint32_t(frame.height));
    out.insert(out.end(), { 0xf7, 0, 0 }); // global table of 256 entries, 8-bit colour resolution
    for (const RgbQuad& c : palette)
        out.insert(out.end(), { c.red, c.green, c.blue });
    out.push_back(0x2c);
    put16(out, 0);
    put16(out, 0);
    put16(out, uint32_t(frame.width));
    put16(out, uint32_t(frame.height));
    out.push_back(0);
    encodeLzw(indices, out);
    out.push_back(0x3b);
    return out;
}

// ---- Writing: a temporary file beside the target, renamed over it when complete.

void saveFile(
    const QString& path, const uint8_t* head, size_t head_size, const uint8_t* body, size_t body_size)
{
    QSaveFile file(path);
    // Unbuffered, every write reports what reached the file: a buffered write that fails on a
    // full disk may still let the commit through, leaving a cut-off frame file as if whole.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw Error(file.errorString());
    const auto writeAll = [&file](const uint8_t* data, size_t size) {
        while (size > 0) {
            const qint64 written = file.write(reinterpret_cast<const char*>(data), qint64(size));
            if (written <= 0)
                return false;
            data += written;
            size -= size_t(written);
        }
        return true;
    };
    // Without a commit the temporary file goes away with `file`.
    if (!writeAll(head, head_size) || !writeAll(body, body_size) || !file.commit())
        throw Error(file.errorString());
}

struct FrameFileType {
    int clip_type;
    const char* extension;
};

constexpr std::array<FrameFileType, 4> kFrameFileTypes { {
    { kBmpFrameFiles, "bmp" },
    { kGifFrameFiles, "gif" },
    { kJpegFrameFiles, "jpg" },
    { kTiffFrameFiles, "tif" },
} };

} // namespace

bool IsFrameFileType(int clip_type)
{
    return clip_type >= kBmpFrameFiles && clip_type <= kTiffFrameFiles;
}

QString FrameFileName(int clip_type, int frame_number)
{
    for (const FrameFileType& t : kFrameFileTypes) {
        if (t.clip_type == clip_type)
            return QString::asprintf("F%.7d.%s", frame_number, t.extension);
    }
    return {};
}

bool WriteFrameFile(const QString& path, int clip_type, const uint8_t* packed, size_t size, QString& error)
{
    try {
        if (!IsFrameFileType(clip_type))
            throw Error(QStringLiteral("clip type %1 has no frame files").arg(clip_type));
        const PackedFrame frame = readPacked(packed, size);
        if (clip_type == kBmpFrameFiles) {
            const size_t packed_size = validPackedSize(packed, size);
            const Bytes header = bmpFileHeader(frame, packed_size);
            saveFile(path, header.data(), header.size(), packed, packed_size);
            return true;
        }
        const Bytes file = clip_type == kGifFrameFiles ? encodeGif(frame)
            : clip_type == kJpegFrameFiles             ? encodeJpeg(frame)
                                                       : encodeTiff(frame);
        saveFile(path, file.data(), file.size(), nullptr, 0);
        return true;
    } catch (const Error& e) {
        error = QStringLiteral("Unable to write %1: %2").arg(QDir::toNativeSeparators(path), e.message());
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("Unable to write %1: out of memory").arg(QDir::toNativeSeparators(path));
    }
    return false;
}

} // namespace fw
