#include "imagers/gpib/precision_timing.h"

#include <array>
#include <utility>

namespace fw {

namespace {

constexpr std::array<std::int64_t, 3> kUnitDivisors { 1, 1000, 1000000 };

} // namespace

TPrecisionTiming::TPrecisionTiming(SteadyNow now)
    : now_(std::move(now))
    , frequency_hz_(std::chrono::steady_clock::period::den / std::chrono::steady_clock::period::num)
{
}

void TPrecisionTiming::SetUnits(int unit_index)
{
    if (unit_index < kSeconds || unit_index > kMicroseconds) {
        return;
    }
    unit_index_ = unit_index;
    unit_divisor_ = kUnitDivisors[static_cast<std::size_t>(unit_index)];
}

std::int64_t TPrecisionTiming::Now() const
{
    return now_().time_since_epoch().count();
}

// A 32-bit amount times a nanosecond frequency stays well inside 64 bits, so the multiplication
// can come first and no precision is lost to the division.
bool TPrecisionTiming::Elapsed(std::int32_t amount, std::int64_t start) const
{
    return Now() - start >= frequency_hz_ * amount / unit_divisor_;
}

void TPrecisionTiming::Delay(std::int32_t amount) const
{
    const std::int64_t start = Now();
    while (!Elapsed(amount, start)) { }
}

} // namespace fw
