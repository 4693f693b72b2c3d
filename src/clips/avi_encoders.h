#pragma once

#include <cstdint>
#include <vector>

#include <QString>

namespace fw {

struct CompressionOptions;

// A video encoder of this FFmpeg that can go into an AVI file, keyed by the four-character code
// the compression options keep. Uncompressed frames have the code "DIB " (or 0 in old settings).
struct AviEncoder {
    uint32_t code = 0; // the compressor code of the options
    uint32_t tag = 0; // the code written into the file's stream header (0 for raw DIB rows)
    const char* ffmpeg_name = ""; // avcodec_find_encoder_by_name
    QString display_name;
    bool lossless = false;
    bool has_quality = false; // quality maps onto the encoder's quantiser scale
    bool has_key_frames = false; // frames may depend on earlier ones
};

inline constexpr uint32_t kUncompressedCode = 0x20424944; // "DIB "

// Every encoder this FFmpeg really offers, in the order the compression dialog lists them.
const std::vector<AviEncoder>& AviEncoders();
// The encoder of a compressor code, or null when this FFmpeg has none.
const AviEncoder* FindAviEncoder(uint32_t code);
bool HasAviEncoder(uint32_t code);
// The encoder whose code reads as `text`: one to four characters, a shorter code padded with
// spaces ("DIB" is "DIB "), letters in either case. Null when this FFmpeg offers none.
const AviEncoder* MatchAviEncoder(const QString& text);
// A code as people type it: its characters without the padding ("DIB", "MJPG", "cvid").
QString AviEncoderCodeText(uint32_t code);
// The encoder to preselect and to use for a stored code: its own when available, otherwise
// Motion JPEG, otherwise uncompressed frames. Never null.
const AviEncoder& PreselectedAviEncoder(uint32_t code);

// Quality 0..10000 (larger is better) as the quantiser 31..1 of the MPEG-family encoders.
int QuantiserForQuality(uint32_t quality);

} // namespace fw
