#pragma once

// The processor classes against the simulated driver and processors. Each test starts from a
// clean simulator environment; a clock that jumps 10 ms per reading makes every pacing wait and
// time limit pass at once.

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imagers/gpib/hs4540.h"
#include "imagers/gpib/sim_environment.h"

namespace fw {

class ProcessorSimTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gpib_.Load()); }
    void TearDown() override
    {
        DestroyProcessors();
        gpib_.Unload();
    }

    void SetEnv(const char* name, const char* value) { environment_.Set(name, value); }
    static SteadyNow JumpingClock() { return SimEnvironment::JumpingClock(); }

    template <typename Processor> Processor& Make(std::unique_ptr<Processor>& slot, const char* address)
    {
        slot = std::make_unique<Processor>(gpib_, QString::fromLatin1(address), JumpingClock());
        slot->SetTiming(EmTiming { 0, 0, 0, false });
        return *slot;
    }
    TEM1012& Em(const char* address = ":DEV7") { return Make(em_, address); }
    THS4540& Hs(const char* address = ":DEV8") { return Make(hs_, address); }
    void DestroyProcessors()
    {
        em_.reset();
        hs_.reset();
    }

    // The simulator's frames: background 40 + (x + 2y) mod 128, a bar of 240 twelve columns
    // wide starting at column 3 × frame.
    static int ExpectedPixel(int sensor_width, int x, int y, int frame)
    {
        const int bar_left = ((frame * 3) % sensor_width + sensor_width) % sensor_width;
        const int from_bar = ((x - bar_left) % sensor_width + sensor_width) % sensor_width;
        return from_bar < 12 ? 240 : 40 + (x + 2 * y) % 128;
    }

    TGPIB gpib_ { nullptr, FW_GPIB_SIM_LIBRARY };

private:
    std::unique_ptr<TEM1012> em_;
    std::unique_ptr<THS4540> hs_;
    SimEnvironment environment_;
};

} // namespace fw
