// The simulated driver as a bus: finding boards and devices by the names a client uses, the
// status words and error codes of bad calls, whole and byte-by-byte command writes, and the
// per-thread error slot.

#include <thread>

#include "e2e/gpib_sim_fixture.h"

namespace fw::e2e {

namespace {

class GpibSimBusTest : public GpibSimFixture { };

TEST_F(GpibSimBusTest, FindsBoardsAndDevicesByEveryNameForm)
{
    for (const char* name :
        { "GPIB0", "gpib1", "GPIB2", "GPIB3", "DEV7", "DEV8", ":DEV7", "GPIB0:DEV8", " dev7 " })
        EXPECT_GE(Find(name), 0) << name;

    EXPECT_EQ(Find("GPIB4"), -1);
    EXPECT_EQ(driver().ThreadIberr(), kEneb);
    for (const char* name : { "DEV9", "GPIB1:DEV7", "NOSUCH", "GPIB0:" }) {
        EXPECT_EQ(Find(name), -1) << name;
        EXPECT_EQ(driver().ThreadIberr(), kEdvr) << name;
    }
    EXPECT_EQ(driver().ibfind(nullptr), -1);
    EXPECT_EQ(driver().ThreadIberr(), kEarg);
}

TEST_F(GpibSimBusTest, EnvironmentPlacesAndNamesTheProcessors)
{
    SetEnv("FW_GPIB_SIM_EM", "GPIB2:EMPROC");
    SetEnv("FW_GPIB_SIM_EM_PAD", "3");
    SetEnv("FW_GPIB_SIM_HS", "off");

    EXPECT_GE(Find("EMPROC"), 0);
    EXPECT_GE(Find("GPIB2:DEV3"), 0);
    EXPECT_EQ(Find("GPIB0:EMPROC"), -1);
    EXPECT_EQ(Find("DEV7"), -1);
    EXPECT_EQ(Find("DEV8"), -1);
}

TEST_F(GpibSimBusTest, BadCallsFailWithTheDriverErrors)
{
    const int board = FindOk("GPIB0");
    const int em = FindOk("DEV7");
    char status_byte = 0;
    std::uint8_t buffer[4] = {};

    int status = driver().ibclr(9999);
    EXPECT_EQ(status & kErr, kErr);
    EXPECT_GT(status, 0) << "failure is a positive status with the ERR bit";
    EXPECT_EQ(driver().ThreadIberr(), kEdvr);

    EXPECT_EQ(driver().ibtmo(em, 18) & kErr, kErr);
    EXPECT_EQ(driver().ThreadIberr(), kEarg);
    EXPECT_EQ(driver().ibconfig(board, 0x7F, 1) & kErr, kErr);
    EXPECT_EQ(driver().ThreadIberr(), kEarg);
    EXPECT_EQ(driver().ibrsp(board, &status_byte) & kErr, kErr);
    EXPECT_EQ(driver().ThreadIberr(), kEarg);
    EXPECT_EQ(driver().ibrsp(em, nullptr) & kErr, kErr);
    EXPECT_EQ(driver().ThreadIberr(), kEarg);
    EXPECT_EQ(driver().ibrd(board, buffer, 4) & kErr, kErr);
    EXPECT_EQ(driver().ThreadIberr(), kEadr);
    EXPECT_EQ(driver().ibwrt(em, nullptr, 3) & kErr, kErr);
    EXPECT_EQ(driver().ThreadIberr(), kEarg);
    EXPECT_EQ(driver().ibwrt(FindOk("GPIB1"), buffer, 1) & kErr, kErr) << "an empty board has no listener";
    EXPECT_EQ(driver().ThreadIberr(), kEnol);
}

TEST_F(GpibSimBusTest, OpeningCallsOfAClientSucceed)
{
    const int board = FindOk("GPIB0");
    EXPECT_EQ(driver().ibtmo(board, 11), kCmpl);
    EXPECT_EQ(driver().ibconfig(board, 7, 1), kCmpl);
    EXPECT_EQ(driver().ibdma(board, 0), kCmpl);

    const int em = FindOk("DEV7");
    EXPECT_EQ(driver().ibtmo(em, 11), kCmpl);
    EXPECT_EQ(driver().ibclr(em) & kErr, 0);
    EXPECT_EQ(driver().ibeot(em, 1), kCmpl);
    EXPECT_EQ(driver().ibeos(em, 0), kCmpl);
    EXPECT_EQ(driver().ibtmo(em, 13), kCmpl);
}

TEST_F(GpibSimBusTest, OfflineDescriptorIsClosed)
{
    const int em = driver().ibfind("DEV7");
    ASSERT_GE(em, 0);
    EXPECT_EQ(driver().ibonl(em, 0) & kErr, 0);
    EXPECT_EQ(driver().ibtmo(em, 11) & kErr, kErr);
    EXPECT_EQ(driver().ThreadIberr(), kEdvr);
}

TEST_F(GpibSimBusTest, ByteByByteCommandRunsWhenItsLastByteGoesWithEoi)
{
    const int hs = FindOk("DEV8");
    const std::vector<std::uint8_t> position = { 0x26, 0x00, 0x00, 0x01, 0xF4 }; // frame 500

    ASSERT_EQ(driver().ibeot(hs, 0), kCmpl);
    for (std::size_t i = 0; i + 1 < position.size(); ++i) {
        EXPECT_EQ(Write(hs, { position[i] }) & kErr, 0);
        EXPECT_EQ(driver().ThreadIbcntl(), 1);
    }
    EXPECT_EQ(PollReady(hs) & 0x4F, 4) << "nothing runs before the last byte";
    ASSERT_EQ(driver().ibeot(hs, 1), kCmpl);
    EXPECT_EQ(Write(hs, { position.back() }) & kErr, 0);
    EXPECT_EQ(PollReady(hs) & 0x0F, 5) << "positioned: Play/Stop";

    const Transfer frame = Query(hs, 0x84, 4);
    ASSERT_EQ(frame.bytes.size(), 4u);
    EXPECT_EQ(fromBigEndian(frame.bytes, 0, 4), 500);
}

TEST_F(GpibSimBusTest, ErrorCodeBelongsToTheCallingThread)
{
    EXPECT_EQ(driver().ibclr(9999) & kErr, kErr);
    ASSERT_EQ(driver().ThreadIberr(), kEdvr);

    int other_error = -1;
    std::thread other([&] {
        driver().ibtmo(FindOk("DEV7"), 99);
        other_error = driver().ThreadIberr();
    });
    other.join();

    EXPECT_EQ(other_error, kEarg);
    EXPECT_EQ(driver().ThreadIberr(), kEdvr);
}

} // namespace

} // namespace fw::e2e
