#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>

// The test's own handle on a fake driver library: the same copy the wrapper loads, so the test
// can script it and read what it was called with. While it is open the library stays mapped.
class FakeGpib {
public:
    explicit FakeGpib(const char* path = FW_FAKE_GPIB_DRIVER)
        : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL))
    {
        if (handle_ == nullptr) {
            throw std::runtime_error(dlerror());
        }
    }
    ~FakeGpib() { dlclose(handle_); }
    FakeGpib(const FakeGpib&) = delete;
    FakeGpib& operator=(const FakeGpib&) = delete;

    void Script(int status, int iberr = 0, long ibcntl = 0)
    {
        Get<void(int, int, long)>("fake_gpib_script")(status, iberr, ibcntl);
    }
    void ScriptReply(const char* reply, char status_byte = 0)
    {
        Get<void(const char*, char)>("fake_gpib_script_reply")(reply, status_byte);
    }
    std::string LastCall() { return Get<const char*()>("fake_gpib_last_call")(); }
    int LastUd() { return Get<int()>("fake_gpib_last_ud")(); }
    int LastArgument(int position) { return Get<int(int)>("fake_gpib_last_argument")(position); }
    std::string FoundName() { return Get<const char*()>("fake_gpib_found_name")(); }
    std::string Written() { return Get<const char*()>("fake_gpib_written")(); }

private:
    template <typename Function> Function* Get(const char* name)
    {
        return reinterpret_cast<Function*>(dlsym(handle_, name));
    }

    void* handle_;
};

// Whether the library file is mapped in this process at all.
inline bool LibraryMapped(const char* path)
{
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) {
        dlclose(handle);
    }
    return handle != nullptr;
}
