#include "imagers/gpib/gpib_library.h"

#include <dlfcn.h>

namespace fw {

QString GpibLibraryName()
{
    const QString configured = qEnvironmentVariable("FRAMEWRIGHT_GPIB_LIBRARY");
    return configured.isEmpty() ? QStringLiteral("libgpib.so.0") : configured;
}

TDynamicLibrary::~TDynamicLibrary()
{
    Close();
}

bool TDynamicLibrary::Open(const QString& file_name)
{
    Close();
    handle_ = dlopen(file_name.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        open_failure_
            = reason != nullptr ? QString::fromLocal8Bit(reason) : QStringLiteral("unknown failure");
    }
    return handle_ != nullptr;
}

void TDynamicLibrary::Close()
{
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

} // namespace fw
