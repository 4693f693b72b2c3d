#include <array>

#include "processor_sim_fixture.h"

namespace fw {
namespace {

TEST_F(ProcessorSimTest, AddressSplitsIntoBoardAndDevice)
{
    EXPECT_EQ(Em("GPIB0:DEV7").BoardName(), "GPIB0");
    EXPECT_EQ(Em("GPIB0:DEV7").DeviceName(), "DEV7");
    EXPECT_EQ(Em(":DEV7").BoardName(), "");
}

TEST_F(ProcessorSimTest, ConnectReadsTheStoppedStateAndDisconnects)
{
    TEM1012& em = Em();
    std::vector<int> states;
    em.SetOnStateChange([&](int state) { states.push_back(state); });
    ASSERT_TRUE(em.Connect()) << em.ErrorMessage().toStdString();
    EXPECT_EQ(em.State(), 4);
    EXPECT_EQ(TEM1012::StateName(em.GetState()), "Stopped");
    EXPECT_EQ(states.back(), 4);
    em.Disconnect();
    EXPECT_FALSE(em.IsConnected());
    EXPECT_EQ(em.ErrorMessage(), "");
}

TEST_F(ProcessorSimTest, EmRecordingInformation)
{
    SetEnv("FW_GPIB_SIM_EM_FIRST", "-20");
    SetEnv("FW_GPIB_SIM_EM_LAST", "79");
    SetEnv("FW_GPIB_SIM_EM_RATE", "1000");
    SetEnv("FW_GPIB_SIM_EM_EXPOSURE", "12000");
    TEM1012& em = Em();
    ASSERT_TRUE(em.Connect());
    EmRecordingInfo info;
    ASSERT_TRUE(em.GetRecordingInfo(info)) << em.ErrorMessage().toStdString();
    EXPECT_EQ(info.first_frame, -20);
    EXPECT_EQ(info.last_frame, 79);
    EXPECT_EQ(info.lines, 192);
    EXPECT_EQ(info.line_length, 239);
    EXPECT_EQ(info.rate_fps, 1000);
    const EMSessionRec& session = em.Session();
    EXPECT_EQ(session.session, 42u);
    EXPECT_EQ(session.exposure, 12000);
    EXPECT_EQ(session.settings[1], 12) << "rate 1000 with exposure 12000";
    EXPECT_EQ(session.year, 98);
    EXPECT_EQ(session.month, 5);
    EXPECT_EQ(session.day, 14);
    EXPECT_EQ(session.hour, 10);
    EXPECT_EQ(session.minute, 30);
    EXPECT_EQ(session.model, "EktaPro EM");
}

TEST_F(ProcessorSimTest, EmWithTwoRatesTakesTheSecondValue)
{
    SetEnv("FW_GPIB_SIM_EM_TWO_RATE", "1");
    SetEnv("FW_GPIB_SIM_EM_RATE", "500");
    TEM1012& em = Em();
    ASSERT_TRUE(em.Connect());
    EmRecordingInfo info;
    ASSERT_TRUE(em.GetRecordingInfo(info));
    EXPECT_TRUE(em.TwoRates());
    EXPECT_EQ(info.rate_fps, 500);
}

TEST_F(ProcessorSimTest, EmWithoutRecordingConnectsButHasNoRecording)
{
    SetEnv("FW_GPIB_SIM_EM_RECORDING", "0");
    TEM1012& em = Em();
    ASSERT_TRUE(em.Connect()) << "no recording yet is no connect failure";
    EmRecordingInfo info;
    EXPECT_FALSE(em.GetRecordingInfo(info));
    EXPECT_EQ(em.State(), 16);
    EXPECT_EQ(em.ErrorMessage(), "No Recording Available");
}

TEST_F(ProcessorSimTest, HsRecordingInformationAfterTheTrigger)
{
    THS4540& hs = Hs();
    ASSERT_TRUE(hs.Connect()) << hs.ErrorMessage().toStdString();
    EXPECT_EQ(hs.Session().rate_fps, 4500);
    EmRecordingInfo info;
    ASSERT_TRUE(hs.GetRecordingInfo(info)) << hs.ErrorMessage().toStdString();
    EXPECT_EQ(info.first_frame, 1);
    EXPECT_EQ(info.last_frame, 1024);
    EXPECT_EQ(info.lines, 256);
    EXPECT_EQ(info.line_length, 256);
    EXPECT_EQ(hs.Session().session, 7u);
    EXPECT_EQ(hs.Session().exposure, 222);
}

TEST_F(ProcessorSimTest, HsRangeGrowsWithTheProbesThatReachFrames)
{
    for (const auto& [last, expected_last] : std::array<std::pair<const char*, int>, 2> { {
             { "3072", 3072 },
             { "5120", 5120 },
         } }) {
        SetEnv("FW_GPIB_SIM_HS_LAST", last);
        THS4540& hs = Hs();
        ASSERT_TRUE(hs.Connect());
        EmRecordingInfo info;
        ASSERT_TRUE(hs.GetRecordingInfo(info)) << last;
        EXPECT_EQ(info.first_frame, 1) << last;
        EXPECT_EQ(info.last_frame, expected_last) << last;
        hs.Disconnect();
    }
}

TEST_F(ProcessorSimTest, HsRangeAroundTheTrigger)
{
    SetEnv("FW_GPIB_SIM_HS_FIRST", "-1000");
    SetEnv("FW_GPIB_SIM_HS_LAST", "1000");
    THS4540& hs = Hs();
    ASSERT_TRUE(hs.Connect());
    EmRecordingInfo info;
    ASSERT_TRUE(hs.GetRecordingInfo(info));
    EXPECT_EQ(info.first_frame, -512);
    EXPECT_EQ(info.last_frame, 512);
}

TEST_F(ProcessorSimTest, HsRateChoosesTheReadoutWindow)
{
    SetEnv("FW_GPIB_SIM_HS_RATE", "9000");
    THS4540& hs = Hs();
    ASSERT_TRUE(hs.Connect());
    EmRecordingInfo info;
    ASSERT_TRUE(hs.GetRecordingInfo(info));
    EXPECT_EQ(hs.RateIndex(), 2);
    EXPECT_EQ(info.lines, 128);
    EXPECT_EQ(info.line_length, 256);
    EXPECT_EQ(info.rate_fps, 9000);
    EXPECT_EQ(hs.UploadBytes(), 32768 + 5);
}

TEST_F(ProcessorSimTest, HsRateOutsideTheTableIsBadFrameRate)
{
    SetEnv("FW_GPIB_SIM_HS_RATE", "45000");
    THS4540& hs = Hs();
    ASSERT_TRUE(hs.Connect());
    EmRecordingInfo info;
    EXPECT_FALSE(hs.GetRecordingInfo(info));
    EXPECT_EQ(hs.RateIndex(), 1);
    EXPECT_EQ(info.lines, 256);
    EXPECT_EQ(hs.ErrorMessage(), "Bad Frame Rate Reported");
}

TEST_F(ProcessorSimTest, RecordingInfoIsNotReadWhileRecording)
{
    SetEnv("FW_GPIB_SIM_EM_STATE", "12");
    TEM1012& em = Em();
    ASSERT_TRUE(em.Connect());
    EmRecordingInfo info;
    EXPECT_FALSE(em.GetRecordingInfo(info));
    EXPECT_EQ(em.State(), 12);
}

TEST_F(ProcessorSimTest, ReadyThenStopMakesANewRecording)
{
    for (bool hs_model : { false, true }) {
        TEM1012& processor = hs_model ? static_cast<TEM1012&>(Hs()) : Em();
        ASSERT_TRUE(processor.Connect());
        const std::uint32_t session_before = [&] {
            EmRecordingInfo info;
            EXPECT_TRUE(processor.GetRecordingInfo(info));
            return processor.Session().session;
        }();
        ASSERT_TRUE(processor.ReadyRecording()) << processor.ErrorMessage().toStdString();
        EXPECT_EQ(TEM1012::StateName(processor.GetState()), "Trig Wait");
        EXPECT_TRUE(processor.StopRecording()) << processor.ErrorMessage().toStdString();
        EmRecordingInfo info;
        ASSERT_TRUE(processor.GetRecordingInfo(info)) << processor.ErrorMessage().toStdString();
        EXPECT_EQ(processor.Session().session, session_before + 1) << "HS: " << hs_model;
        processor.Disconnect();
    }
}

} // namespace
} // namespace fw
