// The GenICam library's sessions on the fake camera: lost frames and the frames left at a stop,
// closing on every path, and calls with bad identifiers, pointers and states, which must give
// error codes with texts and never crash.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "genicam_library.h"
#include "imagers/imaq/imaq_api.h"

namespace fw::test {
namespace {

constexpr uint32_t kMonoBytes = 512 * 512;
// At the fake camera's 25 frames a second this is ten times the frames that three buffers hold.
constexpr auto kStall = std::chrono::milliseconds(1500);

void Monochrome(FakeCameraSession& camera)
{
    ASSERT_EQ(camera.lib.setAttribute(camera.session_id, kImgAttrColourMode, kImgColourModeMonochrome), 0);
}

// An interface and session that the test closes itself.
void OpenUnguarded(uint32_t& interface_id, uint32_t& session)
{
    const GenicamLibrary& lib = GenicamLibrary::get();
    ASSERT_EQ(lib.interfaceOpen("Fake_1", &interface_id), 0);
    ASSERT_EQ(lib.sessionOpen(interface_id, &session), 0);
}

TEST(GenicamSessions, StalledReaderLosesFramesAfterThoseWaiting)
{
    FakeCameraSession camera;
    Monochrome(camera);
    camera.createBuffers(3, kMonoBytes);
    ASSERT_EQ(camera.startRing(), 0);
    camera.frame(0, kMonoBytes);
    std::this_thread::sleep_for(kStall);
    // The stream's three buffers filled up; what came later was dropped.
    for (uint32_t number = 1; number <= 3; ++number) {
        camera.frame(number, kMonoBytes);
        EXPECT_EQ(camera.attribute(kImgAttrLostFrames), 0u) << number;
    }
    uint32_t given = 0;
    camera.frame(4, kMonoBytes, &given);
    EXPECT_GT(given, 4u);
    EXPECT_GE(camera.attribute(kImgAttrLostFrames), given - 4);
    std::vector<uint32_t> list(kImgLostFramesListSize, 0xFFFFFFFF);
    ASSERT_EQ(camera.lib.lostFramesList(camera.session_id, list.data(), kImgLostFramesListSize), 0);
    EXPECT_EQ(list[0], 4u);
    EXPECT_NE(std::find(list.begin(), list.end(), 0u), list.end());
    // A list of one entry has room for its closing 0 only.
    uint32_t closing = 7;
    ASSERT_EQ(camera.lib.lostFramesList(camera.session_id, &closing, 1), 0);
    EXPECT_EQ(closing, 0u);
}

TEST(GenicamSessions, FramesCompleteAtTheStopStayInTheRing)
{
    FakeCameraSession camera;
    Monochrome(camera);
    camera.createBuffers(3, kMonoBytes);
    ASSERT_EQ(camera.startRing(), 0);
    const std::vector<uint8_t> first = camera.frame(0, kMonoBytes);
    std::this_thread::sleep_for(kStall);
    ASSERT_EQ(camera.lib.stopAcquisition(camera.session_id), 0);
    for (uint32_t number = 1; number <= 3; ++number) {
        const std::vector<uint8_t> frame = camera.frame(number, kMonoBytes);
        ASSERT_FALSE(frame.empty());
        // The ramp moves on by one a frame.
        EXPECT_EQ(frame[0], (first[0] + number) % 255) << number;
    }
    EXPECT_EQ(camera.examineOnly(4), kImgErrNotAcquiring);
    EXPECT_EQ(camera.lib.stopAcquisition(camera.session_id), kImgErrNotAcquiring);
}

TEST(GenicamSessions, ExamineWaitsNoLongerThanTheTimeout)
{
    FakeCameraSession camera;
    Monochrome(camera);
    camera.createBuffers(2, kMonoBytes);
    ASSERT_EQ(camera.lib.setAttribute(camera.session_id, kImgAttrTimeout_ms, 1), 0);
    EXPECT_EQ(camera.attribute(kImgAttrTimeout_ms), 1u);
    ASSERT_EQ(camera.startRing(), 0);
    EXPECT_EQ(camera.examineOnly(100000), kImgErrTimeout);
    EXPECT_EQ(camera.lib.releaseBuffer(camera.session_id), kImgErrNoBufferHeld);
}

TEST(GenicamSessions, BuffersAndRingStatesAreChecked)
{
    FakeCameraSession camera;
    const GenicamLibrary& lib = camera.lib;
    const uint32_t session = camera.session_id;
    Monochrome(camera);
    uint32_t given = 0;
    void* buffer = nullptr;
    EXPECT_LT(lib.examineBuffer(session, 0, &given, &buffer), 0); // no ring yet
    EXPECT_EQ(lib.stopAcquisition(session), kImgErrNotAcquiring);
    EXPECT_LT(lib.createBuffer(session, 1, kMonoBytes, &buffer), 0); // not system memory
    EXPECT_LT(lib.createBuffer(session, kImgBufferInSystemMemory, 0, &buffer), 0);
    EXPECT_LT(lib.createBuffer(session, kImgBufferInSystemMemory, kMonoBytes, nullptr), 0);
    int foreign = 0;
    void* foreign_list[] = { &foreign };
    EXPECT_LT(lib.ringSetup(session, 1, foreign_list, 0, 1), 0);
    EXPECT_LT(lib.ringSetup(session, 0, foreign_list, 0, 1), 0);
    EXPECT_LT(lib.ringSetup(session, 1, nullptr, 0, 1), 0);
    EXPECT_LT(lib.disposeBuffer(&foreign), 0);

    camera.createBuffers(2, kMonoBytes);
    ASSERT_EQ(lib.ringSetup(session, 2, camera.buffers.data(), 0, 0), 0);
    uint32_t acquiring = 1;
    uint32_t last = 0;
    ASSERT_EQ(lib.sessionStatus(session, &acquiring, &last), 0);
    EXPECT_EQ(acquiring, 0u);
    ASSERT_EQ(camera.startRing(), 0);
    EXPECT_EQ(camera.startRing(), kImgErrAcquiring);
    EXPECT_EQ(lib.setAttribute(session, kImgAttrHorizontalDecimation, kImgDecimationHalf), kImgErrAcquiring);
    EXPECT_EQ(lib.setAttribute(session, kImgAttrColourMode, kImgColourModeColour), kImgErrAcquiring);
    EXPECT_LT(lib.disposeBuffer(camera.buffers[0]), 0); // the ring is acquiring into it
    ASSERT_EQ(lib.examineBuffer(session, 0, &given, &buffer), 0);
    EXPECT_LT(lib.examineBuffer(session, 1, &given, &buffer), 0); // one held at a time
    EXPECT_LT(lib.examineBuffer(session, 1, nullptr, &buffer), 0);
    EXPECT_LT(lib.lostFramesList(session, nullptr, 4), 0);
    EXPECT_LT(lib.sessionStatus(session, nullptr, &last), 0);
    ASSERT_EQ(lib.releaseBuffer(session), 0);
    EXPECT_EQ(lib.releaseBuffer(session), kImgErrNoBufferHeld);
    ASSERT_EQ(lib.stopAcquisition(session), 0);

    // A disposed buffer takes its ring with it.
    void* spare = nullptr;
    ASSERT_EQ(lib.createBuffer(session, kImgBufferInSystemMemory, kMonoBytes, &spare), 0);
    void* ring[] = { camera.buffers[0], spare };
    ASSERT_EQ(lib.ringSetup(session, 2, ring, 0, 0), 0);
    ASSERT_EQ(lib.disposeBuffer(spare), 0);
    EXPECT_LT(lib.disposeBuffer(spare), 0);
    EXPECT_LT(lib.ringSetup(session, 2, ring, 0, 1), 0);
    EXPECT_LT(lib.examineBuffer(session, 0, &given, &buffer), 0);
}

TEST(GenicamSessions, AttributesRefuseWhatTheyCannotTake)
{
    FakeCameraSession camera;
    const GenicamLibrary& lib = camera.lib;
    const uint32_t session = camera.session_id;
    uint32_t value = 0;
    EXPECT_LT(lib.getAttribute(session, 0x3FF60FFF, &value), 0);
    EXPECT_LT(lib.setAttribute(session, 0x3FF60FFF, 1), 0);
    EXPECT_LT(lib.getAttribute(session, kImgAttrWidth, nullptr), 0);
    for (const uint32_t read_only :
        { kImgAttrWidth, kImgAttrHeight, kImgAttrColourCapable, kImgAttrLostFrames })
        EXPECT_LT(lib.setAttribute(session, read_only, 1), 0) << std::hex << read_only;
    EXPECT_LT(lib.setAttribute(session, kImgAttrColourMode, 1), 0);
    EXPECT_LT(lib.setAttribute(session, kImgAttrVerticalDecimation, 4), 0);
    EXPECT_EQ(camera.attribute(kImgAttrHeight), 512u);
    for (const uint32_t setting :
        { kImgAttrAcquireSetting82, kImgAttrAcquireSetting07, kImgAttrAcquireSetting75 }) {
        ASSERT_EQ(lib.setAttribute(session, setting, 1), 0);
        EXPECT_EQ(camera.attribute(setting), 1u);
    }
}

TEST(GenicamSessions, UnknownIdentifiersGiveCodes)
{
    const GenicamLibrary& lib = GenicamLibrary::get();
    constexpr uint32_t kNoSuchId = 0x7FFFFFF0;
    uint32_t value = 0;
    void* buffer = nullptr;
    EXPECT_LT(lib.interfaceReset(kNoSuchId), 0);
    EXPECT_LT(lib.sessionOpen(kNoSuchId, &value), 0);
    EXPECT_LT(lib.getAttribute(kNoSuchId, kImgAttrWidth, &value), 0);
    EXPECT_LT(lib.setAttribute(kNoSuchId, kImgAttrTimeout_ms, 1), 0);
    EXPECT_LT(lib.createBuffer(kNoSuchId, kImgBufferInSystemMemory, 16, &buffer), 0);
    EXPECT_LT(lib.ringSetup(kNoSuchId, 1, &buffer, 0, 1), 0);
    EXPECT_LT(lib.examineBuffer(kNoSuchId, 0, &value, &buffer), 0);
    EXPECT_LT(lib.releaseBuffer(kNoSuchId), 0);
    EXPECT_LT(lib.sessionStatus(kNoSuchId, &value, &value), 0);
    EXPECT_LT(lib.stopAcquisition(kNoSuchId), 0);
    EXPECT_LT(lib.lostFramesList(kNoSuchId, &value, 1), 0);
    EXPECT_LT(lib.close(kNoSuchId, 1), 0);
    EXPECT_LT(lib.disposeBuffer(nullptr), 0);
    EXPECT_LT(lib.interfaceOpen(nullptr, &value), 0);
    EXPECT_LT(lib.interfaceOpen("Fake_1", nullptr), 0);
    EXPECT_LT(lib.showError(0, nullptr), 0);

    const int32_t missing = lib.interfaceOpen("No_Such_Camera", &value);
    ASSERT_LT(missing, 0);
    const std::string text = lib.errorText(missing);
    EXPECT_EQ(text.rfind("The camera could not be opened. ", 0), 0u) << text;
    EXPECT_NE(text.find("Aravis: "), std::string::npos) << text;
}

TEST(GenicamSessions, EveryCodeHasAText)
{
    const GenicamLibrary& lib = GenicamLibrary::get();
    // The library's own codes and those of the interface header that it returns.
    for (uint32_t code = 0xBFF60401; code <= 0xBFF60415; ++code)
        EXPECT_GT(lib.errorText(static_cast<int32_t>(code)).size(), 10u) << std::hex << code;
    for (const int32_t code :
        { kImgErrNoBufferMemory, kImgErrNotAcquiring, kImgErrAcquiring, kImgErrNoBufferHeld, kImgErrTimeout })
        EXPECT_GT(lib.errorText(code).size(), 10u) << std::hex << code;
    EXPECT_EQ(lib.errorText(static_cast<int32_t>(0xBFF6FFFF)), "Unknown error code 0xBFF6FFFF.");
}

TEST(GenicamSessions, ClosingTheInterfaceEndsItsAcquiringSession)
{
    const GenicamLibrary& lib = GenicamLibrary::get();
    uint32_t interface_id = 0;
    uint32_t session = 0;
    ASSERT_NO_FATAL_FAILURE(OpenUnguarded(interface_id, session));
    uint32_t second = 0;
    EXPECT_LT(lib.sessionOpen(interface_id, &second), 0);
    std::vector<void*> buffers(2);
    for (void*& buffer : buffers)
        ASSERT_EQ(lib.createBuffer(session, kImgBufferInSystemMemory, 4 * kMonoBytes, &buffer), 0);
    ASSERT_EQ(lib.ringSetup(session, 2, buffers.data(), 0, 1), 0);
    uint32_t given = 0;
    void* held = nullptr;
    ASSERT_EQ(lib.examineBuffer(session, 0, &given, &held), 0);

    // Closed while acquiring and holding a buffer, with the buffers freed.
    ASSERT_EQ(lib.close(interface_id, 1), 0);
    EXPECT_LT(lib.close(session, 0), 0);
    EXPECT_LT(lib.releaseBuffer(session), 0);
    for (void* buffer : buffers)
        EXPECT_LT(lib.disposeBuffer(buffer), 0);

    // The camera opens again, as it was.
    FakeCameraSession again;
    EXPECT_EQ(again.attribute(kImgAttrWidth), 512u);
}

TEST(GenicamSessions, SessionClosedWithoutFreeingLeavesTheBuffersToTheCaller)
{
    const GenicamLibrary& lib = GenicamLibrary::get();
    uint32_t interface_id = 0;
    uint32_t session = 0;
    ASSERT_NO_FATAL_FAILURE(OpenUnguarded(interface_id, session));
    void* buffer = nullptr;
    // A new session delivers colour: four bytes a pixel.
    ASSERT_EQ(lib.createBuffer(session, kImgBufferInSystemMemory, 4 * kMonoBytes, &buffer), 0);
    ASSERT_EQ(lib.ringSetup(session, 1, &buffer, 0, 1), 0);
    ASSERT_EQ(lib.close(session, 0), 0);
    EXPECT_EQ(lib.disposeBuffer(buffer), 0);
    // The interface takes a new session.
    ASSERT_EQ(lib.sessionOpen(interface_id, &session), 0);
    ASSERT_EQ(lib.close(interface_id, 0), 0);
}

TEST(GenicamSessions, ListingFromAnotherThreadWhileCapturing)
{
    FakeCameraSession camera;
    Monochrome(camera);
    // As many buffers as frames: the lister's load never makes the camera drop one.
    camera.createBuffers(6, kMonoBytes);
    ASSERT_EQ(camera.startRing(), 0);
    std::atomic<bool> done { false };
    std::atomic<int> wrong_names { 0 };
    std::thread lister([&] {
        while (!done) {
            char name[kImgInterfaceNameSize];
            if (camera.lib.queryNames(0, name) != 0 || std::strcmp(name, "Fake_1") != 0)
                ++wrong_names;
        }
    });
    for (const std::vector<uint8_t>& frame : camera.frames(6, kMonoBytes))
        EXPECT_FALSE(frame.empty());
    done = true;
    lister.join();
    EXPECT_EQ(wrong_names, 0);
}

} // namespace
} // namespace fw::test
