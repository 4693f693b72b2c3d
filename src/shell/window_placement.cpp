#include "shell/window_placement.h"

#include <cstdint>

#include <QStringList>

#include "support/settings_store.h"

namespace fw {

namespace {

constexpr int kScreenMargin = 12;

// An empty or non-numeric field leaves the value as it was.
bool takeNumber(const QStringList& fields, qsizetype at, qlonglong& number)
{
    if (at >= fields.size())
        return false;
    bool ok = false;
    number = fields[at].trimmed().toLongLong(&ok);
    return ok;
}

void takeInt(const QStringList& fields, qsizetype at, int& value)
{
    qlonglong number = 0;
    if (takeNumber(fields, at, number) && number >= INT32_MIN && number <= INT32_MAX)
        value = static_cast<int>(number);
}

// Extra values are often bit sets: accept them written signed or unsigned.
void takeExtra(const QStringList& fields, qsizetype at, int32_t& value)
{
    qlonglong number = 0;
    if (takeNumber(fields, at, number) && number >= INT32_MIN && number <= qlonglong(UINT32_MAX))
        value = static_cast<int32_t>(static_cast<uint32_t>(number));
}

int keepInside(int position, int screen_start, int screen_end)
{
    if (position < screen_start + 1 || position > screen_end - kScreenMargin)
        return screen_start + kScreenMargin;
    return position;
}

} // namespace

QString desktopSection()
{
    return QStringLiteral("Desktop");
}

QString FormatPlacement(const WindowPlacement& placement, bool sizeable)
{
    const QString width = sizeable ? QString::number(placement.width) : QString();
    const QString height = sizeable ? QString::number(placement.height) : QString();
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(placement.top)
        .arg(placement.left)
        .arg(width, height)
        .arg(placement.extra);
}

WindowPlacement ParsePlacement(const QString& text, const WindowPlacement& current)
{
    const QStringList fields = text.split(QLatin1Char(','));
    WindowPlacement result = current;
    takeInt(fields, 0, result.top);
    takeInt(fields, 1, result.left);
    takeInt(fields, 2, result.width);
    takeInt(fields, 3, result.height);
    takeExtra(fields, 4, result.extra);
    return result;
}

WindowPlacement KeepOnScreen(const WindowPlacement& placement, const QRect& screen)
{
    WindowPlacement result = placement;
    // QRect::right() is the last pixel column; the edge lies one beyond it.
    result.left = keepInside(placement.left, screen.left(), screen.left() + screen.width());
    result.top = keepInside(placement.top, screen.top(), screen.top() + screen.height());
    return result;
}

WindowPlacement ReadPlacement(
    const SettingsStore& store, const QString& name, const WindowPlacement& current, const QRect& screen)
{
    const QString text = store.readString(desktopSection(), name);
    return KeepOnScreen(ParsePlacement(text, current), screen);
}

void WritePlacement(
    SettingsStore& store, const QString& name, const WindowPlacement& placement, bool sizeable)
{
    store.writeString(desktopSection(), name, FormatPlacement(placement, sizeable));
}

} // namespace fw
