#include <gtest/gtest.h>

#include "shell/bayer_frame_range.h"

namespace fw {
namespace {

BayerFrameRange TenFrames()
{
    QStringList labels;
    for (int i = 1; i <= 10; ++i)
        labels << QString::number(i);
    return BayerFrameRange(labels);
}

TEST(BayerFrameRangeTest, AnIntervalOfThreeOverTenFramesTakesFour)
{
    BayerFrameRange range = TenFrames();
    EXPECT_EQ(range.Count(), 10);
    range.SetInterval(3);
    EXPECT_EQ(range.Count(), 4);
    EXPECT_EQ(range.PreviewEntries(), (std::vector<int32_t> { 0, 3, 6, 9 }));
    range.SetInterval(0);
    EXPECT_EQ(range.Interval(), 1);
    EXPECT_EQ(BayerFrameRange().Count(), 0);
    EXPECT_TRUE(BayerFrameRange().PreviewEntries().empty());
}

TEST(BayerFrameRangeTest, FirstAndLastPushEachOtherAndStayInTheList)
{
    BayerFrameRange range = TenFrames();
    range.SetLast(4);
    range.SetFirst(7);
    EXPECT_EQ(range.First(), 7);
    EXPECT_EQ(range.Last(), 7);
    range.SetLast(2);
    EXPECT_EQ(range.First(), 2);
    range.SetLast(99);
    EXPECT_EQ(range.Last(), 9);
    range.SetFirst(-5);
    EXPECT_EQ(range.First(), 0);
}

TEST(BayerFrameRangeTest, PreviewKeepsItsFrameWhileListedAndFollowsTheGrid)
{
    BayerFrameRange range = TenFrames();
    range.SetPreview(6);
    range.SetInterval(2);
    EXPECT_EQ(range.Preview(), 6); // 0, 2, 4, 6 ... still lists it
    EXPECT_EQ(range.PreviewFrame(), 3);
    range.SetInterval(4);
    EXPECT_EQ(range.Preview(), 4); // 0, 4, 8: the one below
    range.SetFirst(5);
    EXPECT_EQ(range.Preview(), 5);
    range.SetPreview(100);
    EXPECT_EQ(range.Preview(), 9);
    EXPECT_EQ(range.Label(range.Preview()), "10");
    EXPECT_EQ(range.Label(10), "");
}

TEST(BayerFrameRangeTest, StoredLabelsRestoreTheRangeOrTakeTheWholeList)
{
    BayerFrameRange range = TenFrames();
    range.Restore("3", "8", 2);
    EXPECT_EQ(range.First(), 2);
    EXPECT_EQ(range.Last(), 7);
    EXPECT_EQ(range.Interval(), 2);
    range.Restore("F00001", "gone", 1);
    EXPECT_EQ(range.First(), 0);
    EXPECT_EQ(range.Last(), 9);
    // A stored last before the stored first is no range.
    range.Restore("8", "3", 1);
    EXPECT_EQ(range.First(), 7);
    EXPECT_EQ(range.Last(), 9);
}

TEST(BayerFrameRangeTest, PeriodFollowsTheIntervalAndEventFrameIsTimeZero)
{
    BayerFrameRange range = TenFrames();
    range.SetInterval(3);
    EXPECT_DOUBLE_EQ(range.FramePeriodMs(500), 6.0);
    // 500 frames per second recorded: 2 ms between entries. Entry 6 is the event.
    EXPECT_DOUBLE_EQ(range.FirstFrameTimeMs(6, 2.0), -12.0);
    range.SetFirst(3);
    EXPECT_DOUBLE_EQ(range.FirstFrameTimeMs(6, 2.0), -6.0);
    // The event stays where it was when the range starts after it.
    range.SetFirst(8);
    EXPECT_DOUBLE_EQ(range.FirstFrameTimeMs(6, 2.0), 4.0);
}

} // namespace
} // namespace fw
