#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

#include "clips/tif_entry.h"

namespace fw {

// Lays out a little-endian TIFF file with one directory: header, the entries (sorted by tag),
// then the values longer than 4 bytes in tag order, then the strips, each padded or cut to
// `strip_size` bytes. Fills in the StripOffsets entry, which must have one value per strip.
QByteArray WriteTIFFile(
    std::vector<TIFDEntry> entries, const std::vector<std::vector<uint8_t>>& strips, uint64_t strip_size);

} // namespace fw
