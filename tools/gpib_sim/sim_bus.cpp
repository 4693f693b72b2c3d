#include "sim_bus.h"

#include <cstdlib>

namespace fw::gpib_sim {

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

CallResult failure(int error, int extra_status)
{
    return CallResult { kErr | kCmpl | extra_status, error, std::nullopt };
}

SimBus& SimBus::instance()
{
    static SimBus bus;
    return bus;
}

void SimBus::refreshConfig()
{
    const Model models[] = { Model::Em1012, Model::Hs4540 };
    for (std::size_t i = 0; i < processors_.size(); ++i) {
        const DeviceConfig config = readDeviceConfig(models[i]);
        if (processors_[i])
            processors_[i]->reconfigure(config);
        else
            processors_[i] = std::make_unique<SimProcessor>(config);
    }
}

std::optional<int> SimBus::boardIndex(const std::string& name, int& error) const
{
    if (name.rfind("GPIB", 0) != 0 || name.size() == 4
        || name.find_first_not_of("0123456789", 4) != std::string::npos)
        return std::nullopt;
    const int index = std::atoi(name.c_str() + 4);
    if (index >= kBoardCount) {
        error = kEneb;
        return std::nullopt;
    }
    return index;
}

SimProcessor* SimBus::deviceNamed(const std::string& name, std::optional<int> board) const
{
    for (const auto& processor : processors_) {
        const DeviceConfig& config = processor->config();
        if (!config.present || (board && *board != config.board))
            continue;
        if (name == config.name || name == "DEV" + std::to_string(config.primary_address))
            return processor.get();
    }
    return nullptr;
}

// "GPIB0" finds a board; "DEV7" a device on any board; "GPIB0:DEV7" or ":DEV7" (GPIB0) a device
// on the named board, the imager address form of the attach list.
int SimBus::find(const std::string& name, int& error)
{
    refreshConfig();
    error = kEdvr;
    const std::string wanted = upperCase(trimmed(name));
    const auto colon = wanted.find(':');
    if (colon == std::string::npos) {
        // The attach list's EM 1012 address ":DEV7" leaves the board name empty: the first board.
        if (wanted.empty())
            return openUnit(Unit { 0 });
        if (const auto board = boardIndex(wanted, error))
            return openUnit(Unit { *board });
        if (error == kEneb)
            return -1;
    }
    std::optional<int> board;
    if (colon != std::string::npos) {
        const std::string board_name = colon == 0 ? "GPIB0" : wanted.substr(0, colon);
        board = boardIndex(board_name, error);
        if (!board)
            return -1;
    }
    SimProcessor* device = deviceNamed(colon == std::string::npos ? wanted : wanted.substr(colon + 1), board);
    if (device == nullptr)
        return -1;
    if (openUnitsOf(device) == 0)
        device->powerOn(); // found again after every descriptor was closed: a fresh processor
    return openUnit(Unit { device->config().board, device });
}

int SimBus::openUnit(Unit unit)
{
    for (std::size_t ud = 0; ud < units_.size(); ++ud)
        if (!units_[ud]) {
            units_[ud] = unit;
            return static_cast<int>(ud);
        }
    units_.push_back(unit);
    return static_cast<int>(units_.size() - 1);
}

int SimBus::openUnitsOf(const SimProcessor* device) const
{
    int count = 0;
    for (const auto& unit : units_)
        count += unit && unit->device == device ? 1 : 0;
    return count;
}

SimBus::Unit* SimBus::unit(int ud)
{
    if (ud < 0 || static_cast<std::size_t>(ud) >= units_.size() || !units_[ud])
        return nullptr;
    return &*units_[ud];
}

std::string SimBus::unitName(int ud) const
{
    if (ud < 0 || static_cast<std::size_t>(ud) >= units_.size() || !units_[ud])
        return "#" + std::to_string(ud);
    const Unit& open_unit = *units_[ud];
    return open_unit.device ? open_unit.device->config().name : "GPIB" + std::to_string(open_unit.board);
}

CallResult SimBus::deviceStatus(const SimProcessor& device, int status) const
{
    return CallResult { status | kCmpl | (device.requestsService() ? kRqs : 0), std::nullopt, std::nullopt };
}

} // namespace fw::gpib_sim
