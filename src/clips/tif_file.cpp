#include "clips/tif_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <QSaveFile>

#include "clips/frame_image.h"
#include "clips/tif_errors.h"
#include "clips/tif_file_stream.h"
#include "clips/tif_file_writer.h"
#include "clips/tif_predictor.h"
#include "support/fw_error.h"

namespace fw {

namespace {

constexpr uint32_t kMaxSide = 65535;
// 128 MB of samples: far beyond any imager frame, small enough to allocate safely.
constexpr uint64_t kMaxImageBytes = uint64_t(1) << 27;

// Tags of a frame file hold a few kilobytes; the cap keeps directories whose entries all point
// at the same large block from multiplying it.
constexpr uint64_t kMaxTagBytes = uint64_t(1) << 24;

constexpr uint16_t kNoCompression = 1;
constexpr uint16_t kLzwCompression = 5;

uint16_t DefaultType(uint16_t tag, uint32_t value)
{
    using namespace tif_tag;
    const bool long_tag
        = tag == kNewSubfileType || tag == kStripOffsets || tag == kRowsPerStrip || tag == kStripByteCounts;
    return long_tag || value > 0xFFFF ? uint16_t(TIFType::ttLong) : uint16_t(TIFType::ttShort);
}

template <class Entries> auto FindIn(Entries& entries, uint16_t tag) -> decltype(&entries.front())
{
    const auto it = std::lower_bound(entries.begin(), entries.end(), tag,
        [](const TIFDEntry& entry, uint16_t value) { return entry.Tag() < value; });
    return it != entries.end() && it->Tag() == tag ? &*it : nullptr;
}

int32_t ToInt(uint32_t value)
{
    return int32_t(std::min<uint32_t>(value, uint32_t(std::numeric_limits<int32_t>::max())));
}

} // namespace

TIFFile::TIFFile(QString file_name)
    : file_name_(std::move(file_name))
{
}

bool TIFFile::LoadFrame()
{
    Clear();
    TIFFileStream stream = TIFFileStream::FromFile(file_name_);
    Load(stream);
    return true;
}

void TIFFile::LoadFromBytes(const QByteArray& bytes)
{
    Clear();
    TIFFileStream stream(bytes);
    Load(stream);
}

void TIFFile::Load(TIFFileStream& stream)
{
    try {
        ReadHeader(stream);
        ReadDirectory(stream);
        CheckLayout();
        ReadStrips(stream);
        if (TagValue(tif_tag::kCompression) == kLzwCompression)
            DecodeLzwStrips();
    } catch (...) {
        Clear();
        throw;
    }
    loaded_ = true;
}

void TIFFile::Clear()
{
    entries_.clear();
    strips_.clear();
    pixels_.clear();
    pixels_.shrink_to_fit();
    source_ = SourcePixels {};
    big_endian_ = false;
    loaded_ = false;
    ForgetCache();
}

void TIFFile::ReadHeader(TIFFileStream& stream)
{
    if (stream.Size() < 8)
        throw ReadIdentException();
    uint8_t mark[4] = {};
    stream.ReadBytes(mark, 4);
    static constexpr uint8_t kLittle[4] = { 0x49, 0x49, 0x2A, 0x00 };
    static constexpr uint8_t kBig[4] = { 0x4D, 0x4D, 0x00, 0x2A };
    if (std::memcmp(mark, kLittle, 4) == 0)
        big_endian_ = false;
    else if (std::memcmp(mark, kBig, 4) == 0)
        big_endian_ = true;
    else
        throw ReadIdentException();
    stream.SetBigEndian(big_endian_);
}

void TIFFile::ReadDirectory(TIFFileStream& stream)
{
    stream.Seek(stream.ReadLong());
    const uint16_t count = stream.ReadShort();
    if (!stream.Holds(stream.Position(), uint64_t(count) * 12))
        throw Error("The TIFF directory runs past the end of the file");
    uint64_t tag_bytes = 0;
    for (uint16_t i = 0; i < count; ++i) {
        const size_t next = stream.Position() + 12;
        tag_bytes += ReadEntry(stream);
        if (tag_bytes > kMaxTagBytes)
            throw Error("The TIFF tags hold more data than a frame file can");
        stream.Seek(next);
    }
}

uint64_t TIFFile::ReadEntry(TIFFileStream& stream)
{
    const uint16_t tag = stream.ReadShort();
    const uint16_t type = stream.ReadShort();
    const uint32_t count = stream.ReadLong();
    const int size = TIFTypeSize(type);
    // Types without a known size carry nothing this reader uses.
    if (size == 0)
        return 0;
    const uint64_t total = uint64_t(count) * uint64_t(size);
    if (total > 4) {
        const uint32_t offset = stream.ReadLong();
        if (!stream.Holds(offset, total))
            throw Error(QStringLiteral("The values of TIFF tag %1 lie beyond the end of the file").arg(tag));
        if (total > kMaxTagBytes)
            throw Error("The TIFF tags hold more data than a frame file can");
        stream.Seek(offset);
    }
    TIFDEntry& entry = EntryFor(tag, type, count);
    for (uint32_t i = 0; i < count; ++i) {
        switch (size) {
        case 1:
            entry.SetValue(i, stream.ReadByte());
            break;
        case 2:
            entry.SetValue(i, stream.ReadShort());
            break;
        case 4:
            entry.SetValue(i, stream.ReadLong());
            break;
        default: {
            const double numerator = stream.ReadLong();
            const double denominator = stream.ReadLong();
            entry.SetRational(i, denominator == 0 ? 0 : numerator / denominator);
        }
        }
    }
    return total;
}

void TIFFile::CheckLayout()
{
    using namespace tif_tag;
    const uint32_t compression = TagValue(kCompression);
    if (compression != kNoCompression && compression != kLzwCompression)
        throw Error(QStringLiteral("Unsupported Compression Flavor: %1").arg(compression));
    if (FindTag(kTileWidth) || FindTag(kTileOffsets))
        throw Error("Tiled TIFF files are not supported");
    if (TagValue(kPlanarConfiguration) == 2)
        throw Error("TIFF files with separate colour planes are not supported");
    if (const TIFDEntry* photometric = FindTag(kPhotometric)) {
        const uint32_t value = photometric->Value(0);
        if (value == 0)
            throw Error("TIFF files where zero is white are not supported");
        if (value == 3)
            throw Error("TIFF files with a colour palette are not supported");
        if (value != 1 && value != 2)
            throw Error(QStringLiteral("TIFF photometric interpretation %1 is not supported").arg(value));
    }
    const uint32_t predictor = TagValue(kPredictor);
    if (compression == kLzwCompression && predictor > 2)
        throw Error(QStringLiteral("TIFF predictor %1 is not supported").arg(predictor));
    CheckSamples();
    CheckSize();
}

void TIFFile::CheckSamples()
{
    const int samples = SamplesPerPixel();
    if (samples != 1 && samples != 3)
        throw Error(QStringLiteral("TIFF files with %1 samples per pixel are not supported").arg(samples));
    const TIFDEntry* bits = FindTag(tif_tag::kBitsPerSample);
    for (int i = 0; i < samples; ++i) {
        // TIFF's default is one bit per sample.
        const uint32_t value = bits ? bits->Value(uint32_t(i)) : 1;
        if (value != 8)
            throw Error(QStringLiteral("TIFF files with %1-bit samples are not supported").arg(value));
    }
}

void TIFFile::CheckSize()
{
    const uint32_t width = TagValue(tif_tag::kImageWidth);
    const uint32_t height = TagValue(tif_tag::kImageLength);
    if (width == 0 || height == 0)
        throw Error("The TIFF image has no pixels");
    if (width > kMaxSide || height > kMaxSide
        || uint64_t(width) * height * uint64_t(SamplesPerPixel()) > kMaxImageBytes)
        throw Error(QStringLiteral("The TIFF image of %1 x %2 pixels is too large").arg(width).arg(height));
}

void TIFFile::ReadStrips(TIFFileStream& stream)
{
    const TIFDEntry& offsets = RequiredTag(tif_tag::kStripOffsets);
    const TIFDEntry* counts = FindTag(tif_tag::kStripByteCounts);
    const uint32_t strip_count = StripCount();
    if (offsets.Count() < strip_count || (counts && counts->Count() < strip_count))
        throw Error(QStringLiteral("The TIFF file lists fewer strips than its %1 rows need").arg(Height()));
    const bool compressed = TagValue(tif_tag::kCompression) == kLzwCompression;
    if (compressed && !counts)
        throw MissingTagException(tif_tag::kStripByteCounts);
    strips_.resize(strip_count);
    for (uint32_t i = 0; i < strip_count; ++i) {
        const uint64_t size = compressed ? CompressedStripSize(i) : NeededStripSize(i);
        if (!stream.Holds(offsets.Value(i), size))
            throw Error(QStringLiteral("TIFF strip %1 lies beyond the end of the file").arg(i));
        strips_[i].resize(size_t(size));
        stream.Seek(offsets.Value(i));
        stream.ReadBytes(strips_[i].data(), size_t(size));
    }
}

uint64_t TIFFile::NeededStripSize(uint32_t strip)
{
    const uint64_t needed = uint64_t(RowsInStrip(strip)) * uint64_t(BytesPerRow());
    if (const TIFDEntry* counts = FindTag(tif_tag::kStripByteCounts))
        CheckStripRows(strip, counts->Value(strip));
    // Bytes after the strip's rows are never shown, so they are not read.
    return needed;
}

uint64_t TIFFile::CompressedStripSize(uint32_t strip)
{
    // 12-bit codes for single bytes, plus clears, are the most LZW ever takes; what lies beyond
    // cannot be part of this strip.
    const uint64_t most = 2 * StripSize() + 1024;
    return std::min<uint64_t>(RequiredTag(tif_tag::kStripByteCounts).Value(strip), most);
}

void TIFFile::CheckStripRows(uint32_t strip, uint64_t size)
{
    const uint64_t needed = uint64_t(RowsInStrip(strip)) * uint64_t(BytesPerRow());
    if (size < needed)
        throw Error(
            QStringLiteral("TIFF strip %1 holds %2 bytes, too few for its rows").arg(strip).arg(size));
}

void TIFFile::DecodeLzwStrips()
{
    const bool differenced = TagValue(tif_tag::kPredictor) == 2;
    std::vector<uint8_t> decoded;
    for (uint32_t i = 0; i < strips_.size(); ++i) {
        decoded.resize(size_t(StripSize()));
        const size_t length
            = lzw_.Decode(strips_[i].data(), strips_[i].size(), decoded.data(), decoded.size());
        CheckStripRows(i, length);
        decoded.resize(length);
        if (differenced)
            UndoHorizontalDifferencing(decoded.data(), length, size_t(BytesPerRow()), SamplesPerPixel());
        strips_[i].swap(decoded);
        SetTag(tif_tag::kStripByteCounts, uint32_t(length), 0, i);
    }
    SetTag(tif_tag::kCompression, kNoCompression);
    RemoveTag(tif_tag::kPredictor);
}

uint32_t TIFFile::RowsInStrip(uint32_t strip)
{
    const uint32_t rows = RowsPerStrip();
    const uint64_t first = uint64_t(strip) * rows;
    const uint32_t height = TagValue(tif_tag::kImageLength);
    return first >= height ? 0 : uint32_t(std::min<uint64_t>(rows, height - first));
}

int32_t TIFFile::Width()
{
    return ToInt(Cached(width_, tif_tag::kImageWidth));
}

void TIFFile::SetWidth(int32_t width)
{
    SetTag(tif_tag::kImageWidth, uint32_t(std::max(width, 0)));
}

int32_t TIFFile::Height()
{
    return ToInt(Cached(height_, tif_tag::kImageLength));
}

void TIFFile::SetHeight(int32_t height)
{
    SetTag(tif_tag::kImageLength, uint32_t(std::max(height, 0)));
    strips_.resize(StripCount());
}

int TIFFile::BitsPerSample()
{
    return int(std::min<uint32_t>(Cached(bits_per_sample_, tif_tag::kBitsPerSample), 0xFFFF));
}

void TIFFile::SetBitsPerSample(int bits)
{
    const uint32_t samples = uint32_t(std::max(SamplesPerPixel(), 1));
    const TIFDEntry* current = FindTag(tif_tag::kBitsPerSample);
    const uint16_t type = current ? current->Type() : uint16_t(TIFType::ttShort);
    TIFDEntry& entry = EntryFor(tif_tag::kBitsPerSample, type, samples);
    entry.Resize(samples);
    for (uint32_t i = 0; i < samples; ++i)
        entry.SetValue(i, uint32_t(std::max(bits, 0)));
    ForgetCache();
}

int TIFFile::SamplesPerPixel()
{
    if (!FindTag(tif_tag::kSamplesPerPixel))
        return 1;
    return int(std::min<uint32_t>(Cached(samples_per_pixel_, tif_tag::kSamplesPerPixel), 0xFFFF));
}

void TIFFile::SetSamplesPerPixel(int samples)
{
    const int bits = BitsPerSample();
    SetTag(tif_tag::kSamplesPerPixel, uint32_t(std::max(samples, 0)));
    SetBitsPerSample(bits);
}

uint32_t TIFFile::RowsPerStrip()
{
    const uint32_t rows = Cached(rows_per_strip_, tif_tag::kRowsPerStrip);
    const uint32_t height = TagValue(tif_tag::kImageLength);
    return rows == 0 || rows > height ? height : rows;
}

uint32_t TIFFile::TagValue(uint16_t tag) const
{
    const TIFDEntry* entry = FindTag(tag);
    return entry ? entry->Value(0) : 0;
}

const TIFDEntry* TIFFile::FindTag(uint16_t tag) const
{
    return FindIn(entries_, tag);
}

const TIFDEntry& TIFFile::RequiredTag(uint16_t tag) const
{
    const TIFDEntry* entry = FindTag(tag);
    if (!entry)
        throw MissingTagException(tag);
    return *entry;
}

TIFDEntry& TIFFile::EntryFor(uint16_t tag, uint16_t type, uint32_t count)
{
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), tag,
        [](const TIFDEntry& entry, uint16_t value) { return entry.Tag() < value; });
    if (it != entries_.end() && it->Tag() == tag) {
        *it = TIFDEntry(tag, type, count);
        return *it;
    }
    return *entries_.insert(it, TIFDEntry(tag, type, count));
}

