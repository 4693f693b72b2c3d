#pragma once

// What tests against the simulated GPIB library share: simulator variables that are unset again
// when the test ends, and a clock that jumps 10 ms per reading so that every pacing wait and time
// limit passes at once.

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "imagers/gpib/precision_timing.h"

namespace fw {

class SimEnvironment {
public:
    SimEnvironment() = default;
    SimEnvironment(const SimEnvironment&) = delete;
    SimEnvironment& operator=(const SimEnvironment&) = delete;
    ~SimEnvironment()
    {
        for (const std::string& name : variables_)
            unsetenv(name.c_str());
    }

    void Set(const char* name, const char* value)
    {
        setenv(name, value, 1);
        variables_.emplace_back(name);
    }

    static SteadyNow JumpingClock()
    {
        auto now = std::make_shared<std::chrono::steady_clock::time_point>();
        return [now] { return *now += std::chrono::milliseconds(10); };
    }

private:
    std::vector<std::string> variables_;
};

} // namespace fw
