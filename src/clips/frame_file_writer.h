#pragma once

#include <cstddef>
#include <cstdint>

#include <QString>

namespace fw {

// Clip types that write a clip as a directory of numbered frame files.
constexpr int kBmpFrameFiles = 3;
constexpr int kGifFrameFiles = 4;
constexpr int kJpegFrameFiles = 5;
constexpr int kTiffFrameFiles = 6;

bool IsFrameFileType(int clip_type);

// "F", the frame's 0-based index in seven digits and the type's extension: the first frame of
// a bitmap directory is "F0000000.bmp". Empty for types that are not frame file types.
QString FrameFileName(int clip_type, int frame_number);

// Writes one packed frame (header, colour table, bottom-up rows) as a BMP, GIF, JPEG or TIFF
// file. BMP files hold the packed frame unchanged; JPEG files have quality 100; 8-bit frames
// keep their palette where the format has one (grey palettes become grey JPEG and TIFF files),
// 24-bit frames become colour files (GIF through a palette chosen from the frame). The file
// appears under `path` only when complete: on failure nothing is left and `error` says why.
bool WriteFrameFile(const QString& path, int clip_type, const uint8_t* packed, size_t size, QString& error);

} // namespace fw
