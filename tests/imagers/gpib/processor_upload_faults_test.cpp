#include "processor_sim_fixture.h"

namespace fw {
namespace {

using ProcessorUploadTest = ProcessorSimTest;
using ProcessorFaultTest = ProcessorSimTest;

TEST_F(ProcessorUploadTest, EmFrameIsHeaderAndPatternOfTheChosenFrame)
{
    TEM1012& em = Em();
    ASSERT_TRUE(em.Connect());
    std::vector<std::uint8_t> buffer(TEM1012::kEmUploadBytes);
    ASSERT_TRUE(em.UploadFrame(buffer, 5)) << em.ErrorMessage().toStdString();
    EXPECT_EQ(BigEndianValue(buffer, 4), 5);
    for (int y : { 0, 100, 191 })
        for (int x : { 0, 15, 20, 238 })
            EXPECT_EQ(buffer[static_cast<std::size_t>(156 + y * 239 + x)], ExpectedPixel(239, x, y, 5))
                << x << "," << y;
    EXPECT_EQ(em.ErrorCode(), 0);
}

TEST_F(ProcessorUploadTest, HsFrameIsStoredAfterTheHeaderRoom)
{
    THS4540& hs = Hs();
    ASSERT_TRUE(hs.Connect());
    std::vector<std::uint8_t> buffer(THS4540::kUploadBufferBytes, 0xEE);
    ASSERT_TRUE(hs.UploadFrame(buffer, 40)) << hs.ErrorMessage().toStdString();
    EXPECT_EQ(buffer[155], 0xEE) << "the header room stays untouched";
    EXPECT_EQ(BigEndianValue(std::span(buffer).subspan(156), 4), 40);
    for (int y : { 0, 128, 255 })
        for (int x : { 0, 120, 125, 255 })
            EXPECT_EQ(buffer[static_cast<std::size_t>(160 + y * 256 + x)], ExpectedPixel(256, x, y, 40))
                << x << "," << y;
    EXPECT_EQ(buffer.back(), '\n');
}

TEST_F(ProcessorUploadTest, HsUploadRefusesABufferWithoutRoomForTheReply)
{
    THS4540& hs = Hs();
    ASSERT_TRUE(hs.Connect());
    std::vector<std::uint8_t> buffer(THS4540::kUploadBufferBytes - 1);
    EXPECT_FALSE(hs.UploadFrame(buffer, 1));
    EXPECT_EQ(hs.ErrorMessage(), "Upload Error. Buffer holds 65696, needs 65697");
}

TEST_F(ProcessorUploadTest, UploadThatStopsHalfWayFails)
{
    SetEnv("FW_GPIB_SIM_UPLOAD_TIMEOUT", "all");
    TEM1012& em = Em();
    ASSERT_TRUE(em.Connect());
    std::vector<std::uint8_t> em_buffer(TEM1012::kEmUploadBytes);
    EXPECT_FALSE(em.UploadFrame(em_buffer, 3));
    EXPECT_EQ(em.ErrorMessage(), "No Response");

    THS4540& hs = Hs();
    ASSERT_TRUE(hs.Connect());
    std::vector<std::uint8_t> hs_buffer(THS4540::kUploadBufferBytes);
    EXPECT_FALSE(hs.UploadFrame(hs_buffer, 3));
    EXPECT_EQ(hs.ErrorCode(), static_cast<int>(EmError::kNoResponse));
}

TEST_F(ProcessorFaultTest, UnknownBoardAndDeviceAreNamed)
{
    TEM1012& board = Em("GPIB9:DEV7");
    EXPECT_FALSE(board.Connect());
    EXPECT_EQ(board.ErrorMessage(), "GPIB Host Adapter Not Found: \"GPIB9\"");
    TEM1012& device = Em("GPIB0:DEV3");
    EXPECT_FALSE(device.Connect());
    EXPECT_EQ(device.ErrorMessage(), "GPIB Host/Device Not Found: \"GPIB0\"/\"DEV3\"");
}

TEST_F(ProcessorFaultTest, NoListenerIsTheDriverError)
{
    SetEnv("FW_GPIB_SIM_NO_LISTENER", "EM");
    TEM1012& em = Em();
    EXPECT_FALSE(em.Connect());
    EXPECT_FALSE(em.IsConnected());
    EXPECT_EQ(em.ErrorMessage(), "Write function detected no Listeners (ENOL)");
}

TEST_F(ProcessorFaultTest, KeypadLockFailsConnect)
{
    SetEnv("FW_GPIB_SIM_KEYPAD_LOCK", "all");
    for (bool hs_model : { false, true }) {
        TEM1012& processor = hs_model ? static_cast<TEM1012&>(Hs()) : Em();
        EXPECT_FALSE(processor.Connect());
        EXPECT_FALSE(processor.IsConnected());
        EXPECT_EQ(processor.ErrorMessage(), "User Locked Keypad") << "HS: " << hs_model;
    }
}

TEST_F(ProcessorFaultTest, SilentProcessorIsNoResponse)
{
    SetEnv("FW_GPIB_SIM_TIMEOUT", "all");
    for (bool hs_model : { false, true }) {
        TEM1012& processor = hs_model ? static_cast<TEM1012&>(Hs()) : Em();
        EXPECT_FALSE(processor.Connect());
        EXPECT_EQ(processor.ErrorMessage(), "No Response") << "HS: " << hs_model;
    }
}

TEST_F(ProcessorFaultTest, ProcessorThatStaysBusyIsNotConnected)
{
    SetEnv("FW_GPIB_SIM_STUCK_BUSY", "EM");
    TEM1012& em = Em();
    EXPECT_FALSE(em.Connect());
    EXPECT_EQ(em.ErrorMessage(), "Not Connected or is Looping");
}

TEST_F(ProcessorFaultTest, OverlongParameterIsNotSent)
{
    TEM1012& em = Em();
    ASSERT_TRUE(em.Connect());
    const std::vector<std::uint8_t> parameter(17, 0);
    EXPECT_FALSE(em.SendCommand(em_command::kPositionTo, parameter));
    EXPECT_EQ(em.ErrorMessage(), "Program Parm Error");
}

TEST_F(ProcessorFaultTest, RefusedCommandsMapPerProcessor)
{
    TEM1012& em = Em();
    THS4540& hs = Hs();
    ASSERT_TRUE(em.Connect());
    ASSERT_TRUE(hs.Connect());
    std::vector<int> errors;
    em.SetOnError([&](int code) { errors.push_back(code); });
    EXPECT_FALSE(em.SendCommand(0x19));
    EXPECT_FALSE(hs.SendCommand(0x19));
    EXPECT_EQ(em.ErrorMessage(), "Refused Command");
    EXPECT_EQ(hs.ErrorMessage(), "Refused Command");
    EXPECT_EQ(errors, std::vector<int> { 13 });
    // Disconnecting at the end reports too; `errors` is gone by then.
    em.SetOnError(nullptr);
}

TEST(ProcessorTables, MessagesAndMaps)
{
    EXPECT_EQ(EmErrorText(25), "Bad Frame Rate Reported");
    EXPECT_EQ(EmErrorText(26), "");
    EXPECT_EQ(EmStateName(16), "No Recording");
    EXPECT_EQ(MapProcessorError(kEm1012ErrorMap, 5), EmError::kNoRecordingReported);
    EXPECT_EQ(static_cast<int>(MapProcessorError(kHs4540ErrorMap, 5)), 24);
    EXPECT_EQ(static_cast<int>(MapProcessorError(kHs4540ErrorMap, 8)), 14);
    EXPECT_EQ(MapProcessorError(kEm1012ErrorMap, 0), EmError::kUnmapped);
    EXPECT_EQ(HsRateRowAt(5).FrameBytes(), 65536);
    EXPECT_EQ(HsRateRowAt(9).FrameBytes(), 4096);
}

} // namespace
} // namespace fw
