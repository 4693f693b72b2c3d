#include "imagers/gpib/gpib_library.h"

namespace fw {

QString GpibLibraryName()
{
    const QString configured = qEnvironmentVariable("FRAMEWRIGHT_GPIB_LIBRARY");
    return configured.isEmpty() ? QStringLiteral("libgpib.so.0") : configured;
}

} // namespace fw
