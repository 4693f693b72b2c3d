#include "call_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fw::gpib_sim {

CallLog& CallLog::instance()
{
    static CallLog log;
    return log;
}

CallLog::~CallLog()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool CallLog::active()
{
    std::lock_guard lock(mutex_);
    const char* path = std::getenv("FW_GPIB_SIM_LOG");
    const std::string wanted = path != nullptr ? path : "";
    if (wanted != path_)
        reopen(wanted);
    return fd_ >= 0;
}

// A file that cannot be opened is reported once and not tried again until the variable changes.
void CallLog::reopen(const std::string& path)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    path_ = path;
    if (path.empty())
        return;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0)
        std::fprintf(
            stderr, "fw-gpib-sim: cannot open the call log %s: %s\n", path.c_str(), std::strerror(errno));
}

void CallLog::append(const std::string& line)
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return;
    const std::string text = line + '\n';
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = ::write(fd_, text.data() + written, text.size() - written);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return;
        written += static_cast<std::size_t>(result);
    }
}

std::string hexBytes(const std::uint8_t* bytes, std::size_t count)
{
    if (bytes == nullptr || count == 0)
        return "-";
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string errorName(int error)
{
    static constexpr std::array<const char*, 21> kNames { "EDVR", "ECIC", "ENOL", "EADR", "EARG", "ESAC",
        "EABO", "ENEB", "EDMA", "", "EOIP", "ECAP", "EFSO", "", "EBUS", "ESTB", "ESRQ", "", "", "", "ETAB" };
    const auto index = static_cast<std::size_t>(error);
    if (error >= 0 && index < kNames.size() && kNames[index][0] != '\0')
        return kNames[index];
    return "E" + std::to_string(error);
}

} // namespace fw::gpib_sim
