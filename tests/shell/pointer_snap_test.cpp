#include "shell/pointer_snap.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using Action = PointerSnap::Action;

TEST(PointerSnapTest, NothingIsPulledUntilAClickOrActivationArms)
{
    PointerSnap snap;
    EXPECT_EQ(snap.SnappedMove(QPoint(10, 20), 0), Action::None);
    snap.Arm();
    EXPECT_EQ(snap.SnappedMove(QPoint(10, 20), 5), Action::Warp);
    EXPECT_EQ(snap.LastWarp(), QPoint(10, 20));
}

TEST(PointerSnapTest, HoldsThePointerForTheHoldTimeThenLetsGo)
{
    PointerSnap snap;
    snap.Arm();
    ASSERT_EQ(snap.SnappedMove(QPoint(10, 20), 1000), Action::Warp);
    // The move the warp itself causes, and moves within the hold, leave the pointer there.
    EXPECT_EQ(snap.SnappedMove(QPoint(10, 20), 1001), Action::None);
    EXPECT_EQ(snap.SnappedMove(QPoint(10, 20), 1000 + PointerSnap::kHoldMs), Action::None);
    EXPECT_TRUE(snap.Armed());
    // A new prediction within the hold is followed at once.
    EXPECT_EQ(snap.SnappedMove(QPoint(30, 40), 1100), Action::Warp);
    // Past the hold the user aims elsewhere: let go, and stay free until armed again.
    EXPECT_EQ(snap.SnappedMove(QPoint(30, 40), 1100 + PointerSnap::kHoldMs + 1), Action::None);
    EXPECT_FALSE(snap.Armed());
    EXPECT_EQ(snap.SnappedMove(QPoint(50, 60), 5000), Action::None);
}

TEST(PointerSnapTest, ArmingAgainAlwaysWarpsOnTheFirstSnappedMove)
{
    PointerSnap snap;
    snap.Arm();
    ASSERT_EQ(snap.SnappedMove(QPoint(10, 20), 0), Action::Warp);
    // The next click: the same target is pulled to again, however long ago the last warp was.
    snap.Arm();
    EXPECT_EQ(snap.SnappedMove(QPoint(10, 20), 60'000), Action::Warp);
    EXPECT_EQ(snap.SnappedMove(QPoint(10, 20), 60'001), Action::None);
}

} // namespace
} // namespace fw
