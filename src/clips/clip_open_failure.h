#pragma once

#include <QString>

namespace fw {

// The first line of every failure to open a clip file.
inline constexpr const char* kStreamOpenFailed = "Stream Open Failed";

// "Stream Open Failed", then on a second line (after a carriage return, as the program's
// multi-line messages are written) what is wrong with the file as far as it can be told: it is
// missing or unreadable (the system's reason), a folder or a device, empty, no RIFF file, a RIFF
// file of another kind, or an AVI file whose headers the demuxer refuses (`av_error`, FFmpeg's
// code, 0 when unknown).
QString StreamOpenFailure(const QString& file_name, int av_error = 0);

// The second line alone.
QString ClipOpenCause(const QString& file_name, int av_error = 0);

// Why a clip that opened gives no frames at all.
inline constexpr const char* kNoVideoStream = "The file has no video stream";

} // namespace fw
