#include "sim_config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace fw::imaq_sim {

namespace {

std::optional<std::string> environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::string(value);
}

std::optional<std::uint64_t> number(const std::string& text)
{
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (end == text.c_str() || *end != '\0' || text.find('-') != std::string::npos)
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> bufferNumber(const char* variable)
{
    const auto text = environment(variable);
    const auto value = text ? number(*text) : std::nullopt;
    if (!value || *value > UINT32_MAX)
        return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::vector<std::uint64_t> numberList(const std::string& text)
{
    std::vector<std::uint64_t> values;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ','))
        if (const auto value = number(item))
            values.push_back(*value);
    std::sort(values.begin(), values.end());
    return values;
}

int size(const char* variable, int fallback)
{
    const auto value = bufferNumber(variable);
    if (!value || *value < kMinSize || *value > kMaxSize)
        return fallback;
    return static_cast<int>(*value);
}

// Without FW_IMAQ_SIM_OBJECT the object covers the middle half of the frame in both directions.
Rect objectRect(int width, int height)
{
    Rect rect { width / 4, height / 4, width * 3 / 4 - 1, height * 3 / 4 - 1 };
    if (const auto text = environment("FW_IMAQ_SIM_OBJECT")) {
        Rect given;
        if (std::sscanf(text->c_str(), "%d,%d,%d,%d", &given.left, &given.top, &given.right, &given.bottom)
            == 4)
            rect = given;
    }
    return rect;
}

Faults readFaults()
{
    Faults faults;
    if (const auto names = environment("FW_IMAQ_SIM_NO_OPEN")) {
        std::stringstream items(lowerCase(*names));
        std::string item;
        while (std::getline(items, item, ','))
            faults.no_open.insert(item);
    }
    faults.acquisition_error = bufferNumber("FW_IMAQ_SIM_ACQUISITION_ERROR");
    faults.timeout = bufferNumber("FW_IMAQ_SIM_TIMEOUT");
    // Buffer 0 cannot be reported lost: the lost-frames list ends at the first 0.
    for (const std::uint64_t lost : numberList(environment("FW_IMAQ_SIM_LOST_FRAMES").value_or("")))
        if (lost > 0 && lost <= UINT32_MAX)
            faults.lost.insert(static_cast<std::uint32_t>(lost));
    return faults;
}

} // namespace

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

SimConfig readConfig()
{
    SimConfig config;
    config.scene.width = size("FW_IMAQ_SIM_WIDTH", config.scene.width);
    config.scene.height = size("FW_IMAQ_SIM_HEIGHT", config.scene.height);
    config.scene.changes = numberList(environment("FW_IMAQ_SIM_CHANGES").value_or("60"));
    config.scene.object = objectRect(config.scene.width, config.scene.height);
    if (const auto text = environment("FW_IMAQ_SIM_FPS"))
        config.frames_per_second = std::max(0.0, std::atof(text->c_str()));
    config.max_buffers = bufferNumber("FW_IMAQ_SIM_MAX_BUFFERS").value_or(0);
    config.faults = readFaults();
    return config;
}

} // namespace fw::imaq_sim
