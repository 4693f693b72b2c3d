#include "sim_config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace fw::gpib_sim {

namespace {

std::optional<std::string> environment(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    if (value == nullptr)
        return std::nullopt;
    return std::string(value);
}

std::string prefix(Model model)
{
    return model == Model::Em1012 ? "FW_GPIB_SIM_EM" : "FW_GPIB_SIM_HS";
}

int integerOr(const std::string& name, int fallback)
{
    const auto text = environment(name);
    if (!text || text->empty())
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(text->c_str(), &end, 0);
    return *end == '\0' ? static_cast<int>(value) : fallback;
}

// A fault variable names the processors it applies to: "EM", "HS", "EM,HS", or "1"/"all".
bool faultApplies(const char* variable, Model model)
{
    const auto text = environment(variable);
    if (!text)
        return false;
    const std::string list = upperCase(*text);
    if (list == "1" || list == "ALL")
        return true;
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ','))
        if (item == (model == Model::Em1012 ? "EM" : "HS"))
            return true;
    return false;
}

int trailingNumber(const std::string& name, int fallback)
{
    const auto digits = name.find_last_not_of("0123456789");
    if (digits == std::string::npos || digits + 1 == name.size())
        return fallback;
    return std::atoi(name.c_str() + digits + 1);
}

// "DEV7" or "GPIB1:DEV7"; an empty board part is GPIB0, "off" removes the processor.
void readPlacement(DeviceConfig& config, const std::string& default_name)
{
    std::string address = upperCase(environment(prefix(config.model)).value_or(default_name));
    if (address.empty() || address == "OFF" || address == "NONE") {
        config.present = false;
        return;
    }
    const auto colon = address.find(':');
    if (colon != std::string::npos) {
        const std::string board = address.substr(0, colon);
        config.board = board.empty() ? 0 : trailingNumber(board, 0);
        address = address.substr(colon + 1);
    }
    config.name = address;
    config.primary_address = integerOr(prefix(config.model) + "_PAD", trailingNumber(address, 1));
}

void readDate(RecordingDate& date, const std::string& variable)
{
    const auto text = environment(variable);
    if (!text)
        return;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    if (std::sscanf(text->c_str(), "%d-%d-%d %d:%d", &year, &month, &day, &hour, &minute) == 5)
        date = RecordingDate { year % 100, month, day, hour, minute };
}

Recording readRecording(Model model)
{
    const std::string p = prefix(model);
    const bool em = model == Model::Em1012;
    Recording recording;
    recording.present = integerOr(p + "_RECORDING", 1) != 0;
    recording.first_frame = integerOr(p + "_FIRST", em ? -20 : 1);
    recording.last_frame = integerOr(p + "_LAST", em ? 79 : 1024);
    recording.rate_fps = integerOr(p + "_RATE", em ? 1000 : 4500);
    recording.exposure = integerOr(p + "_EXPOSURE", em ? 1000 : 222);
    recording.session = integerOr(p + "_SESSION", em ? 42 : 7);
    recording.two_rates = em && integerOr(p + "_TWO_RATE", 0) != 0;
    readDate(recording.date, p + "_DATE");
    return recording;
}

Faults readFaults(Model model)
{
    Faults faults;
    faults.no_listener = faultApplies("FW_GPIB_SIM_NO_LISTENER", model);
    faults.timeout = faultApplies("FW_GPIB_SIM_TIMEOUT", model);
    faults.upload_timeout = faultApplies("FW_GPIB_SIM_UPLOAD_TIMEOUT", model);
    faults.keypad_lock = faultApplies("FW_GPIB_SIM_KEYPAD_LOCK", model);
    faults.stuck_srq = faultApplies("FW_GPIB_SIM_STUCK_SRQ", model);
    faults.stuck_busy = faultApplies("FW_GPIB_SIM_STUCK_BUSY", model);
    return faults;
}

} // namespace

std::string upperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

DeviceConfig readDeviceConfig(Model model)
{
    DeviceConfig config;
    config.model = model;
    readPlacement(config, model == Model::Em1012 ? "DEV7" : "DEV8");
    config.initial_state = integerOr(prefix(model) + "_STATE", 4) & 0x0F;
    config.busy_polls = std::max(0, integerOr("FW_GPIB_SIM_BUSY_POLLS", 1));
    config.recording = readRecording(model);
    config.faults = readFaults(model);
    return config;
}

} // namespace fw::gpib_sim
