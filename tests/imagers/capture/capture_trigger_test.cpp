// The frame-compare trigger: its level worked out by hand on made-up frames, and captures that
// wait for the simulator's object to appear inside or outside the region.

#include <cstring>
#include <vector>

#include "imagers/capture/capture_fixture.h"
#include "imagers/capture/frame_compare_trigger.h"

namespace fw {
namespace {

// A 64 x 32 grey frame (4 x 2 blocks) of one value, with `rect` painted in another.
std::vector<uint8_t> GreyFrame(
    uint8_t value, const CaptureRegion& rect = {}, uint8_t painted = 0, int pixel_bytes = 1)
{
    std::vector<uint8_t> frame(64 * 32 * static_cast<std::size_t>(pixel_bytes), 0);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom;
            frame[static_cast<std::size_t>((y * 64 + x) * pixel_bytes)] = inside ? painted : value;
        }
    }
    return frame;
}

TEST(FrameCompareTrigger, TheBaselineFrameGivesNoLevelAndAnEqualFrameGivesFullLevel)
{
    TFrameCompareTrigger trigger;
    trigger.Allocate(64, 32);
    const std::vector<uint8_t> frame = GreyFrame(100);
    EXPECT_FALSE(trigger.Evaluate(frame.data(), 1));
    EXPECT_TRUE(trigger.HasBaseline());
    EXPECT_EQ(trigger.Evaluate(frame.data(), 1), 1000);
    trigger.ForgetBaseline();
    EXPECT_FALSE(trigger.Evaluate(frame.data(), 1));
}

TEST(FrameCompareTrigger, LevelFallsWithTheSummedBlockDifferenceOverTheFullScale)
{
    TFrameCompareTrigger trigger;
    trigger.Allocate(64, 32);
    const std::vector<uint8_t> base = GreyFrame(100);
    trigger.Evaluate(base.data(), 1);
    // Full scale: 8 blocks of (65535 - 25600) / 256 = 155 each, 1240 in all. One block 40
    // brighter: D = 10240 / 256 = 40; level = 1000 - 40 x 10000 / 1240 = 678.
    const std::vector<uint8_t> brighter = GreyFrame(100, { 16, 0, 31, 15 }, 140);
    EXPECT_EQ(trigger.Evaluate(brighter.data(), 1), 678);
    // A change too large for the scale stops at 0.
    const std::vector<uint8_t> white = GreyFrame(255);
    EXPECT_EQ(trigger.Evaluate(white.data(), 1), 0);
}

TEST(FrameCompareTrigger, ComparesOnlyTheBlocksWhoseCentreLiesInTheRegion)
{
    TFrameCompareTrigger trigger;
    trigger.Allocate(64, 32);
    // Block (1, 0) has its centre at (24, 8).
    trigger.SetRegion({ 20, 4, 28, 12 }, false);
    const std::vector<uint8_t> base = GreyFrame(100);
    trigger.Evaluate(base.data(), 1);
    const std::vector<uint8_t> outside = GreyFrame(100, { 32, 16, 63, 31 }, 110);
    EXPECT_EQ(trigger.Evaluate(outside.data(), 1), 1000);
    // Inside: D = 40, full scale of the one block 155: 1000 - 40 x 10000 / 155 = 0.
    const std::vector<uint8_t> inside = GreyFrame(100, { 16, 0, 31, 15 }, 140);
    EXPECT_EQ(trigger.Evaluate(inside.data(), 1), 0);
    trigger.SetRegion({ 20, 4, 28, 12 }, true);
    // The whole frame: two blocks 10 brighter, D = 20; 1000 - 20 x 10000 / 1240 = 839.
    EXPECT_EQ(trigger.Evaluate(outside.data(), 1), 839);
}

