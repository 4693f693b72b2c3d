#include "imagers/forms/hg_form_page.h"

namespace fw {

THGSetupPage::THGSetupPage(THGSetupSession& session, const char* object_name, QWidget* parent)
    : QWidget(parent)
    , session_(session)
{
    setObjectName(QLatin1String(object_name));
}

} // namespace fw
