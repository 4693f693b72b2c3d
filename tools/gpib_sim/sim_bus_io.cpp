// The driver operations on one unit descriptor. A processor that does not listen makes writes
// and device clears fail with ENOL; one that does not talk makes reads and serial polls time out
// (TIMO, EABO) at once, whatever the time-out setting, so that tests never wait.

#include "sim_bus.h"

namespace fw::gpib_sim {

namespace {

constexpr int kLongestTimeoutCode = 17; // T1000s
constexpr int kEosModeBits = 0x1C00; // REOS, XEOS, BIN

bool knownOption(int option)
{
    return (option >= 0x01 && option <= 0x1F) || (option >= 0x20 && option <= 0x2B);
}

} // namespace

CallResult SimBus::clear(int ud)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    if (target->device == nullptr)
        return failure(kEarg);
    if (!target->device->listens())
        return failure(kEnol);
    target->device->deviceClear();
    return deviceStatus(*target->device, 0);
}

CallResult SimBus::configure(int ud, int option, int value)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    if (!knownOption(option))
        return failure(kEarg);
    if (option == 0x03) // IbcTMO
        return setTimeout(ud, value);
    if (option == 0x04) // IbcEOT
        return setEot(ud, value);
    return CallResult {};
}

CallResult SimBus::setDma(int ud, int enable)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    target->dma = enable != 0;
    return CallResult {};
}

CallResult SimBus::setEos(int ud, int mode)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    if ((mode & ~(kEosModeBits | 0xFF)) != 0)
        return failure(kEarg);
    target->eos = mode;
    return CallResult {};
}

CallResult SimBus::setEot(int ud, int enable)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    target->eot = enable != 0;
    return CallResult {};
}

CallResult SimBus::setOnline(int ud, int online)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    if (online == 0)
        units_[static_cast<std::size_t>(ud)].reset();
    else
        *target = Unit { target->board, target->device };
    return CallResult {};
}

CallResult SimBus::setTimeout(int ud, int code)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    if (code < 0 || code > kLongestTimeoutCode)
        return failure(kEarg);
    target->timeout_code = code;
    return CallResult {};
}

CallResult SimBus::serialPoll(int ud, char* status_byte)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    if (target->device == nullptr || status_byte == nullptr)
        return failure(kEarg);
    if (!target->device->talks())
        return failure(kEabo, kTimo);
    *status_byte = static_cast<char>(target->device->serialPoll());
    return deviceStatus(*target->device, 0);
}

CallResult SimBus::read(int ud, void* buffer, long count)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    if (count < 0 || (buffer == nullptr && count > 0))
        return failure(kEarg);
    if (target->device == nullptr)
        return failure(kEadr); // the board reads only when a talker was addressed
    if (!target->device->talks()) {
        CallResult result = failure(kEabo, kTimo);
        result.count = 0;
        return result;
    }
    const ReadResult got
        = target->device->send(static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(count));
    CallResult result
        = got.timed_out ? failure(kEabo, kTimo) : deviceStatus(*target->device, got.end ? kEnd : 0);
    result.count = static_cast<long>(got.byte_count);
    return result;
}

CallResult SimBus::write(int ud, const void* buffer, long count)
{
    Unit* target = unit(ud);
    if (target == nullptr)
        return failure(kEdvr);
    if (count < 0 || (buffer == nullptr && count > 0))
        return failure(kEarg);
    if (target->device == nullptr || !target->device->listens()) {
        CallResult result = failure(kEnol);
        result.count = 0;
        return result;
    }
    target->device->receive(
        static_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(count), target->eot);
    CallResult result = deviceStatus(*target->device, 0);
    result.count = count;
    return result;
}

} // namespace fw::gpib_sim
