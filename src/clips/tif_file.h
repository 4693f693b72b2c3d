#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "clips/image_filer.h"
#include "clips/tif_entry.h"
#include "clips/tif_lzw.h"

namespace fw {

class TIFFileStream;

// TIFF tags the reader and writer use.
namespace tif_tag {
constexpr uint16_t kNewSubfileType = 254;
constexpr uint16_t kImageWidth = 256;
constexpr uint16_t kImageLength = 257;
constexpr uint16_t kBitsPerSample = 258;
constexpr uint16_t kCompression = 259;
constexpr uint16_t kPhotometric = 262;
constexpr uint16_t kStripOffsets = 273;
constexpr uint16_t kSamplesPerPixel = 277;
constexpr uint16_t kRowsPerStrip = 278;
constexpr uint16_t kStripByteCounts = 279;
constexpr uint16_t kPlanarConfiguration = 284;
constexpr uint16_t kPredictor = 317;
constexpr uint16_t kTileWidth = 322;
constexpr uint16_t kTileOffsets = 324;
constexpr uint16_t kCameraBlock = 34071;
} // namespace tif_tag

// One TIFF frame file: the tags of its first directory and its strips, uncompressed after
// loading. Reads 8-bit grey and 8-bit-per-sample RGB pictures stored in strips, uncompressed or
// LZW (with or without horizontal differencing), in either byte order; refuses every other
// layout with a message rather than showing it wrongly. Writes little-endian, uncompressed files.
class TIFFile : public TImageFiler {
public:
    TIFFile() = default;
    explicit TIFFile(QString file_name);

    void SetFileName(const QString& file_name) { file_name_ = file_name; }
    const QString& FileName() const { return file_name_; }

    // Reads the file named by SetFileName. Throws ReadIdentException, MissingTagException or
    // fw::Error with the reason; the file is then not loaded. Returns true.
    bool LoadFrame() override;
    // The same from bytes already in memory.
    void LoadFromBytes(const QByteArray& bytes);
    bool Loaded() const { return loaded_; }
    // Forgets tags, strips and cached values.
    void Clear();

    int32_t Width() override;
    void SetWidth(int32_t width) override;
    int32_t Height() override;
    // Also sizes the strip list.
    void SetHeight(int32_t height) override;
    int BitsPerSample() override;
    // Writes the value for every sample.
    void SetBitsPerSample(int bits) override;
    // 1 when the tag is absent, as TIFF defines.
    int SamplesPerPixel() override;
    void SetSamplesPerPixel(int samples) override;
    // RowsPerStrip, where 0, absent or more than the image mean the image height.
    uint32_t RowsPerStrip();

    // Value 0 of the tag, 0 when absent.
    uint32_t TagValue(uint16_t tag) const;
    const TIFDEntry* FindTag(uint16_t tag) const;
    // Throws MissingTagException when the tag is absent.
    const TIFDEntry& RequiredTag(uint16_t tag) const;
    // Type 0 keeps the entry's type; a new entry is LONG for tags 254, 273, 278 and 279 and
    // SHORT otherwise, and values that do not fit a SHORT make it LONG. The entry grows to
    // index + 1 values when it is shorter.
    void SetTag(uint16_t tag, uint32_t value, uint16_t type = 0, uint32_t index = 0);
    void RemoveTag(uint16_t tag);
    // Sorted by tag, one entry per tag.
    const std::vector<TIFDEntry>& Entries() const { return entries_; }

    // (samples x bits per sample) / 8 x width.
    int64_t BytesPerRow();
    uint32_t StripCount();
    // Width x samples x bytes per sample x rows per strip.
    uint64_t StripSize();
    size_t StripListSize() const { return strips_.size(); }
    // The bytes of strip i, top row first; SaveToFile pads or cuts each to StripSize().
    std::vector<uint8_t>& Strip(size_t index);

    void ExtractRect(
        uint8_t* output, const FrameRect& rect, TSharpener* sharpener, int32_t out_w, int32_t out_h) override;
    // Writes the tags and strips as a little-endian, uncompressed file, with the strip offsets
    // and byte counts of that layout. An empty tag list gives an empty file. Throws fw::Error.
    void SaveToFile(const QString& file_name) override;

private:
    void Load(TIFFileStream& stream);
    void ReadHeader(TIFFileStream& stream);
    void ReadDirectory(TIFFileStream& stream);
    // Returns the bytes the entry's values take.
    uint64_t ReadEntry(TIFFileStream& stream);
    void CheckLayout();
    void CheckSamples();
    void CheckSize();
    void ReadStrips(TIFFileStream& stream);
    uint64_t NeededStripSize(uint32_t strip);
    uint64_t CompressedStripSize(uint32_t strip);
    void DecodeLzwStrips();
    // Rows of the image in strip i.
    uint32_t RowsInStrip(uint32_t strip);
    void CheckStripRows(uint32_t strip, uint64_t size);
    TIFDEntry& EntryFor(uint16_t tag, uint16_t type, uint32_t count);
    // The entry with its values kept under another type.
    static TIFDEntry& Retyped(TIFDEntry& entry, uint16_t type);
    void ForgetCache();
    uint32_t Cached(std::optional<uint32_t>& slot, uint16_t tag);
    void BuildPixels();
    // The entries as SaveToFile writes them, strip offsets still 0.
    std::vector<TIFDEntry> SavedEntries();

    QString file_name_;
    std::vector<TIFDEntry> entries_;
    std::vector<std::vector<uint8_t>> strips_;
    bool big_endian_ = false;
    bool loaded_ = false;
    std::optional<uint32_t> width_;
    std::optional<uint32_t> height_;
    std::optional<uint32_t> bits_per_sample_;
    std::optional<uint32_t> samples_per_pixel_;
    std::optional<uint32_t> rows_per_strip_;
    TIFLzwDecoder lzw_;
    // The picture as a bottom-up frame, built on the first extraction after loading.
    std::vector<uint8_t> pixels_;
    SourcePixels source_;
};

} // namespace fw
