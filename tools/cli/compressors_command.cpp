#include <QJsonArray>
#include <QJsonObject>

#include "cli_common.h"
#include "clips/avi_encoders.h"

namespace fw::cli {

namespace {

int runCompressors(const QStringList& words)
{
    CommandLine command(kCompressorsCommand,
        QStringLiteral("Lists the compressors this machine can write into a clip, one JSON object per\n"
                       "line: code (what convert --compressor takes), name, lossless, and\n"
                       "bits_per_pixel (the frame depths it accepts)."));
    if (!command.parse(words))
        return kExitOk;
    command.expectPositionals(0, "no arguments");
    for (const AviEncoder& encoder : AviEncoders()) {
        // Frames of 8 bits reach every encoder through their colour table.
        writeJson(QJsonObject { { QStringLiteral("code"), AviEncoderCodeText(encoder.code) },
                      { QStringLiteral("name"), encoder.display_name },
                      { QStringLiteral("lossless"), encoder.lossless },
                      { QStringLiteral("bits_per_pixel"), QJsonArray { 8, 24 } } },
            true);
    }
    return kExitOk;
}

} // namespace

const CliCommand kCompressorsCommand { "compressors", "compressors",
    "List the compressors convert can use, one JSON object per line.", runCompressors };

} // namespace fw::cli
