#include "shell/forms/wright_viewer.h"

namespace fw {

TWrightViewer::TWrightViewer(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("WrightViewer"));
    setWindowTitle(QStringLiteral("Framewright"));
}

TWrightViewer::~TWrightViewer() = default;

} // namespace fw
