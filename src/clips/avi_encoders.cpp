#include "clips/avi_encoders.h"

#include <algorithm>

#include "clips/compression_options.h"
#include "clips/ffmpeg_handles.h"

namespace fw {

namespace {

struct Candidate {
    uint32_t code;
    uint32_t tag;
    const char* ffmpeg_name;
    const char* display_name;
    bool lossless;
    bool has_quality;
    bool has_key_frames;
};

// Ut Video chooses its variant from the pixel format; "ULRG" is planar RGB, "ULY0" 4:2:0.
const Candidate kCandidates[] = {
    { kUncompressedCode, 0, "rawvideo", "Full Frames (Uncompressed)", true, false, false },
    { fourcc('M', 'J', 'P', 'G'), fourcc('M', 'J', 'P', 'G'), "mjpeg", "Motion JPEG", false, true, false },
    { fourcc('F', 'F', 'V', '1'), fourcc('F', 'F', 'V', '1'), "ffv1", "FFV1 Lossless", true, false, false },
    { fourcc('U', 'L', 'R', 'G'), fourcc('U', 'L', 'R', 'G'), "utvideo", "Ut Video RGB", true, false, false },
    { fourcc('U', 'L', 'Y', '0'), fourcc('U', 'L', 'Y', '0'), "utvideo", "Ut Video YUV 4:2:0", false, false,
        false },
    { fourcc('H', 'F', 'Y', 'U'), fourcc('H', 'F', 'Y', 'U'), "huffyuv", "HuffYUV", true, false, false },
    { fourcc('c', 'v', 'i', 'd'), fourcc('c', 'v', 'i', 'd'), "cinepak", "Cinepak Codec", false, false,
        true },
    { fourcc('M', 'S', 'V', 'C'), fourcc('M', 'S', 'V', 'C'), "msvideo1", "Microsoft Video 1", false, false,
        true },
    { fourcc('C', 'R', 'A', 'M'), fourcc('C', 'R', 'A', 'M'), "msvideo1", "Microsoft Video 1 (CRAM)", false,
        false, true },
    { fourcc('F', 'M', 'P', '4'), fourcc('F', 'M', 'P', '4'), "mpeg4", "MPEG-4 Part 2", false, true, true },
    { fourcc('X', 'V', 'I', 'D'), fourcc('X', 'V', 'I', 'D'), "mpeg4", "MPEG-4 Part 2 (XVID)", false, true,
        true },
};

std::vector<AviEncoder> probeEncoders()
{
    std::vector<AviEncoder> found;
    for (const Candidate& c : kCandidates) {
        // Raw DIB rows go to the muxer as they are: they need no encoder.
        if (c.code != kUncompressedCode && !avcodec_find_encoder_by_name(c.ffmpeg_name))
            continue;
        found.push_back(AviEncoder { c.code, c.tag, c.ffmpeg_name, QString::fromLatin1(c.display_name),
            c.lossless, c.has_quality, c.has_key_frames });
    }
    return found;
}

} // namespace

const std::vector<AviEncoder>& AviEncoders()
{
    static const std::vector<AviEncoder> encoders = probeEncoders();
    return encoders;
}

const AviEncoder* FindAviEncoder(uint32_t code)
{
    if (code == 0)
        code = kUncompressedCode;
    const auto& all = AviEncoders();
    const auto it
        = std::find_if(all.begin(), all.end(), [code](const AviEncoder& e) { return e.code == code; });
    return it == all.end() ? nullptr : &*it;
}

bool HasAviEncoder(uint32_t code)
{
    return FindAviEncoder(code) != nullptr;
}

const AviEncoder* MatchAviEncoder(const QString& text)
{
    if (text.isEmpty() || text.size() > 4)
        return nullptr;
    const QString wanted = text.leftJustified(4, QLatin1Char(' '));
    for (const AviEncoder& encoder : AviEncoders()) {
        if (wanted.compare(
                AviEncoderCodeText(encoder.code).leftJustified(4, QLatin1Char(' ')), Qt::CaseInsensitive)
            == 0)
            return &encoder;
    }
    return nullptr;
}

QString AviEncoderCodeText(uint32_t code)
{
    QString text;
    for (int i = 0; i < 4; ++i)
        text += QChar::fromLatin1(char((code >> (8 * i)) & 0xff));
    while (text.endsWith(QLatin1Char(' ')) || text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

const AviEncoder& PreselectedAviEncoder(uint32_t code)
{
    for (uint32_t choice : { code, fourcc('M', 'J', 'P', 'G') }) {
        if (const AviEncoder* encoder = FindAviEncoder(choice))
            return *encoder;
    }
    return AviEncoders().front(); // uncompressed frames are always there
}

int QuantiserForQuality(uint32_t quality)
{
    const uint32_t q = std::min(quality, kMaxQuality);
    return 1 + int((kMaxQuality - q) * 30 / kMaxQuality);
}

} // namespace fw
