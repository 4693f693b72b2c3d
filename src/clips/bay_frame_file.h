#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

namespace fw {

// A BAY frame file: width x height mosaic bytes followed by the 1024-byte camera record. The
// frame size is told by the file size alone.
struct BayFrameSize {
    int32_t width = 0;
    int32_t height = 0;
    int64_t record_bytes = 0; // mosaic plus camera record

    int64_t MosaicBytes() const { return int64_t(width) * height; }
    int64_t DibBytes() const { return MosaicBytes() * 3; }
    // Files up to 1024 bytes short of the record are still read (their camera record is cut).
    bool AcceptsFileSize(int64_t file_bytes) const
    {
        return file_bytes <= record_bytes && file_bytes >= record_bytes - 1024;
    }
};

// 512 x 144 or 512 x 384, or nothing for any other size.
std::optional<BayFrameSize> BayFrameSizeForFile(int64_t file_bytes);

// Why a frame file could not be read, with the message the user sees.
struct BayReadFailure {
    QString message;
};

// Reads one frame file into `record` (resized to size.record_bytes; bytes beyond a short file
// are zero). Checks in order: the file opens, its size fits the sequence, it reads whole, and
// the camera record carries a known signature.
std::optional<BayReadFailure> ReadBayFrameFile(
    const QString& path, const BayFrameSize& size, std::vector<uint8_t>& record);

// Writes a whole frame record; false when the file cannot be written in full.
bool WriteBayFrameFile(const QString& path, const std::vector<uint8_t>& record);

} // namespace fw
