#include "frame_pattern.h"

namespace fw::gpib_sim {

namespace {

constexpr int kBarWidth = 12;
constexpr int kBarStep = 3;

int positiveModulo(std::int64_t value, int divisor)
{
    const auto rest = static_cast<int>(value % divisor);
    return rest < 0 ? rest + divisor : rest;
}

} // namespace

std::uint8_t patternPixel(int sensor_width, int x, int y, std::int32_t frame)
{
    const int bar_left = positiveModulo(static_cast<std::int64_t>(frame) * kBarStep, sensor_width);
    if (positiveModulo(x - bar_left, sensor_width) < kBarWidth)
        return 240;
    return static_cast<std::uint8_t>(40 + (x + 2 * y) % 128);
}

void appendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int byte_count)
{
    for (int shift = 8 * (byte_count - 1); shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::vector<std::uint8_t> emUpload(std::int32_t frame, const Recording& recording)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kEmHeaderBytes + kEmLines * kEmLineLength);
    appendBigEndian(bytes, static_cast<std::uint32_t>(frame), 4);
    appendBigEndian(bytes, kEmLines, 2);
    appendBigEndian(bytes, kEmLineLength, 2);
    appendBigEndian(bytes, static_cast<std::uint32_t>(recording.rate_fps), 4);
    appendBigEndian(bytes, static_cast<std::uint32_t>(recording.exposure), 4);
    appendBigEndian(bytes, static_cast<std::uint32_t>(recording.session), 1);
    bytes.resize(kEmHeaderBytes, 0);
    for (int y = 0; y < kEmLines; ++y)
        for (int x = 0; x < kEmLineLength; ++x)
            bytes.push_back(patternPixel(kEmLineLength, x, y, frame));
    return bytes;
}

std::vector<std::uint8_t> hsUpload(std::int32_t frame, const ReadoutWindow& window)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(4 + static_cast<std::size_t>(window.lineCount() * window.lineLength()) + 1);
    appendBigEndian(bytes, static_cast<std::uint32_t>(frame), 4);
    for (int y = window.first_line; y <= window.last_line; ++y)
        for (int x = window.first_column; x <= window.last_column; ++x)
            bytes.push_back(patternPixel(kHsSensorSize, x, y, frame));
    bytes.push_back('\n');
    return bytes;
}

} // namespace fw::gpib_sim
