#pragma once

// The synthetic grey frames the processors hold, and the upload messages that carry them.

#include <cstdint>
#include <vector>

#include "sim_config.h"

namespace fw::gpib_sim {

// The sensor's readout window in sensor coordinates, inclusive, as command 0x29 sets it.
struct ReadoutWindow {
    int first_column = 0;
    int first_line = 0;
    int last_column = 0;
    int last_line = 0;

    int lineCount() const { return last_line - first_line + 1; }
    int lineLength() const { return last_column - first_column + 1; }
};

constexpr int kEmLines = 192;
constexpr int kEmLineLength = 239;
constexpr int kEmHeaderBytes = 156;
constexpr int kHsSensorSize = 256;

// A graded background (40 + (x + 2y) mod 128) crossed by a bright bar (240) twelve columns wide
// that moves three columns to the right each frame.
std::uint8_t patternPixel(int sensor_width, int x, int y, std::int32_t frame);

// EM 1012: 156 header bytes (frame number, lines, line length, rate, exposure, session), then
// 192 lines of 239 bytes.
std::vector<std::uint8_t> emUpload(std::int32_t frame, const Recording& recording);

// HS 4540: the frame number in 4 bytes, the window's lines, then one trailing line feed.
std::vector<std::uint8_t> hsUpload(std::int32_t frame, const ReadoutWindow& window);

void appendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int byte_count);

} // namespace fw::gpib_sim
