// How a capture ends when the grabber loses frames or fails, when the interface or the library
// cannot be had; and that every way out gives back what the thread held.

#include <QFileInfo>

#include "imagers/capture/capture_fixture.h"

namespace fw {
namespace {

std::vector<QByteArray> MonochromeFrames(uint32_t first, uint32_t count, uint32_t step = 1)
{
    std::vector<QByteArray> frames;
    for (uint32_t i = 0; i < count; ++i) {
        frames.push_back(StoredSimFrame("img1", false, 0, (first + i) * step));
    }
    return frames;
}

TEST_F(CaptureThreadTest, LostFramesEndTheCaptureWithTheFramesBeforeThemAndAShortHeader)
{
    // Buffer 8 of every ring is lost.
    setenv("FW_IMAQ_SIM_LOST_FRAMES", "8", 1);
    TCaptureThread& thread = MakeThread("img1");
    thread.SetRateIndex(2);
    thread.Start();
    const std::optional<CaptureCompletion> completion = Capture("clip.avi", 20);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->error, 0);
    EXPECT_EQ(completion->cause, kCapErrRateTooFast);
    EXPECT_EQ(completion->text, QStringLiteral("Rate too Fast, Capture Stopped."));
    EXPECT_TRUE(completion->file_written);
    EXPECT_EQ(completion->frames_written, 8);
    EXPECT_FALSE(completion->Complete());
    // Total frames and stream length say 8, the last reserved value keeps 20.
    const ExpectedCapture expected { 64, 48, false, 20, MonochromeFrames(0, 8, 3) };
    EXPECT_EQ(ReadAll(Path("clip.avi")), expected.FileBytes());
    EXPECT_EQ(thread.RateIndex(), 2);
}

TEST_F(CaptureThreadTest, LostFramesInLiveModeRaiseTheRateOneStepAtATime)
{
    setenv("FW_IMAQ_SIM_LOST_FRAMES", "8", 1);
    StartThread("img1");
    ASSERT_TRUE(recorder_.WaitFor([&] { return thread_->RateIndex() == 2; }));
    std::vector<uint32_t> skips;
    for (const GrabberLedger::RingStart& start : GrabberLedger::RingStarts()) {
        if (start.start_now == 1 && (skips.empty() || skips.back() != start.frames_to_skip)) {
            skips.push_back(start.frames_to_skip);
        }
    }
    ASSERT_GE(skips.size(), 2u);
    EXPECT_EQ(skips[0], 0u);
    EXPECT_EQ(skips[1], 1u);
    const std::optional<CaptureStatus> error = recorder_.FirstError();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->error, kCapErrRateTooFast);
    EXPECT_EQ(error->error_stage, CaptureStage::csLiveMode);
}

TEST_F(CaptureThreadTest, FramesTheGrabberHeldBeforeALostOneStillGoIntoTheFile)
{
    // While the thread looks at buffer 5 the grabber has gone on to 12 and lost 8: buffers 5, 6
    // and 7 wait in the ring.
    setenv("FW_IMAQ_SIM_LOST_FRAMES", "8", 1);
    TCaptureThread& thread = MakeThread("img1");
    thread.SetRateIndex(2);
    thread.Start();
    const std::optional<CaptureCompletion> completion
        = Capture("clip.avi", 7, [](TCaptureThread&) { GrabberLedger::RunAheadAt(5, 12); });
    ASSERT_TRUE(completion);
    // Seven frames were asked for and seven were there before the gap: the capture is complete.
    EXPECT_TRUE(completion->Complete()) << completion->text.toStdString();
    EXPECT_EQ(completion->cause, 0);
    const ExpectedCapture expected { 64, 48, false, 7, MonochromeFrames(0, 7, 3) };
    EXPECT_EQ(ReadAll(Path("clip.avi")), expected.FileBytes());
}

