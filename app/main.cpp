#include <QApplication>

#include "shell/forms/wright_viewer.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Framewright"));
    QApplication::setOrganizationName(QStringLiteral("Tarnwell"));
    fw::TWrightViewer viewer;
    viewer.show();
    return QApplication::exec();
}
