// The fault switches, each on one processor while the other keeps working: no listener,
// time-outs, an upload cut short, a locked keypad, a stuck service request and a processor that
// stays busy.

#include "e2e/gpib_sim_fixture.h"

namespace fw::e2e {

namespace {

class GpibSimFaultsTest : public GpibSimFixture { };

TEST_F(GpibSimFaultsTest, NoListenerFailsWritesAndClearsWithEnol)
{
    SetEnv("FW_GPIB_SIM_NO_LISTENER", "EM");
    const int em = FindOk("DEV7");
    const int hs = FindOk("DEV8");

    EXPECT_EQ(driver().ibclr(em) & kErr, kErr);
    EXPECT_EQ(driver().ThreadIberr(), kEnol);
    EXPECT_EQ(Write(em, { 0x90 }) & kErr, kErr);
    EXPECT_EQ(driver().ThreadIberr(), kEnol);
    EXPECT_EQ(driver().ThreadIbcntl(), 0);
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(driver().ibrd(em, buffer, 4) & (kErr | kTimo), kErr | kTimo);

    EXPECT_EQ(Query(hs, 0x90, 4).bytes, std::vector<std::uint8_t>({ 0 })) << "the other processor answers";
}

TEST_F(GpibSimFaultsTest, TimeoutFailsReadsAndPollsWithEabo)
{
    SetEnv("FW_GPIB_SIM_TIMEOUT", "HS");
    const int hs = FindOk("DEV8");

    EXPECT_EQ(Write(hs, { 0x90 }) & kErr, 0) << "it still listens";
    std::uint8_t buffer[4] = {};
    const int status = driver().ibrd(hs, buffer, 4);
    EXPECT_EQ(status & (kErr | kTimo), kErr | kTimo);
    EXPECT_EQ(driver().ThreadIberr(), kEabo);
    EXPECT_EQ(driver().ThreadIbcntl(), 0);
    char status_byte = 0;
    EXPECT_EQ(driver().ibrsp(hs, &status_byte) & (kErr | kTimo), kErr | kTimo);
    EXPECT_EQ(driver().ThreadIberr(), kEabo);
}

TEST_F(GpibSimFaultsTest, UploadTimeoutStopsHalfWayWithTheCountSoFar)
{
    SetEnv("FW_GPIB_SIM_UPLOAD_TIMEOUT", "all");
    const int hs = FindOk("DEV8");
    ASSERT_EQ(Command(hs, { 0x18 }) & 0xA0, 0);

    const Transfer cut = Read(hs, 65541);
    EXPECT_EQ(cut.status & (kErr | kTimo), kErr | kTimo);
    EXPECT_EQ(driver().ThreadIberr(), kEabo);
    EXPECT_EQ(cut.bytes.size(), 65541u / 2);

    const int em = FindOk("DEV7");
    ASSERT_EQ(Command(em, { 0x17 }) & 0xA0, 0);
    int last_status = 0;
    const auto bytes = UploadOneByteAtATime(em, 46044, last_status);
    EXPECT_EQ(bytes.size(), 46044u / 2);
    EXPECT_EQ(last_status & (kErr | kTimo), kErr | kTimo);
}

TEST_F(GpibSimFaultsTest, LockedKeypadAnswersTheQueryAndRefusesCommands)
{
    SetEnv("FW_GPIB_SIM_KEYPAD_LOCK", "EM,HS");
    const int em = FindOk("DEV7");
    const int hs = FindOk("DEV8");

    EXPECT_EQ(Query(em, 0x90, 2).bytes, std::vector<std::uint8_t>({ 1, '\n' }));
    EXPECT_EQ(Query(hs, 0x90, 1).bytes, std::vector<std::uint8_t>({ 1 }));
    EXPECT_EQ(Command(em, { 0x2A }) & 0xBF, 0x86);
    EXPECT_EQ(Command(hs, { 0x06 }) & 0xBF, 0x86);
    EXPECT_EQ(Command(hs, { 0x2B }) & 0xBF, 4) << "going back to local is allowed";
}

TEST_F(GpibSimFaultsTest, StuckServiceRequestSurvivesSerialPolls)
{
    SetEnv("FW_GPIB_SIM_STUCK_SRQ", "HS");
    const int hs = FindOk("DEV8");
    const int em = FindOk("DEV7");

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Poll(hs) & 0x40, 0x40);
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(driver().ibrd(hs, buffer, 4) & kRqs, kRqs);
    EXPECT_EQ(driver().ibclr(hs) & kRqs, kRqs) << "not even a device clear ends it";

    Command(em, { 0x2A });
    EXPECT_EQ(Poll(em) & 0x40, 0) << "the other processor's request ends with its poll";
}

TEST_F(GpibSimFaultsTest, StuckBusyProcessorRefusesEveryCommand)
{
    SetEnv("FW_GPIB_SIM_STUCK_BUSY", "1");
    const int em = FindOk("DEV7");

    EXPECT_EQ(PollReady(em) & 0x10, 0x10);
    EXPECT_EQ(Command(em, { 0x2A }) & 0xBF, 0x98) << "busy and refused";
}

TEST_F(GpibSimFaultsTest, FaultsAreReadAgainAtEveryFind)
{
    SetEnv("FW_GPIB_SIM_NO_LISTENER", "EM");
    const int before = FindOk("DEV7");
    EXPECT_EQ(driver().ibclr(before) & kErr, kErr);

    unsetenv("FW_GPIB_SIM_NO_LISTENER");
    const int after = FindOk("DEV7");
    EXPECT_EQ(driver().ibclr(after) & kErr, 0);
}

} // namespace

} // namespace fw::e2e
