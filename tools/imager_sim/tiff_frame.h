#pragma once

// TIFF-format frames as a new-model imager sends them for "DL ... T": a little-endian,
// uncompressed RGB TIFF of the frame (its pixels start 164 bytes in), followed by the frame's
// 1024-byte camera record; rows x 512 x 3 + 1188 bytes in all.

#include <QByteArray>

#include "frame_synth.h"

namespace fw::imager_sim {

inline constexpr int kTiffPixelOffset = 164;

int tiffFrameBytes(int rows);
QByteArray synthesiseTiffFrame(
    const RecordingFacts& facts, int frame_number, int rows, const ColourGains& gains);

} // namespace fw::imager_sim