void TIFFile::SetTag(uint16_t tag, uint32_t value, uint16_t type, uint32_t index)
{
    TIFDEntry* current = FindIn(entries_, tag);
    if (type == 0) {
        type = current ? current->Type() : DefaultType(tag, value);
        // A value that does not fit its SHORT entry widens the entry.
        if (TIFTypeSize(type) < 4 && value > 0xFFFF)
            type = uint16_t(TIFType::ttLong);
    }
    if (TIFTypeSize(type) == 0)
        throw Error(QStringLiteral("TIFF type %1 cannot be set").arg(type));
    if (current && current->Type() != type)
        current = &Retyped(*current, type);
    if (!current)
        current = &EntryFor(tag, type, index + 1);
    if (index >= current->Count())
        current->Resize(index + 1);
    current->SetValue(index, value);
    ForgetCache();
}

TIFDEntry& TIFFile::Retyped(TIFDEntry& entry, uint16_t type)
{
    TIFDEntry changed(entry.Tag(), type, entry.Count());
    for (uint32_t i = 0; i < entry.Count(); ++i)
        changed.SetValue(i, entry.Value(i));
    entry = std::move(changed);
    return entry;
}

void TIFFile::RemoveTag(uint16_t tag)
{
    std::erase_if(entries_, [tag](const TIFDEntry& entry) { return entry.Tag() == tag; });
    ForgetCache();
}

