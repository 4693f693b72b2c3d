#include "shell/player_button_row.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using B = TMPBtnType;

class PlayerButtonRowTest : public ::testing::Test {
protected:
    void ShowOnly(std::initializer_list<B> shown)
    {
        for (int i = 0; i < kPlayerButtonCount; ++i)
            state_.SetVisible(static_cast<B>(i), false);
        for (B button : shown)
            state_.SetVisible(button, true);
    }

    PlayerState state_;
    PlayerButtonRow row_ { state_ };
};

TEST_F(PlayerButtonRowTest, VisibleButtonsShareTheBarCentred)
{
    const QSize bar(245, 30); // 12 cells of 20, 5 pixels over
    EXPECT_EQ(row_.VisibleCount(), kPlayerButtonCount);
    EXPECT_EQ(row_.ButtonRect(B::btRepeat, bar), QRect(2, 0, 20, 30));
    EXPECT_EQ(row_.ButtonRect(B::btFast, bar), QRect(222, 0, 20, 30));
    EXPECT_EQ(row_.ButtonAt(QPoint(22, 29), bar), B::btPlay);
    EXPECT_EQ(row_.ButtonAt(QPoint(1, 10), bar), std::nullopt);
    EXPECT_EQ(row_.ButtonAt(QPoint(242, 10), bar), std::nullopt);
}

TEST_F(PlayerButtonRowTest, HiddenButtonsTakeNoCell)
{
    ShowOnly({ B::btPlay, B::btStop, B::btStep });
    const QSize bar(90, 20);
    EXPECT_EQ(row_.ButtonRect(B::btStop, bar), QRect(30, 0, 30, 20));
    EXPECT_TRUE(row_.ButtonRect(B::btPause, bar).isEmpty());
    EXPECT_EQ(row_.ButtonAt(QPoint(75, 5), bar), B::btStep);

    // A bar narrower than its buttons, or without any: nothing to hit.
    EXPECT_EQ(row_.ButtonAt(QPoint(0, 0), QSize(2, 20)), std::nullopt);
    ShowOnly({});
    EXPECT_EQ(row_.VisibleCount(), 0);
    EXPECT_EQ(row_.ButtonAt(QPoint(10, 5), bar), std::nullopt);
}

TEST_F(PlayerButtonRowTest, FocusMovesOverVisibleButtonsOnly)
{
    ShowOnly({ B::btPlay, B::btStop, B::btStep });
    row_.KeepFocusVisible();
    EXPECT_EQ(row_.Focus(), static_cast<int>(B::btPlay));
    EXPECT_FALSE(row_.MoveFocus(-1));
    EXPECT_TRUE(row_.MoveFocus(+1));
    EXPECT_EQ(row_.Focus(), static_cast<int>(B::btStop));
    EXPECT_TRUE(row_.MoveFocus(+1));
    EXPECT_FALSE(row_.MoveFocus(+1));
    EXPECT_EQ(row_.Focus(), static_cast<int>(B::btStep));
    EXPECT_FALSE(row_.MoveFocus(0));

    // Hiding the focused button hands the focus on.
    state_.SetVisible(B::btStep, false);
    row_.KeepFocusVisible();
    EXPECT_EQ(row_.Focus(), static_cast<int>(B::btPlay));
}

} // namespace
} // namespace fw
