#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "camera_facts.h"
#include "canvas.h"

namespace fw::samples {

// The 123-byte camera block an HG imager stores in TIFF tag 34071.
std::vector<uint8_t> TiffCameraBlock(const CameraFacts& camera);

// Writes `picture` as an uncompressed TIFF frame file (8-bit grey or 24-bit RGB) carrying the
// camera block. Throws fw::Error when the file cannot be written.
void SaveTiffFrame(const Canvas& picture, const CameraFacts& camera, const std::string& path);

} // namespace fw::samples
