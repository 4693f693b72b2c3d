#include "clips/descriptor_block.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace fw {

namespace {

constexpr size_t kMaxListedLine = 255;

bool IsLineStart(char c)
{
    return c == '+' || c == ',' || c == '-' || c == '=' || c == '_' || (c >= '0' && c <= '9')
        || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A "[" that begins a line ends a section for getting and setting. A "[" inside a value (a
// title such as "Run [3]") does not: treating it as a section end would hide the entries after
// it and make a set split that value in two.
size_t SectionEnd(const std::string& block, size_t header_pos)
{
    size_t pos = header_pos + 1;
    while ((pos = block.find('[', pos)) != std::string::npos) {
        const char before = block[pos - 1];
        if (before == kCR || before == '\n')
            return pos;
        ++pos;
    }
    return block.size();
}

struct EntryPos {
    size_t header = std::string::npos;
    size_t section_end = std::string::npos;
    size_t value_begin = std::string::npos; // npos when the entry is not in the section
    size_t value_end = std::string::npos;
};

EntryPos FindEntry(const std::string& block, const std::string& section, const std::string& name)
{
    EntryPos at;
    at.header = block.find("[" + section + "]");
    if (at.header == std::string::npos)
        return at;
    at.section_end = SectionEnd(block, at.header);
    const std::string key = kCR + name + "=";
    const size_t found = block.find(key, at.header + 1);
    if (found == std::string::npos || found >= at.section_end)
        return at;
    at.value_begin = found + key.size();
    at.value_end = block.find(kCR, at.value_begin);
    if (at.value_end == std::string::npos)
        at.value_end = block.size();
    return at;
}

// Text added at `pos` must follow a carriage return: otherwise it would run into the value before
// it, and a name only counts as an entry directly after a carriage return.
std::string StartOnNewLine(const std::string& block, size_t pos, std::string text)
{
    if (pos > 0 && block[pos - 1] != kCR)
        text.insert(text.begin(), kCR);
    return text;
}

// Strips blanks and an optional sign; false when nothing is left.
bool SplitSign(const std::string& text, bool& negative, const char*& first, const char*& last)
{
    first = text.data();
    last = text.data() + text.size();
    while (first < last && IsBlank(*first))
        ++first;
    while (last > first && IsBlank(last[-1]))
        --last;
    negative = false;
    if (first < last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    return first < last;
}

// digits [ "." digits ] [ ("e"|"E") [sign] digits ], at least one mantissa digit.
bool IsDecimalText(const char* first, const char* last)
{
    const char* p = first;
    size_t mantissa_digits = 0;
    while (p < last && IsDigit(*p)) {
        ++p;
        ++mantissa_digits;
    }
    if (p < last && *p == '.') {
        ++p;
        while (p < last && IsDigit(*p)) {
            ++p;
            ++mantissa_digits;
        }
    }
    if (mantissa_digits == 0)
        return false;
    if (p < last && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < last && (*p == '+' || *p == '-'))
            ++p;
        if (p == last || !IsDigit(*p))
            return false;
        while (p < last && IsDigit(*p))
            ++p;
    }
    return p == last;
}

} // namespace

void ReadDescriptorSection(
    const std::string& block, const std::string& header, std::vector<std::string>& list)
{
    const size_t header_pos = block.find(header);
    if (header_pos == std::string::npos)
        return;
    const size_t header_end = block.find(kCR, header_pos);
    if (header_end == std::string::npos)
        return;
    size_t pos = header_end + 1;
    while (pos < block.size()) {
        const char c = block[pos];
        if (c == '\0' || c == '[')
            return;
        if (!IsLineStart(c)) {
            ++pos;
            continue;
        }
        size_t line_end = pos;
        while (line_end < block.size() && block[line_end] != kCR && block[line_end] != '\0')
            ++line_end;
        list.push_back(block.substr(pos, std::min(line_end - pos, kMaxListedLine)));
        pos = line_end;
    }
}

bool GetDescriptorValue(
    const std::string& block, const std::string& section, const std::string& name, std::string& value)
{
    const EntryPos at = FindEntry(block, section, name);
    if (at.value_begin == std::string::npos)
        return false;
    value = block.substr(at.value_begin, at.value_end - at.value_begin);
    return true;
}

bool GetDescriptorNumber(
    const std::string& block, const std::string& section, const std::string& name, double& number)
{
    std::string text;
    return GetDescriptorValue(block, section, name, text) && ParseDescriptorNumber(text, number);
}

void SetDescriptorValue(
    std::string& block, const std::string& section, const std::string& name, const std::string& value)
{
    const EntryPos at = FindEntry(block, section, name);
    if (at.header == std::string::npos) {
        block += StartOnNewLine(block, block.size(), "[" + section + "]" + kCR + name + "=" + value + kCR);
        return;
    }
    if (at.value_begin != std::string::npos) {
        block.replace(at.value_begin, at.value_end - at.value_begin, value);
        return;
    }
    const size_t pos = at.section_end;
    block.insert(pos, StartOnNewLine(block, pos, name + "=" + value + kCR));
}

void SetDescriptorNumber(
    std::string& block, const std::string& section, const std::string& name, double number)
{
    SetDescriptorValue(block, section, name, FormatGeneral(number));
}

std::string FormatGeneral(double value, int significant_digits)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0.0)
        return "0";
    significant_digits = std::clamp(significant_digits, 1, 17);

