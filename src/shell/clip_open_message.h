#pragma once

#include <cstdint>

#include <QString>

namespace fw {

// The driver a clip window names when it cannot open a clip: the compressor's table entry, or
// its four-character code when the table does not know it.
QString ClipDriverHint(uint32_t compressor);

// "File <path>", the driver it requires when the clip's header could be read, then the
// failure on the next line.
QString ClipOpenFailureMessage(
    const QString& path, bool info_readable, uint32_t compressor, const QString& failure);

} // namespace fw
