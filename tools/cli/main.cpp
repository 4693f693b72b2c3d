// framewright-cli: batch access to clip files (facts, frames, descriptor block).
#include <cstdio>
#include <exception>

#include <QCoreApplication>
#include <QStringList>

extern "C" {
#include <libavutil/log.h>
}

#include "cli_common.h"
#include "support/fw_error.h"

namespace {

constexpr const char* kUsage = R"(Usage:
  framewright-cli info FILE
      Print the clip's facts and time base as one JSON object.
  framewright-cli frame FILE INDEX OUT
      Write frame INDEX (0 = first) as OUT: .bmp (8-bit with its colour table, or 24-bit)
      or .png.
  framewright-cli descriptor get FILE
      Print the clip's descriptor block as stored (lines end with a carriage return).
  framewright-cli descriptor set FILE SECTION NAME VALUE
      Set one entry of the descriptor block, e.g. "Timing" "Frame Rate" "2000".
  framewright-cli convert SRC DST --type avi|kfs|bmp|gif|jpeg|tif [--compressor FOURCC]
          [--quality Q] [--first I] [--last I] [--step K] [--settings FILE.ips]
      Save the frames --first to --last of clip SRC (0 = first, both included, every K-th)
      as a new clip DST, or as numbered frame files in folder DST, processed as a preview
      saves them (with the processing settings file when given). The new clip keeps the
      source's descriptor block, its timing moved onto the saved frames. Q runs from 0 to
      10000; without --compressor the frames are stored uncompressed.
  framewright-cli --help | --version

Exit status: 0 success, 1 failure (message on standard error), 2 wrong arguments.
)";

int run(const QStringList& args)
{
    if (args.isEmpty())
        throw fw::cli::UsageError("a command is needed");
    const QString command = args[0];
    const QStringList rest = args.mid(1);
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h")) {
        std::fputs(kUsage, stdout);
        return fw::cli::kExitOk;
    }
    if (command == QStringLiteral("--version")) {
        std::printf("framewright-cli %s\n", FW_VERSION);
        return fw::cli::kExitOk;
    }
    if (command == QStringLiteral("info"))
        return fw::cli::runInfo(rest);
    if (command == QStringLiteral("frame"))
        return fw::cli::runFrame(rest);
    if (command == QStringLiteral("descriptor"))
        return fw::cli::runDescriptor(rest);
    if (command == QStringLiteral("convert"))
        return fw::cli::runConvert(rest);
    throw fw::cli::UsageError("unknown command \"" + command.toStdString() + "\"");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwell"));
    QCoreApplication::setApplicationName(QStringLiteral("Framewright"));
    // The tool reports failures in its own words; the decoder's chatter would bury them.
    av_log_set_level(AV_LOG_QUIET);
    try {
        return run(QCoreApplication::arguments().mid(1));
    } catch (const fw::cli::UsageError& error) {
        std::fprintf(stderr, "framewright-cli: %s\n\n%s", error.what(), kUsage);
        return fw::cli::kExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "framewright-cli: %s\n", error.what());
        return fw::cli::kExitFailure;
    }
}
