#pragma once

#include <QString>

namespace fw {

// The name of the GPIB driver library to load: FRAMEWRIGHT_GPIB_LIBRARY when it is set, else the
// linux-gpib library.
QString GpibLibraryName();

} // namespace fw
