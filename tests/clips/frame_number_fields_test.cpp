#include <gtest/gtest.h>

#include <climits>

#include "clips/frame_number_fields.h"

using fw::FrameField;
using fw::FrameNumberFields;

namespace {

void expectRange(
    const FrameNumberFields& fields, int32_t first, int32_t last, int32_t interval, int32_t count)
{
    EXPECT_EQ(fields.First(), first);
    EXPECT_EQ(fields.Last(), last);
    EXPECT_EQ(fields.Interval(), interval);
    EXPECT_EQ(fields.Count(), count);
}

} // namespace

TEST(FrameNumberFields, StartsWithTheWholeSource)
{
    const FrameNumberFields fields(7, 9);
    expectRange(fields, 7, 9, 1, 3);
    EXPECT_EQ(fields.Preview(), 7);
}

TEST(FrameNumberFields, TheEditedEndMovesDownOntoTheIntervalGrid)
{
    FrameNumberFields fields(0, 99);
    fields.LeaveInterval(3);
    expectRange(fields, 0, 99, 3, 34);
    fields.LeaveLast(50); // 50 - (50 - 0) mod 3 = 48
    expectRange(fields, 0, 48, 3, 17);
    fields.LeaveFirst(10); // 10 - (48 - 10) mod 3 = 8
    expectRange(fields, 8, 48, 3, 14);
    EXPECT_EQ(fields.LastEntered(), FrameField::First);
}

TEST(FrameNumberFields, AFirstThatWouldLeaveTheSourceMovesTheLastInstead)
{
    FrameNumberFields fields(0, 10);
    fields.LeaveInterval(3); // last 10 -> 9
    fields.LeaveLast(10);
    fields.LeaveFirst(0); // 0 - (10 - 0) mod 3 = -1 is no frame: last goes to 9
    expectRange(fields, 0, 9, 3, 4);
}

TEST(FrameNumberFields, NumbersStayWithinTheSourceAndTheEndsInOrder)
{
    FrameNumberFields fields(7, 9);
    fields.LeaveFirst(-100);
    EXPECT_EQ(fields.First(), 7);
    fields.LeaveLast(123456);
    EXPECT_EQ(fields.Last(), 9);
    fields.LeaveFirst(9); // past nothing: the range is the one frame 9
    expectRange(fields, 9, 9, 1, 1);
    fields.LeaveLast(7); // before the first: the first comes along
    expectRange(fields, 7, 7, 1, 1);
    fields.LeaveFirst(int64_t(INT_MAX) + 5);
    expectRange(fields, 9, 9, 1, 1);
}

TEST(FrameNumberFields, ThePreviewStaysInTheRangeOnTheGrid)
{
    FrameNumberFields fields(0, 20);
    fields.SetRange(2, 8, 3);
    expectRange(fields, 2, 8, 3, 3);
    fields.LeavePreview(7); // 7 - (7 - 2) mod 3 = 5
    EXPECT_EQ(fields.Preview(), 5);
    EXPECT_EQ(fields.PreviewIndex(), 1);
    fields.LeavePreview(100);
    EXPECT_EQ(fields.Preview(), 8);
    fields.LeavePreview(-3);
    EXPECT_EQ(fields.Preview(), 2);
    // A range moved past the preview takes it along.
    fields.LeavePreview(8);
    fields.LeaveLast(5);
    EXPECT_EQ(fields.Preview(), 5);
}

TEST(FrameNumberFields, SpinsStepByTheIntervalAndStopAtTheEnds)
{
    FrameNumberFields fields(0, 20);
    fields.SetRange(2, 20, 3); // last on the grid: 20
    EXPECT_EQ(fields.Last(), 20);
    fields.SpinPreview(1);
    EXPECT_EQ(fields.Preview(), 5);
    fields.SpinPreview(-1);
    fields.SpinPreview(-1); // below the first: not taken
    EXPECT_EQ(fields.Preview(), 2);
    fields.SpinFirst(-1); // 2 - 3 is no frame: clamped to 0, then onto the grid through 20
    EXPECT_EQ(fields.First(), 0);
    EXPECT_EQ(fields.Last(), 18);
    fields.SpinLast(1); // 21 clamps to 20, which is off the grid: back to 18
    EXPECT_EQ(fields.Last(), 18);
    fields.SpinInterval(-1);
    fields.SpinInterval(-1);
    fields.SpinInterval(-1);
    EXPECT_EQ(fields.Interval(), 1);
}

TEST(FrameNumberFields, HugeIntervalsSaveOneFrame)
{
    FrameNumberFields fields(0, 9);
    fields.LeaveInterval(INT64_MAX);
    EXPECT_EQ(fields.Count(), 1);
    fields.SpinInterval(1);
    fields.SpinFirst(1);
    fields.SpinLast(1);
    EXPECT_GE(fields.Count(), 1);
    EXPECT_LE(fields.Last(), 9);
    fields.LeaveInterval(0);
    EXPECT_EQ(fields.Interval(), 1);
}

TEST(FrameNumberFields, TheRangeBarSetsTheFieldEnteredLast)
{
    FrameNumberFields fields(0, 50);
    fields.SetFromBar(10);
    EXPECT_EQ(fields.Preview(), 10);
    fields.LeaveLast(40);
    fields.SetFromBar(30);
    EXPECT_EQ(fields.Last(), 30);
    fields.LeaveFirst(5);
    fields.SetFromBar(12);
    EXPECT_EQ(fields.First(), 12);
}
