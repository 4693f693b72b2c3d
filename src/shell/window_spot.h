#pragma once

#include <vector>

#include <QPoint>
#include <QRect>
#include <QSize>

namespace fw {

// Where a new window goes. Every rectangle is a window's frame (title bar and border included)
// in desktop coordinates.
struct SpotRequest {
    QRect screen; // the part of the screen windows may use
    QSize size; // the new window's frame
    QPoint wanted; // its top-left on an empty screen
    std::vector<QRect> keep_clear; // windows the user works in
    std::vector<QRect> avoid; // other windows
};

// Windows placed side by side keep this much apart.
inline constexpr int kWindowGap = 4;

// A spot all on the screen (a window larger than the screen is cut to it) that covers as little
// of the windows to keep clear as the screen allows, then as little of the others, and among
// those lies nearest to the wanted place.
QRect ChooseSpot(const SpotRequest& request);

// The frame moved onto the screen, cut to the screen's size when larger.
QRect ClampOntoScreen(const QRect& frame, const QRect& screen);

} // namespace fw
