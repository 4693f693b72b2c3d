// What the capture window decides without being a window: its stored settings, the end of a
// capture, its progress, the region turned upright, and the hand-over of live values.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "imagers/capture/capture_ending.h"
#include "imagers/capture/capture_settings.h"
#include "imagers/capture/capture_thread.h"
#include "imagers/capture/latest_slot.h"
#include "imagers/imaq/imaq.h"
#include "support/settings_store.h"

namespace fw {
namespace {

const QString kSection = QStringLiteral("CaptureIMAQ");

class CaptureSettingsTest : public testing::Test {
protected:
    QTemporaryDir dir_;
    SettingsStore store_ { dir_.filePath("settings.ini") };
};

TEST_F(CaptureSettingsTest, AnEmptyStoreGivesTheDefaults)
{
    const CaptureWindowSettings s = CaptureWindowSettings::Read(store_);
    EXPECT_TRUE(s.progress);
    EXPECT_FALSE(s.use_trigger);
    EXPECT_EQ(s.trigger_level, 500);
    EXPECT_EQ(s.total_frames, 250);
    EXPECT_EQ(s.capture_rate, 1);
    EXPECT_EQ(s.resolution, 0);
    EXPECT_EQ(s.buffers_wanted, 60);
    EXPECT_EQ(s.time_at_frame0_ms, 0.0);
    EXPECT_EQ(s.time_per_frame_ms, 1.0);
    EXPECT_FALSE(s.region_on);
    EXPECT_EQ(s.crop_color, 255u);
    EXPECT_EQ(s.region, (CaptureRegion { 0, 0, 639, 479 }));
}

TEST_F(CaptureSettingsTest, ValuesComeBackAsWrittenUnderTheirNames)
{
    CaptureWindowSettings s;
    s.progress = false;
    s.use_trigger = true;
    s.trigger_level = 12;
    s.total_frames = 9000;
    s.capture_rate = 2;
    s.resolution = 1;
    s.buffers_wanted = 100;
    s.time_at_frame0_ms = -25.5;
    s.time_per_frame_ms = 33.3;
    s.region_on = true;
    s.crop_color = 0x00FF00;
    s.region = CaptureRegion { 1, 2, 30, 40 };
    s.Write(store_);
    const CaptureWindowSettings back = CaptureWindowSettings::Read(store_);
    EXPECT_EQ(back.trigger_level, 12);
    EXPECT_EQ(back.total_frames, 9000);
    EXPECT_EQ(back.capture_rate, 2);
    EXPECT_EQ(back.resolution, 1);
    EXPECT_EQ(back.buffers_wanted, 100);
    EXPECT_EQ(back.time_at_frame0_ms, -25.5);
    EXPECT_EQ(back.time_per_frame_ms, 33.3);
    EXPECT_FALSE(back.progress);
    EXPECT_TRUE(back.use_trigger);
    EXPECT_TRUE(back.region_on);
    EXPECT_EQ(back.crop_color, 0x00FF00u);
    EXPECT_EQ(back.region, (CaptureRegion { 1, 2, 30, 40 }));
    // The time base is named after the section inside it.
    EXPECT_EQ(store_.readFloat(kSection, "CaptureIMAQ\\TimePerFrame", 0.0), 33.3);
    EXPECT_TRUE(store_.valueExists(kSection, "CropBottom"));
}

TEST_F(CaptureSettingsTest, ValuesOutOfRangeComeBackIntoIt)
{
    store_.writeInteger(kSection, "TrigLevel", 5000);
    store_.writeInteger(kSection, "TotalFrames", 0);
    store_.writeInteger(kSection, "CaptureRate", 7);
    store_.writeInteger(kSection, "Resolution", -1);
    store_.writeInteger(kSection, "BuffersWanted", 600);
    store_.writeFloat(kSection, "CaptureIMAQ\\TimePerFrame", 0.0);
    const CaptureWindowSettings s = CaptureWindowSettings::Read(store_);
    EXPECT_EQ(s.trigger_level, 999);
    EXPECT_EQ(s.total_frames, 1);
    EXPECT_EQ(s.capture_rate, 2);
    EXPECT_EQ(s.resolution, 0);
    EXPECT_EQ(s.buffers_wanted, 512);
    EXPECT_EQ(s.time_per_frame_ms, 1.0);
    store_.writeInteger(kSection, "BuffersWanted", 5);
    EXPECT_EQ(CaptureWindowSettings::Read(store_).buffers_wanted, 10);
}

TEST(ProposedCaptureNameTest, IsTheFolderOfTheLastClipSaved)
{
    EXPECT_EQ(ProposedCaptureName("/data/runs/old.avi"), "runs");
    EXPECT_EQ(ProposedCaptureName(""), "Capture");
    EXPECT_EQ(ProposedCaptureName("/old.avi"), "Capture");
    EXPECT_EQ(ProposedCaptureName("old.avi"), "Capture");
}

CaptureCompletion Ended(int32_t cause, int32_t written, int32_t requested, bool file_written = true)
{
    CaptureCompletion completion;
    completion.cause = cause;
    completion.error = cause == kCapErrRateTooFast ? 0 : cause;
    completion.text = cause == 0 ? QString() : QStringLiteral("why");
    completion.file_name = QStringLiteral("/tmp/c.avi");
    completion.frames_written = written;
    completion.frames_requested = requested;
    completion.file_written = file_written;
    return completion;
}

TEST(CaptureEndingTest, AShortFileIsQuestionedInTheWordsOfItsCause)
{
    const CaptureEnding complete = CaptureEndingOf(Ended(0, 10, 10));
    EXPECT_TRUE(complete.file_written);
    EXPECT_FALSE(complete.question);
    EXPECT_TRUE(complete.failure.isEmpty());

    const CaptureEnding cancelled = CaptureEndingOf(Ended(kCapErrCanceled, 3, 10));
    ASSERT_TRUE(cancelled.question);
    EXPECT_EQ(cancelled.question->caption, "Video Capture Stopped After 3 Frames");
    EXPECT_EQ(
        cancelled.question->text, "Capture has been cancelled.  Would you like to keep this partial file?");
    EXPECT_TRUE(cancelled.failure.isEmpty());

    const CaptureEnding lost = CaptureEndingOf(Ended(kCapErrRateTooFast, 120, 250));
    ASSERT_TRUE(lost.question);
    EXPECT_EQ(lost.question->caption, "Video Capture Stopped After 120 Frames");
    EXPECT_EQ(lost.question->text.split('\n'),
        QStringList({ "Capture rate exceeded your computer's file writing rate.",
            "Increase Buffers or decrease Capture Rate or Resolution,",
            "or pick Monochrome or uncheck the Progress box.", "",
            "      Would you like to keep this partial file?" }));
    EXPECT_TRUE(lost.failure.isEmpty());
}

TEST(CaptureEndingTest, OtherFailuresAreShownAndAFileThatIsNotThereIsNotQuestioned)
{
    const CaptureEnding write_error = CaptureEndingOf(Ended(kCapErrWritingFile, 4, 10));
    EXPECT_EQ(write_error.failure, "why");
    EXPECT_TRUE(write_error.question);

    const CaptureEnding not_opened = CaptureEndingOf(Ended(kCapErrOpeningFile, 0, 10, false));
    EXPECT_EQ(not_opened.failure, "why");
    EXPECT_FALSE(not_opened.question);
    EXPECT_FALSE(not_opened.file_written);

    const CaptureEnding cancelled_early = CaptureEndingOf(Ended(kCapErrCanceled, 0, 10, false));
    EXPECT_TRUE(cancelled_early.failure.isEmpty());
    EXPECT_FALSE(cancelled_early.question);
}

TEST(CaptureProgressTest, CaptionFollowsTheStageAndPercentTheFrames)
{
    EXPECT_EQ(CaptureProgressOf(CaptureStage::csOpenAviFile, 0, 10, false).caption, "Preparing File");
    EXPECT_EQ(CaptureProgressOf(CaptureStage::csLiveMode, 0, 10, false).caption, "Waiting for Trigger");
    const CaptureProgressView capturing = CaptureProgressOf(CaptureStage::csCaptureFrames, 3, 8, false);
    EXPECT_EQ(capturing.caption, "Capturing");
    EXPECT_EQ(capturing.percent, 37);
    EXPECT_EQ(CaptureProgressOf(CaptureStage::csCaptureFrames, 3, 8, true).caption, "Canceling...");
    EXPECT_EQ(CaptureProgressOf(CaptureStage::csCloseAviFile, 8, 8, true).caption, "Writing Video File...");
    EXPECT_EQ(CaptureProgressOf(CaptureStage::csCloseAviFile, 8, 8, false).percent, 100);
    EXPECT_EQ(
        CaptureProgressOf(CaptureStage::csCaptureFrames, 2'000'000'000, 2'000'000'000, false).percent, 100);
    EXPECT_EQ(CaptureProgressOf(CaptureStage::csCaptureFrames, 0, 0, false).percent, 0);
}

TEST(CaptureRegionTest, LinesTurnedOverCountFromTheOtherEndAndBack)
{
    const CaptureRegion lines { 16, 16, 47, 27 };
    EXPECT_EQ(LinesTurnedOver(lines, 48), (CaptureRegion { 16, 20, 47, 31 }));
    EXPECT_EQ(LinesTurnedOver(LinesTurnedOver(lines, 48), 48), lines);
}

TEST(LatestSlotTest, KeepsTheNewestAndTellsOnlyWhenItWasEmpty)
{
    TLatestSlot<int> slot;
    EXPECT_FALSE(slot.Take());
    EXPECT_TRUE(slot.Put(1));
    EXPECT_FALSE(slot.Put(2)); // the reader has been told already
    EXPECT_EQ(slot.Take(), 2);
    EXPECT_FALSE(slot.Take());
    EXPECT_TRUE(slot.Put(3));
}

TEST(CaptureOrderTest, StartCaptureHandsEverythingToTheThreadWithTheFileLast)
{
    TIMAQ imaq(nullptr, QStringLiteral("/nonexistent/libimaq.so"));
    TCaptureThread thread(imaq, QStringLiteral("img0"), {});
    CaptureOrder order;
    order.file_name = QStringLiteral("/tmp/never.avi");
    order.frames = 0;
    thread.StartCapture(order);
    EXPECT_EQ(thread.FramesRequested(), 1); // at least one frame
    EXPECT_TRUE(thread.Capturing());
}

} // namespace
} // namespace fw
