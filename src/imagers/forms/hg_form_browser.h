#pragma once

#include "imagers/forms/hg_form_download.h"

namespace fw {

class THGCommLayer;

// The PC card browser of the setup window over its link, owned by `owner`.
THGCardBrowser MakeCardBrowser(THGCommLayer& link, QWidget* owner);

} // namespace fw
