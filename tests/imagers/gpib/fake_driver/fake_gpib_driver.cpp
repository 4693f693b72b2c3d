#include "fake_gpib_driver.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

struct Script {
    int status = 0;
    int iberr = 0;
    long ibcntl = 0;
    std::string reply;
    char status_byte = 0;
};

struct Record {
    std::string call;
    int ud = -1;
    int arguments[2] = { 0, 0 };
    std::string found_name;
    std::string written;
};

Script script;
Record record;

int Called(const char* name, int ud, int first = 0, int second = 0)
{
    record.call = name;
    record.ud = ud;
    record.arguments[0] = first;
    record.arguments[1] = second;
    return script.status;
}

} // namespace

extern "C" {

void fake_gpib_script(int status, int iberr, long ibcntl)
{
    script.status = status;
    script.iberr = iberr;
    script.ibcntl = ibcntl;
}

void fake_gpib_script_reply(const char* reply, char status_byte)
{
    script.reply = reply;
    script.status_byte = status_byte;
}

const char* fake_gpib_last_call()
{
    return record.call.c_str();
}
int fake_gpib_last_ud()
{
    return record.ud;
}
int fake_gpib_last_argument(int position)
{
    return record.arguments[position];
}
const char* fake_gpib_found_name()
{
    return record.found_name.c_str();
}
const char* fake_gpib_written()
{
    return record.written.c_str();
}

// The descriptor of a found device is the length of its name; an empty name is not found.
int ibfind(const char* name)
{
    record.call = "ibfind";
    record.found_name = name;
    return record.found_name.empty() ? -1 : static_cast<int>(record.found_name.size());
}

int ibclr(int ud)
{
    return Called("ibclr", ud);
}
int ibconfig(int ud, int option, int value)
{
    return Called("ibconfig", ud, option, value);
}
int ibdma(int ud, int v)
{
    return Called("ibdma", ud, v);
}
int ibeos(int ud, int v)
{
    return Called("ibeos", ud, v);
}
int ibeot(int ud, int v)
{
    return Called("ibeot", ud, v);
}
int ibonl(int ud, int v)
{
    return Called("ibonl", ud, v);
}
int ibtmo(int ud, int v)
{
    return Called("ibtmo", ud, v);
}

int ibrd(int ud, void* buf, long count)
{
    const auto copied = std::min(static_cast<std::size_t>(count), script.reply.size());
    std::memcpy(buf, script.reply.data(), copied);
    script.ibcntl = static_cast<long>(copied);
    return Called("ibrd", ud, static_cast<int>(count));
}

int ibwrt(int ud, const void* buf, long count)
{
    record.written.assign(static_cast<const char*>(buf), static_cast<std::size_t>(count));
    return Called("ibwrt", ud, static_cast<int>(count));
}

// The partial driver lacks this one, as an old or foreign library might.
#ifndef FAKE_GPIB_WITHOUT_IBRSP
int ibrsp(int ud, char* spr)
{
    *spr = script.status_byte;
    return Called("ibrsp", ud);
}
#endif

int ThreadIberr(void)
{
    return script.iberr;
}
long ThreadIbcntl(void)
{
    return script.ibcntl;
}
}
