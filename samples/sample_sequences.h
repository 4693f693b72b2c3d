#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fw::samples {

// A sample recorded as numbered frame files, one folder per recording.
struct SampleSequence {
    std::string folder_name;
    int frame_count = 0;
    // Writes file i (0 is the first) under its own name into `folder`; throws on failure.
    std::function<void(int index, const std::filesystem::path& folder)> write;
};

std::vector<SampleSequence> sampleSequences();

} // namespace fw::samples
