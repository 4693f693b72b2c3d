#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace fw {

// A rectangle of grabber pixels: x across a delivered line, y the line (0 the first delivered),
// right and bottom included.
struct CaptureRegion {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = -1;
    int32_t bottom = -1;

    bool operator==(const CaptureRegion&) const = default;
};

// The region with its lines counted from the other end of a frame `height` lines high: from
// grabber lines to the rows of the upright picture (whose bottom row is the first line
// delivered), and back.
CaptureRegion LinesTurnedOver(const CaptureRegion& region, int32_t height);

// The frame-compare trigger. A frame is cut into blocks of 16 x 16 pixels (a partial block at the
// right or bottom edge is left out) and the first byte of every pixel of a block is summed. The
// first frame looked at after the baseline was forgotten becomes the baseline. Each later frame
// gets a level from 1000 (the same as the baseline) down to 0: 1000 - D x 10000 / F, where D sums
// |sum - baseline sum| / 256 over the compared blocks and F, the full scale, sums
// |baseline sum - 0xFFFF| / 256 over them (at least 100). The compared blocks are all blocks, or
// those whose centre pixel lies in the region.
class TFrameCompareTrigger {
public:
    static constexpr int32_t kBlockSide = 16;
    static constexpr int kMaxLevel = 1000;
    static constexpr int64_t kMinFullScale = 100;

    // Sizes the block sums for frames of width x height pixels and forgets the baseline.
    void Allocate(int32_t width, int32_t height);
    void Free();
    bool IsAllocated() const { return !sums_.empty(); }

    // The region is clamped into the frame; `whole_frame` compares every block.
    void SetRegion(const CaptureRegion& region, bool whole_frame);
    const CaptureRegion& Region() const { return region_; }
    bool WholeFrame() const { return whole_frame_; }

    void ForgetBaseline() { has_baseline_ = false; }
    bool HasBaseline() const { return has_baseline_; }

    // Looks at one frame of `pixel_bytes` bytes a pixel, lines one after the other. Returns the
    // level, or nothing for the frame that became the baseline.
    std::optional<int> Evaluate(const uint8_t* frame, int pixel_bytes);

private:
    void SumBlocks(const uint8_t* frame, int pixel_bytes);
    bool Compared(int32_t block_x, int32_t block_y) const;
    int64_t Difference(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) const;

    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t blocks_across_ = 0;
    int32_t blocks_down_ = 0;
    std::vector<uint16_t> sums_;
    std::vector<uint16_t> baseline_;
    std::vector<uint16_t> full_scale_reference_; // all 0xFFFF
    bool has_baseline_ = false;
    CaptureRegion region_;
    bool whole_frame_ = true;
};

} // namespace fw
