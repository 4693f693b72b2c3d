#include "imagers/forms/hg_form_browser.h"

#include "imagers/forms/ro_browser_form.h"

namespace fw {

THGCardBrowser MakeCardBrowser(THGCommLayer& link, QWidget* owner)
{
    auto* window = new TROBrowserForm(owner);
    window->ConnectTo(link);
    THGCardBrowser browser;
    browser.browse = [window](const QString& start_path, QString& chosen_path) {
        return window->Browse(start_path, chosen_path);
    };
    browser.explore = [window] { window->Explore(); };
    browser.refresh = [window] { window->Reset(); };
    return browser;
}

} // namespace fw
