#include "support/shared_library.h"

#include <dlfcn.h>

namespace fw {

TSharedLibrary::TSharedLibrary(QString file_name)
    : file_name_(std::move(file_name))
{
}

TSharedLibrary::~TSharedLibrary()
{
    Close();
}

bool TSharedLibrary::Acquire()
{
    if (handle_ == nullptr) {
        handle_ = dlopen(file_name_.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    }
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        open_failure_
            = reason != nullptr ? QString::fromLocal8Bit(reason) : QStringLiteral("unknown failure");
        return false;
    }
    ++use_count_;
    return true;
}

bool TSharedLibrary::Release()
{
    if (use_count_ > 0) {
        --use_count_;
    }
    if (use_count_ > 0 || handle_ == nullptr) {
        return false;
    }
    Close();
    return true;
}

void TSharedLibrary::Close()
{
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

} // namespace fw
