#pragma once

#include <chrono>
#include <functional>

namespace fw {

// Where code that keeps time reads the steady clock. Tests hand in a clock they move themselves,
// so nothing they check depends on how fast the machine is.
using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;

inline std::chrono::steady_clock::time_point RealSteadyNow()
{
    return std::chrono::steady_clock::now();
}

} // namespace fw
