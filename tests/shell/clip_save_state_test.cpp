#include <gtest/gtest.h>

#include "shell/clip_save_state.h"

namespace fw {
namespace {

constexpr int32_t kFileWriteCode = int32_t(0x8004406Eu);

TEST(ClipSaveState, BeginNamesTheTargetInTheCaptionAndFinishGivesTheOldTitleBack)
{
    ClipSaveState state;
    EXPECT_FALSE(state.Saving());
    EXPECT_EQ(
        state.Begin("run7.avi", "Video Clip File", "/data/out/new.avi", true), "NEW.AVI Video Clip File");
    EXPECT_TRUE(state.Saving());
    EXPECT_TRUE(state.ClipFile());
    EXPECT_EQ(state.FinalName(), "/data/out/new.avi");

    const auto outcome = state.Finish(0);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->success);
    EXPECT_FALSE(outcome->message);
    EXPECT_TRUE(outcome->write_descriptors);
    EXPECT_EQ(outcome->options, SavedOptions::Store);
    EXPECT_EQ(outcome->title, "run7.avi");
    EXPECT_EQ(outcome->final_name, "/data/out/new.avi");
    EXPECT_FALSE(state.Saving());
    // A second end of the same save (a late notification) does nothing.
    EXPECT_FALSE(state.Finish(0));
}

TEST(ClipSaveState, FailuresShowTheCodeAndThenTheWritersReason)
{
    ClipSaveState state;
    state.Begin("a", "Video Clip File", "/full/t.avi", true);
    const auto clip = state.Finish(kFileWriteCode, "Cannot write /full/t.avi: No space left on device");
    ASSERT_TRUE(clip && clip->message);
    EXPECT_FALSE(clip->success);
    EXPECT_EQ(clip->message->text,
        "Error creating file /full/t.avi\rAVI Save Error Code: 8004406E\r"
        "Cannot write /full/t.avi: No space left on device");
    EXPECT_EQ(clip->message->caption, "Save Failed");
    EXPECT_FALSE(clip->write_descriptors);
    EXPECT_EQ(clip->options, SavedOptions::Forget);

    state.Begin("a", "Bitmap Files Directory", "/full/frames", false);
    const auto scatter = state.Finish(7, "Unable to write /full/frames/F0000003.bmp: File too large");
    ASSERT_TRUE(scatter && scatter->message);
    EXPECT_EQ(scatter->message->text,
        "Error Scattering files to /full/frames\rError Code: 00000007\r"
        "Unable to write /full/frames/F0000003.bmp: File too large");
    EXPECT_EQ(scatter->message->caption, "Scatter/Save Failed");
    EXPECT_EQ(scatter->options, SavedOptions::Keep);

    // Without a reason the message is the code alone.
    state.Begin("a", "Video Clip File", "/x.avi", true);
    EXPECT_EQ(state.Finish(7)->message->text, "Error creating file /x.avi\rAVI Save Error Code: 00000007");
}

TEST(ClipSaveState, AStopAnswersUserAbortAndEndsSilently)
{
    ClipSaveState state;
    state.Begin("a", "Video Clip File", "/x.avi", true);
    EXPECT_EQ(state.Progress(0), 0);
    EXPECT_EQ(state.Progress(40), 0);
    // A source that cannot go on asks to stop with a negative percentage.
    EXPECT_EQ(state.Progress(-1), kAviErrUserAbort);
    EXPECT_TRUE(state.CancelRequested());
    EXPECT_EQ(state.Progress(50), kAviErrUserAbort);
    const auto stopped = state.Finish(kAviErrUserAbort, "ignored");
    ASSERT_TRUE(stopped);
    EXPECT_FALSE(stopped->success);
    EXPECT_FALSE(stopped->message);
    EXPECT_FALSE(stopped->write_descriptors);
    EXPECT_EQ(stopped->options, SavedOptions::Forget);

    // A save the user stopped that still finished is no success, and its options stay.
    state.Begin("a", "Video Clip File", "/x.avi", true);
    EXPECT_FALSE(state.CancelRequested());
    state.RequestCancel();
    const auto late = state.Finish(0);
    EXPECT_FALSE(late->success);
    EXPECT_FALSE(late->message);
    EXPECT_EQ(late->options, SavedOptions::Keep);
}

} // namespace
} // namespace fw
