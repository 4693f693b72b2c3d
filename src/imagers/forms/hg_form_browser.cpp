#include "imagers/forms/hg_form_browser.h"

#include "support/user_prompt.h"

namespace fw {

THGCardBrowser MakeCardBrowser(THGCommLayer&, QWidget*)
{
    const auto unavailable = [] { showInformation(QStringLiteral("This version cannot browse the imager's PC card yet.")); };
    THGCardBrowser browser;
    browser.browse = [unavailable](const QString&, QString&) {
        unavailable();
        return false;
    };
    browser.explore = unavailable;
    return browser;
}

} // namespace fw
