#include "shell/forms/new_window_place.h"

#include <algorithm>

#include <QApplication>
#include <QEvent>
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

// Until the window manager has framed a window, Qt cannot place its frame: it places the
// inside, and the frame grows around it. So the inside goes where the frame is wanted, moved by
// the borrowed frame; once the real frame is known it is checked once more.
class FrameSettler : public QObject {
public:
    static constexpr const char* kName = "FrameSettler";

    FrameSettler(QWidget& window, QPoint frame_top_left, QRect screen)
        : QObject(&window)
        , window_(window)
        , frame_top_left_(frame_top_left)
        , screen_(screen)
    {
        setObjectName(kName);
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        // The frame's size comes with a property change that Qt reports with none of its own
        // events: look at each of those that follow a mapping.
        const bool after_mapping = type == QEvent::Move || type == QEvent::Show || type == QEvent::Paint
            || type == QEvent::WindowActivate || type == QEvent::Resize;
        if (watched == &window_ && after_mapping && hasFrame(window_)) {
            window_.removeEventFilter(this);
            const QRect frame = window_.frameGeometry();
            const QRect wanted = ClampOntoScreen(QRect(frame_top_left_, frame.size()), screen_);
            if (wanted.topLeft() != frame.topLeft())
                window_.move(wanted.topLeft());
            deleteLater();
        }
        return false;
    }

private:
    QWidget& window_;
    QPoint frame_top_left_;
    QRect screen_;
};

// Puts the frame at `spot` (on the screen), cutting the window down when the screen is too
// small for it.
void moveFrameTo(QWidget& window, QRect spot, const QRect& screen)
{
    const QMargins margins = frameMargins(window);
    const QSize inner = spot.size().shrunkBy(margins);
    QSize size = window.size();
    if (inner.width() < size.width() || inner.height() < size.height())
        size = inner.boundedTo(size).expandedTo(window.minimumSize());
    if (hasFrame(window)) {
        window.resize(size);
        window.move(spot.topLeft());
        return;
    }
    window.setGeometry(QRect(spot.topLeft() + QPoint(margins.left(), margins.top()), size));
    // A newer place replaces any check still waiting.
    delete window.findChild<QObject*>(QLatin1String(FrameSettler::kName), Qt::FindDirectChildrenOnly);
    new FrameSettler(window, spot.topLeft(), screen);
}

} // namespace

QRect WindowFrame(const QWidget& window)
{
    if (hasFrame(window))
        return window.frameGeometry();
    const QMargins margins = frameMargins(window);
    return QRect(window.pos() - QPoint(margins.left(), margins.top()), window.size().grownBy(margins));
}

void PlaceNewWindow(QWidget& window, QPoint wanted, const std::vector<const QWidget*>& keep_clear,
    const std::vector<QRect>& reserved)
{
    SpotRequest request;
    request.screen = screenArea(window, wanted, keep_clear.empty() ? nullptr : keep_clear.front());
    request.keep_clear = reserved;
    request.size = WindowFrame(window).size();
    request.wanted = wanted;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == &window || !isOrdinaryWindow(*other))
            continue;
        const bool in_use = qobject_cast<const QMainWindow*>(other)
            || std::find(keep_clear.begin(), keep_clear.end(), other) != keep_clear.end();
        (in_use ? request.keep_clear : request.avoid).push_back(WindowFrame(*other));
    }
    moveFrameTo(window, ChooseSpot(request), request.screen);
}

void PlaceBesideOwner(QWidget& window, const QWidget& owner)
{
    const QRect frame = WindowFrame(owner);
    PlaceNewWindow(window, QPoint(frame.right() + 1 + kWindowGap, frame.top()), { &owner });
}

void KeepWindowOnScreen(QWidget& window)
{
    // A place just restored is where the frame goes, as pos() gave it when it was stored.
    const QMargins margins = frameMargins(window);
    const QRect frame(window.pos(), window.size().grownBy(margins));
    const QRect screen = screenArea(window, frame.center());
    moveFrameTo(window, ClampOntoScreen(frame, screen), screen);
}

} // namespace fw
