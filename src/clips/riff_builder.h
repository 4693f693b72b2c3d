#pragma once

#include <cstdint>
#include <vector>

#include <QString>

namespace fw {

// One chunk of a file under construction.
struct TChunk {
    uint32_t id = 0; // for a list, its list type ("movi") instead of "LIST"
    int64_t data_offset = 0; // just after the 8-byte header, from the start of the file
    uint32_t size = 0;
    int32_t parent = -1; // index into the builder's chunk list; -1 for the root
    bool size_pending = false; // the header does not hold the size yet
};

// Assembles a complete RIFF file in memory and writes it out in one go when closed, so a
// capture writing frame after frame never waits for the disk. The target file appears only
// when Close() succeeds: the bytes go to a temporary file in the same folder that is then
// renamed, and a failed write leaves no half-written file under the target name.
class TRIFFNew {
public:
    // Reserves room for (frame_size + 24) x (frame_count + 1) bytes (the area grows when that
    // is exceeded), then begins the "RIFF" form of type form_type. Throws fw::Error.
    TRIFFNew(const QString& file_name, int32_t frame_count, int32_t frame_size, uint32_t form_type);
    // Writes the file when Close() has not run yet; errors are swallowed here.
    ~TRIFFNew();

    TRIFFNew(const TRIFFNew&) = delete;
    TRIFFNew& operator=(const TRIFFNew&) = delete;

    void Write(const void* data, int64_t length);
    int64_t Position() const { return position_; }
    void SeekFromStart(int64_t offset);

    // Direct access for producers that fill the area themselves: View(length) makes room for
    // length bytes at the current position and returns their address; after filling them,
    // SetPosition(address + length) moves past them. Addresses stay valid until the next call
    // that makes room (Write, View, BeginChunk ...).
    uint8_t* View(int64_t length);
    void SetPosition(const uint8_t* address);
    // Declares length bytes at address final, counting them into the file even when the
    // position has not passed them.
    void Flush(const uint8_t* address, int64_t length);

    void BeginChunk(uint32_t id, uint32_t size);
    void BeginChunk(uint32_t id) { BeginChunk(id, 0); }
    void BeginList(uint32_t list_type);
    // Begins a list whose data (after its type) starts on a 512-byte boundary of the file,
    // with a "JUNK" chunk in front when padding is needed.
    void BeginAlignedList(uint32_t list_type);
    void EndChunk();
    // First chunk with the id (a list by its list type); null when there is none.
    const TChunk* FindChunk(uint32_t id) const;
    // Rewrites the start of chunk `id` with up to its size in bytes; the position stays.
    // False when there is no such chunk.
    bool OverwriteChunk(uint32_t id, const void* data, int64_t length);
    void WriteChunk(uint32_t id, const void* data, int64_t length);
    // Closes the open chunks down to the form with an "idx1" index of the "movi" list, and
    // writes every size not yet in its header.
    void Finish();
    // Writes the file; throws fw::Error "RIFF File Error <errno>\r<file name>" on failure.
    void Close();
    // Drops what was built: no file is written, now or when the builder is destroyed.
    void Discard();

    const std::vector<TChunk>& Chunks() const { return chunks_; }

private:
    void Reserve(int64_t end);
    [[noreturn]] void Throw(const char* what, int error_number) const;
    void Release();
    void PatchSize(const TChunk& chunk);
    void WriteFile();

    QString file_name_;
    uint8_t* view_ = nullptr;
    int64_t capacity_ = 0;
    int64_t position_ = 0;
    int64_t highest_ = 0;
    int32_t current_ = -1;
    std::vector<TChunk> chunks_;
    bool closed_ = false;
};

} // namespace fw
