#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QString>

#include "clips/avi_encoders.h"
#include "clips/avi_stream.h"
#include "clips/compression_options.h"
#include "frame_sources.h"

namespace fw {
class TBayer;
}

namespace fw::cli {

// Clip types 1..6 as the streams number them, and BAY files, which only a BAY source writes.
constexpr int kBayFilesType = 7;

// What a conversion or a download saves, and where.
struct ConvertRequest {
    QString source;
    QString target;
    SourceKind kind = SourceKind::Clip;
    int type = 0; // clip type 1..6, or kBayFilesType
    uint32_t compressor = kUncompressedCode;
    uint32_t quality = kMaxQuality;
    std::optional<int32_t> first;
    std::optional<int32_t> last;
    int32_t step = 1;
    QString settings;
};

// --type avi|kfs|bmp|gif|jpeg|tif|bay; throws UsageError for anything else.
int clipTypeOf(const QString& name);
// A whole number of an option within low..high; throws UsageError.
int32_t wholeNumber(const QString& option, const QString& text, int32_t low, int32_t high);
// The code of a compressor this machine can write; throws UsageError with the available codes.
uint32_t compressorOf(const QString& text);

class CommandLine;

// A download's --compressor, --first, --last and --step into `save`; throws UsageError for a
// wrong value or a --first after --last.
void readDownloadRange(const CommandLine& command, ConvertRequest& save);

// A clip file carrying `descriptor`, or frame files in a folder; nothing half-written is left.
void saveFrames(TAVISTREAM& stream, const std::string& descriptor, const ConvertRequest& request);
// Runs `save` into a fresh folder beside the target and moves the result into place.
void convertToDirectory(const ConvertRequest& request, const std::function<void(const QString&)>& save);
// Writes the chosen frames as BAY files under their own names, each stamped with the processing
// block and its frame time (from 0, advancing by step / rate).
void saveBayFiles(TBayer& source, const QString& folder, const QString& shown_name);

} // namespace fw::cli
