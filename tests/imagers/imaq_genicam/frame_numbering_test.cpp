// Buffer numbers and lost frames of the GenICam library, from the frame ids, completeness and
// drop counts a camera stream reports; and the ring those numbers index.

#include <gtest/gtest.h>

#include <vector>

#include "imaq_genicam/frame_numbering.h"
#include "imaq_genicam/frame_ring.h"

namespace fw::imaq_genicam {
namespace {

// The numbers of the frames captured among `frame_ids`, all complete.
std::vector<uint32_t> Captured(FrameNumbering& numbering, const std::vector<uint64_t>& frame_ids)
{
    std::vector<uint32_t> numbers;
    for (const uint64_t id : frame_ids) {
        const FrameNumbering::Placement placement = numbering.arrive(id, true);
        if (placement.captured)
            numbers.push_back(placement.number);
    }
    return numbers;
}

using Numbers = std::vector<uint32_t>;

TEST(FrameNumbering, ConsecutiveFramesNumberFromZero)
{
    FrameNumbering numbering;
    EXPECT_EQ(Captured(numbering, { 65001, 65002, 65003 }), (Numbers { 0, 1, 2 }));
    EXPECT_EQ(numbering.lostCount(), 0u);
    EXPECT_EQ(numbering.nextNumber(), 3u);
}

TEST(FrameNumbering, SkippedFramesAreNeitherNumberedNorLost)
{
    FrameNumbering numbering(2);
    EXPECT_EQ(Captured(numbering, { 1, 2, 3, 4, 5, 6, 7 }), (Numbers { 0, 1, 2 }));
    EXPECT_EQ(numbering.lostCount(), 0u);
}

TEST(FrameNumbering, FrameIdJumpLosesTheBuffersBetween)
{
    FrameNumbering numbering;
    EXPECT_EQ(Captured(numbering, { 10, 11, 14, 15 }), (Numbers { 0, 1, 4, 5 }));
    EXPECT_EQ(numbering.lost(), (Numbers { 2, 3 }));
    EXPECT_EQ(numbering.lostCount(), 2u);

    // With every second frame skipped only captured frames count as lost.
    FrameNumbering skipping(1);
    EXPECT_EQ(Captured(skipping, { 10, 11, 12, 15, 16 }), (Numbers { 0, 1, 3 }));
    EXPECT_EQ(skipping.lost(), (Numbers { 2 }));
}

TEST(FrameNumbering, IncompleteFrameIsLostInItsPlace)
{
    FrameNumbering numbering;
    EXPECT_TRUE(numbering.arrive(5, true).captured);
    EXPECT_FALSE(numbering.arrive(6, false).captured);
    const FrameNumbering::Placement next = numbering.arrive(7, true);
    EXPECT_TRUE(next.captured);
    EXPECT_EQ(next.number, 2u);
    EXPECT_EQ(numbering.lost(), (Numbers { 1 }));
    // A failed frame without an id still takes its place.
    EXPECT_FALSE(numbering.arrive(0, false).captured);
    EXPECT_EQ(numbering.arrive(9, true).number, 4u);
    EXPECT_EQ(numbering.lost(), (Numbers { 1, 3 }));
}

TEST(FrameNumbering, ShortFrameIdsWrapWithoutLoss)
{
    FrameNumbering numbering;
    EXPECT_EQ(Captured(numbering, { 65534, 65535, 1, 2 }), (Numbers { 0, 1, 2, 3 }));
    EXPECT_EQ(numbering.lostCount(), 0u);
    FrameNumbering jumping;
    EXPECT_EQ(Captured(jumping, { 65535, 2 }), (Numbers { 0, 2 }));
    EXPECT_EQ(jumping.lost(), (Numbers { 1 }));
    // A long counter that starts again tells nothing about losses.
    FrameNumbering restarted;
    EXPECT_EQ(Captured(restarted, { 900000, 900001, 3 }), (Numbers { 0, 1, 2 }));
    EXPECT_EQ(restarted.lostCount(), 0u);
}

TEST(FrameNumbering, DropsComeAfterTheFramesThatWereWaiting)
{
    // The fake camera numbers only the frames it delivers: drops show in the stream's count only.
    FrameNumbering numbering;
    EXPECT_EQ(Captured(numbering, { 100 }), (Numbers { 0 }));
    numbering.noteDrops(5, 2);
    EXPECT_EQ(Captured(numbering, { 101, 102 }), (Numbers { 1, 2 }));
    EXPECT_EQ(numbering.lostCount(), 0u);
    EXPECT_EQ(Captured(numbering, { 103 }), (Numbers { 8 }));
    EXPECT_EQ(numbering.lost(), (Numbers { 3, 4, 5, 6, 7 }));
}

TEST(FrameNumbering, DropsTheFrameIdsAlsoShowCountOnce)
{
    FrameNumbering together;
    Captured(together, { 100 });
    together.noteDrops(3, 0);
    EXPECT_EQ(Captured(together, { 104, 105 }), (Numbers { 4, 5 }));
    EXPECT_EQ(together.lost(), (Numbers { 1, 2, 3 }));

    // The drop count arrives one frame before the jump in the ids.
    FrameNumbering early;
    Captured(early, { 100 });
    early.noteDrops(2, 0);
    EXPECT_EQ(Captured(early, { 101, 104, 105 }), (Numbers { 3, 4, 5 }));
    EXPECT_EQ(early.lostCount(), 2u);
}

TEST(FrameNumbering, HugeJumpKeepsCountingBeyondTheList)
{
    FrameNumbering numbering;
    Captured(numbering, { 1 });
    EXPECT_EQ(Captured(numbering, { 1000002 }), (Numbers { 1000001 }));
    EXPECT_EQ(numbering.lostCount(), 1000000u);
    EXPECT_EQ(numbering.lost().size(), FrameNumbering::kLostListLimit);
    EXPECT_EQ(numbering.lost().front(), 1u);
}

TEST(FrameRing, BestEntryIsTheWantedOrTheNextHigher)
{
    std::vector<uint8_t> memory(4 * 8);
    FrameRing ring;
    ring.assign({ { &memory[0], 8 }, { &memory[8], 8 }, { &memory[16], 8 }, { &memory[24], 8 } });
    EXPECT_FALSE(ring.bestFor(0));
    for (const uint32_t number : { 3u, 4u, 6u })
        ring.filled(number);
    EXPECT_EQ(ring.bestFor(4), 0u); // 4 lives in entry 0
    EXPECT_EQ(ring.bestFor(5), 2u); // 5 never came: 6 in entry 2
    EXPECT_EQ(ring.bestFor(0), 3u); // long gone: the oldest still there
    EXPECT_FALSE(ring.bestFor(7));
    EXPECT_EQ(ring.lastFilled(), 6u);
    EXPECT_TRUE(ring.uses(&memory[16]));
    EXPECT_FALSE(ring.uses(&memory[17]));
}

TEST(FrameRing, HeldEntryIsNotWritten)
{
    std::vector<uint8_t> memory(2 * 8);
    FrameRing ring;
    ring.assign({ { &memory[0], 8 }, { &memory[8], 8 } });
    ring.filled(0);
    ring.hold(0);
    EXPECT_EQ(ring.writableFor(2), nullptr);
    EXPECT_EQ(ring.writableFor(3)->memory, &memory[8]);
    ring.release();
    EXPECT_EQ(ring.writableFor(2)->memory, &memory[0]);
    ring.clearFrames();
    EXPECT_FALSE(ring.bestFor(0));
    EXPECT_FALSE(ring.lastFilled());
}

} // namespace
} // namespace fw::imaq_genicam
