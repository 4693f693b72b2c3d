// Captures from both simulated grabbers, compared byte for byte with the file the layout and the
// simulator's own pictures call for; the settings that make new buffers or start the ring again.

#include <tuple>

#include <QFileInfo>

#include "imagers/capture/capture_fixture.h"

namespace fw {
namespace {

struct GrabberMode {
    const char* interface_name;
    bool monochrome;
    bool colour_stored;
};

constexpr GrabberMode kColourGrabber { "img0", false, true };
constexpr GrabberMode kColourGrabberInMonochrome { "img0", true, false };
constexpr GrabberMode kMonochromeGrabber { "img1", false, false };

ExpectedCapture Expected(const GrabberMode& mode, uint32_t decimation, int rate_index,
    const std::vector<uint32_t>& buffers, uint32_t requested)
{
    const int32_t divisor = decimation == kImgDecimationHalf ? 2 : 1;
    ExpectedCapture expected { 64 / divisor, 48 / divisor, mode.colour_stored, requested, {} };
    for (const uint32_t buffer : buffers) {
        expected.frames.push_back(StoredSimFrame(mode.interface_name, mode.monochrome, decimation,
            buffer * static_cast<uint32_t>(rate_index + 1)));
    }
    return expected;
}

std::vector<uint32_t> Buffers(uint32_t first, uint32_t count)
{
    std::vector<uint32_t> buffers;
    for (uint32_t i = 0; i < count; ++i) {
        buffers.push_back(first + i);
    }
    return buffers;
}

class CaptureFrames : public CaptureThreadTest,
                      public testing::WithParamInterface<std::tuple<GrabberMode, uint32_t, int>> { };

TEST_P(CaptureFrames, FileIsTheLayoutWithEveryFrameTheGrabberDelivered)
{
    const auto& [mode, decimation, rate_index] = GetParam();
    TCaptureThread& thread = MakeThread(mode.interface_name);
    thread.SetMonochrome(mode.monochrome);
    thread.SetDecimation(decimation);
    thread.SetRateIndex(rate_index);
    thread.Start();

    const std::optional<CaptureCompletion> completion = Capture("clip.avi", 6);
    ASSERT_TRUE(completion);
    EXPECT_TRUE(completion->Complete()) << completion->text.toStdString();
    EXPECT_EQ(completion->frames_written, 6);
    EXPECT_EQ(completion->file_name, Path("clip.avi"));
    EXPECT_EQ(thread.FramesWritten(), 6);
    EXPECT_EQ(thread.RateIndex(), rate_index);

    // Immediate start: the first frame after the file is ready starts the capture, and the
    // file begins with the one before it, buffer 0 of the ring.
    const ExpectedCapture expected = Expected(mode, decimation, rate_index, Buffers(0, 6), 6);
    EXPECT_EQ(ReadAll(Path("clip.avi")), expected.FileBytes());
}

INSTANTIATE_TEST_SUITE_P(GrabbersSizesAndRates, CaptureFrames,
    testing::Combine(testing::Values(kColourGrabber, kColourGrabberInMonochrome, kMonochromeGrabber),
        testing::Values(kImgDecimationFull, kImgDecimationHalf), testing::Values(0, 1, 2)));

TEST_F(CaptureThreadTest, ASecondCaptureGetsFreshBuffersAndItsOwnFile)
{
    StartThread("img1");
    ASSERT_TRUE(Capture("first.avi", 3));
    const std::optional<CaptureCompletion> second = Capture("second.avi", 4);
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->Complete());
    EXPECT_EQ(ReadAll(Path("second.avi")), Expected(kMonochromeGrabber, 0, 0, Buffers(0, 4), 4).FileBytes());
    // Live view, then after each capture the buffers are made anew.
    EXPECT_TRUE(recorder_.WaitFor([&] { return recorder_.Properties().size() >= 3; }));
}

TEST_F(CaptureThreadTest, ReportsTheGrabberPropertiesOnceBuffersExist)
{
    StartThread("img0");
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    ASSERT_FALSE(recorder_.Properties().empty());
    const CaptureProperties properties = recorder_.Properties().front();
    EXPECT_TRUE(properties.colour_capable);
    EXPECT_EQ(properties.buffers, 60);
    EXPECT_EQ(properties.width, 64);
    EXPECT_EQ(properties.height, 48);
    EXPECT_EQ(thread_->BuffersAllocated(), 60);
    EXPECT_EQ(GrabberLedger::OpenBuffers(), 60);
}

TEST_F(CaptureThreadTest, BufferRequestsAreClampedToTenAndFiveHundredTwelve)
{
    for (const auto& [asked, made] : { std::pair { 5, 10 }, std::pair { 600, 512 } }) {
        GrabberLedger::Reset();
        TCaptureThread& thread = MakeThread("img1");
        thread.SetBuffersWanted(asked);
        EXPECT_EQ(thread.BuffersWanted(), made);
        thread.Start();
        ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
        EXPECT_EQ(thread.BuffersAllocated(), made) << asked;
        EXPECT_EQ(GrabberLedger::RingStarts().back().count, static_cast<uint32_t>(made));
        thread.Join();
        EXPECT_EQ(GrabberLedger::OpenBuffers(), 0);
    }
}

TEST_F(CaptureThreadTest, RunningOutOfMemoryAfterSeventyBuffersSettlesOnSixty)
{
    setenv("FW_IMAQ_SIM_MAX_BUFFERS", "70", 1);
    TCaptureThread& thread = MakeThread("img1");
    thread.SetBuffersWanted(100);
    thread.Start();
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    EXPECT_EQ(thread.BuffersWanted(), 60);
    EXPECT_EQ(thread.BuffersAllocated(), 60);
    const std::optional<CaptureStatus> error = recorder_.FirstError();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->error, kImgErrNoMemory);
    EXPECT_EQ(error->error_stage, CaptureStage::csAllocateBuffers);
    EXPECT_EQ(recorder_.Properties().back().buffers, 60);
    // And the smaller ring captures.
    const std::optional<CaptureCompletion> completion = Capture("clip.avi", 3);
    ASSERT_TRUE(completion);
    EXPECT_TRUE(completion->Complete());
}

