#pragma once

// What the simulated grabber shows, read from the environment each time an interface opens. The
// variables are listed in the manual's "Frame-grabber simulator" section.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fw::imaq_sim {

// A rectangle of full-size pixels, edges included.
struct Rect {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct Scene {
    int width = 640; // full size, before decimation
    int height = 480;
    std::vector<std::uint64_t> changes; // camera frames at which the object appears or goes
    Rect object;
};

struct Faults {
    std::set<std::string> no_open; // interface names (lower case) that will not open
    std::optional<std::uint32_t> acquisition_error; // buffer number from which acquisition fails
    std::set<std::uint32_t> lost; // buffer numbers lost in every acquisition
    std::optional<std::uint32_t> timeout; // buffer number from which no buffer comes
};

struct SimConfig {
    Scene scene;
    double frames_per_second = 0; // 0: every buffer is ready the moment it is asked for
    std::uint32_t max_buffers = 0; // 0: no limit
    Faults faults;
};

constexpr int kMinSize = 32;
constexpr int kMaxSize = 4096;

SimConfig readConfig();

std::string lowerCase(std::string text);

} // namespace fw::imaq_sim
