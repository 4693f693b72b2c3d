#pragma once

#include <QString>

#include "clips/base_avi.h"

namespace fw {
class TBayer;
}

namespace fw::cli {

// Without a settings file the frames go out as read. With one, they are processed as an import
// preview would process them with the file loaded into its controls (for a clip or a TIFF
// sequence cropping and resizing included; a BAY frame keeps its size).
void applyProcessing(TBaseAVI& stream, const QString& settings_path);
void applyProcessing(TBayer& bayer, const QString& settings_path);

} // namespace fw::cli