TEST_F(CaptureThreadTest, PauseStopsTheRingUntilResumed)
{
    TCaptureThread& thread = StartThread("img1");
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    thread.RequestPause();
    ASSERT_TRUE(recorder_.WaitFor([&] { return thread.PauseAcknowledged(); }));
    EXPECT_EQ(thread.Stage(), CaptureStage::csStartSession);
    const size_t starts = GrabberLedger::RingStarts().size();
    ASSERT_TRUE(recorder_.WaitFor([&] { return waits_->Count(50) >= 3; }));
    EXPECT_EQ(GrabberLedger::RingStarts().size(), starts);
    EXPECT_EQ(thread.Stage(), CaptureStage::csStartSession);

    thread.Resume();
    EXPECT_FALSE(thread.PauseAcknowledged());
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    EXPECT_EQ(GrabberLedger::RingStarts().size(), starts + 1);
}

TEST_F(CaptureThreadTest, ARateChangeInLiveModeStartsTheRingAgainWithItsSkip)
{
    TCaptureThread& thread = StartThread("img1");
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    const size_t buffers_made = recorder_.Properties().size();
    thread.SetRateIndex(2);
    ASSERT_TRUE(recorder_.WaitFor([] {
        const auto starts = GrabberLedger::RingStarts();
        return starts.back().start_now == 1 && starts.back().frames_to_skip == 2;
    }));
    EXPECT_EQ(recorder_.Properties().size(), buffers_made);
    thread.SetRateIndex(7);
    EXPECT_EQ(thread.RateIndex(), 2);
}

TEST_F(CaptureThreadTest, ADecimationChangeMakesNewBuffersOfTheNewSize)
{
    TCaptureThread& thread = StartThread("img0");
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    thread.SetDecimation(kImgDecimationHalf);
    ASSERT_TRUE(recorder_.WaitFor([&] { return recorder_.Properties().size() >= 2; }));
    EXPECT_EQ(recorder_.Properties().back().width, 32);
    EXPECT_EQ(recorder_.Properties().back().height, 24);
    EXPECT_EQ(GrabberLedger::OpenBuffers(), 60);
}

TEST_F(CaptureThreadTest, LiveFramesComeInBufferOrderWithTheStampOfTheirCameraFrame)
{
    TCaptureThread& thread = MakeThread("img0");
    thread.SetRateIndex(1);
    thread.Start();
    ASSERT_TRUE(recorder_.WaitFor([&] { return recorder_.LiveStamps().size() >= 5; }));
    const std::vector<uint32_t> stamps = recorder_.LiveStamps();
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(stamps[i], 2 * i);
    }
}