TEST(FrameCompareTrigger, FullScaleIsAtLeastOneHundredAndPartialBlocksAreLeftOut)
{
    TFrameCompareTrigger trigger;
    // 70 x 40: 4 x 2 whole blocks; the six columns and eight lines beyond them are not compared.
    trigger.Allocate(70, 40);
    std::vector<uint8_t> base(70 * 40, 255);
    trigger.Evaluate(base.data(), 1);
    // Full scale of white blocks: (65535 - 65280) / 256 = 0 each, so 100.
    std::vector<uint8_t> changed = base;
    for (int y = 0; y < 40; ++y) {
        for (int x = 64; x < 70; ++x) {
            changed[static_cast<std::size_t>(y * 70 + x)] = 0;
        }
    }
    for (int x = 0; x < 70; ++x) {
        changed[static_cast<std::size_t>(39 * 70 + x)] = 0;
    }
    EXPECT_EQ(trigger.Evaluate(changed.data(), 1), 1000);
    // One block 1 darker per pixel: D = 256 / 256 = 1; 1000 - 1 x 10000 / 100 = 900.
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            changed[static_cast<std::size_t>(y * 70 + x)] = 254;
        }
    }
    EXPECT_EQ(trigger.Evaluate(changed.data(), 1), 900);
}

TEST(FrameCompareTrigger, ReadsTheFirstByteOfEachColourPixel)
{
    TFrameCompareTrigger trigger;
    trigger.Allocate(64, 32);
    std::vector<uint8_t> base = GreyFrame(100, {}, 0, 4);
    trigger.Evaluate(base.data(), 4);
    // Green, red and the unused byte change nothing.
    for (std::size_t i = 0; i < base.size(); i += 4) {
        base[i + 1] = 7;
        base[i + 2] = 200;
        base[i + 3] = 255;
    }
    EXPECT_EQ(trigger.Evaluate(base.data(), 4), 1000);
}

TEST(FrameCompareTrigger, RegionIsClampedIntoTheFrame)
{
    TFrameCompareTrigger trigger;
    trigger.Allocate(64, 32);
    trigger.SetRegion({ -5, 40, 100, -3 }, false);
    EXPECT_EQ(trigger.Region(), (CaptureRegion { 0, 0, 63, 31 }));
}

// ---- Against the simulator ----------------------------------------------------------------------

// The simulator's object covers the middle half: full-size pixels 16..47 across, 12..35 down.
constexpr CaptureRegion kOnTheObject { 16, 16, 47, 31 };
constexpr CaptureRegion kBesideTheObject { 48, 0, 63, 47 };

std::vector<uint32_t> FileStamps(const QByteArray& file, int pixel_bytes)
{
    std::vector<uint32_t> stamps;
    qsizetype at = file.indexOf("movi") + 4;
    while (at > 3 && at + 8 <= file.size() && file.mid(at, 4) == "00db") {
        stamps.push_back(StampOf(reinterpret_cast<const uint8_t*>(file.constData() + at + 8), pixel_bytes));
        uint32_t size = 0;
        std::memcpy(&size, file.constData() + at + 4, 4);
        at += 8 + static_cast<qsizetype>(size);
    }
    return stamps;
}

auto Trigger(const CaptureRegion& region, bool whole_frame, int threshold = 500)
{
    return [=](TCaptureThread& thread) {
        thread.SetUseTrigger(true);
        thread.SetThreshold(threshold);
        thread.SetRegion(region, whole_frame);
        thread.RequestBaseline();
    };
}

TEST_F(CaptureThreadTest, TriggerOnAChangeInTheRegionStartsTheFileWithTheFrameBefore)
{
    setenv("FW_IMAQ_SIM_CHANGES", "20", 1);
    StartThread("img0");
    const std::optional<CaptureCompletion> completion = Capture("clip.avi", 4, Trigger(kOnTheObject, false));
    ASSERT_TRUE(completion);
    EXPECT_TRUE(completion->Complete());
    EXPECT_EQ(FileStamps(ReadAll(Path("clip.avi")), 3), (std::vector<uint32_t> { 19, 20, 21, 22 }));
}

