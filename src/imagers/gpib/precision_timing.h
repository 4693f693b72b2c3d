#pragma once

#include <cstdint>

#include "support/steady_now.h"

namespace fw {

// The clock of the processor protocol's delays, pacing intervals and time-outs: time stamps are
// steady-clock tick counts, amounts are counted in a selectable unit (seconds, milliseconds or
// microseconds). Only integer tick arithmetic; Delay busy-waits, as bus pacing is in milliseconds.
class TPrecisionTiming {
public:
    static constexpr int kSeconds = 0;
    static constexpr int kMilliseconds = 1;
    static constexpr int kMicroseconds = 2;

    explicit TPrecisionTiming(SteadyNow now = RealSteadyNow);

    // Takes kSeconds, kMilliseconds or kMicroseconds; any other value leaves the unit as it is.
    void SetUnits(int unit_index);
    int UnitIndex() const { return unit_index_; }
    std::int64_t Frequency_hz() const { return frequency_hz_; }

    std::int64_t Now() const;
    // Whether `amount` units have passed since the time stamp `start`.
    bool Elapsed(std::int32_t amount, std::int64_t start) const;
    // Spins until `amount` units have passed; it neither sleeps nor processes events.
    void Delay(std::int32_t amount) const;

private:
    SteadyNow now_;
    std::int64_t frequency_hz_;
    int unit_index_ = kMilliseconds;
    std::int64_t unit_divisor_ = 1000;
};

} // namespace fw
