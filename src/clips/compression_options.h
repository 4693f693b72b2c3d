#pragma once

#include <cstdint>

#include <QString>

namespace fw {

constexpr uint32_t fourcc(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16
        | uint32_t(uint8_t(d)) << 24;
}

class SettingsStore;

// Flag bits of the options record.
inline constexpr uint32_t kCompressKeyFrames = 4; // "key frame every" is meant
inline constexpr uint32_t kCompressValid = 8; // the record holds chosen values

// The compression options of one clip stream, as the compression dialog fills them and the
// settings store keeps them. The encoder settings are derived from these fields when a clip is
// written, so there is no opaque encoder state to carry beside them.
struct CompressionOptions {
    uint32_t fccType = fourcc('v', 'i', 'd', 's');
    uint32_t fccHandler = fourcc('i', 'v', '3', '2');
    uint32_t dwKeyFrameEvery = 6;
    uint32_t dwQuality = 10000; // 0..10000
    uint32_t dwBytesPerSecond = 0;
    uint32_t dwFlags = kCompressKeyFrames | kCompressValid;
    uint32_t dwInterleaveEvery = 0;
    bool options_ok = false; // the user confirmed these options
};

inline constexpr uint32_t kMaxQuality = 10000;

// The compressor code of a stored "Handler": its first four characters, zero-padded.
uint32_t HandlerCode(const QString& handler);
// The stored text of a compressor code: up to four characters, without the zero padding.
QString HandlerText(uint32_t code);

// Reads the options of `section`; when that section does not exist, "Codec" is read instead.
// Fields that are not stored start from their loaded defaults.
CompressionOptions LoadCompression(const SettingsStore& store, const QString& section);
// Always writes the stream's own section.
void StoreCompression(SettingsStore& store, const QString& section, const CompressionOptions& options);

} // namespace fw