TEST_F(CaptureThreadTest, TriggerCountsCameraFramesAtAHigherRateIndex)
{
    setenv("FW_IMAQ_SIM_CHANGES", "20", 1);
    TCaptureThread& thread = MakeThread("img1");
    thread.SetRateIndex(1);
    thread.Start();
    const std::optional<CaptureCompletion> completion = Capture("clip.avi", 3, Trigger({}, true));
    ASSERT_TRUE(completion);
    // Buffer n is camera frame 2n: the object shows first in buffer 10.
    EXPECT_EQ(FileStamps(ReadAll(Path("clip.avi")), 1), (std::vector<uint32_t> { 18, 20, 22 }));
}

TEST_F(CaptureThreadTest, TriggerNeverFiresOnTheFrameThatSetsItsBaseline)
{
    // The object is there from buffer 2 on; buffer 1 is the baseline, buffer 0 is never compared.
    setenv("FW_IMAQ_SIM_CHANGES", "2", 1);
    StartThread("img1");
    const std::optional<CaptureCompletion> completion = Capture("clip.avi", 3, Trigger({}, true));
    ASSERT_TRUE(completion);
    EXPECT_EQ(FileStamps(ReadAll(Path("clip.avi")), 1), (std::vector<uint32_t> { 1, 2, 3 }));
}

TEST_F(CaptureThreadTest, TriggerIgnoresAChangeOutsideTheRegion)
{
    // The object comes and goes; it never touches the region.
    setenv("FW_IMAQ_SIM_CHANGES", "5,10,15,20", 1);
    StartThread("img0");
    ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
    thread_->RequestPause();
    ASSERT_TRUE(recorder_.WaitFor([&] { return thread_->PauseAcknowledged(); }));
    thread_->SetFramesRequested(3);
    Trigger(kBesideTheObject, false)(*thread_);
    thread_->SetOutputFile(Path("clip.avi"));
    const size_t live_before = recorder_.LiveStamps().size();
    thread_->Resume();
    // Live frames go on while the capture waits: wait until the scene has changed four times.
    ASSERT_TRUE(recorder_.WaitFor([&] {
        const std::vector<uint32_t> stamps = recorder_.LiveStamps();
        return stamps.size() > live_before + 40 && stamps.back() > 30;
    }));
    EXPECT_EQ(thread_->Stage(), CaptureStage::csLiveMode);
    EXPECT_EQ(thread_->FramesWritten(), 0);
    EXPECT_EQ(thread_->Level(), 1000);
    EXPECT_TRUE(thread_->Capturing());
    thread_->Cancel();
    ASSERT_TRUE(recorder_.WaitFor([&] { return recorder_.Completion().has_value(); }));
    EXPECT_EQ(recorder_.Completion()->error, kCapErrCanceled);
    EXPECT_EQ(recorder_.Completion()->frames_written, 0);
}

TEST_F(CaptureThreadTest, ASmallChangeFiresOnlyASensitiveTrigger)
{
    // A 2 x 2 object: the level falls only to about 990.
    setenv("FW_IMAQ_SIM_CHANGES", "10", 1);
    setenv("FW_IMAQ_SIM_OBJECT", "40,20,41,21", 1);
    for (const auto& [threshold, fires] : { std::pair { 999, true }, std::pair { 500, false } }) {
        StartThread("img1");
        ASSERT_TRUE(ReachStage(CaptureStage::csLiveMode));
        thread_->RequestPause();
        ASSERT_TRUE(recorder_.WaitFor([&] { return thread_->PauseAcknowledged(); }));
        thread_->SetFramesRequested(2);
        Trigger({}, true, threshold)(*thread_);
        const int completions = recorder_.CompletionCount();
        const size_t live_before = recorder_.LiveStamps().size();
        thread_->SetOutputFile(Path("clip.avi"));
        thread_->Resume();
        ASSERT_TRUE(recorder_.WaitFor([&] {
            const std::vector<uint32_t> stamps = recorder_.LiveStamps();
            return recorder_.CompletionCount() > completions
                || (stamps.size() > live_before + 40 && stamps.back() > 40);
        }));
        EXPECT_EQ(recorder_.CompletionCount() > completions, fires) << threshold;
        EXPECT_GT(thread_->Level(), 980);
        EXPECT_LT(thread_->Level(), 1000);
        thread_->Join();
    }
}

} // namespace
} // namespace fw
