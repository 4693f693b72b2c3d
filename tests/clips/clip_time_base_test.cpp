#include "clips/clip_time_base.h"

#include <climits>

#include <gtest/gtest.h>

#include "clips/descriptor_block.h"

#include "block_text.h"

namespace fw {
namespace {

std::string Value(const ClipTimeBase& base, const std::string& name)
{
    std::string value;
    if (!GetDescriptorValue(base.Descriptors(), "Timing", name, value))
        return "<missing>";
    return value;
}

TEST(ClipTimeBaseApply, MarkFrameAndItsTimeGiveTheFirstFrameTime)
{
    ClipTimeBase base;
    const std::string block
        = B("[Timing]|Frame Rate=2000|Mark Frame=10|Time at Mark Frame=-3.5|[Titles]|Title=x|");
    EXPECT_TRUE(base.ApplyDescriptors(block));
    EXPECT_FLOAT_EQ(base.FramePeriodMs(), 0.5f);
    EXPECT_FLOAT_EQ(base.FirstFrameTimeMs(), -8.5f);
    EXPECT_TRUE(base.IsSet());
    // The clip's block now marks index 0 with the first frame's time; other sections are kept.
    EXPECT_EQ(base.Descriptors(),
        B("[Timing]|Frame Rate=2000|Mark Frame=0|Time at Mark Frame=-8.5|[Titles]|Title=x|"));
    EXPECT_DOUBLE_EQ(base.FrameTime(10), -3.5);
    EXPECT_EQ(base.IndexAtTime(-3.5), 10);

    // The rewritten block gives the same time base: nothing is set again.
    const std::string rewritten = base.Descriptors();
    EXPECT_FALSE(base.ApplyDescriptors(rewritten));
    EXPECT_EQ(base.Descriptors(), rewritten);
}

TEST(ClipTimeBaseApply, EmptyBlockMeans1000FramesPerSecondFromZero)
{
    ClipTimeBase base;
    EXPECT_FALSE(base.IsSet());
    EXPECT_EQ(base.TimeDecimals(), 3);
    EXPECT_TRUE(base.ApplyDescriptors(""));
    EXPECT_FLOAT_EQ(base.FramePeriodMs(), 1.0f);
    EXPECT_FLOAT_EQ(base.FirstFrameTimeMs(), 0.0f);
    EXPECT_EQ(base.TimeDecimals(), 2);
    // Only the period differed from a new clip's, so only the rate was written.
    EXPECT_EQ(base.Descriptors(), B("[Timing]|Frame Rate=1000|"));
}

TEST(ClipTimeBaseApply, SettersRunOnlyForValuesThatDiffer)
{
    ClipTimeBase base;
    base.SetFramePeriod(1.0);
    // Mark 5 at 5 ms is index 0 at 0 ms: same time base, so the block stays as it came.
    const std::string block = B("[Timing]|Frame Rate=1000|Mark Frame=5|Time at Mark Frame=5|");
    EXPECT_FALSE(base.ApplyDescriptors(block));
    EXPECT_EQ(base.Descriptors(), block);

    const std::string faster = B("[Timing]|Frame Rate=4000|Mark Frame=5|Time at Mark Frame=5|");
    EXPECT_TRUE(base.ApplyDescriptors(faster));
    EXPECT_FLOAT_EQ(base.FramePeriodMs(), 0.25f);
    EXPECT_FLOAT_EQ(base.FirstFrameTimeMs(), 3.75f);
}

TEST(ClipTimeBaseApply, HostileTimingFallsBackWithoutOverflow)
{
    ClipTimeBase base;
    base.ApplyDescriptors(B("[Timing]|Frame Rate=1e300|Mark Frame=2147483647|Time at Mark Frame=1e300|"));
    EXPECT_FLOAT_EQ(base.FramePeriodMs(), 0.000001f);
    EXPECT_TRUE(std::isfinite(base.FirstFrameTimeMs()));
    EXPECT_TRUE(std::isfinite(base.FrameTime(INT32_MAX)));
    EXPECT_EQ(base.IndexAtTime(-1e300), INT32_MIN);

    base.ApplyDescriptors(B("[Timing]|Frame Rate=1e-300|"));
    EXPECT_TRUE(std::isfinite(base.FramePeriodMs()));
    EXPECT_EQ(base.TimeDecimals(), 0);
}

TEST(ClipTimeBaseSetters, PeriodSetsDecimalsRateAndItsFloor)
{
    struct Case {
        double fps;
        int decimals;
        const char* rate;
    };
    for (const Case& c : { Case { 1000, 2, "1000" }, Case { 10000, 3, "10000" }, Case { 30, 0, "30" },
             Case { 2000, 2, "2000" }, Case { 250, 1, "250" } }) {
        ClipTimeBase base;
        base.SetFramePeriod(1000.0 / c.fps);
        EXPECT_EQ(base.TimeDecimals(), c.decimals) << c.fps;
        EXPECT_EQ(Value(base, "Frame Rate"), c.rate) << c.fps;
        EXPECT_TRUE(base.IsSet());
    }

    ClipTimeBase base;
    for (double bad : { 0.0, -5.0, std::nan("") }) {
        base.SetFramePeriod(bad);
        EXPECT_FLOAT_EQ(base.FramePeriodMs(), 0.000001f);
        // Calculations use 0.00001 ms at least.
        EXPECT_NEAR(base.FrameTime(1000), 0.01, 1e-9);
        EXPECT_EQ(base.IndexAtTime(0.01), 1000);
        EXPECT_EQ(base.TimeDecimals(), 7);
    }
}

TEST(ClipTimeBaseSetters, FirstFrameTimeRewritesTheMark)
{
    ClipTimeBase base;
    base.SetDescriptors(B("[Timing]|Frame Rate=500|Mark Frame=17|Time at Mark Frame=9|[Camera]|"));
    base.SetFirstFrameTime(-2.25);
    EXPECT_TRUE(base.IsSet());
    EXPECT_FLOAT_EQ(base.FirstFrameTimeMs(), -2.25f);
    EXPECT_EQ(
        base.Descriptors(), B("[Timing]|Frame Rate=500|Mark Frame=0|Time at Mark Frame=-2.25|[Camera]|"));
}

TEST(ClipTimeBaseSetters, FirstFrameNumberKeepsTheTimeOfEveryShownNumber)
{
    ClipTimeBase base;
    base.SetFramePeriod(0.5);
    const double time_of_11 = base.FrameTime(base.IndexOfShownNumber(11));
    EXPECT_DOUBLE_EQ(time_of_11, 5.0);
    base.SetFirstFrameNumber(11);
    EXPECT_EQ(base.FirstFrameNumber(), 11);
    EXPECT_EQ(base.IndexOfShownNumber(11), 0);
    EXPECT_DOUBLE_EQ(base.FrameTime(base.IndexOfShownNumber(11)), time_of_11);
    EXPECT_EQ(Value(base, "Time at Mark Frame"), "5");
    EXPECT_EQ(Value(base, "Mark Frame"), "0");
}

TEST(ClipTimeBaseNumbers, ShownNumbersWithAndWithoutFrameZero)
{
    ClipTimeBase base;
    EXPECT_EQ(base.ShownNumber(0), 1);
    EXPECT_EQ(base.IndexOfShownNumber(1), 0);

    base.SetSkipFrameZero(1);
    base.SetFirstFrameNumber(-2);
    EXPECT_EQ(base.FirstFrameNumber(), -2);
    std::vector<int32_t> shown;
    for (int32_t i = 0; i < 5; ++i)
        shown.push_back(base.ShownNumber(i));
    EXPECT_EQ(shown, (std::vector<int32_t> { -2, -1, 1, 2, 3 }));
    for (int32_t i = -3; i < 8; ++i)
        EXPECT_EQ(base.IndexOfShownNumber(base.ShownNumber(i)), i) << i;
    // A typed 0 does not exist without frame zero; it lands on number 1.
    EXPECT_EQ(base.ShownNumber(base.IndexOfShownNumber(0)), 1);

    // Numbering that starts at 1 with frame zero skipped is stored as 0 and still shows 1.
    base.SetFirstFrameNumber(1);
    EXPECT_EQ(base.FirstFrameNumber(), 0);
    EXPECT_EQ(base.ShownNumber(0), 1);
    EXPECT_EQ(base.ShownNumber(-1), -1);

    base.SetFrameStep(INT32_MAX);
    EXPECT_EQ(base.ShownNumber(INT32_MAX), INT32_MAX);
}

TEST(ClipTimeBaseShow, MillisecondsBelowOneSecondSecondsFromThere)
{
    ClipTimeBase base;
    base.ApplyDescriptors("");
    ShownTime t = base.ShowTime(base.FrameTime(999));
    EXPECT_EQ(t.text.toStdString(), "999.00");
    EXPECT_EQ(t.unit.toStdString(), "ms");
    EXPECT_EQ(t.hint.toStdString(), "Time in Milliseconds");
    t = base.ShowTime(base.FrameTime(1000));
    EXPECT_EQ(t.text.toStdString(), "1.000");
    EXPECT_EQ(t.unit.toStdString(), "s");
    EXPECT_EQ(t.hint.toStdString(), "Time in Seconds");

    EXPECT_EQ(ShowTimeMs(-8.5, 2).text.toStdString(), "-8.50");
    EXPECT_EQ(ShowTimeMs(-0.001, 2).text.toStdString(), "0.00");
    EXPECT_EQ(ShowTimeMs(33.3333, 0).text.toStdString(), "33");
    EXPECT_EQ(ShowTimeMs(0.1234567891, 7).text.toStdString(), "0.1234568");
    EXPECT_EQ(ShowTimeMs(999.99999, 2).text.toStdString(), "1000.00");
    // Seven significant digits, then three decimals.
    EXPECT_EQ(ShowTimeMs(12345678.9, 2).text.toStdString(), "12345.680");
    EXPECT_EQ(ShowTimeMs(1234.6, 2).text.toStdString(), "1.235");
    EXPECT_EQ(ShowTimeMs(1e13, 2).text.toStdString(), "1.000000E+10");
}

} // namespace
} // namespace fw
