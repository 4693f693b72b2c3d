#include "shell/forms/help_browser.h"

#include <QCoreApplication>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/data_folders.h"
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
    return ManualContentsPage(
        QCoreApplication::applicationDirPath(), qEnvironmentVariable("FRAMEWRIGHT_DOCS_DIR"));
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