    // Scientific form rounds to the wanted digits and tells the decimal exponent after rounding;
    // to_chars never follows the user's locale.
    char buffer[64];
    const auto result = std::to_chars(
        buffer, buffer + sizeof buffer, value, std::chars_format::scientific, significant_digits - 1);
    const std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
    const bool negative = text.front() == '-';
    const size_t e_pos = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e_pos)) {
        if (IsDigit(c))
            digits += c;
    }
    int exponent = 0;
    const std::string_view exponent_text = text.substr(e_pos + 1);
    const char* exponent_first = exponent_text.data() + (exponent_text.front() == '+' ? 1 : 0);
    std::from_chars(exponent_first, exponent_text.data() + exponent_text.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent < -5 || exponent >= significant_digits) {
        out += digits[0];
        if (digits.size() > 1)
            out += "." + digits.substr(1);
        out += "E" + std::to_string(exponent);
    } else if (exponent < 0) {
        out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else {
        const size_t whole = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits + std::string(whole - digits.size(), '0');
        } else {
            out += digits.substr(0, whole) + "." + digits.substr(whole);
        }
    }
    return out;
}

bool ParseDescriptorNumber(const std::string& text, double& number)
{
    bool negative = false;
    const char* first = nullptr;
    const char* last = nullptr;
    if (!SplitSign(text, negative, first, last) || !IsDecimalText(first, last))
        return false;
    double magnitude = 0.0;
    const auto result = std::from_chars(first, last, magnitude, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(magnitude))
        return false;
    number = negative ? -magnitude : magnitude;
    return true;
}

bool ParseDescriptorWholeNumber(const std::string& text, int32_t& number)
{
    bool negative = false;
    const char* first = nullptr;
    const char* last = nullptr;
    if (!SplitSign(text, negative, first, last) || !std::all_of(first, last, IsDigit))
        return false;
    int64_t magnitude = 0;
    const auto result = std::from_chars(first, last, magnitude);
    if (result.ec != std::errc() || result.ptr != last)
        return false;
    const int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value < INT32_MIN || signed_value > INT32_MAX)
        return false;
    number = static_cast<int32_t>(signed_value);
    return true;
}

std::string BuildDescriptorBlock(double frame_rate, int32_t mark_index, double time_at_mark_ms,
    const std::vector<std::string>& camera_lines, const std::vector<std::string>& title_lines)
{
    std::string block = "[Timing]";
    block += kCR;
    block += "Frame Rate=" + FormatGeneral(frame_rate) + kCR;
    block += "Mark Frame=" + std::to_string(mark_index) + kCR;
    block += "Time at Mark Frame=" + FormatGeneral(time_at_mark_ms) + kCR;
    block += "[Camera]";
    block += kCR;
    for (const std::string& line : camera_lines)
        block += line + kCR;
    block += "[Titles]";
    block += kCR;
    for (const std::string& line : title_lines)
        block += line + kCR;
    return block;
}

std::array<uint8_t, 2048> DescriptorChunkBytes(const std::string& block)
{
    std::array<uint8_t, 2048> chunk {};
    std::memcpy(chunk.data(), block.data(), std::min(block.size(), chunk.size()));
    return chunk;
}

std::string DescriptorFromChunk(const uint8_t* bytes, size_t size)
{
    if (!bytes)
        return {};
    size = std::min<size_t>(size, 2048);
    const auto* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, strnlen(text, size));
}

DescriptorTiming ParseDescriptorTiming(const std::string& block)
{
    DescriptorTiming timing;
    double rate = 1000.0;
    int32_t mark_index = 0;
    double time_at_mark_ms = 0.0;
    if (!block.empty()) {
        std::string text;
        if (!GetDescriptorValue(block, "Timing", "Mark Frame", text)
            || !ParseDescriptorWholeNumber(text, mark_index))
            mark_index = 0;
        if (!GetDescriptorNumber(block, "Timing", "Time at Mark Frame", time_at_mark_ms))
            time_at_mark_ms = 0.0;
        if (!GetDescriptorNumber(block, "Timing", "Frame Rate", rate) || !(rate > 0.0))
            rate = 1000.0;
        ReadDescriptorSection(block, "[Camera]", timing.camera_lines);
        ReadDescriptorSection(block, "[Titles]", timing.title_lines);
    }
    timing.frame_period_ms = 1000.0 / rate;
    timing.first_frame_time_ms = time_at_mark_ms - std::max(timing.frame_period_ms, 0.00001) * mark_index;
    return timing;
}

} // namespace fw
