#include "e2e/gpib_sim_fixture.h"

namespace fw::e2e {

namespace {

template <typename Function>
void resolve(void* library, const char* name, Function& function, std::string& error)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (function == nullptr)
        error += std::string(" missing ") + name;
}

} // namespace

const GpibDriver& GpibDriver::instance()
{
    static const GpibDriver driver = [] {
        GpibDriver loaded;
        void* library = dlopen(FW_GPIB_SIM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            loaded.load_error = dlerror();
            return loaded;
        }
        // clang-format off
#define FW_RESOLVE(name) resolve(library, #name, loaded.name, loaded.load_error);
        FW_RESOLVE(ibfind) FW_RESOLVE(ibclr) FW_RESOLVE(ibconfig) FW_RESOLVE(ibdma) FW_RESOLVE(ibeos)
        FW_RESOLVE(ibeot) FW_RESOLVE(ibonl) FW_RESOLVE(ibtmo) FW_RESOLVE(ibrsp) FW_RESOLVE(ibrd)
        FW_RESOLVE(ibwrt) FW_RESOLVE(ThreadIberr) FW_RESOLVE(ThreadIbcntl)
#undef FW_RESOLVE
            // clang-format on
            return loaded;
    }();
    return driver;
}

void GpibSimFixture::SetUp()
{
    ASSERT_TRUE(driver().load_error.empty()) << driver().load_error;
}

void GpibSimFixture::TearDown()
{
    for (int ud : opened_)
        driver().ibonl(ud, 0);
    for (const std::string& name : variables_)
        unsetenv(name.c_str());
}

void GpibSimFixture::SetEnv(const char* name, const char* value)
{
    setenv(name, value, 1);
    variables_.emplace_back(name);
}

int GpibSimFixture::Find(const char* name)
{
    const int ud = driver().ibfind(name);
    if (ud >= 0)
        opened_.push_back(ud);
    return ud;
}

int GpibSimFixture::FindOk(const char* name)
{
    const int ud = Find(name);
    EXPECT_GE(ud, 0) << name << " not found, error " << driver().ThreadIberr();
    return ud;
}

int GpibSimFixture::Write(int ud, const std::vector<std::uint8_t>& bytes)
{
    return driver().ibwrt(ud, bytes.data(), static_cast<long>(bytes.size()));
}

std::uint8_t GpibSimFixture::Poll(int ud)
{
    char status_byte = 0;
    const int status = driver().ibrsp(ud, &status_byte);
    EXPECT_EQ(status & kErr, 0) << "serial poll failed, error " << driver().ThreadIberr();
    return static_cast<std::uint8_t>(status_byte);
}

std::uint8_t GpibSimFixture::PollReady(int ud)
{
    std::uint8_t status_byte = Poll(ud);
    for (int tries = 0; tries < 20 && (status_byte & 0x10) != 0; ++tries)
        status_byte = Poll(ud);
    return status_byte;
}

std::uint8_t GpibSimFixture::Command(int ud, const std::vector<std::uint8_t>& bytes)
{
    PollReady(ud);
    const int status = Write(ud, bytes);
    EXPECT_EQ(status & kErr, 0) << "write failed, error " << driver().ThreadIberr();
    return Poll(ud);
}

Transfer GpibSimFixture::Read(int ud, long count)
{
    Transfer transfer;
    transfer.bytes.resize(static_cast<std::size_t>(count));
    transfer.status = driver().ibrd(ud, transfer.bytes.data(), count);
    const long received = driver().ThreadIbcntl();
    transfer.bytes.resize(static_cast<std::size_t>(received < 0 ? 0 : received));
    return transfer;
}

Transfer GpibSimFixture::Query(int ud, std::uint8_t query, long count)
{
    Command(ud, { query });
    return Read(ud, count);
}

std::vector<std::uint8_t> GpibSimFixture::UploadOneByteAtATime(int ud, long count, int& last_status)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    long received = 0;
    last_status = 0;
    while (received < count) {
        last_status = driver().ibrd(ud, bytes.data() + received, 1);
        if ((last_status & kErr) != 0 || driver().ThreadIbcntl() != 1)
            break;
        ++received;
    }
    bytes.resize(static_cast<std::size_t>(received));
    return bytes;
}

std::vector<std::uint8_t> bigEndian32(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    return { static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
        static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits) };
}

std::int32_t fromBigEndian(const std::vector<std::uint8_t>& bytes, std::size_t offset, int byte_count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < byte_count; ++i)
        value = value << 8 | bytes.at(offset + static_cast<std::size_t>(i));
    return static_cast<std::int32_t>(value);
}

} // namespace fw::e2e
