#include "imagers/devices/demo_files.h"

#include <QDir>
#include <QFileInfo>

namespace fw {

namespace {

QString UnderProgram(const QString& program_dir, const QString& relative)
{
    return QDir::cleanPath(program_dir + QLatin1Char('/') + relative);
}

} // namespace

QString DemoSimulatorPath(const QString& program_dir)
{
    return UnderProgram(program_dir, QStringLiteral("fw-imager-sim"));
}

QString DemoLibraryPath(const QString& program_dir, const QString& file_name)
{
    for (const QString& folder :
        { QStringLiteral("../lib"), QStringLiteral("../") + QLatin1String(FW_INSTALL_PRIVATE_LIBDIR) }) {
        const QString path = UnderProgram(program_dir, folder + QLatin1Char('/') + file_name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

TDemoFiles TDemoFiles::Find(const QString& program_dir)
{
    TDemoFiles files;
    files.simulator = DemoSimulatorPath(program_dir);
    files.gpib_library = DemoLibraryPath(program_dir, QStringLiteral("libfw-gpib-sim.so"));
    files.imaq_library = DemoLibraryPath(program_dir, QStringLiteral("libfw-imaq-sim.so"));
    return files;
}

} // namespace fw
