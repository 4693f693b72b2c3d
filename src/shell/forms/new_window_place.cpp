#include "shell/forms/new_window_place.h"

#include <algorithm>

#include <QApplication>
#include <QMainWindow>
#include <QMargins>
#include <QScreen>
#include <QWidget>

#include "shell/window_spot.h"

namespace fw {

namespace {

bool hasFrame(const QWidget& window)
{
    return window.isVisible() && window.frameGeometry() != window.geometry();
}

// A window manager adds a title bar and border only once it has mapped a window, so a window
// about to be shown borrows the frame of one already on screen: they all get the same one.
QMargins frameMargins(const QWidget& window)
{
    auto marginsOf = [](const QWidget& shown) {
        const QRect outer = shown.frameGeometry();
        const QRect inner = shown.geometry();
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom());
    };
    if (hasFrame(window))
        return marginsOf(window);
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != &window && other->isWindow() && hasFrame(*other))
            return marginsOf(*other);
    return {};
}

// The frame on the desktop: QWidget::pos() of a window is its frame's top-left.
QRect frameRect(const QWidget& window, const QMargins& margins)
{
    return QRect(window.pos(), window.size().grownBy(margins));
}

bool isOrdinaryWindow(const QWidget& widget)
{
    const Qt::WindowType type = widget.windowType();
    return widget.isWindow() && widget.isVisible() && !widget.isMinimized()
        && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool);
}

QRect screenArea(const QWidget& window, QPoint near, const QWidget* fallback = nullptr)
{
    const QScreen* screen = QGuiApplication::screenAt(near);
    if (!screen && fallback)
        screen = fallback->screen();
    if (!screen)
        screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Moves the frame to `spot`, cutting the window down when the screen is too small for it.
void moveFrameTo(QWidget& window, const QRect& spot, const QMargins& margins)
{
    const QSize inner = spot.size().shrunkBy(margins);
    if (inner.width() < window.width() || inner.height() < window.height())
        window.resize(inner.boundedTo(window.size()).expandedTo(window.minimumSize()));
    window.move(spot.topLeft());
}

} // namespace

QRect WindowFrame(const QWidget& window)
{
    return frameRect(window, frameMargins(window));
}

void PlaceNewWindow(QWidget& window, QPoint wanted, const std::vector<const QWidget*>& keep_clear,
    const std::vector<QRect>& reserved)
{
    const QMargins margins = frameMargins(window);
    SpotRequest request;
    request.screen = screenArea(window, wanted, keep_clear.empty() ? nullptr : keep_clear.front());
    request.keep_clear = reserved;
    request.size = window.size().grownBy(margins);
    request.wanted = wanted;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == &window || !isOrdinaryWindow(*other))
            continue;
        const bool in_use = qobject_cast<const QMainWindow*>(other)
            || std::find(keep_clear.begin(), keep_clear.end(), other) != keep_clear.end();
        (in_use ? request.keep_clear : request.avoid).push_back(WindowFrame(*other));
    }
    moveFrameTo(window, ChooseSpot(request), margins);
}

void PlaceBesideOwner(QWidget& window, const QWidget& owner)
{
    const QRect frame = WindowFrame(owner);
    PlaceNewWindow(window, QPoint(frame.right() + 1 + kWindowGap, frame.top()), { &owner });
}

void KeepWindowOnScreen(QWidget& window)
{
    const QMargins margins = frameMargins(window);
    const QRect frame = frameRect(window, margins);
    const QRect kept = ClampOntoScreen(frame, screenArea(window, frame.center()));
    if (kept != frame)
        moveFrameTo(window, kept, margins);
}

} // namespace fw