TEST_F(CaptureThreadTest, AnAcquisitionErrorEndsTheCaptureWithTheGrabbersText)
{
    setenv("FW_IMAQ_SIM_ACQUISITION_ERROR", "12", 1);
    StartThread("img1");
    const std::optional<CaptureCompletion> completion = Capture("clip.avi", 30);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->error, ImgCode(0xBFF60014));
    EXPECT_EQ(completion->text, QStringLiteral("Acquisition failed: the camera signal was lost."));
    EXPECT_EQ(completion->frames_written, 12);
    EXPECT_FALSE(completion->Complete());
}

TEST_F(CaptureThreadTest, AnInterfaceThatWillNotOpenIsTriedAgainAfterTheIdleWait)
{
    setenv("FW_IMAQ_SIM_NO_OPEN", "img0", 1);
    StartThread("img0");
    ASSERT_TRUE(recorder_.WaitFor([&] { return waits_->Count(1500) >= 2; }));
    const std::optional<CaptureStatus> error = recorder_.FirstError();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->error_stage, CaptureStage::csInitialize);
    EXPECT_EQ(
        error->error_text, QStringLiteral("The interface could not be opened: the board does not respond."));
    EXPECT_EQ(error->text,
        QStringLiteral("Finalize The interface could not be opened: the board does not respond."));
    EXPECT_FALSE(recorder_.SawStage(CaptureStage::csLiveMode));
}

TEST_F(CaptureThreadTest, AMissingLibraryIsReportedWithTheNameTried)
{
    TIMAQ missing(nullptr, QStringLiteral("/nonexistent/libimaq-missing.so"));
    thread_ = std::make_unique<TCaptureThread>(
        missing, QStringLiteral("img0"), recorder_.Callbacks(), std::make_unique<ImmediateWaits>(waits_));
    thread_->Start();
    ASSERT_TRUE(recorder_.WaitFor([&] { return recorder_.FirstError().has_value(); }));
    const CaptureStatus error = *recorder_.FirstError();
    EXPECT_EQ(error.error, TIMAQ::kLibraryNotLoaded);
    EXPECT_TRUE(error.error_text.startsWith(QStringLiteral("Load of /nonexistent/libimaq-missing.so failed")))
        << error.error_text.toStdString();
    thread_->Join();
    EXPECT_EQ(missing.LoadCount(), 0);
}

TEST_F(CaptureThreadTest, ALibraryWithoutTheEntryPointsNamesTheMissingOne)
{
    for (const char* path : { FW_FAKE_IMAQ, FW_FAKE_IMAQ_PARTIAL }) {
        CaptureRecorder recorder;
        TIMAQ foreign(nullptr, QString::fromLatin1(path));
        TCaptureThread thread(
            foreign, QStringLiteral("img0"), recorder.Callbacks(), std::make_unique<ImmediateWaits>(waits_));
        thread.Start();
        ASSERT_TRUE(recorder.WaitFor([&] { return recorder.FirstError().has_value(); }));
        EXPECT_EQ(recorder.FirstError()->error, TIMAQ::kEntryPointNotFound);
        EXPECT_EQ(recorder.FirstError()->error_text,
            QStringLiteral("Function imgInterfaceReset not found in %1").arg(QString::fromLatin1(path)));
        thread.Join();
        EXPECT_EQ(foreign.LoadCount(), 0);
    }
}

TEST_F(CaptureThreadTest, AGrabberThatSendsNothingKeepsTheThreadAskingUntilTerminated)
{
    setenv("FW_IMAQ_SIM_TIMEOUT", "3", 1);
    TCaptureThread& thread = StartThread("img1");
    ASSERT_TRUE(recorder_.WaitFor([&] { return recorder_.LiveStamps().size() >= 3; }));
    thread.SetFramesRequested(10);
    thread.SetOutputFile(Path("clip.avi"));
    // The file opens and the ring starts again; buffers 0..2 come, then nothing more.
    ASSERT_TRUE(recorder_.WaitFor([&] { return thread.FramesWritten() >= 3; }));
    EXPECT_EQ(thread.Stage(), CaptureStage::csCaptureFrames);
    thread.Join();
    ASSERT_TRUE(recorder_.Completion());
    EXPECT_EQ(recorder_.Completion()->frames_written, 3);
    EXPECT_TRUE(recorder_.Completion()->file_written);
}

} // namespace
} // namespace fw
