// Feeds arbitrary bytes to the EM 1012 and HS 4540 command layers as everything their bus says:
// status bytes of serial polls, reply bytes and counts, and failed calls. Connecting, reading the
// recording and uploading a frame must end with an error code or a result, and never read or
// write outside the buffers they were given.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imagers/gpib/hs4540.h"

namespace {

constexpr int kComplete = 0x0100;
constexpr int kFailed = 0x8000;

struct Bus {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    long count = 0;

    bool Empty() const { return at >= size; }
    uint8_t Next() { return Empty() ? 0 : data[at++]; }
};

Bus bus;

int Status()
{
    // A byte with its top bit set makes the call fail.
    return bus.Empty() || (bus.Next() & 0x80) != 0 ? kFailed : kComplete;
}

extern "C" {
int FakeFind(const char*)
{
    return bus.Empty() ? -1 : 1 + bus.Next() % 4;
}
int FakeControl(int, int)
{
    return kComplete;
}
int FakeConfig(int, int, int)
{
    return kComplete;
}
int FakeClear(int)
{
    return Status();
}
int FakePoll(int, char* status_byte)
{
    if (bus.Empty())
        return kFailed;
    *status_byte = static_cast<char>(bus.Next());
    return kComplete;
}
int FakeWrite(int, const void*, long)
{
    return Status();
}
int FakeRead(int, void* buffer, long count)
{
    const int status = Status();
    if (status == kFailed)
        return status;
    const size_t wanted
        = std::min<size_t>(static_cast<size_t>(count), bus.Next() % 2 == 0 ? size_t(count) : bus.Next());
    const size_t given = std::min(wanted, bus.size - std::min(bus.at, bus.size));
    std::memcpy(buffer, bus.data + bus.at, given);
    bus.at += given;
    bus.count = static_cast<long>(given);
    return status | (bus.Next() & 0x08 ? 0x0800 : 0);
}
int FakeIberr()
{
    return 6;
}
long FakeIbcntl()
{
    return bus.count;
}
}

void* Lookup(void*, const char* name)
{
    const std::string entry(name);
    if (entry == "ibfind")
        return reinterpret_cast<void*>(&FakeFind);
    if (entry == "ibclr")
        return reinterpret_cast<void*>(&FakeClear);
    if (entry == "ibconfig")
        return reinterpret_cast<void*>(&FakeConfig);
    if (entry == "ibrsp")
        return reinterpret_cast<void*>(&FakePoll);
    if (entry == "ibwrt")
        return reinterpret_cast<void*>(&FakeWrite);
    if (entry == "ibrd")
        return reinterpret_cast<void*>(&FakeRead);
    if (entry == "ThreadIberr")
        return reinterpret_cast<void*>(&FakeIberr);
    if (entry == "ThreadIbcntl")
        return reinterpret_cast<void*>(&FakeIbcntl);
    return reinterpret_cast<void*>(&FakeControl); // ibdma, ibeos, ibeot, ibonl, ibtmo
}

fw::SteadyNow JumpingClock()
{
    auto now = std::make_shared<std::chrono::steady_clock::time_point>();
    return [now] { return *now += std::chrono::milliseconds(10); };
}

void Exercise(fw::TEM1012& processor, size_t upload_bytes)
{
    processor.SetTiming(fw::EmTiming { 0, 0, 0, false });
    if (!processor.Connect()) {
        processor.ErrorMessage();
        return;
    }
    fw::EmRecordingInfo info;
    if (processor.GetRecordingInfo(info)
        && (info.lines < 1 || info.lines > 256 || info.line_length < 1 || info.line_length > 256))
        std::abort();
    std::vector<uint8_t> buffer(upload_bytes);
    processor.UploadFrame(buffer, 3);
    processor.ErrorMessage();
    processor.Disconnect();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static fw::TGPIB* gpib = [] {
        auto* library = new fw::TGPIB(nullptr, QStringLiteral("libc.so.6"));
        library->SetSymbolLookup(&Lookup);
        if (!library->Load())
            std::abort();
        return library;
    }();
    bus = Bus { data, size, 0, 0 };
    const bool hs_model = size > 0 && (data[0] & 1) != 0;
    if (hs_model) {
        fw::THS4540 hs(*gpib, QStringLiteral("GPIB0:DEV8"), JumpingClock());
        Exercise(hs, fw::THS4540::kUploadBufferBytes);
    } else {
        fw::TEM1012 em(*gpib, QStringLiteral("GPIB0:DEV7"), JumpingClock());
        Exercise(em, fw::TEM1012::kEmUploadBytes);
    }
    return 0;
}
