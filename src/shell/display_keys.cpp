#include "shell/display_keys.h"

#include <QtCore/qnamespace.h>

namespace fw {

std::optional<ReticleKey> ReticleKeyAction(int key, bool shift)
{
    const int step = shift ? 10 : 1;
    switch (key) {
    case Qt::Key_Left:
        return ReticleKey { QPoint(-step, 0) };
    case Qt::Key_Right:
        return ReticleKey { QPoint(step, 0) };
    case Qt::Key_Up:
        return ReticleKey { QPoint(0, -step) };
    case Qt::Key_Down:
        return ReticleKey { QPoint(0, step) };
    case Qt::Key_PageUp:
        return ReticleKey { QPoint(step, -step) };
    case Qt::Key_PageDown:
        return ReticleKey { QPoint(step, step) };
    case Qt::Key_End:
        return ReticleKey { QPoint(-step, step) };
    case Qt::Key_Home:
        return ReticleKey { QPoint(-step, -step) };
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return ReticleKey { QPoint(), true };
    default:
        return std::nullopt;
    }
}

std::optional<int32_t> FrameKeyTarget(int key, int32_t current, int32_t last)
{
    switch (key) {
    case Qt::Key_Left:
        return current - 1;
    case Qt::Key_Right:
        return current + 1;
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return last;
    default:
        return std::nullopt;
    }
}

} // namespace fw
