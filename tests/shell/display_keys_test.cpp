#include "shell/display_keys.h"

#include <gtest/gtest.h>

#include <QtCore/qnamespace.h>

namespace fw {
namespace {

QPoint stepOf(int key, bool shift = false)
{
    const auto action = ReticleKeyAction(key, shift);
    EXPECT_TRUE(action && !action->click) << key;
    return action ? action->step : QPoint(99, 99);
}

TEST(DisplayKeysTest, ArrowsAndCornerKeysMoveTheReticleOneOrTenPixels)
{
    EXPECT_EQ(stepOf(Qt::Key_Left), QPoint(-1, 0));
    EXPECT_EQ(stepOf(Qt::Key_Right), QPoint(1, 0));
    EXPECT_EQ(stepOf(Qt::Key_Up), QPoint(0, -1));
    EXPECT_EQ(stepOf(Qt::Key_Down), QPoint(0, 1));
    // The corner keys move diagonally, like the corners of a numeric keypad.
    EXPECT_EQ(stepOf(Qt::Key_Home), QPoint(-1, -1));
    EXPECT_EQ(stepOf(Qt::Key_PageUp), QPoint(1, -1));
    EXPECT_EQ(stepOf(Qt::Key_End), QPoint(-1, 1));
    EXPECT_EQ(stepOf(Qt::Key_PageDown), QPoint(1, 1));
    EXPECT_EQ(stepOf(Qt::Key_Up, true), QPoint(0, -10));
    EXPECT_EQ(stepOf(Qt::Key_PageDown, true), QPoint(10, 10));
}

TEST(DisplayKeysTest, EnterClicksAndOtherKeysLeaveTheReticle)
{
    for (int key : { int(Qt::Key_Return), int(Qt::Key_Enter) }) {
        const auto action = ReticleKeyAction(key, false);
        ASSERT_TRUE(action);
        EXPECT_TRUE(action->click);
        EXPECT_EQ(action->step, QPoint());
    }
    EXPECT_FALSE(ReticleKeyAction(Qt::Key_Space, false));
    EXPECT_FALSE(ReticleKeyAction(Qt::Key_A, true));
}

TEST(DisplayKeysTest, FrameKeysStepAndJumpToTheEnds)
{
    EXPECT_EQ(FrameKeyTarget(Qt::Key_Left, 5, 29), 4);
    EXPECT_EQ(FrameKeyTarget(Qt::Key_Right, 5, 29), 6);
    EXPECT_EQ(FrameKeyTarget(Qt::Key_Home, 5, 29), 0);
    EXPECT_EQ(FrameKeyTarget(Qt::Key_End, 5, 29), 29);
    EXPECT_FALSE(FrameKeyTarget(Qt::Key_Up, 5, 29));
    EXPECT_FALSE(FrameKeyTarget(Qt::Key_PageDown, 5, 29));
}

} // namespace
} // namespace fw
