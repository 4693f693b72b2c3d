#pragma once

#include <functional>

#include <QString>

namespace fw {

class TAVISTREAM;

// Told the share of a scatter done (1..100) before each frame is written; false stops it.
using ScatterProgress = std::function<bool(int percent)>;

enum class ScatterResult {
    Completed, // every frame written
    Cancelled, // the progress routine stopped it
    Failed, // see the error text
};

// Writes every frame of the stream, in order, as numbered frame files of `clip_type`
// (FrameFileName) into `directory`, which is created with its missing parents. Frame i is told
// to the progress routine as (i + 1) * 100 / frame count before it is written. A frame file
// that cannot be written asks the user Abort, Retry or Ignore; Abort ends the scatter, Ignore
// goes on with the next frame, and the scatter then fails in the end, since the directory is
// incomplete. A stream whose frames cannot be read fails as well.
ScatterResult ScatterFrames(TAVISTREAM& stream, const QString& directory, int clip_type,
    const ScatterProgress& progress, QString& error);

} // namespace fw
