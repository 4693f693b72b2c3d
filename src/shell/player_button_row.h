#pragma once

#include <optional>

#include <QPoint>
#include <QRect>
#include <QSize>

#include "shell/player_state.h"

namespace fw {

// Where the player bar's buttons sit and which one has the keyboard focus. The visible buttons
// share the bar in equal cells, in their order, the row centred in the width left over.
class PlayerButtonRow {
public:
    explicit PlayerButtonRow(const PlayerState& state)
        : state_(state)
    {
    }

    int VisibleCount() const;
    // Empty for a hidden button.
    QRect ButtonRect(TMPBtnType button, const QSize& bar) const;
    std::optional<TMPBtnType> ButtonAt(const QPoint& point, const QSize& bar) const;

    int Focus() const { return focus_; }
    void SetFocus(TMPBtnType button) { focus_ = static_cast<int>(button); }
    // To the next visible button in the direction; false when there is none.
    bool MoveFocus(int direction);
    // A hidden focus button hands the focus to the first visible one.
    void KeepFocusVisible();

private:
    bool Visible(int button) const { return state_.Button(static_cast<TMPBtnType>(button)).visible; }

    const PlayerState& state_;
    int focus_ = 0;
};

} // namespace fw
