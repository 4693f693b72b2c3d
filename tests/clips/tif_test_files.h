#pragma once

// TIFF files for the reader's tests: written by libtiff, the independent implementation, or
// assembled byte by byte where a test needs a layout libtiff would not write.

#include <tiffio.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>

namespace fw::tif_test {

struct Layout {
    uint32_t width = 37;
    uint32_t height = 50;
    uint16_t samples = 3;
    uint16_t bits = 8;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t predictor = PREDICTOR_NONE;
    uint32_t rows_per_strip = 7;
    bool big_endian = false;
    int photometric = -1; // -1: from the samples
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint32_t tile_side = 0; // 0: strips
};

// Gradients with noise, so LZW finds repeats but also fills and resets its table.
inline std::vector<uint8_t> TestSamples(size_t count, uint32_t seed = 1)
{
    std::vector<uint8_t> samples(count);
    uint32_t state = seed;
    for (size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        samples[i] = uint8_t(i / 97 + ((state >> 24) & 0x0F));
    }
    return samples;
}

// Writes the picture `samples` (top row first, width x samples bytes a row for 8-bit) with
// libtiff; false when libtiff refuses.
inline bool WriteWithLibtiff(
    const std::string& path, const Layout& layout, const std::vector<uint8_t>& samples)
{
    TIFF* tif = TIFFOpen(path.c_str(), layout.big_endian ? "wb" : "wl");
    if (!tif)
        return false;
    const uint16_t photometric = layout.photometric >= 0 ? uint16_t(layout.photometric)
        : layout.samples == 3                            ? uint16_t(PHOTOMETRIC_RGB)
                                                         : uint16_t(PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, layout.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, layout.height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, layout.planar);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.compression);
    if (layout.predictor != PREDICTOR_NONE)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, layout.predictor);
    if (photometric == PHOTOMETRIC_PALETTE) {
        std::vector<uint16_t> map(size_t(1) << layout.bits, 0);
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    }
    bool ok = true;
    if (layout.tile_side) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, layout.tile_side);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, layout.tile_side);
        std::vector<uint8_t> tile(size_t(TIFFTileSize(tif)), 0x55);
        for (uint32_t t = 0; t < TIFFNumberOfTiles(tif) && ok; ++t)
            ok = TIFFWriteEncodedTile(tif, t, tile.data(), tmsize_t(tile.size())) >= 0;
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, layout.rows_per_strip);
        const size_t planes = layout.planar == PLANARCONFIG_SEPARATE ? layout.samples : 1;
        const size_t row_bytes = size_t(layout.width) * layout.bits / 8 * (layout.samples / planes);
        std::vector<uint8_t> row;
        for (size_t plane = 0; plane < planes && ok; ++plane) {
            for (uint32_t y = 0; y < layout.height && ok; ++y) {
                row.assign(samples.begin() + std::ptrdiff_t(((plane * layout.height) + y) * row_bytes),
                    samples.begin() + std::ptrdiff_t(((plane * layout.height) + y + 1) * row_bytes));
                ok = TIFFWriteScanline(tif, row.data(), y, uint16_t(plane)) >= 0;
            }
        }
    }
    TIFFClose(tif);
    return ok;
}

// Every strip as libtiff decodes it, joined: the picture top row first, cut to its rows.
inline std::vector<uint8_t> ReadWithLibtiff(const std::string& path, uint32_t* strips = nullptr)
{
    std::vector<uint8_t> picture;
    // "c": strips as stored, not chopped into smaller ones.
    TIFF* tif = TIFFOpen(path.c_str(), "rc");
    if (!tif)
        return picture;
    std::vector<uint8_t> strip(size_t(TIFFStripSize(tif)));
    for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
        const tmsize_t got = TIFFReadEncodedStrip(tif, s, strip.data(), tmsize_t(strip.size()));
        if (got < 0) {
            picture.clear();
            break;
        }
        picture.insert(picture.end(), strip.begin(), strip.begin() + got);
    }
    if (strips)
        *strips = TIFFNumberOfStrips(tif);
    TIFFClose(tif);
    return picture;
}

// A little- or big-endian file assembled entry by entry: header, one directory at offset 8,
// then whatever data the test appends.
class RawTiff {
public:
    explicit RawTiff(bool big_endian = false)
        : big_(big_endian)
    {
        bytes_.append(big_ ? "MM" : "II", 2);
        Short(42);
        Long(8);
    }

