#pragma once

#include <cstdint>

#include <QRect>
#include <QString>

namespace fw {

class SettingsStore;

// Where a window sits and one window-specific number, as kept in the "Desktop" section under
// the window's component name: "top,left,width,height,extra".
struct WindowPlacement {
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
    int32_t extra = 0;

    bool operator==(const WindowPlacement&) const = default;
};

// The settings section that holds every window's placement.
QString desktopSection();

// The stored text; width and height stay empty for windows the user cannot resize.
QString FormatPlacement(const WindowPlacement& placement, bool sizeable);

// Takes the five numbers in order onto `current`; a missing or invalid number keeps the
// current value.
WindowPlacement ParsePlacement(const QString& text, const WindowPlacement& current);

// Moves a window whose left or top is below 1, or that shows less than 12 pixels of itself
// inside `screen`, back to 12 pixels in from the screen's edge.
WindowPlacement KeepOnScreen(const WindowPlacement& placement, const QRect& screen);

// Reads the entry `name` onto `current` and keeps the result on `screen`. Without an entry the
// current placement comes back unchanged (still kept on screen).
WindowPlacement ReadPlacement(
    const SettingsStore& store, const QString& name, const WindowPlacement& current, const QRect& screen);
void WritePlacement(
    SettingsStore& store, const QString& name, const WindowPlacement& placement, bool sizeable);

} // namespace fw
