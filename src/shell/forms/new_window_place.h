#pragma once

#include <vector>

#include <QPoint>
#include <QRect>

class QWidget;

namespace fw {

// Puts a window that is about to be shown (or has just been) where the window-spot rules say:
// `wanted` is the top-left of its frame on an empty screen; the windows in `keep_clear` and the
// main window's menu and tool bar are what the user works in. Other shown windows are covered
// only when nothing better is left. `reserved` are further areas to keep clear (a panel about to
// appear, for instance).
void PlaceNewWindow(QWidget& window, QPoint wanted, const std::vector<const QWidget*>& keep_clear,
    const std::vector<QRect>& reserved = {});
// Beside the window it belongs to (to its right while the screen has room), clear of it.
void PlaceBesideOwner(QWidget& window, const QWidget& owner);

// A shown window's frame on the desktop, title bar and border included.
QRect WindowFrame(const QWidget& window);

// Moves a window whose stored place leaves part of its frame off the screen back onto it.
void KeepWindowOnScreen(QWidget& window);

} // namespace fw
