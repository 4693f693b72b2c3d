#pragma once

// The GPIB simulator library opened as a client opens a driver: dlopen, then each entry point by
// name. Every test starts from a clean environment and closes the descriptors it opened, so the
// next ibfind finds freshly switched-on processors.

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fw::e2e {

inline constexpr int kErr = 0x8000;
inline constexpr int kTimo = 0x4000;
inline constexpr int kEnd = 0x2000;
inline constexpr int kRqs = 0x0800;
inline constexpr int kCmpl = 0x0100;

inline constexpr int kEdvr = 0;
inline constexpr int kEnol = 2;
inline constexpr int kEadr = 3;
inline constexpr int kEarg = 4;
inline constexpr int kEabo = 6;
inline constexpr int kEneb = 7;

struct GpibDriver {
    int (*ibfind)(const char*) = nullptr;
    int (*ibclr)(int) = nullptr;
    int (*ibconfig)(int, int, int) = nullptr;
    int (*ibdma)(int, int) = nullptr;
    int (*ibeos)(int, int) = nullptr;
    int (*ibeot)(int, int) = nullptr;
    int (*ibonl)(int, int) = nullptr;
    int (*ibtmo)(int, int) = nullptr;
    int (*ibrsp)(int, char*) = nullptr;
    int (*ibrd)(int, void*, long) = nullptr;
    int (*ibwrt)(int, const void*, long) = nullptr;
    int (*ThreadIberr)() = nullptr;
    long (*ThreadIbcntl)() = nullptr;
    std::string load_error;

    static const GpibDriver& instance();
};

// A reply or upload as read from a device: its bytes and the status of the last read.
struct Transfer {
    std::vector<std::uint8_t> bytes;
    int status = 0;
};

class GpibSimFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const GpibDriver& driver() const { return GpibDriver::instance(); }
    void SetEnv(const char* name, const char* value);

    int Find(const char* name);
    int FindOk(const char* name);
    int Write(int ud, const std::vector<std::uint8_t>& bytes);
    std::uint8_t Poll(int ud);
    // Polls while the busy bit is set (a bounded number of times) and returns the last byte.
    std::uint8_t PollReady(int ud);
    // Writes one command message, then serial-polls as a controller does after each command.
    std::uint8_t Command(int ud, const std::vector<std::uint8_t>& bytes);
    Transfer Read(int ud, long count);
    // Sends a query and reads its reply in one read of `count` bytes.
    Transfer Query(int ud, std::uint8_t query, long count);
    std::vector<std::uint8_t> UploadOneByteAtATime(int ud, long count, int& last_status);

private:
    std::vector<int> opened_;
    std::vector<std::string> variables_;
};

std::vector<std::uint8_t> bigEndian32(std::int32_t value);
std::int32_t fromBigEndian(const std::vector<std::uint8_t>& bytes, std::size_t offset, int byte_count);

} // namespace fw::e2e
