#include "signals/graph_layout.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace fw {
namespace {

std::vector<std::vector<int>> Members(const GraphLayoutPlan& plan)
{
    std::vector<std::vector<int>> members;
    for (const AxisPlan& axis : plan.axes)
        members.push_back(axis.members);
    return members;
}

std::vector<int> Areas(const GraphLayoutPlan& plan)
{
    std::vector<int> areas;
    for (const AxisPlan& axis : plan.axes)
        areas.push_back(axis.area);
    return areas;
}

TEST(GraphLayoutPlan, OverlaySignalsShareTheFirstAreaOnOneOrSeveralAxes)
{
    const GraphLayoutPlan shared = PlanGraphLayout(5, 3, true);
    EXPECT_EQ(shared.area_count, 3);
    EXPECT_EQ(Members(shared), (std::vector<std::vector<int>> { { 0, 1, 2 }, { 3 }, { 4 } }));
    EXPECT_EQ(Areas(shared), (std::vector<int> { 0, 1, 2 }));

    const GraphLayoutPlan overlapping = PlanGraphLayout(5, 3, false);
    EXPECT_EQ(overlapping.area_count, 3);
    EXPECT_EQ(Members(overlapping), (std::vector<std::vector<int>> { { 0 }, { 1 }, { 2 }, { 3 }, { 4 } }));
    EXPECT_EQ(Areas(overlapping), (std::vector<int> { 0, 0, 0, 1, 2 }));
    EXPECT_EQ(overlapping.AxisOf(2), 2);
    EXPECT_EQ(overlapping.AxisOf(4), 4);
    EXPECT_EQ(overlapping.AxisOf(5), -1);
}

TEST(GraphLayoutPlan, GroupsShareAnAreaAndAxisInTheOrderTheyFirstAppear)
{
    const GraphLayoutPlan plan = PlanGroupedLayout({ 7, 15, 7, 3, 15 });
    EXPECT_EQ(plan.area_count, 3);
    EXPECT_EQ(Members(plan), (std::vector<std::vector<int>> { { 0, 2 }, { 1, 4 }, { 3 } }));
    EXPECT_EQ(Areas(plan), (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ(plan.AxisOf(4), 1);

    const GraphLayoutPlan none = PlanGroupedLayout({});
    EXPECT_EQ(none.area_count, 0);
    EXPECT_TRUE(none.axes.empty());
}

TEST(GraphLayoutPlan, CountsOutOfRangeAreBounded)
{
    // Without overlay signals every signal stands alone.
    const GraphLayoutPlan separate = PlanGraphLayout(4, 0, true);
    EXPECT_EQ(separate.area_count, 4);
    EXPECT_DOUBLE_EQ(separate.AreaHeight(), 0.25);

    // More overlay signals than signals: all of them overlay, nothing more.
    const GraphLayoutPlan all_overlay = PlanGraphLayout(2, 9, true);
    EXPECT_EQ(all_overlay.area_count, 1);
    EXPECT_EQ(Members(all_overlay), (std::vector<std::vector<int>> { { 0, 1 } }));

    const GraphLayoutPlan none = PlanGraphLayout(-3, -1, false);
    EXPECT_EQ(none.area_count, 0);
    EXPECT_TRUE(none.axes.empty());
    EXPECT_EQ(none.AreaHeight(), 0.0);
    EXPECT_EQ(none.AxisOf(0), -1);
}

TEST(GraphLayoutPlan, ColoursRepeatAfterTheLastPosition)
{
    EXPECT_EQ(SignalColor(kMaxGraphSignals + 1), SignalColor(1));
    EXPECT_EQ(SignalColor(-1), SignalColor(kMaxGraphSignals - 1));
}

TEST(SampleTimes, NearestPointStaysWithinTheSamples)
{
    const SampleTimes times { 100.0, 2.0, 10 };
    EXPECT_EQ(times.NearestPoint(100.0), 0);
    EXPECT_EQ(times.NearestPoint(102.9), 1);
    EXPECT_EQ(times.NearestPoint(50.0), 0);
    EXPECT_EQ(times.NearestPoint(1e12), 9);
    EXPECT_EQ(times.NearestPoint(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(times.NearestPoint(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ((SampleTimes { 0.0, 0.0, 5 }).NearestPoint(3.0), 0);
    EXPECT_EQ((SampleTimes { 0.0, 1.0, 0 }).NearestPoint(3.0), -1);
}

TEST(SampleTimes, PointsWithinTakeTheEndsThatFallOnASample)
{
    const SampleTimes times { 100.0, 2.0, 10 };
    int32_t first = -7, last = -7;
    times.PointsWithin(102.0, 106.0, first, last);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 3);
    // Times computed in floating point land a hair off a sample; it still counts.
    times.PointsWithin(100.0 + 0.1 * 20.0 - 1e-12, 106.0 + 1e-12, first, last);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 3);
    times.PointsWithin(0.0, 1e9, first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 9);

    // Between two samples, outside the samples, reversed or empty: nothing.
    for (const auto& [low, high] : std::vector<std::pair<double, double>> {
             { 102.5, 103.5 }, { 0.0, 99.0 }, { 119.0, 200.0 }, { 106.0, 102.0 }, { std::nan(""), 110.0 } }) {
        times.PointsWithin(low, high, first, last);
        EXPECT_LT(last, first) << low << " .. " << high;
    }
    (SampleTimes { 0.0, 0.0, 5 }).PointsWithin(0.0, 10.0, first, last);
    EXPECT_LT(last, first);
}

TEST(ExtremePoint, FirstOfEqualExtremesGapsSkippedRangeClamped)
{
    const double gap = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> values { gap, 3.0, 1.0, 7.0, 1.0, 7.0, gap };
    EXPECT_EQ(ExtremePoint(values, 0, 6, false), 2);
    EXPECT_EQ(ExtremePoint(values, 0, 6, true), 3);
    EXPECT_EQ(ExtremePoint(values, 4, 100, true), 5);
    EXPECT_EQ(ExtremePoint(values, -5, 1, false), 1);
    EXPECT_EQ(ExtremePoint(values, 6, 6, true), 0);
    EXPECT_EQ(ExtremePoint({}, 0, 3, true), 0);
}

TEST(ReadoutNumber, SixSignificantDigitsThreeDecimals)
{
    EXPECT_EQ(ReadoutNumber(-12.3456), QStringLiteral("-12.346"));
    EXPECT_EQ(ReadoutNumber(123456.4), QStringLiteral("123456.000"));
    EXPECT_EQ(ReadoutNumber(99999.96), QStringLiteral("100000.000"));
    EXPECT_EQ(ReadoutNumber(999999.4), QStringLiteral("999999.000"));
    EXPECT_EQ(ReadoutNumber(999999.5), QStringLiteral("1.00000E+06"));
    EXPECT_EQ(ReadoutNumber(-3.0e9), QStringLiteral("-3.00000E+09"));
    EXPECT_EQ(ReadoutNumber(std::nan("")), QStringLiteral("NaN"));
    EXPECT_EQ(ReadoutNumber(-std::numeric_limits<double>::infinity()), QStringLiteral("-INF"));
}

} // namespace
} // namespace fw
