#include "shell/clip_open_message.h"

#include "clips/avi_stream.h"

namespace fw {

namespace {

const char* const kCompressorTable[] = {
    "IV31 - Intel Indeo\u00AE R3.1",
    "IV32 - Intel Indeo\u00AE R3.2",
    "IV41 - Intel Indeo\u00AE Video Interactive 32-bit Driver",
    "IV50 - Intel Indeo\u00AE Video 5.0",
    "MPG4 - MPEG-4 Video High Speed Compressor (MT)",
    "MRLE - Microsoft RLE",
    "MSVC - Microsoft Video 1",
    "TR20 - Duck TrueMotion Codec",
    "UCOD - ClearVideo Decoder Driver",
    "VDOM - VDOnet VDOWave Video Codec",
    "VIVO - Vivo H.263 Video CODEC Version 2.0.0",
};

} // namespace

QString ClipDriverHint(uint32_t compressor)
{
    const QString code = fourccText(compressor).toUpper();
    QString hint = code;
    for (const char* entry : kCompressorTable) {
        const QString text = QString::fromUtf8(entry);
        if (text.contains(code))
            hint = text;
    }
    return hint;
}

QString ClipOpenFailureMessage(
    const QString& path, bool info_readable, uint32_t compressor, const QString& failure)
{
    QString message = QStringLiteral("File ") + path;
    if (info_readable)
        message += QStringLiteral(" requires driver ") + ClipDriverHint(compressor);
    return message + QLatin1Char('\r') + failure;
}

} // namespace fw
