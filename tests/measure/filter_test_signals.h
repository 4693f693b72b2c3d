#pragma once

// Signals with known content and reproducible noise for the filter tests.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

namespace fw::testing {

// Normally distributed noise from the fully specified Mersenne twister, by Box and Muller, so
// that a seed gives the same numbers with every standard library.
class SeededNoise {
public:
    SeededNoise(uint32_t seed, double sigma)
        : engine_(seed)
        , sigma_(sigma)
    {
    }

    double operator()()
    {
        if (spare_) {
            spare_ = false;
            return sigma_ * next_;
        }
        const double u1 = (double(engine_()) + 1.0) / 4294967296.0;
        const double u2 = double(engine_()) / 4294967296.0;
        const double radius = std::sqrt(-2.0 * std::log(u1));
        next_ = radius * std::sin(2.0 * std::numbers::pi * u2);
        spare_ = true;
        return sigma_ * radius * std::cos(2.0 * std::numbers::pi * u2);
    }

private:
    std::mt19937 engine_;
    double sigma_;
    bool spare_ = false;
    double next_ = 0.0;
};

} // namespace fw::testing
