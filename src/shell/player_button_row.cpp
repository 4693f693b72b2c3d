#include "shell/player_button_row.h"

#include <algorithm>

namespace fw {

int PlayerButtonRow::VisibleCount() const
{
    int count = 0;
    for (int i = 0; i < kPlayerButtonCount; ++i)
        count += Visible(i) ? 1 : 0;
    return count;
}

QRect PlayerButtonRow::ButtonRect(TMPBtnType button, const QSize& bar) const
{
    if (!Visible(static_cast<int>(button)))
        return {};
    int slot = 0;
    for (int i = 0; i < static_cast<int>(button); ++i)
        slot += Visible(i) ? 1 : 0;
    const int count = VisibleCount();
    const int cell_width = bar.width() / std::max(count, 1);
    const int left = (bar.width() - cell_width * count) / 2;
    return { left + slot * cell_width, 0, cell_width, bar.height() };
}

std::optional<TMPBtnType> PlayerButtonRow::ButtonAt(const QPoint& point, const QSize& bar) const
{
    for (int i = 0; i < kPlayerButtonCount; ++i) {
        const auto button = static_cast<TMPBtnType>(i);
        if (Visible(i) && ButtonRect(button, bar).contains(point))
            return button;
    }
    return std::nullopt;
}

bool PlayerButtonRow::MoveFocus(int direction)
{
    if (direction == 0)
        return false;
    for (int i = focus_ + direction; i >= 0 && i < kPlayerButtonCount; i += direction) {
        if (Visible(i)) {
            focus_ = i;
            return true;
        }
    }
    return false;
}

void PlayerButtonRow::KeepFocusVisible()
{
    if (Visible(focus_))
        return;
    for (int i = 0; i < kPlayerButtonCount; ++i) {
        if (Visible(i)) {
            focus_ = i;
            return;
        }
    }
}

} // namespace fw