void TIFFile::ForgetCache()
{
    width_.reset();
    height_.reset();
    bits_per_sample_.reset();
    samples_per_pixel_.reset();
    rows_per_strip_.reset();
    source_ = SourcePixels {};
}

uint32_t TIFFile::Cached(std::optional<uint32_t>& slot, uint16_t tag)
{
    if (!slot)
        slot = TagValue(tag);
    return *slot;
}

int64_t TIFFile::BytesPerRow()
{
    return int64_t(SamplesPerPixel()) * BitsPerSample() / 8 * Width();
}

uint32_t TIFFile::StripCount()
{
    const uint32_t rows = RowsPerStrip();
    if (rows == 0)
        return 0;
    const uint32_t height = TagValue(tif_tag::kImageLength);
    return height / rows + (height % rows ? 1 : 0);
}

uint64_t TIFFile::StripSize()
{
    return uint64_t(Width()) * uint64_t(SamplesPerPixel()) * uint64_t(BitsPerSample() / 8) * RowsPerStrip();
}

std::vector<uint8_t>& TIFFile::Strip(size_t index)
{
    if (index >= strips_.size())
        throw Error(QStringLiteral("TIFF strip %1 does not exist").arg(index));
    source_ = SourcePixels {};
    return strips_[index];
}

void TIFFile::BuildPixels()
{
    const int32_t width = Width();
    const int32_t height = Height();
    const int samples = SamplesPerPixel();
    const size_t row_bytes = size_t(dibRowBytes(width, samples * 8));
    const size_t image_row = size_t(BytesPerRow());
    const uint32_t rows_per_strip = RowsPerStrip();
    pixels_.assign(row_bytes * size_t(height), 0);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t strip = uint32_t(y) / rows_per_strip;
        const size_t start = size_t(uint32_t(y) % rows_per_strip) * image_row;
        if (strip >= strips_.size() || strips_[strip].size() < start + image_row)
            throw Error("The TIFF strips do not hold the whole image");
        const uint8_t* in = strips_[strip].data() + start;
        // Bottom-up: image row 0 is the frame's last row.
        uint8_t* out = pixels_.data() + size_t(height - 1 - y) * row_bytes;
        if (samples == 1) {
            std::memcpy(out, in, image_row);
            continue;
        }
        for (int32_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    source_ = SourcePixels { pixels_.data(), width, height, int32_t(row_bytes), samples };
}

void TIFFile::ExtractRect(
    uint8_t* output, const FrameRect& rect, TSharpener* sharpener, int32_t out_w, int32_t out_h)
{
    if (!loaded_)
        throw Error("No frame loaded");
    if (!source_.pixels)
        BuildPixels();
    ExtractFromPixels(source_, output, rect, sharpener, out_w, out_h);
}

void TIFFile::SaveToFile(const QString& file_name)
{
    QByteArray bytes;
    if (!entries_.empty())
        bytes = WriteTIFFile(SavedEntries(), strips_, StripSize());
    QSaveFile file(file_name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Error(QStringLiteral("Cannot write %1: %2").arg(file_name, file.errorString()));
}

std::vector<TIFDEntry> TIFFile::SavedEntries()
{
    using namespace tif_tag;
    const uint32_t strip_count = StripCount();
    const uint64_t strip_size = StripSize();
    if (strip_size > std::numeric_limits<uint32_t>::max())
        throw Error("The TIFF strips would exceed 4 GB");
    TIFFile layout;
    layout.entries_ = entries_;
    // The strips are written as they are held: uncompressed, undifferenced.
    layout.SetTag(kCompression, kNoCompression);
    layout.RemoveTag(kPredictor);
    layout.RemoveTag(kStripOffsets);
    layout.RemoveTag(kStripByteCounts);
    for (uint32_t i = 0; i < strip_count; ++i) {
        layout.SetTag(kStripOffsets, 0, uint16_t(TIFType::ttLong), i);
        layout.SetTag(kStripByteCounts, uint32_t(strip_size), uint16_t(TIFType::ttLong), i);
    }
    return std::move(layout.entries_);
}

} // namespace fw
