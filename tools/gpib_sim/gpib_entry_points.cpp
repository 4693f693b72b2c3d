// The linux-gpib entry points the library exports. Each call runs under the bus lock and leaves
// its error code and transfer count in the calling thread's slots, as the driver does.

#include <mutex>

#include "sim_bus.h"

#define FW_GPIB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using fw::gpib_sim::CallResult;
using fw::gpib_sim::SimBus;

thread_local int thread_error = 0;
thread_local long thread_count = 0;

template <typename Operation> int call(Operation operation)
{
    SimBus& bus = SimBus::instance();
    std::lock_guard lock(bus.mutex());
    const CallResult result = operation(bus);
    if (result.error)
        thread_error = *result.error;
    if (result.count)
        thread_count = *result.count;
    return result.status;
}

} // namespace

FW_GPIB_EXPORT int ibfind(const char* name)
{
    if (name == nullptr) {
        thread_error = fw::gpib_sim::kEarg;
        return -1;
    }
    SimBus& bus = SimBus::instance();
    std::lock_guard lock(bus.mutex());
    int error = 0;
    const int ud = bus.find(name, error);
    if (ud < 0)
        thread_error = error;
    return ud;
}

FW_GPIB_EXPORT int ibclr(int ud)
{
    return call([&](SimBus& bus) { return bus.clear(ud); });
}

FW_GPIB_EXPORT int ibconfig(int ud, int option, int value)
{
    return call([&](SimBus& bus) { return bus.configure(ud, option, value); });
}

FW_GPIB_EXPORT int ibdma(int ud, int v)
{
    return call([&](SimBus& bus) { return bus.setDma(ud, v); });
}

FW_GPIB_EXPORT int ibeos(int ud, int v)
{
    return call([&](SimBus& bus) { return bus.setEos(ud, v); });
}

FW_GPIB_EXPORT int ibeot(int ud, int v)
{
    return call([&](SimBus& bus) { return bus.setEot(ud, v); });
}

FW_GPIB_EXPORT int ibonl(int ud, int v)
{
    return call([&](SimBus& bus) { return bus.setOnline(ud, v); });
}

FW_GPIB_EXPORT int ibtmo(int ud, int v)
{
    return call([&](SimBus& bus) { return bus.setTimeout(ud, v); });
}

FW_GPIB_EXPORT int ibrsp(int ud, char* spr)
{
    return call([&](SimBus& bus) { return bus.serialPoll(ud, spr); });
}

FW_GPIB_EXPORT int ibrd(int ud, void* buf, long count)
{
    return call([&](SimBus& bus) { return bus.read(ud, buf, count); });
}

FW_GPIB_EXPORT int ibwrt(int ud, const void* buf, long count)
{
    return call([&](SimBus& bus) { return bus.write(ud, buf, count); });
}

FW_GPIB_EXPORT int ThreadIberr(void)
{
    return thread_error;
}

FW_GPIB_EXPORT long ThreadIbcntl(void)
{
    return thread_count;
}