    void Short(uint32_t value) { Put(value, 2); }
    void Long(uint32_t value) { Put(value, 4); }
    void Bytes(const std::vector<uint8_t>& data)
    {
        bytes_.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    }
    // One 12-byte entry whose value field holds `value` left-justified as its type stores it.
    void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value)
    {
        Short(tag);
        Short(type);
        Long(count);
        if (type == 3 && count == 1) {
            Short(value);
            Short(0);
        } else if (type == 1 && count <= 4) {
            Long(big_ ? value << (8 * (4 - count)) : value);
        } else {
            Long(value);
        }
    }
    struct Field {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        uint32_t value;
    };
    // The entry count, the entries and a next-directory offset of 0.
    void Directory(std::initializer_list<Field> fields)
    {
        Short(uint32_t(fields.size()));
        for (const Field& f : fields)
            Entry(f.tag, f.type, f.count, f.value);
        Long(0);
    }
    size_t Size() const { return size_t(bytes_.size()); }
    const QByteArray& Data() const { return bytes_; }

private:
    void Put(uint32_t value, int size)
    {
        for (int i = 0; i < size; ++i) {
            const int shift = big_ ? 8 * (size - 1 - i) : 8 * i;
            bytes_.append(char((value >> shift) & 0xFF));
        }
    }

    bool big_;
    QByteArray bytes_;
};

// A directory of `entries` grey 8-bit tags for a width x height picture in one uncompressed
// strip at `strip_offset` of `strip_bytes` bytes; the caller appends the data.
inline RawTiff GreyTiff(uint32_t width, uint32_t height, uint32_t strip_offset, uint32_t strip_bytes,
    uint16_t compression = 1, bool big_endian = false)
{
    RawTiff raw(big_endian);
    raw.Directory({ { 256, 3, 1, width }, { 257, 3, 1, height }, { 258, 3, 1, 8 }, { 259, 3, 1, compression },
        { 262, 3, 1, 1 }, { 273, 4, 1, strip_offset }, { 277, 3, 1, 1 }, { 279, 4, 1, strip_bytes } });
    return raw;
}

// Offset of the first byte after GreyTiff's directory.
constexpr uint32_t kGreyDataOffset = 8 + 2 + 8 * 12 + 4;

// A camera block of an HG imager (camera ID 7, session 3, exposure code 3, 2001-02-28
// 14:05:09) recording at the rate of `rate_code`.
inline std::vector<uint8_t> CameraBlock(uint8_t rate_code)
{
    std::vector<uint8_t> block(123, 0);
    std::memcpy(block.data(), "EK ML TIF", 9);
    block[10] = 1;
    block[11] = 3;
    block[12] = 7;
    block[13] = rate_code;
    block[15] = 3;
    const uint8_t when[] = { 0x09, 0x05, 0x14, 0x28, 0x02, 0x01 };
    std::memcpy(block.data() + 35, when, sizeof when);
    return block;
}

// An 8-bit grey picture (`pixels`: top row first) in one strip behind a camera block; with a
// negative `rate_code` the block's bytes sit under a tag no reader knows, so there is none.
inline QByteArray GreyTiffWithCamera(
    uint32_t width, uint32_t height, const std::vector<uint8_t>& pixels, int rate_code)
{
    constexpr uint32_t kBlockAt = 8 + 2 + 9 * 12 + 4;
    const std::vector<uint8_t> block = CameraBlock(uint8_t(rate_code < 0 ? 0 : rate_code));
    const auto block_bytes = uint32_t(block.size());
    RawTiff raw;
    raw.Directory(
        { { 256, 3, 1, width }, { 257, 3, 1, height }, { 258, 3, 1, 8 }, { 259, 3, 1, 1 }, { 262, 3, 1, 1 },
            { 273, 4, 1, kBlockAt + block_bytes }, { 277, 3, 1, 1 }, { 279, 4, 1, width * height },
            { uint16_t(rate_code >= 0 ? 34071 : 34072), 1, block_bytes, kBlockAt } });
    raw.Bytes(block);
    raw.Bytes(pixels);
    return raw.Data();
}

} // namespace fw::tif_test
