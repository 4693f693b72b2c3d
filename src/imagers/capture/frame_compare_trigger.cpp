#include "imagers/capture/frame_compare_trigger.h"

#include <algorithm>
#include <cstdlib>

namespace fw {

CaptureRegion LinesTurnedOver(const CaptureRegion& region, int32_t height)
{
    return CaptureRegion { region.left, height - 1 - region.bottom, region.right, height - 1 - region.top };
}

void TFrameCompareTrigger::Allocate(int32_t width, int32_t height)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    blocks_across_ = width_ / kBlockSide;
    blocks_down_ = height_ / kBlockSide;
    const auto blocks = static_cast<std::size_t>(blocks_across_) * static_cast<std::size_t>(blocks_down_);
    // Never empty, so that an allocated trigger can be told from a freed one.
    sums_.assign(std::max<std::size_t>(blocks, 1), 0);
    baseline_.assign(sums_.size(), 0);
    full_scale_reference_.assign(sums_.size(), 0xFFFF);
    has_baseline_ = false;
    SetRegion(region_, whole_frame_);
}

void TFrameCompareTrigger::Free()
{
    sums_.clear();
    baseline_.clear();
    full_scale_reference_.clear();
    has_baseline_ = false;
}

void TFrameCompareTrigger::SetRegion(const CaptureRegion& region, bool whole_frame)
{
    const auto clamp
        = [](int32_t value, int32_t size) { return std::clamp(value, 0, std::max(size - 1, 0)); };
    region_.left = clamp(std::min(region.left, region.right), width_);
    region_.right = clamp(std::max(region.left, region.right), width_);
    region_.top = clamp(std::min(region.top, region.bottom), height_);
    region_.bottom = clamp(std::max(region.top, region.bottom), height_);
    whole_frame_ = whole_frame;
}

void TFrameCompareTrigger::SumBlocks(const uint8_t* frame, int pixel_bytes)
{
    std::fill(sums_.begin(), sums_.end(), 0);
    const auto line_bytes = static_cast<std::size_t>(width_) * static_cast<std::size_t>(pixel_bytes);
    for (int32_t y = 0; y < blocks_down_ * kBlockSide; ++y) {
        const uint8_t* pixel = frame + static_cast<std::size_t>(y) * line_bytes;
        uint16_t* row_sums = sums_.data() + static_cast<std::size_t>(y / kBlockSide) * blocks_across_;
        for (int32_t x = 0; x < blocks_across_ * kBlockSide; ++x, pixel += pixel_bytes) {
            // 256 bytes of at most 255 fit the 16 bits of a block sum.
            row_sums[x / kBlockSide] = static_cast<uint16_t>(row_sums[x / kBlockSide] + *pixel);
        }
    }
}

bool TFrameCompareTrigger::Compared(int32_t block_x, int32_t block_y) const
{
    if (whole_frame_) {
        return true;
    }
    const int32_t centre_x = block_x * kBlockSide + kBlockSide / 2;
    const int32_t centre_y = block_y * kBlockSide + kBlockSide / 2;
    return centre_x >= region_.left && centre_x <= region_.right && centre_y >= region_.top
        && centre_y <= region_.bottom;
}

int64_t TFrameCompareTrigger::Difference(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b) const
{
    int64_t difference = 0;
    for (int32_t y = 0; y < blocks_down_; ++y) {
        for (int32_t x = 0; x < blocks_across_; ++x) {
            if (Compared(x, y)) {
                const auto i = static_cast<std::size_t>(y) * blocks_across_ + x;
                difference += std::abs(int64_t { a[i] } - int64_t { b[i] }) / 256;
            }
        }
    }
    return difference;
}

std::optional<int> TFrameCompareTrigger::Evaluate(const uint8_t* frame, int pixel_bytes)
{
    if (!IsAllocated()) {
        return std::nullopt;
    }
    SumBlocks(frame, pixel_bytes);
    if (!has_baseline_) {
        baseline_ = sums_;
        has_baseline_ = true;
        return std::nullopt;
    }
    // Worked out with the present region, so that a region moved after the baseline still
    // measures against its own blocks.
    const int64_t full_scale = std::max(Difference(baseline_, full_scale_reference_), kMinFullScale);
    const int64_t level = kMaxLevel - Difference(sums_, baseline_) * 10000 / full_scale;
    return static_cast<int>(std::max<int64_t>(level, 0));
}

} // namespace fw
