#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "imagers/imaq/imaq.h"

namespace fw {

// The simulator's variables; each test starts without any of them but a small picture.
inline void ResetSimulatorEnvironment()
{
    for (const char* name : { "FW_IMAQ_SIM_CHANGES", "FW_IMAQ_SIM_OBJECT", "FW_IMAQ_SIM_FPS",
             "FW_IMAQ_SIM_MAX_BUFFERS", "FW_IMAQ_SIM_NO_OPEN", "FW_IMAQ_SIM_ACQUISITION_ERROR",
             "FW_IMAQ_SIM_LOST_FRAMES", "FW_IMAQ_SIM_TIMEOUT" }) {
        unsetenv(name);
    }
    setenv("FW_IMAQ_SIM_WIDTH", "64", 1);
    setenv("FW_IMAQ_SIM_HEIGHT", "48", 1);
}

// The wrapper on the simulated grabber, with the interfaces and sessions a test opens closed and
// their buffers freed at the end, so that the next test finds the grabber as new.
class ImaqSim : public testing::Test {
protected:
    static constexpr uint32_t kWidth = 64;
    static constexpr uint32_t kHeight = 48;

    void SetUp() override
    {
        ResetSimulatorEnvironment();
        ASSERT_TRUE(imaq_.Load());
    }

    void TearDown() override
    {
        for (const uint32_t id : interfaces_) {
            imaq_.imgClose(id, 1);
        }
        imaq_.Unload();
    }

    uint32_t OpenInterface(const char* name)
    {
        uint32_t interface_id = 0;
        EXPECT_EQ(imaq_.imgInterfaceOpen(QString::fromLatin1(name), &interface_id), 0) << name;
        interfaces_.push_back(interface_id);
        return interface_id;
    }

    uint32_t OpenSession(const char* name = "img0")
    {
        uint32_t session_id = 0;
        EXPECT_EQ(imaq_.imgSessionOpen(OpenInterface(name), &session_id), 0);
        return session_id;
    }

    uint32_t Attribute(uint32_t session_id, uint32_t attribute)
    {
        uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(imaq_.imgGetAttribute(session_id, attribute, &value), 0) << std::hex << attribute;
        return value;
    }

    uint32_t FrameBytes(uint32_t session_id)
    {
        const uint32_t pixel_bytes
            = Attribute(session_id, kImgAttrColourMode) == kImgColourModeColour ? 4 : 1;
        return Attribute(session_id, kImgAttrWidth) * Attribute(session_id, kImgAttrHeight) * pixel_bytes;
    }

    std::vector<void*> CreateBuffers(uint32_t session_id, uint32_t count)
    {
        std::vector<void*> buffers(count, nullptr);
        for (void*& buffer : buffers) {
            EXPECT_EQ(
                imaq_.imgCreateBuffer(session_id, kImgBufferInSystemMemory, FrameBytes(session_id), &buffer),
                0);
        }
        return buffers;
    }

    // A ring of `count` buffers, started.
    std::vector<void*> StartRing(uint32_t session_id, uint32_t count, uint32_t frames_to_skip = 0)
    {
        std::vector<void*> ring = CreateBuffers(session_id, count);
        EXPECT_EQ(imaq_.imgRingSetup(session_id, count, ring.data(), frames_to_skip, 1), 0);
        return ring;
    }

    struct Status {
        uint32_t acquiring = 0xFFFFFFFF;
        uint32_t last_buffer = 0xFFFFFFFF;
    };

    Status SessionStatus(uint32_t session_id)
    {
        Status status;
        EXPECT_EQ(imaq_.imgSessionStatus(session_id, &status.acquiring, &status.last_buffer), 0);
        return status;
    }

    struct Examined {
        int32_t result = 0;
        uint32_t given = 0xFFFFFFFF;
        void* buffer = nullptr;
    };

    // Examines a buffer and releases it again when it was given.
    Examined Examine(uint32_t session_id, uint32_t wanted)
    {
        Examined examined;
        examined.result
            = imaq_.imgSessionExamineBuffer(session_id, wanted, &examined.given, &examined.buffer);
        if (examined.result == 0) {
            EXPECT_EQ(imaq_.imgSessionReleaseBuffer(session_id), 0);
        }
        return examined;
    }

    // The frame the session delivers as camera frame `frame`, drawn by the simulator itself.
    std::vector<uint8_t> Rendered(uint32_t session_id, uint32_t frame)
    {
        void* library = dlopen(FW_IMAQ_SIM_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(library, nullptr);
        using Render = int32_t(uint32_t, uint32_t, void*, uint32_t);
        auto* render = reinterpret_cast<Render*>(dlsym(library, "fwImaqSimRenderFrame"));
        std::vector<uint8_t> bytes(FrameBytes(session_id));
        EXPECT_EQ(render(session_id, frame, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        dlclose(library);
        return bytes;
    }

    // The camera frame number in the first byte of the first four pixels.
    static uint32_t Stamp(const void* buffer, uint32_t pixel_bytes)
    {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        uint32_t frame = 0;
        for (uint32_t i = 0; i < 4; ++i) {
            frame |= static_cast<uint32_t>(bytes[i * pixel_bytes]) << (8 * i);
        }
        return frame;
    }

    static std::vector<uint8_t> Bytes(const void* buffer, std::size_t size)
    {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        return { bytes, bytes + size };
    }

    TIMAQ imaq_ { nullptr, FW_IMAQ_SIM_LIBRARY };
    std::vector<uint32_t> interfaces_;
};

} // namespace fw
