#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>

#include "imagers/gpib/precision_timing.h"

namespace fw {
namespace {

using namespace std::chrono_literals;

class PrecisionTiming : public testing::Test {
protected:
    std::chrono::steady_clock::time_point now_ {};
    int reads_ = 0;
    std::chrono::nanoseconds step_per_read_ { 0 };
    TPrecisionTiming timing_ { [this] {
        ++reads_;
        const auto read = now_;
        now_ += step_per_read_;
        return read;
    } };
};

TEST_F(PrecisionTiming, MillisecondsByDefaultAndElapsedOnlyOnceTheAmountHasPassed)
{
    EXPECT_EQ(timing_.UnitIndex(), TPrecisionTiming::kMilliseconds);
    const std::int64_t start = timing_.Now();
    now_ += 999999ns;
    EXPECT_FALSE(timing_.Elapsed(1, start));
    now_ += 1ns;
    EXPECT_TRUE(timing_.Elapsed(1, start));
    EXPECT_TRUE(timing_.Elapsed(0, timing_.Now()));
}

TEST_F(PrecisionTiming, SecondsAndMicroseconds)
{
    const std::int64_t start = timing_.Now();
    timing_.SetUnits(TPrecisionTiming::kSeconds);
    now_ += 2s - 1ns;
    EXPECT_FALSE(timing_.Elapsed(2, start));
    now_ += 1ns;
    EXPECT_TRUE(timing_.Elapsed(2, start));

    timing_.SetUnits(TPrecisionTiming::kMicroseconds);
    const std::int64_t later = timing_.Now();
    now_ += 14us;
    EXPECT_FALSE(timing_.Elapsed(15, later));
    EXPECT_TRUE(timing_.Elapsed(14, later));
}

TEST_F(PrecisionTiming, AnUnknownUnitLeavesTheUnitAsItIs)
{
    timing_.SetUnits(TPrecisionTiming::kMicroseconds);
    timing_.SetUnits(3);
    timing_.SetUnits(-1);
    EXPECT_EQ(timing_.UnitIndex(), TPrecisionTiming::kMicroseconds);
    const std::int64_t start = timing_.Now();
    now_ += 1us;
    EXPECT_TRUE(timing_.Elapsed(1, start));
}

TEST_F(PrecisionTiming, TheLargestAmountInSecondsDoesNotOverflow)
{
    timing_.SetUnits(TPrecisionTiming::kSeconds);
    const std::int64_t start = timing_.Now();
    const auto largest = std::numeric_limits<std::int32_t>::max();
    now_ += std::chrono::seconds(largest) - 1ns;
    EXPECT_FALSE(timing_.Elapsed(largest, start));
    now_ += 1ns;
    EXPECT_TRUE(timing_.Elapsed(largest, start));
}

TEST_F(PrecisionTiming, DelayReturnsAtTheFirstReadPastTheAmount)
{
    step_per_read_ = 300us;
    timing_.Delay(1);
    // Reads at 0, 0.3, 0.6, 0.9 and 1.2 ms: the fifth is the first at or past 1 ms.
    EXPECT_EQ(reads_, 5);
}

} // namespace
} // namespace fw
