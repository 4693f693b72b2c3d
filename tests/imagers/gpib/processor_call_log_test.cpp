// What the processors do on the bus, read from the simulator's call log: the device is cleared
// on connect, an upload reads with a time-out long enough for a whole frame, and a disconnect
// hands the processor back to its keypad and takes the device offline.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "processor_sim_fixture.h"

namespace fw {
namespace {

constexpr int kTimeout10s = 13;
constexpr int kTimeout1000s = 17;

class ProcessorCallLogTest : public ProcessorSimTest {
protected:
    void SetUp() override
    {
        ProcessorSimTest::SetUp();
        ASSERT_TRUE(dir_.isValid());
        log_path_ = dir_.filePath("calls.log").toStdString();
        SetEnv("FW_GPIB_SIM_LOG", log_path_.c_str());
    }

    // The logged calls on one unit ("ibclr DEV7", "ibwrt DEV7 2b" …), in order.
    std::vector<std::string> CallsOn(const std::string& unit) const
    {
        std::ifstream file(log_path_);
        std::vector<std::string> calls;
        for (std::string line; std::getline(file, line);) {
            std::istringstream words(line);
            std::string entry, named;
            words >> entry >> named;
            if (named == unit && entry != "ibfind")
                calls.push_back(line);
        }
        return calls;
    }

    QTemporaryDir dir_;
    std::string log_path_;
};

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.rfind(start, 0) == 0;
}

std::size_t IndexOf(const std::vector<std::string>& calls, const std::string& call, std::size_t from = 0)
{
    for (std::size_t index = from; index < calls.size(); ++index)
        if (calls[index] == call)
            return index;
    return calls.size();
}

// The last time-out set on the unit before `index`; -1 when none was.
int TimeoutBefore(const std::vector<std::string>& calls, std::size_t index, const std::string& unit)
{
    const std::string prefix = "ibtmo " + unit + " ";
    for (std::size_t at = index; at-- > 0;)
        if (StartsWith(calls[at], prefix))
            return std::stoi(calls[at].substr(prefix.size()));
    return -1;
}

std::string Hex(std::uint8_t byte)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    return { kDigits[byte >> 4], kDigits[byte & 0x0F] };
}

// Connect, one upload and Disconnect, as the log of `unit` shows them.
void ExpectConnectUploadDisconnect(
    const std::vector<std::string>& calls, const std::string& unit, std::uint8_t upload_command)
{
    SCOPED_TRACE(unit);
    ASSERT_FALSE(calls.empty());
    const std::size_t clear = IndexOf(calls, "ibclr " + unit);
    ASSERT_LT(clear, calls.size()) << "the device is never cleared";
    for (std::size_t index = 0; index < clear; ++index)
        EXPECT_FALSE(StartsWith(calls[index], "ibwrt ")) << "written before the clear: " << calls[index];

    const std::size_t upload = IndexOf(calls, "ibwrt " + unit + " " + Hex(upload_command), clear);
    ASSERT_LT(upload, calls.size()) << "no upload command";
    std::size_t first_read = upload;
    while (first_read < calls.size() && !StartsWith(calls[first_read], "ibrd "))
        ++first_read;
    ASSERT_LT(first_read, calls.size()) << "the upload is never read";
    const int timeout_code = TimeoutBefore(calls, first_read, unit);
    EXPECT_GE(timeout_code, kTimeout10s) << "upload read with a time-out below 10 s";
    EXPECT_LE(timeout_code, kTimeout1000s);

    std::size_t last_write = calls.size();
    for (std::size_t index = 0; index < calls.size(); ++index)
        if (StartsWith(calls[index], "ibwrt "))
            last_write = index;
    ASSERT_LT(last_write, calls.size());
    EXPECT_EQ(calls[last_write], "ibwrt " + unit + " " + Hex(em_command::kLocal));
    EXPECT_EQ(calls.back(), "ibonl " + unit + " 0");
    EXPECT_LT(last_write, calls.size() - 1);
}

TEST_F(ProcessorCallLogTest, ConnectClearsUploadWaitsLongEnoughDisconnectReleases)
{
    for (bool hs_model : { false, true }) {
        TEM1012& processor = hs_model ? static_cast<TEM1012&>(Hs()) : Em();
        ASSERT_TRUE(processor.Connect()) << processor.ErrorMessage().toStdString();
        std::vector<std::uint8_t> buffer(hs_model ? THS4540::kUploadBufferBytes : TEM1012::kEmUploadBytes);
        ASSERT_TRUE(processor.UploadFrame(buffer, 5)) << processor.ErrorMessage().toStdString();
        processor.Disconnect();
        const std::string unit = hs_model ? "DEV8" : "DEV7";
        ExpectConnectUploadDisconnect(
            CallsOn(unit), unit, hs_model ? em_command::kUploadHs : em_command::kUploadEm);
    }
}

// A download window that closes without disconnecting first still releases the processor, and
// its board descriptor goes as well.
TEST_F(ProcessorCallLogTest, DestroyingAConnectedProcessorReleasesIt)
{
    ASSERT_TRUE(Em().Connect());
    DestroyProcessors();
    const std::vector<std::string> calls = CallsOn("DEV7");
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.back(), "ibonl DEV7 0");
    EXPECT_LT(IndexOf(calls, "ibwrt DEV7 2b"), calls.size() - 1);
    const std::vector<std::string> board_calls = CallsOn("GPIB0");
    ASSERT_FALSE(board_calls.empty());
    EXPECT_EQ(board_calls.back(), "ibonl GPIB0 0");
}

} // namespace
} // namespace fw
