// Drives every descriptor block operation and the clip time base with arbitrary bytes. The input
// is split at 0x01 bytes into block, section, name, value and a number text.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "clips/clip_time_base.h"
#include "clips/descriptor_block.h"

namespace {

std::vector<std::string> SplitInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0x01 && parts.size() < 5)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    parts.resize(5);
    return parts;
}

bool HasAny(const std::string& text, const char* characters)
{
    return text.find_first_of(std::string(characters, 4)) != std::string::npos;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void DriveBlockOperations(
    std::string block, const std::string& section, const std::string& name, const std::string& value)
{
    for (const std::string& header : { "[" + section + "]", section, std::string("[Timing]") }) {
        std::vector<std::string> lines;
        fw::ReadDescriptorSection(block, header, lines);
        for (const std::string& line : lines)
            Check(line.size() <= 255 && !line.empty());
    }
    std::string got;
    fw::GetDescriptorValue(block, section, name, got);
    double number = 0;
    fw::GetDescriptorNumber(block, section, name, number);

    // Whatever the block holds, an entry that was set reads back, as long as the names and the
    // value are plain single-line text.
    fw::SetDescriptorValue(block, section, name, value);
    const char line_breaks[4] = { '\r', '\n', '[', ']' };
    if (!HasAny(section, line_breaks) && !HasAny(name, line_breaks)
        && value.find('\r') == std::string::npos) {
        Check(fw::GetDescriptorValue(block, section, name, got));
        Check(got == value);
    }
    fw::SetDescriptorNumber(block, section, name, -8.5);

    const auto chunk = fw::DescriptorChunkBytes(block);
    const std::string back = fw::DescriptorFromChunk(chunk.data(), chunk.size());
    Check(back.size() <= 2048 && block.compare(0, back.size(), back) == 0);
}

void DriveNumbers(const std::string& text)
{
    double number = 0;
    if (fw::ParseDescriptorNumber(text, number)) {
        Check(std::isfinite(number));
        // Fifteen digits of a value at the very top of the range round past it.
        if (std::abs(number) > 1e308)
            return;
        double again = 0;
        Check(fw::ParseDescriptorNumber(fw::FormatGeneral(number), again));
        Check(fw::FormatGeneral(again) == fw::FormatGeneral(number));
    }
    int32_t whole = 0;
    fw::ParseDescriptorWholeNumber(text, whole);
}

void DriveTimeBase(const std::string& block, const std::string& value)
{
    const fw::DescriptorTiming timing = fw::ParseDescriptorTiming(block);
    Check(timing.frame_period_ms > 0);
    fw::ClipTimeBase base;
    base.ApplyDescriptors(block);
    int32_t whole = 0;
    if (fw::ParseDescriptorWholeNumber(value, whole)) {
        base.SetSkipFrameZero(whole & 1);
        base.SetFirstFrameNumber(whole);
        base.IndexOfShownNumber(base.ShownNumber(whole));
    }
    for (int32_t index : { 0, 1, -1, INT32_MAX, INT32_MIN }) {
        const double time = base.FrameTime(index);
        base.IndexAtTime(time);
        base.ShowTime(time);
    }
    base.ApplyDescriptors(base.Descriptors());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> parts = SplitInput(data, size);
    DriveBlockOperations(parts[0], parts[1], parts[2], parts[3]);
    DriveNumbers(parts[4].empty() ? parts[3] : parts[4]);
    DriveTimeBase(parts[0], parts[3]);
    fw::DescriptorFromChunk(data, size);
    return 0;
}
