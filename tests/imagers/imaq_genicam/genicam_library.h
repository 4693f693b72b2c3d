#pragma once

// The GenICam library as the program sees it: opened by path with dlopen, entry points by dlsym.
// Only Aravis's in-process fake camera is used (FW_GENICAM_FAKE=1 is set before loading).

#include <cstdint>
#include <string>
#include <vector>

namespace fw::test {

struct GenicamLibrary {
    int32_t (*interfaceOpen)(const char*, uint32_t*);
    int32_t (*interfaceReset)(uint32_t);
    int32_t (*sessionOpen)(uint32_t, uint32_t*);
    int32_t (*getAttribute)(uint32_t, uint32_t, uint32_t*);
    int32_t (*setAttribute)(uint32_t, uint32_t, uint32_t);
    int32_t (*createBuffer)(uint32_t, uint32_t, uint32_t, void**);
    int32_t (*ringSetup)(uint32_t, uint32_t, void**, uint32_t, uint32_t);
    int32_t (*examineBuffer)(uint32_t, uint32_t, uint32_t*, void**);
    int32_t (*releaseBuffer)(uint32_t);
    int32_t (*sessionStatus)(uint32_t, uint32_t*, uint32_t*);
    int32_t (*stopAcquisition)(uint32_t);
    int32_t (*lostFramesList)(uint32_t, uint32_t*, uint32_t);
    int32_t (*disposeBuffer)(void*);
    int32_t (*close)(uint32_t, uint32_t);
    int32_t (*showError)(int32_t, char*);
    int32_t (*queryNames)(uint32_t, char*);

    // The library, loaded once for the test program; fails the test when it cannot be.
    static const GenicamLibrary& get();
    std::string errorText(int32_t code) const;
};

// An interface and session on "Fake_1", with buffers, closed at the end.
class FakeCameraSession {
public:
    FakeCameraSession();
    ~FakeCameraSession();
    FakeCameraSession(const FakeCameraSession&) = delete;
    FakeCameraSession& operator=(const FakeCameraSession&) = delete;

    const GenicamLibrary& lib;
    uint32_t interface_id = 0;
    uint32_t session_id = 0;
    std::vector<void*> buffers;

    uint32_t attribute(uint32_t attribute) const;
    // Creates `count` buffers of `bytes` each.
    void createBuffers(uint32_t count, uint32_t bytes);
    int32_t startRing(uint32_t frames_to_skip = 0);
    // The result of examining `wanted`; a buffer given stays held.
    int32_t examineOnly(uint32_t wanted);
    // Examines `wanted`, copies the frame and releases the buffer.
    std::vector<uint8_t> frame(uint32_t wanted, uint32_t bytes, uint32_t* given = nullptr);
    // Frames 0 to count - 1, copied as they come and checked afterwards: a reader that takes its
    // time over each frame would make the camera drop frames.
    std::vector<std::vector<uint8_t>> frames(uint32_t count, uint32_t bytes);
};

} // namespace fw::test
