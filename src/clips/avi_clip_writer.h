#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <QString>

#include "support/fw_error.h"

namespace fw {

struct CompressionOptions;

// Result codes of clip saving: the codes of the AVI file services, passed through unchanged.
namespace avierr {
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kUnsupported = int32_t(0x80044065u);
inline constexpr int32_t kBadFormat = int32_t(0x80044066u);
inline constexpr int32_t kBadParameter = int32_t(0x8004406Au);
inline constexpr int32_t kFileRead = int32_t(0x8004406Du);
inline constexpr int32_t kFileWrite = int32_t(0x8004406Eu);
inline constexpr int32_t kFileOpen = int32_t(0x8004406Fu);
inline constexpr int32_t kCompressor = int32_t(0x80044070u);
inline constexpr int32_t kNoCompressor = int32_t(0x80044071u);
inline constexpr int32_t kBufferTooSmall = int32_t(0x80044074u);
inline constexpr int32_t kUserAbort = int32_t(0x800440C6u);
inline constexpr int32_t kGeneral = int32_t(0x800440C7u);
} // namespace avierr

// A failure of clip writing that carries its result code.
class AviSaveError : public Error {
public:
    AviSaveError(int32_t code, const QString& message)
        : Error(message)
        , code_(code)
    {
    }
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

// Writes packed frames (8-bit with colour table or 24-bit blue-green-red, rows bottom-up) into
// an AVI file with the encoder of the compression options. Uncompressed clips take the rows
// exactly as stored, without conversion. The file grows into OpenDML parts beyond 1 GB. The clip
// is written under a hidden name beside the path and takes the path only when Finish succeeds,
// so a clip already there stays as it was until then; destroying an unfinished writer removes
// what it wrote.
class AviClipWriter {
public:
    // Frames per second = rate / scale, as the stream information gives them.
    AviClipWriter(QString path, const CompressionOptions& options, uint32_t rate, uint32_t scale);
    ~AviClipWriter();

    AviClipWriter(const AviClipWriter&) = delete;
    AviClipWriter& operator=(const AviClipWriter&) = delete;

    // The first frame fixes the clip's size and depth; a later frame that differs is refused.
    // Throws AviSaveError.
    void WriteFrame(const uint8_t* packed, size_t size);
    // Flushes the encoder and completes the file. Throws AviSaveError.
    void Finish();

    int64_t FramesWritten() const;
    QString Path() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace fw
