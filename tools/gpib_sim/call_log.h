#pragma once

// The call log: while FW_GPIB_SIM_LOG names a file, every entry-point call is appended to it as
// one line, written at once, so that a test or a person can follow what a client did on the bus.
// The line format is in the manual's "GPIB simulator" section.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace fw::gpib_sim {

class CallLog {
public:
    static CallLog& instance();

    // Follows the variable, which is read at every call: opens, switches or closes the file.
    bool active();
    void append(const std::string& line);

private:
    CallLog() = default;
    ~CallLog();
    void reopen(const std::string& path);

    std::mutex mutex_;
    std::string path_;
    int fd_ = -1;
};

// "2a2600000005": the bytes in lower-case hex, nothing between them; "-" for none.
std::string hexBytes(const std::uint8_t* bytes, std::size_t count);
// The driver's name of an error code ("ENOL"), or "E" and the number for one it has no name for.
std::string errorName(int error);

} // namespace fw::gpib_sim
