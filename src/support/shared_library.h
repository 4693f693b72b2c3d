#pragma once

#include <QString>

namespace fw {

// A vendor library that the program loads at run time with dlopen: opened by the first Acquire,
// closed by the Release that balances the last one, and closed with this object at the latest.
// It keeps the loader's own text of the last failure to open the file.
class TSharedLibrary {
public:
    explicit TSharedLibrary(QString file_name);
    ~TSharedLibrary();
    TSharedLibrary(const TSharedLibrary&) = delete;
    TSharedLibrary& operator=(const TSharedLibrary&) = delete;

    // Opens the library unless it is open, and counts one use; false, with the count unchanged,
    // when it cannot be opened.
    bool Acquire();
    // Counts one use off; true when that closed the library. A Release without its Acquire is
    // ignored, so that it cannot close the library under a later Acquire.
    bool Release();

    int UseCount() const { return use_count_; }
    bool IsOpen() const { return handle_ != nullptr; }
    void* Handle() const { return handle_; }
    const QString& FileName() const { return file_name_; }
    // Empty until an Acquire fails.
    const QString& OpenFailure() const { return open_failure_; }

private:
    void Close();

    QString file_name_;
    void* handle_ = nullptr;
    int use_count_ = 0;
    QString open_failure_;
};

} // namespace fw
