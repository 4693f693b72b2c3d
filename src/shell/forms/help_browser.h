#pragma once

#include <QWidget>

class QTextBrowser;

namespace fw {

// The user manual: the HTML pages of the docs folder in a browser window.
class THelpBrowser : public QWidget {
    Q_OBJECT
public:
    explicit THelpBrowser(QWidget* parent = nullptr);

    // Where the manual's contents page is: $FRAMEWRIGHT_DOCS_DIR, then the installed manual, then
    // docs folders beside and above the program. Empty when there is none.
    static QString ContentsPage();
    // Shows the contents page; throws fw::Error when the manual cannot be found.
    void ShowContents();
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

} // namespace fw
