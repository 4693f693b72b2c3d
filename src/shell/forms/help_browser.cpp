#include "shell/forms/help_browser.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "support/fw_error.h"

namespace fw {

THelpBrowser::THelpBrowser(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpBrowser"));
    setWindowTitle(QStringLiteral("Framewright Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpText"));
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(720, 600);
}

QString THelpBrowser::ContentsPage()
{
    const QString app_dir = QCoreApplication::applicationDirPath();
    QStringList candidates;
    const QString from_environment = qEnvironmentVariable("FRAMEWRIGHT_DOCS_DIR");
    if (!from_environment.isEmpty())
        candidates << from_environment;
    candidates << app_dir + QStringLiteral("/docs") << app_dir + QStringLiteral("/../share/framewright/docs")
               << app_dir + QStringLiteral("/../docs") << app_dir + QStringLiteral("/../../docs");
    for (const QString& directory : candidates) {
        const QFileInfo page(directory + QStringLiteral("/index.html"));
        if (page.isFile())
            return page.canonicalFilePath();
    }
    return {};
}

void THelpBrowser::ShowContents()
{
    const QString page = ContentsPage();
    if (page.isEmpty())
        throw Error(QStringLiteral("The user manual (docs/index.html) was not found beside the program."));
    browser_->setSource(QUrl::fromLocalFile(page));
    show();
    raise();
    activateWindow();
}

} // namespace fw