TEST_F(CaptureThreadTest, StatusShowsTheStageNameAndTheFirstErrorOfTheRun)
{
    StartThread("img1");
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    std::vector<QString> texts;
    for (const CaptureStatus& status : recorder_.Statuses()) {
        texts.push_back(status.text);
    }
    EXPECT_EQ(texts.front(), QStringLiteral("Allocate Buffers "));
    EXPECT_NE(std::find(texts.begin(), texts.end(), QStringLiteral("Live Mode ")), texts.end());
}

TEST_F(CaptureThreadTest, TerminatingMidCaptureWritesTheFramesSoFarAndFreesEverything)
{
    StartThread("img1");
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    thread_->SetFramesRequested(1000000);
    thread_->SetOutputFile(Path("clip.avi"));
    ASSERT_TRUE(recorder_.WaitFor([&] { return thread_->FramesWritten() >= 10; }));
    thread_->Join();

    const std::optional<CaptureCompletion> completion = recorder_.Completion();
    ASSERT_TRUE(completion);
    EXPECT_TRUE(completion->file_written);
    EXPECT_GE(completion->frames_written, 10);
    EXPECT_LT(completion->frames_written, 1000000);
    const QByteArray file = ReadAll(Path("clip.avi"));
    ASSERT_FALSE(file.isEmpty());
    EXPECT_EQ(file,
        Expected(kMonochromeGrabber, 0, 0, Buffers(0, completion->frames_written), 1000000).FileBytes());
}

TEST_F(CaptureThreadTest, CancelEndsTheCaptureAsCancelledByTheUser)
{
    StartThread("img1");
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    thread_->SetFramesRequested(1000000);
    thread_->SetOutputFile(Path("clip.avi"));
    ASSERT_TRUE(recorder_.WaitFor([&] { return thread_->FramesWritten() >= 5; }));
    thread_->Cancel();
    ASSERT_TRUE(recorder_.WaitFor([&] { return recorder_.Completion().has_value(); }));
    const CaptureCompletion completion = *recorder_.Completion();
    EXPECT_EQ(completion.error, kCapErrCanceled);
    EXPECT_EQ(completion.text, QStringLiteral("Capture Canceled by User."));
    EXPECT_TRUE(completion.file_written);
    EXPECT_FALSE(completion.Complete());
    // The thread goes back to live view.
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    EXPECT_FALSE(thread_->Capturing());
}

TEST_F(CaptureThreadTest, AFileThatCannotBeMadeEndsTheCaptureAndLiveViewGoesOn)
{
    StartThread("img1");
    const std::optional<CaptureCompletion> completion = Capture("missing/folder/clip.avi", 5);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->error, kCapErrOpeningFile);
    EXPECT_TRUE(completion->text.startsWith(QStringLiteral("Error Opening Video File. Cannot create ")))
        << completion->text.toStdString();
    EXPECT_FALSE(completion->file_written);
    EXPECT_EQ(completion->frames_written, 0);
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    EXPECT_FALSE(thread_->Capturing());
    const size_t starts = GrabberLedger::RingStarts().size();
    ASSERT_TRUE(recorder_.WaitFor([&] { return recorder_.LiveStamps().size() >= 30; }));
    // Live view runs on in one ring: the failed name does not send it back to the file.
    EXPECT_EQ(GrabberLedger::RingStarts().size(), starts);
    EXPECT_EQ(recorder_.CompletionCount(), 1);
    EXPECT_FALSE(QFileInfo::exists(Path("missing/folder/clip.avi")));
}

TEST_F(CaptureThreadTest, TerminatingBeforeTheFileOpensStillReportsTheCaptureOnce)
{
    TCaptureThread& thread = MakeThread("img1");
    thread.SetFramesRequested(5);
    thread.SetOutputFile(Path("clip.avi"));
    thread.Terminate();
    thread.Start();
    thread.Join();
    ASSERT_EQ(recorder_.CompletionCount(), 1);
    EXPECT_FALSE(recorder_.Completion()->file_written);
    EXPECT_FALSE(QFileInfo::exists(Path("clip.avi")));
}

} // namespace
} // namespace fw
