// The simulator's call log: one line per entry-point call naming the unit, the arguments and
// what the call returned, failures with the driver's error name; appended while the variable
// names a file, whole lines when two threads call at once.

#include <QTemporaryDir>

#include <fstream>
#include <map>
#include <thread>

#include "e2e/gpib_sim_fixture.h"

namespace fw::e2e {

namespace {

class GpibSimLogTest : public GpibSimFixture {
protected:
    void SetUp() override
    {
        GpibSimFixture::SetUp();
        ASSERT_TRUE(dir_.isValid());
        log_path_ = Path("calls.log");
        SetEnv("FW_GPIB_SIM_LOG", log_path_.c_str());
    }

    std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }

    static std::vector<std::string> Lines(const std::string& path)
    {
        std::ifstream file(path);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);)
            lines.push_back(line);
        return lines;
    }
    std::vector<std::string> Lines() const { return Lines(log_path_); }

    QTemporaryDir dir_;
    std::string log_path_;
};

std::string Hex(char byte)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    const auto value = static_cast<std::uint8_t>(byte);
    return { kDigits[value >> 4], kDigits[value & 0x0F] };
}

TEST_F(GpibSimLogTest, EachCallIsOneLineWithItsUnitArgumentsAndResult)
{
    const int board = FindOk("GPIB0");
    const int em = FindOk("GPIB0:DEV7");
    driver().ibtmo(em, 13);
    driver().ibconfig(board, 7, 1);
    driver().ibclr(em);
    const std::uint8_t position[] = { 0x26, 0x00, 0x00, 0x01, 0xFF };
    driver().ibwrt(em, position, sizeof position);
    char status_byte = 0;
    driver().ibrsp(em, &status_byte);
    const std::uint8_t keypad_query = 0x90;
    driver().ibwrt(em, &keypad_query, 1);
    std::uint8_t reply[8] = {};
    driver().ibrd(em, reply, sizeof reply);
    const long received = driver().ThreadIbcntl();
    driver().ibonl(em, 0);

    const std::vector<std::string> expected { "ibfind GPIB0 -> " + std::to_string(board),
        "ibfind GPIB0:DEV7 -> " + std::to_string(em), "ibtmo DEV7 13", "ibconfig GPIB0 7 1", "ibclr DEV7",
        "ibwrt DEV7 26000001ff", "ibrsp DEV7 -> " + Hex(status_byte), "ibwrt DEV7 90",
        "ibrd DEV7 8 -> " + std::to_string(received), "ThreadIbcntl -> " + std::to_string(received),
        "ibonl DEV7 0" };
    EXPECT_EQ(Lines(), expected);
    EXPECT_GT(received, 0);
}

TEST_F(GpibSimLogTest, FailuresCarryTheDriverErrorName)
{
    SetEnv("FW_GPIB_SIM_NO_LISTENER", "EM");
    const int board = FindOk("GPIB0");
    const int em = FindOk("DEV7");
    EXPECT_EQ(Find("DEV3"), -1);
    EXPECT_EQ(Find("GPIB9"), -1);
    driver().ibfind(nullptr);
    driver().ibclr(em);
    std::uint8_t buffer[4] = {};
    driver().ibrd(em, buffer, 4);
    driver().ibrd(board, buffer, 4);
    driver().ibonl(9999, 0);
    driver().ThreadIberr();

    const std::vector<std::string> lines = Lines();
    const std::vector<std::string> expected { "ibfind GPIB0 -> " + std::to_string(board),
        "ibfind DEV7 -> " + std::to_string(em), "ibfind DEV3 -> -1 ERR EDVR", "ibfind GPIB9 -> -1 ERR ENEB",
        "ibfind (null) -> -1 ERR EARG", "ibclr DEV7 ERR ENOL", "ibrd DEV7 4 -> 0 ERR EABO",
        "ibrd GPIB0 4 ERR EADR", "ibonl #9999 0 ERR EDVR", "ThreadIberr -> 0" };
    EXPECT_EQ(lines, expected);
}

TEST_F(GpibSimLogTest, LinesAreAppendedOnlyWhileTheVariableNamesAFile)
{
    {
        std::ofstream earlier(log_path_);
        earlier << "earlier run\n";
    }
    FindOk("GPIB1");
    unsetenv("FW_GPIB_SIM_LOG");
    FindOk("GPIB2");
    const std::string other_path = Path("other.log");
    setenv("FW_GPIB_SIM_LOG", other_path.c_str(), 1);
    FindOk("GPIB3");

    EXPECT_EQ(Lines(), (std::vector<std::string> { "earlier run", Lines().at(1) }));
    EXPECT_EQ(Lines().at(1).rfind("ibfind GPIB1 -> ", 0), 0u);
    ASSERT_EQ(Lines(other_path).size(), 1u);
    EXPECT_EQ(Lines(other_path).front().rfind("ibfind GPIB3 -> ", 0), 0u);

    // A log that cannot be opened costs the calls nothing.
    setenv("FW_GPIB_SIM_LOG", Path("no-such-folder/calls.log").c_str(), 1);
    EXPECT_GE(FindOk("GPIB1"), 0);
}

// A download thread and the user-interface thread may call in turn: every call still makes
// exactly one whole line.
TEST_F(GpibSimLogTest, TwoThreadsCallingAtOnceLogWholeLines)
{
    constexpr int kRounds = 300;
    const int em = FindOk("DEV7");
    const int hs = FindOk("DEV8");
    const auto calls = [&](int ud, int timeout_code) {
        const std::uint8_t remote = 0x2A;
        for (int round = 0; round < kRounds; ++round) {
            driver().ibtmo(ud, timeout_code);
            driver().ibwrt(ud, &remote, 1);
        }
    };
    std::thread download(calls, em, 13);
    std::thread user_interface(calls, hs, 11);
    download.join();
    user_interface.join();

    std::map<std::string, int> counts;
    for (const std::string& line : Lines())
        ++counts[line];
    counts.erase("ibfind DEV7 -> " + std::to_string(em));
    counts.erase("ibfind DEV8 -> " + std::to_string(hs));
    const std::map<std::string, int> expected { { "ibtmo DEV7 13", kRounds }, { "ibwrt DEV7 2a", kRounds },
        { "ibtmo DEV8 11", kRounds }, { "ibwrt DEV8 2a", kRounds } };
    EXPECT_EQ(counts, expected);
}

} // namespace

} // namespace fw::e2e
