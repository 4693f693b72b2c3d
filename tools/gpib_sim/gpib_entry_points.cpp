// The linux-gpib entry points the library exports. Each call runs under the bus lock and leaves
// its error code and transfer count in the calling thread's slots, as the driver does. While the
// call log is on, each call also appends its line there, still under the bus lock, so that the
// lines of two threads come in the order the bus saw their calls.

#include <cstdint>
#include <mutex>
#include <string>

#include "call_log.h"
#include "sim_bus.h"

#define FW_GPIB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using fw::gpib_sim::CallLog;
using fw::gpib_sim::CallResult;
using fw::gpib_sim::SimBus;

thread_local int thread_error = 0;
thread_local long thread_count = 0;

std::string failureText(const CallResult& result)
{
    if ((result.status & fw::gpib_sim::kErr) == 0)
        return {};
    return " ERR " + fw::gpib_sim::errorName(result.error.value_or(thread_error));
}

// `describe` gives the rest of the log line after the unit's name: the arguments and, where the
// call returns one, "-> " and its result. The unit is named before the call, since ibonl with 0
// closes it.
template <typename Operation, typename Describe>
int call(const char* entry, int ud, Operation operation, Describe describe)
{
    SimBus& bus = SimBus::instance();
    std::lock_guard lock(bus.mutex());
    CallLog& log = CallLog::instance();
    const bool logging = log.active();
    const std::string unit = logging ? bus.unitName(ud) : std::string();
    const CallResult result = operation(bus);
    if (result.error)
        thread_error = *result.error;
    if (result.count)
        thread_count = *result.count;
    if (logging)
        log.append(entry + (" " + unit) + describe(result) + failureText(result));
    return result.status;
}

template <typename Operation> int setting(const char* entry, int ud, int value, Operation operation)
{
    return call(entry, ud, operation, [&](const CallResult&) { return " " + std::to_string(value); });
}

std::string nameText(const char* name)
{
    if (name == nullptr)
        return "(null)";
    return *name == '\0' ? "\"\"" : name;
}

void logQuery(const char* entry, const std::string& result)
{
    CallLog& log = CallLog::instance();
    if (log.active())
        log.append(std::string(entry) + " -> " + result);
}

} // namespace

FW_GPIB_EXPORT int ibfind(const char* name)
{
    SimBus& bus = SimBus::instance();
    std::lock_guard lock(bus.mutex());
    int error = fw::gpib_sim::kEarg;
    const int ud = name != nullptr ? bus.find(name, error) : -1;
    if (ud < 0)
        thread_error = error;
    CallLog& log = CallLog::instance();
    if (log.active())
        log.append("ibfind " + nameText(name) + " -> " + std::to_string(ud)
            + (ud < 0 ? " ERR " + fw::gpib_sim::errorName(error) : std::string()));
    return ud;
}

FW_GPIB_EXPORT int ibclr(int ud)
{
    return call(
        "ibclr", ud, [&](SimBus& bus) { return bus.clear(ud); },
        [](const CallResult&) { return std::string(); });
}

FW_GPIB_EXPORT int ibconfig(int ud, int option, int value)
{
    return call(
        "ibconfig", ud, [&](SimBus& bus) { return bus.configure(ud, option, value); },
        [&](const CallResult&) { return " " + std::to_string(option) + " " + std::to_string(value); });
}

FW_GPIB_EXPORT int ibdma(int ud, int v)
{
    return setting("ibdma", ud, v, [&](SimBus& bus) { return bus.setDma(ud, v); });
}

FW_GPIB_EXPORT int ibeos(int ud, int v)
{
    return setting("ibeos", ud, v, [&](SimBus& bus) { return bus.setEos(ud, v); });
}

FW_GPIB_EXPORT int ibeot(int ud, int v)
{
    return setting("ibeot", ud, v, [&](SimBus& bus) { return bus.setEot(ud, v); });
}

FW_GPIB_EXPORT int ibonl(int ud, int v)
{
    return setting("ibonl", ud, v, [&](SimBus& bus) { return bus.setOnline(ud, v); });
}

FW_GPIB_EXPORT int ibtmo(int ud, int v)
{
    return setting("ibtmo", ud, v, [&](SimBus& bus) { return bus.setTimeout(ud, v); });
}

FW_GPIB_EXPORT int ibrsp(int ud, char* spr)
{
    return call(
        "ibrsp", ud, [&](SimBus& bus) { return bus.serialPoll(ud, spr); },
        [&](const CallResult& result) {
            if ((result.status & fw::gpib_sim::kErr) != 0)
                return std::string();
            const auto status_byte = static_cast<std::uint8_t>(*spr);
            return " -> " + fw::gpib_sim::hexBytes(&status_byte, 1);
        });
}

FW_GPIB_EXPORT int ibrd(int ud, void* buf, long count)
{
    return call(
        "ibrd", ud, [&](SimBus& bus) { return bus.read(ud, buf, count); },
        [&](const CallResult& result) {
            const std::string requested = " " + std::to_string(count);
            return result.count ? requested + " -> " + std::to_string(*result.count) : requested;
        });
}

FW_GPIB_EXPORT int ibwrt(int ud, const void* buf, long count)
{
    return call(
        "ibwrt", ud, [&](SimBus& bus) { return bus.write(ud, buf, count); },
        [&](const CallResult&) {
            const std::size_t shown = count > 0 ? static_cast<std::size_t>(count) : 0;
            return " " + fw::gpib_sim::hexBytes(static_cast<const std::uint8_t*>(buf), shown);
        });
}

FW_GPIB_EXPORT int ThreadIberr(void)
{
    logQuery("ThreadIberr", std::to_string(thread_error));
    return thread_error;
}

FW_GPIB_EXPORT long ThreadIbcntl(void)
{
    logQuery("ThreadIbcntl", std::to_string(thread_count));
    return thread_count;
}
