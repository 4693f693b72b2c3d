#include "shell/data_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace fw {

namespace {

QString UnderProgram(const QString& program_dir, const char* relative)
{
    return QDir::cleanPath(program_dir + QLatin1Char('/') + QLatin1String(relative));
}

} // namespace

QString SamplesFolder(const QString& program_dir)
{
    const QString beside = UnderProgram(program_dir, "Samples");
    if (QFileInfo(beside).isDir())
        return beside;
    const QString installed = UnderProgram(program_dir, "../share/framewright/samples");
    return QFileInfo(installed).isDir() ? installed : beside;
}

QString ManualContentsPage(const QString& program_dir, const QString& docs_dir)
{
    QStringList candidates;
    if (!docs_dir.isEmpty())
        candidates << docs_dir;
    candidates << UnderProgram(program_dir, "../share/doc/framewright") << UnderProgram(program_dir, "docs")
               << UnderProgram(program_dir, "../docs") << UnderProgram(program_dir, "../../docs");
    for (const QString& directory : candidates) {
        const QFileInfo page(directory + QStringLiteral("/index.html"));
        if (page.isFile())
            return page.canonicalFilePath();
    }
    return {};
}

} // namespace fw
