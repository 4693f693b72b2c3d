#pragma once

#include <QString>

namespace fw {

// The name of the GPIB driver library to load: FRAMEWRIGHT_GPIB_LIBRARY when it is set, else the
// linux-gpib library.
QString GpibLibraryName();

// One dlopen handle of a shared library, with the loader's text of the last failure to open it.
class TDynamicLibrary {
public:
    TDynamicLibrary() = default;
    ~TDynamicLibrary();
    TDynamicLibrary(const TDynamicLibrary&) = delete;
    TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

    bool Open(const QString& file_name);
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }
    void* Handle() const { return handle_; }
    // Empty until an Open fails.
    const QString& OpenFailure() const { return open_failure_; }

private:
    void* handle_ = nullptr;
    QString open_failure_;
};

} // namespace fw
