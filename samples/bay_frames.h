#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "camera_facts.h"
#include "canvas.h"

namespace fw::samples {

// A BAY frame file as a colour imager records it: the picture sampled into the Bayer mosaic,
// then the 1024-byte camera record with the HG signature, `camera` and `titles`.
std::vector<uint8_t> BayFrameBytes(
    const Canvas& picture, const CameraFacts& camera, const std::string& titles);

// The mosaic of a colour canvas: 4-byte cells G R B G, each covering 2 x 2 pixels; row 0
// samples G R G R ..., row 1 B G B G ... The samples are what the sensor gives under tungsten
// light: each channel scaled to the white level of the "Tungsten" colour temperature, so the
// program's default colour processing shows the scene's own colours.
std::vector<uint8_t> BayerMosaicOf(const Canvas& picture);

} // namespace fw::samples
