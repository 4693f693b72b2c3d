#pragma once

// Gives the frames that come out of a camera stream their buffer numbers and keeps the numbers
// of the buffers that were lost. Camera frames are counted from the start of the acquisition;
// with frames_to_skip = k every (k + 1)-th one is captured, and buffer n is captured frame n.
//
// A frame is lost when it arrives incomplete, when the camera's frame counter jumps, or when the
// stream had no free buffer for it (a drop). Drops are placed after the frames that were already
// waiting when the stream counted them: a stream only drops while every buffer is full.

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace fw::imaq_genicam {

class FrameNumbering {
public:
    explicit FrameNumbering(uint32_t frames_to_skip = 0);

    struct Placement {
        bool captured = false; // a good frame that goes into buffer `number`
        uint32_t number = 0;
    };

    // One frame out of the stream: the camera's frame id (0 when unknown) and whether the frame
    // is complete.
    Placement arrive(uint64_t frame_id, bool complete);

    // The stream dropped `dropped` frames while `waiting` frames were queued behind the last one
    // that arrived.
    void noteDrops(uint64_t dropped, uint64_t waiting);

    // Lost buffer numbers in ascending order (the first kLostListLimit of them).
    const std::vector<uint32_t>& lost() const { return lost_; }
    uint64_t lostCount() const { return lost_count_; }
    // The number the next captured frame would have.
    uint64_t nextNumber() const;

    static constexpr size_t kLostListLimit = 4096;

private:
    uint64_t frameIdGap(uint64_t frame_id) const;
    uint64_t dueDrops();
    uint64_t framesLostBefore(uint64_t frame_id);
    void lose(uint64_t camera_frames);
    void loseNumber(uint64_t number);

    uint64_t step_;
    uint64_t camera_index_ = 0; // camera frames since the start, lost ones included
    uint64_t arrivals_ = 0;
    std::optional<uint64_t> last_frame_id_;
    struct Drop {
        uint64_t before_arrival;
        uint64_t frames;
    };
    std::deque<Drop> drops_;
    // Drops already counted that the frame counter may still show as a jump.
    uint64_t drop_credit_ = 0;
    uint64_t credit_until_arrival_ = 0;
    std::vector<uint32_t> lost_;
    uint64_t lost_count_ = 0;
};

} // namespace fw::imaq_genicam
