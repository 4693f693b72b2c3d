#include "genicam_library.h"

#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "imagers/imaq/imaq_api.h"

namespace fw::test {

namespace {

template <typename Function> void Resolve(void* handle, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (function == nullptr)
        ADD_FAILURE() << "no entry point " << name;
}

GenicamLibrary Load()
{
    setenv("FW_GENICAM_FAKE", "1", 1);
    GenicamLibrary lib {};
    void* handle = dlopen(FW_IMAQ_GENICAM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        ADD_FAILURE() << "cannot load " << FW_IMAQ_GENICAM_LIBRARY << ": " << dlerror();
        std::abort();
    }
    Resolve(handle, "imgInterfaceOpen", lib.interfaceOpen);
    Resolve(handle, "imgInterfaceReset", lib.interfaceReset);
    Resolve(handle, "imgSessionOpen", lib.sessionOpen);
    Resolve(handle, "imgGetAttribute", lib.getAttribute);
    Resolve(handle, "imgSetAttribute", lib.setAttribute);
    Resolve(handle, "imgCreateBuffer", lib.createBuffer);
    Resolve(handle, "imgRingSetup", lib.ringSetup);
    Resolve(handle, "imgSessionExamineBuffer", lib.examineBuffer);
    Resolve(handle, "imgSessionReleaseBuffer", lib.releaseBuffer);
    Resolve(handle, "imgSessionStatus", lib.sessionStatus);
    Resolve(handle, "imgSessionStopAcquisition", lib.stopAcquisition);
    Resolve(handle, "imgSessionGetLostFramesList", lib.lostFramesList);
    Resolve(handle, "imgDisposeBuffer", lib.disposeBuffer);
    Resolve(handle, "imgClose", lib.close);
    Resolve(handle, "imgShowError", lib.showError);
    Resolve(handle, "imgInterfaceQueryNames", lib.queryNames);
    return lib;
}

} // namespace

const GenicamLibrary& GenicamLibrary::get()
{
    static const GenicamLibrary lib = Load();
    return lib;
}

std::string GenicamLibrary::errorText(int32_t code) const
{
    char text[kImgErrorTextSize];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(showError(code, text), 0);
    EXPECT_NE(std::memchr(text, '\0', sizeof text), nullptr);
    return text;
}

FakeCameraSession::FakeCameraSession()
    : lib(GenicamLibrary::get())
{
    EXPECT_EQ(lib.interfaceOpen("Fake_1", &interface_id), 0);
    EXPECT_EQ(lib.interfaceReset(interface_id), 0);
    EXPECT_EQ(lib.sessionOpen(interface_id, &session_id), 0);
}

FakeCameraSession::~FakeCameraSession()
{
    uint32_t acquiring = 0;
    uint32_t number = 0;
    if (lib.sessionStatus(session_id, &acquiring, &number) == 0 && acquiring != 0) {
        EXPECT_EQ(lib.stopAcquisition(session_id), 0);
    }
    for (void* buffer : buffers)
        EXPECT_EQ(lib.disposeBuffer(buffer), 0);
    EXPECT_EQ(lib.close(session_id, 0), 0);
    EXPECT_EQ(lib.close(interface_id, 0), 0);
}

uint32_t FakeCameraSession::attribute(uint32_t attribute) const
{
    uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(lib.getAttribute(session_id, attribute, &value), 0) << std::hex << attribute;
    return value;
}

void FakeCameraSession::createBuffers(uint32_t count, uint32_t bytes)
{
    for (uint32_t index = 0; index < count; ++index) {
        void* buffer = nullptr;
        ASSERT_EQ(lib.createBuffer(session_id, kImgBufferInSystemMemory, bytes, &buffer), 0);
        ASSERT_NE(buffer, nullptr);
        buffers.push_back(buffer);
    }
}

int32_t FakeCameraSession::startRing(uint32_t frames_to_skip)
{
    return lib.ringSetup(
        session_id, static_cast<uint32_t>(buffers.size()), buffers.data(), frames_to_skip, 1);
}

int32_t FakeCameraSession::examineOnly(uint32_t wanted)
{
    uint32_t given = 0;
    void* buffer = nullptr;
    return lib.examineBuffer(session_id, wanted, &given, &buffer);
}

std::vector<uint8_t> FakeCameraSession::frame(uint32_t wanted, uint32_t bytes, uint32_t* given)
{
    uint32_t number = 0xFFFFFFFF;
    void* buffer = nullptr;
    const int32_t result = lib.examineBuffer(session_id, wanted, &number, &buffer);
    EXPECT_EQ(result, 0) << lib.errorText(result);
    if (result != 0)
        return {};
    if (given != nullptr) {
        *given = number;
    } else {
        EXPECT_EQ(number, wanted);
    }
    EXPECT_EQ(buffer, buffers[number % buffers.size()]);
    const auto* pixels = static_cast<const uint8_t*>(buffer);
    std::vector<uint8_t> copy(pixels, pixels + bytes);
    EXPECT_EQ(lib.releaseBuffer(session_id), 0);
    return copy;
}

std::vector<std::vector<uint8_t>> FakeCameraSession::frames(uint32_t count, uint32_t bytes)
{
    std::vector<std::vector<uint8_t>> frames;
    for (uint32_t number = 0; number < count; ++number)
        frames.push_back(frame(number, bytes));
    return frames;
}

} // namespace fw::test
