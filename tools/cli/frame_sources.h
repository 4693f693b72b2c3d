#pragma once

#include <QString>

namespace fw::cli {

// What a path names: a clip, or any file of a numbered TIFF or BAY sequence (the folder's files
// of that extension read as one clip).
enum class SourceKind { Clip, TiffSequence, BaySequence };

// By the file's extension, in either case: .tif/.tiff, .bay, anything else a clip.
SourceKind sourceKindOf(const QString& path);

} // namespace fw::cli
