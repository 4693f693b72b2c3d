// A stand-in grabber library that behaves badly where a library may: it never runs out of
// interface names and fills the whole error-text buffer without a terminator. The partial build
// also lacks imgSessionStatus and imgShowError, as an old or foreign library might.

#include <cstdint>
#include <cstdio>
#include <cstring>

extern "C" {

int fake_imaq_calls = 0;

int32_t imgInterfaceQueryNames(uint32_t index, char* name)
{
    ++fake_imaq_calls;
    std::snprintf(name, 64, "fake%u", index);
    return 0;
}

int32_t imgInterfaceOpen(const char* name, uint32_t* interface_id)
{
    ++fake_imaq_calls;
    *interface_id = static_cast<uint32_t>(std::strlen(name));
    return 0;
}

#ifndef FAKE_IMAQ_PARTIAL
int32_t imgSessionStatus(uint32_t, uint32_t* acquiring, uint32_t* buffer_number)
{
    ++fake_imaq_calls;
    *acquiring = 1;
    *buffer_number = 5;
    return 0;
}

int32_t imgShowError(int32_t, char* text)
{
    ++fake_imaq_calls;
    std::memset(text, 'E', 256);
    return 0;
}
#endif
}
