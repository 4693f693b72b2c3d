#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

// The descriptor block: 8-bit text of "[Section]" header lines and name=value entry lines, each
// ended by a single carriage return. Every function here edits or reads the text byte for byte.
constexpr char kCR = '\r';

// Appends the entry lines of the section whose bracketed header is `header` ("[Timing]").
void ReadDescriptorSection(
    const std::string& block, const std::string& header, std::vector<std::string>& list);

// section and name without brackets; true when the entry exists in that section.
bool GetDescriptorValue(
    const std::string& block, const std::string& section, const std::string& name, std::string& value);
// As above, the value as a number; false when missing or not a number.
bool GetDescriptorNumber(
    const std::string& block, const std::string& section, const std::string& name, double& number);
void SetDescriptorValue(
    std::string& block, const std::string& section, const std::string& name, const std::string& value);
void SetDescriptorNumber(
    std::string& block, const std::string& section, const std::string& name, double number);

// Shortest general form of a number, up to 15 significant digits ("2000", "0.5", "-8.5").
std::string FormatGeneral(double value, int significant_digits = 15);
// Decimal text to number as the block's readers take it; false when the text is not a number.
bool ParseDescriptorNumber(const std::string& text, double& number);
// A whole number (optional sign, digits, surrounding blanks) that fits 32 bits.
bool ParseDescriptorWholeNumber(const std::string& text, int32_t& number);

// The block the descriptor dialog builds: [Timing] with its three entries, [Camera], [Titles].
std::string BuildDescriptorBlock(double frame_rate, int32_t mark_index, double time_at_mark_ms,
    const std::vector<std::string>& camera_lines, const std::vector<std::string>& title_lines);

// The stored chunk: the text cut to 2048 bytes, zero-filled to 2048.
std::array<uint8_t, 2048> DescriptorChunkBytes(const std::string& block);
// The text of a chunk: up to the first zero byte or `size` bytes (at most 2048).
std::string DescriptorFromChunk(const uint8_t* bytes, size_t size);

// The time base a block gives a clip.
struct DescriptorTiming {
    double frame_period_ms = 1.0;
    double first_frame_time_ms = 0.0;
    std::vector<std::string> camera_lines;
    std::vector<std::string> title_lines;
};
DescriptorTiming ParseDescriptorTiming(const std::string& block);

} // namespace fw
