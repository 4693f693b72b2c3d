#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QFile>
#include <QString>

namespace fw {

// One chunk of an existing RIFF file, as found when the file was opened.
class TRIFFChunk {
public:
    TRIFFChunk(
        uint32_t id, uint32_t form_type, int64_t data_offset, uint32_t data_size, const TRIFFChunk* parent);

    TRIFFChunk(const TRIFFChunk&) = delete;
    TRIFFChunk& operator=(const TRIFFChunk&) = delete;

    // Four-character identifier; "RIFF" and "LIST" chunks keep that id here.
    uint32_t Id() const { return id_; }
    // Form or list type for RIFF and LIST chunks, else 0.
    uint32_t FormType() const { return form_type_; }
    // File position just after the 8-byte chunk header.
    int64_t DataOffset() const { return data_offset_; }
    // Data size as stored in the header (it may claim more than the file holds).
    uint32_t DataSize() const { return data_size_; }
    const TRIFFChunk* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<TRIFFChunk>>& Children() const { return children_; }
    // Loaded only for avih, strh, strf, strn and idx1; empty otherwise.
    const std::vector<uint8_t>& Data() const { return data_; }

private:
    friend class TRIFF;

    uint32_t id_;
    uint32_t form_type_;
    int64_t data_offset_;
    uint32_t data_size_;
    const TRIFFChunk* parent_;
    std::vector<std::unique_ptr<TRIFFChunk>> children_;
    std::vector<uint8_t> data_;
};

// An open RIFF file with its chunk tree: reads and rewrites chunks directly inside the first
// RIFF form, the place a clip's descriptor block lives.
class TRIFF {
public:
    // Opens read-write when `writable`, else read-only; never throws: IsOpen() says whether
    // the file could be opened, Root() is null or has id "    " when it is not a RIFF file.
    explicit TRIFF(const QString& file_name, bool writable = true);
    ~TRIFF();

    TRIFF(const TRIFF&) = delete;
    TRIFF& operator=(const TRIFF&) = delete;

    bool IsOpen() const;
    const TRIFFChunk* Root() const;
    // Direct child of the root RIFF form.
    const TRIFFChunk* FindChild(uint32_t id) const;

    // Overwrites the data of the root's direct child `id` in place. Writes min(size, stored
    // size) bytes from buffer and zero-fills the rest of a larger stored chunk. True when the
    // chunk was found and its whole data area written.
    bool WriteChunkData(uint32_t id, const uint8_t* buffer, int32_t size);
    // Reads the data of the root's direct child `id`: size in = buffer size, out = bytes read
    // (min of both). False when there is no such chunk or it lies beyond the file's end.
    bool ReadChunkData(uint32_t id, uint8_t* buffer, int32_t& size);
    // Adds a chunk `id` inside the first RIFF form when the form has none: into a top-level
    // JUNK chunk big enough to hold it (the rest stays JUNK), else appended at the form's end
    // when the form ends at the end of the file (RIFF size patched, pad byte for odd sizes).
    // False (and the file unchanged) otherwise, e.g. not a RIFF file, or an OpenDML file with
    // RIFF AVIX forms after the first form and no room.
    bool AddChunk(uint32_t id, const uint8_t* data, int32_t size);

private:
    void Parse();
    void ParseChildren(TRIFFChunk& parent, int64_t begin, int64_t end, int depth);
    bool ReadAt(int64_t offset, void* buffer, int64_t size);
    bool WriteAt(int64_t offset, const void* buffer, int64_t size);
    bool CanModify() const;
    bool PlaceInJunk(size_t index, uint32_t id, const uint8_t* data, int32_t size);
    bool AppendToForm(uint32_t id, const uint8_t* data, int32_t size);

    QFile file_;
    bool writable_ = false;
    int64_t file_size_ = 0;
    std::unique_ptr<TRIFFChunk> root_;
    int64_t nested_chunk_count_ = 0;
    // False when the walk over the form's direct children stopped early (read failure or too
    // many chunks): a chunk that seems missing may then exist, so nothing is added.
    bool top_level_complete_ = true;
    // Where the walk over the form's direct children ended (after the last pad byte).
    int64_t top_level_end_ = 0;
};

} // namespace fw
