// The processors' side of the protocol: status bytes and service requests, the recording
// information exchanges of each model, the record and stop sequences and refused commands.

#include "e2e/gpib_sim_fixture.h"

namespace fw::e2e {

namespace {

class GpibSimProcessorTest : public GpibSimFixture { };

std::vector<std::uint8_t> withLineFeed(std::vector<std::uint8_t> bytes)
{
    bytes.push_back('\n');
    return bytes;
}

TEST_F(GpibSimProcessorTest, StatusByteShowsStateAndServiceRequestUntilPolled)
{
    const int em = FindOk("DEV7");
    EXPECT_EQ(Poll(em), 4) << "switched on: Stopped, no request";

    ASSERT_EQ(Write(em, { 0x2A }) & kErr, 0);
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(driver().ibrd(em, buffer, 8) & kRqs, kRqs) << "the finished command requests service";
    EXPECT_EQ(Poll(em), 0x40 | 4);
    EXPECT_EQ(Poll(em), 4) << "the poll ends the request";
    EXPECT_EQ(driver().ibrd(em, buffer, 8) & kRqs, 0);
}

TEST_F(GpibSimProcessorTest, EmRecordingInformationRepliesEndWithALineFeed)
{
    SetEnv("FW_GPIB_SIM_EM_FIRST", "-30");
    SetEnv("FW_GPIB_SIM_EM_LAST", "69");
    SetEnv("FW_GPIB_SIM_EM_RATE", "1000");
    SetEnv("FW_GPIB_SIM_EM_EXPOSURE", "12000");
    SetEnv("FW_GPIB_SIM_EM_SESSION", "17");
    SetEnv("FW_GPIB_SIM_EM_DATE", "1997-11-03 21:45");
    const int em = FindOk("DEV7");

    EXPECT_EQ(Command(em, { 0x07 }) & 0xA0, 0);
    EXPECT_EQ(Command(em, { 0x03 }) & 0xA0, 0);
    const Transfer flag = Query(em, 0x81, 3);
    EXPECT_EQ(flag.bytes, withLineFeed({ 0, 0 }));
    EXPECT_EQ(flag.status & kEnd, kEnd);
    EXPECT_EQ(Query(em, 0x86, 2).bytes, withLineFeed({ 17 }));
    EXPECT_EQ(Query(em, 0x88, 7).bytes, withLineFeed({ 0x97, 0x11, 0x03, 0x21, 0x45, 0x00 }));

    const Transfer range = Query(em, 0x85, 9);
    ASSERT_EQ(range.bytes.size(), 9u);
    EXPECT_EQ(fromBigEndian(range.bytes, 0, 4), -30);
    EXPECT_EQ(fromBigEndian(range.bytes, 4, 4), 69);
    EXPECT_EQ(fromBigEndian(Query(em, 0x82, 5).bytes, 0, 2), 1000);
    EXPECT_EQ(fromBigEndian(Query(em, 0x83, 5).bytes, 0, 2), 12000);
}

TEST_F(GpibSimProcessorTest, EmWithTwoRatesGivesTheRateInTheSecondValue)
{
    SetEnv("FW_GPIB_SIM_EM_TWO_RATE", "1");
    SetEnv("FW_GPIB_SIM_EM_RATE", "500");
    const int em = FindOk("DEV7");

    EXPECT_EQ(Query(em, 0x81, 3).bytes, withLineFeed({ 0, 1 }));
    const Transfer rate = Query(em, 0x82, 5);
    ASSERT_EQ(rate.bytes.size(), 5u);
    EXPECT_EQ(fromBigEndian(rate.bytes, 2, 2), 500);
    EXPECT_NE(fromBigEndian(rate.bytes, 0, 2), 500);
}

TEST_F(GpibSimProcessorTest, HsRepliesAreExactAndProbesFindThePostTriggerRecording)
{
    SetEnv("FW_GPIB_SIM_HS_RATE", "9000");
    SetEnv("FW_GPIB_SIM_HS_LAST", "2048");
    const int hs = FindOk("DEV8");

    EXPECT_EQ(Query(hs, 0x86, 32).bytes, std::vector<std::uint8_t>({ 7 }));
    EXPECT_EQ(fromBigEndian(Query(hs, 0x82, 4).bytes, 0, 2), 9000);
    EXPECT_EQ(Command(hs, { 0x29, 0, 64, 255, 191 }) & 0xA0, 0);

    auto probe = [&](std::int32_t frame) {
        std::vector<std::uint8_t> command = { 0x26 };
        const auto number = bigEndian32(frame);
        command.insert(command.end(), number.begin(), number.end());
        Command(hs, command);
        return fromBigEndian(Query(hs, 0x84, 4).bytes, 0, 4);
    };
    EXPECT_EQ(probe(500), 500);
    EXPECT_EQ(probe(-500), 1) << "no frames before the trigger";
    EXPECT_EQ(probe(0), 1) << "no frame 0";
    EXPECT_EQ(probe(2047), 2047);
    EXPECT_EQ(probe(6141), 2048);
}

TEST_F(GpibSimProcessorTest, ReadyForRecordingThenTriggerMakesANewSession)
{
    const int em = FindOk("DEV7");
    const std::uint8_t session = Query(em, 0x86, 2).bytes.at(0);

    for (std::uint8_t command : { 0x03, 0x05, 0x04, 0x06 })
        EXPECT_EQ(Command(em, { command }) & 0xA0, 0) << int(command);
    EXPECT_EQ(PollReady(em) & 0x1F, 12) << "Trig Wait";
    EXPECT_EQ(Command(em, { 0x85 }) & 0xBF, 0x87) << "no recording to read while recording";

    EXPECT_EQ(Command(em, { 0x06 }) & 0xA0, 0) << "trigger";
    EXPECT_EQ(PollReady(em) & 0x1F, 4);
    EXPECT_EQ(Query(em, 0x86, 2).bytes.at(0), session + 1);
}

TEST_F(GpibSimProcessorTest, HsStopsPlaybackOnlyAfterPausing)
{
    SetEnv("FW_GPIB_SIM_HS_STATE", "6");
    const int hs = FindOk("DEV8");
    EXPECT_EQ(Poll(hs), 6) << "Playing";

    EXPECT_EQ(Command(hs, { 0x03 }) & 0xBF, 0x87) << "untimely";
    EXPECT_EQ(Command(hs, { 0x05 }) & 0xA0, 0);
    EXPECT_EQ(Command(hs, { 0x03 }) & 0xA0, 0);
    EXPECT_EQ(PollReady(hs) & 0x1F, 4);
}

TEST_F(GpibSimProcessorTest, RefusedAndMalformedCommandsSetTheErrorNumber)
{
    const int em = FindOk("DEV7");
    const int hs = FindOk("DEV8");

    EXPECT_EQ(Command(em, { 0x19 }) & 0xBF, 0x88) << "EM refuses with 8";
    EXPECT_EQ(Command(hs, { 0x19 }) & 0xBF, 0x89) << "HS refuses with 9";
    EXPECT_EQ(Command(em, { 0x18 }) & 0xBF, 0x88) << "the other model's upload";
    EXPECT_EQ(Command(em, { 0x26, 0, 0, 1 }) & 0xBF, 0x81) << "three-byte frame number";
    EXPECT_EQ(Command(hs, { 0x29, 200, 0, 100, 255 }) & 0xBF, 0x81) << "window ends before it starts";
    EXPECT_EQ(Command(em, { 0x2A }) & 0xBF, 4) << "the next command clears the error";
    EXPECT_EQ(driver().ibclr(hs) & kErr, 0);
    EXPECT_EQ(Poll(hs) & 0xBF, 4) << "device clear clears the error";
}

TEST_F(GpibSimProcessorTest, WithoutARecordingTheProcessorsSaySo)
{
    SetEnv("FW_GPIB_SIM_EM_RECORDING", "0");
    SetEnv("FW_GPIB_SIM_HS_RECORDING", "0");
    const int em = FindOk("DEV7");
    const int hs = FindOk("DEV8");

    EXPECT_EQ(Command(em, { 0x2A }) & 0xBF, 0x85) << "EM: No Recording Available";
    EXPECT_EQ(Command(em, { 0x81 }) & 0xBF, 0x87);
    EXPECT_EQ(Read(em, 3).bytes, std::vector<std::uint8_t>({ '\n' })) << "only the line feed";
    EXPECT_EQ(Command(hs, { 0x03 }) & 0xBF, 0x87);
    EXPECT_EQ(Command(hs, { 0x18 }) & 0xBF, 0x87);
    EXPECT_TRUE(Read(hs, 16).bytes.empty());
}

} // namespace

} // namespace fw::e2e
