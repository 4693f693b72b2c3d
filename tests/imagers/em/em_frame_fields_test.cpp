#include "imagers/em/em_frame_fields.h"

#include <gtest/gtest.h>

#include "imagers/em/hs4540_avi.h"

namespace fw {
namespace {

class EmFrameFieldsTest : public ::testing::Test {
protected:
    TEM1012AVI em_stream_ { nullptr };
    T4540AVI hs_stream_ { nullptr };
    EmFrameFields em_ { em_stream_ };
    EmFrameFields hs_ { hs_stream_ };
};

TEST_F(EmFrameFieldsTest, EditedLastMovesDownOntoTheGridAndTheCountFollows)
{
    em_.TakeRecording(-20, 79);
    em_.LeaveFirst(5);
    em_.LeaveInterval(4);
    em_.LeaveLast(18);
    EXPECT_EQ(em_.Last(), 17);
    EXPECT_EQ(em_.Count(), 4);
    EXPECT_EQ(em_.LastEntered(), FrameField::Last);

    // An end edited past the other one takes it along; numbers stay within the recording.
    em_.LeaveLast(-100);
    EXPECT_EQ(em_.First(), -20);
    EXPECT_EQ(em_.Last(), -20);
    EXPECT_EQ(em_.Count(), 1);
    em_.LeaveFirst(500);
    EXPECT_EQ(em_.First(), 79);
    EXPECT_EQ(em_.Last(), 79);
}

TEST_F(EmFrameFieldsTest, EditedFirstMovesDownOntoTheGridThroughTheLast)
{
    em_.TakeRecording(-20, 79);
    em_.Restore(2, 18, 4);
    em_.LeaveFirst(5);
    // 2, 6, 10, 14, 18: the run still ends on the last frame.
    EXPECT_EQ(em_.First(), 2);
    EXPECT_EQ(em_.Last(), 18);
    EXPECT_EQ(em_.Count(), 5);

    // Moving the first frame down would leave the recording: the last frame moves instead.
    em_.Restore(-11, 79, 10);
    em_.LeaveFirst(-15);
    EXPECT_EQ(em_.First(), -15);
    EXPECT_EQ(em_.Last(), 75);
}

TEST_F(EmFrameFieldsTest, PreviewStaysOnTheGridWithinTheRange)
{
    em_.TakeRecording(-20, 79);
    em_.Restore(2, 22, 4);
    em_.LeavePreview(9);
    EXPECT_EQ(em_.Preview(), 6);
    em_.LeavePreview(500);
    EXPECT_EQ(em_.Preview(), 22);
    em_.SpinPreview(1); // past the last frame: not taken
    EXPECT_EQ(em_.Preview(), 22);
    em_.SpinPreview(-1);
    EXPECT_EQ(em_.Preview(), 18);

    // The range bar moves the field entered last.
    em_.SetFromBar(3);
    EXPECT_EQ(em_.Preview(), 2);
    em_.LeaveLast(30);
    em_.SetFromBar(13);
    EXPECT_EQ(em_.Last(), 10);
    EXPECT_EQ(em_.Preview(), 2);
}

TEST_F(EmFrameFieldsTest, IntervalSpinsByOneAndNeverBelowOne)
{
    em_.TakeRecording(0, 9);
    em_.Restore(0, 9, 1);
    em_.SpinInterval(-1);
    EXPECT_EQ(em_.Interval(), 1);
    em_.SpinInterval(1);
    EXPECT_EQ(em_.Last(), 8);
    // Each new interval moves the last frame down onto its grid.
    em_.SpinInterval(1);
    EXPECT_EQ(em_.Interval(), 3);
    EXPECT_EQ(em_.Last(), 6);
    EXPECT_EQ(em_.Count(), 3);
    em_.LeaveInterval(1000); // longer than the recording: one frame
    EXPECT_EQ(em_.Interval(), 10);
    EXPECT_EQ(em_.Count(), 1);
}

TEST_F(EmFrameFieldsTest, HSRangeAroundTheTriggerSkipsFrameZero)
{
    hs_.TakeRecording(-100, 100);
    EXPECT_EQ(hs_.RecordedFrames(), 200);
    hs_.LeaveFirst(-100);
    hs_.LeaveLast(100);
    EXPECT_EQ(hs_.Count(), 200);

    hs_.LeavePreview(1);
    hs_.SpinPreview(-1);
    EXPECT_EQ(hs_.Preview(), -1);
    hs_.SpinPreview(1);
    EXPECT_EQ(hs_.Preview(), 1);
    hs_.LeavePreview(0);
    EXPECT_EQ(hs_.Preview(), 1);
}

TEST_F(EmFrameFieldsTest, HSGridCountsTheFramesPastZero)
{
    hs_.TakeRecording(-100, 100);
    hs_.Restore(-5, -5, 4);
    // -5, -1, 4 (3 with frame 0 skipped), 8: the last frame at or before 6 is 4.
    hs_.LeaveLast(6);
    EXPECT_EQ(hs_.Last(), 4);
    EXPECT_EQ(hs_.Count(), 3);
    hs_.LeaveLast(8);
    EXPECT_EQ(hs_.Last(), 8);
    EXPECT_EQ(hs_.Count(), 4);

    // The spins step over frame 0: from -1 up to the interval, from 1 down to minus it.
    hs_.Restore(-1, 20, 4);
    hs_.SpinFirst(1);
    EXPECT_EQ(hs_.First(), 4);
    hs_.Restore(1, 20, 4);
    hs_.SpinFirst(-1);
    EXPECT_EQ(hs_.First(), -4);
    hs_.Restore(-20, -2, 4);
    EXPECT_EQ(hs_.Last(), -4);
    hs_.SpinLast(1);
    EXPECT_EQ(hs_.Last(), 1);

    // A first frame moved down onto the grid through the last one crosses zero as the
    // processor numbers frames.
    hs_.Restore(3, 9, 3);
    hs_.LeaveFirst(1);
    EXPECT_EQ(hs_.First(), -1);
    EXPECT_EQ(hs_.Last(), 9);
    EXPECT_EQ(hs_.Count(), 4); // -1, 3, 6, 9
}

TEST_F(EmFrameFieldsTest, ARecordingWiderThanTheLimitIsNone)
{
    em_.TakeRecording(0, EmFrameFields::kWidestRecording - 1);
    EXPECT_TRUE(em_.HasRecording());
    em_.TakeRecording(0, EmFrameFields::kWidestRecording);
    EXPECT_FALSE(em_.HasRecording());
    EXPECT_EQ(em_.Lowest(), 1);
    EXPECT_EQ(em_.Highest(), 1);
    EXPECT_EQ(em_.Count(), 0);
    em_.TakeNoRecording();
    EXPECT_EQ(em_.RecordedFrames(), 0);

    // Record forgets the frames; the numbers stay.
    em_.TakeRecording(-20, 79);
    em_.Restore(3, 9, 2);
    em_.ForgetRecording();
    EXPECT_EQ(em_.Count(), 0);
    EXPECT_EQ(em_.First(), 3);
}

TEST_F(EmFrameFieldsTest, StoredNumbersAreKeptInTheRecording)
{
    em_.TakeRecording(-20, 79);
    em_.Restore(-400, 400, 0);
    EXPECT_EQ(em_.First(), -20);
    EXPECT_EQ(em_.Last(), 79);
    EXPECT_EQ(em_.Interval(), 1);
    EXPECT_EQ(em_.Preview(), -20);

    // A shorter recording later keeps the fields inside it.
    em_.TakeRecording(0, 10);
    EXPECT_EQ(em_.First(), 0);
    EXPECT_EQ(em_.Last(), 10);
    EXPECT_EQ(em_.Preview(), 0);
}

} // namespace
} // namespace fw
