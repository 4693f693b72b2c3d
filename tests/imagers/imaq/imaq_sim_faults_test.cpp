#include <gtest/gtest.h>

#include <thread>

#include "imaq_sim_fixture.h"

namespace fw {
namespace {

using ImaqSimFaults = ImaqSim;
using ImaqSimHostile = ImaqSim;

std::vector<uint32_t> LostList(TIMAQ& imaq, uint32_t session, uint32_t count)
{
    std::vector<uint32_t> list(count, 0xFFFFFFFF);
    EXPECT_EQ(imaq.imgSessionGetLostFramesList(session, list.data(), count), 0);
    return list;
}

TEST_F(ImaqSimFaults, AnInterfaceThatWillNotOpenSaysWhy)
{
    setenv("FW_IMAQ_SIM_NO_OPEN", "img1", 1);
    uint32_t interface_id = 0;
    const int32_t refused = imaq_.imgInterfaceOpen(QStringLiteral("img1"), &interface_id);
    EXPECT_LT(refused, 0);
    EXPECT_EQ(imaq_.ErrorText(refused),
        QStringLiteral("The interface could not be opened: the board does not respond."));
    OpenInterface("IMG0");

    setenv("FW_IMAQ_SIM_NO_OPEN", "all", 1);
    EXPECT_LT(imaq_.imgInterfaceOpen(QStringLiteral("img0"), &interface_id), 0);
    const int32_t unknown = imaq_.imgInterfaceOpen(QStringLiteral("img7"), &interface_id);
    EXPECT_LT(unknown, 0);
    EXPECT_EQ(imaq_.ErrorText(unknown), QStringLiteral("Interface not found."));
}

TEST_F(ImaqSimFaults, AnAcquisitionErrorStopsTheAcquisitionAtItsBuffer)
{
    setenv("FW_IMAQ_SIM_ACQUISITION_ERROR", "4", 1);
    const uint32_t session = OpenSession();
    StartRing(session, 8);
    ASSERT_EQ(Examine(session, 3).result, 0);
    const int32_t failed = Examine(session, 4).result;
    EXPECT_LT(failed, 0);
    EXPECT_EQ(imaq_.ErrorText(failed), QStringLiteral("Acquisition failed: the camera signal was lost."));
    EXPECT_EQ(Examine(session, 5).result, failed);

    const Status status = SessionStatus(session);
    EXPECT_EQ(status.acquiring, 0u);
    // What came before the failure can still be looked at.
    const Examined earlier = Examine(session, 2);
    ASSERT_EQ(earlier.result, 0);
    EXPECT_EQ(Stamp(earlier.buffer, 4), 2u);
}

TEST_F(ImaqSimFaults, LostFramesAreCountedListedAndSkipped)
{
    setenv("FW_IMAQ_SIM_LOST_FRAMES", "4,3,9", 1);
    const uint32_t session = OpenSession();
    std::vector<void*> ring = StartRing(session, 6);
    ASSERT_EQ(Examine(session, 2).result, 0);
    EXPECT_EQ(Attribute(session, kImgAttrLostFrames), 0u);

    const Examined next = Examine(session, 3);
    ASSERT_EQ(next.result, 0);
    EXPECT_EQ(next.given, 5u);
    EXPECT_EQ(Stamp(next.buffer, 4), 5u);
    EXPECT_EQ(Attribute(session, kImgAttrLostFrames), 2u);
    EXPECT_EQ(LostList(imaq_, session, kImgLostFramesListSize)[0], 3u);
    EXPECT_EQ(LostList(imaq_, session, 4), (std::vector<uint32_t> { 3, 4, 0, 0xFFFFFFFF }));
    EXPECT_EQ(LostList(imaq_, session, 2), (std::vector<uint32_t> { 3, 0 }));
    EXPECT_EQ(LostList(imaq_, session, 1), (std::vector<uint32_t> { 0 }));

    // Every acquisition loses them again, from a clean count.
    ASSERT_EQ(imaq_.imgSessionStopAcquisition(session), 0);
    ASSERT_EQ(imaq_.imgRingSetup(session, 6, ring.data(), 0, 1), 0);
    EXPECT_EQ(Attribute(session, kImgAttrLostFrames), 0u);
    EXPECT_EQ(Examine(session, 3).given, 5u);
}

TEST_F(ImaqSimFaults, ATimeOutComesAtOnceWithoutPacingAndTheAcquisitionGoesOn)
{
    setenv("FW_IMAQ_SIM_TIMEOUT", "3", 1);
    const uint32_t session = OpenSession();
    StartRing(session, 4);
    EXPECT_EQ(Examine(session, 3).result, kImgErrTimeout);
    EXPECT_EQ(Examine(session, 2).result, 0);
    EXPECT_EQ(Examine(session, 100).result, kImgErrTimeout);
    const Status status = SessionStatus(session);
    EXPECT_EQ(status.acquiring, 1u);
    EXPECT_EQ(status.last_buffer, 2u);
}

TEST_F(ImaqSimFaults, BuffersRunOutWithAMemoryErrorAndComeBackWhenFreed)
{
    setenv("FW_IMAQ_SIM_MAX_BUFFERS", "5", 1);
    const uint32_t session = OpenSession();
    std::vector<void*> buffers = CreateBuffers(session, 5);
    void* sixth = nullptr;
    EXPECT_EQ(imaq_.imgCreateBuffer(session, kImgBufferInSystemMemory, 64, &sixth), kImgErrNoMemory);
    EXPECT_EQ(sixth, nullptr);
    ASSERT_EQ(imaq_.imgDisposeBuffer(buffers[0]), 0);
    EXPECT_EQ(imaq_.imgCreateBuffer(session, kImgBufferInSystemMemory, 64, &sixth), 0);
}

TEST_F(ImaqSimFaults, PacedBuffersAreNotReadyBeforeTheCameraSendsThem)
{
    setenv("FW_IMAQ_SIM_FPS", "1", 1);
    const uint32_t session = OpenSession();
    ASSERT_EQ(imaq_.imgSetAttribute(session, kImgAttrTimeout_ms, 0), 0);
    StartRing(session, 4);
    EXPECT_EQ(Examine(session, 100000).result, kImgErrTimeout);
}

TEST_F(ImaqSimFaults, StoppingWakesAnExamineThatWaitsForAPacedBuffer)
{
    setenv("FW_IMAQ_SIM_FPS", "0.001", 1);
    const uint32_t session = OpenSession();
    ASSERT_EQ(imaq_.imgSetAttribute(session, kImgAttrTimeout_ms, 600000), 0);
    StartRing(session, 4);
    int32_t result = 0;
    std::thread waiter([&] { result = Examine(session, 0).result; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(imaq_.imgSessionStopAcquisition(session), 0);
    waiter.join();
    EXPECT_EQ(result, kImgErrNotAcquiring);
}

TEST_F(ImaqSimHostile, NullPointersGiveErrorCodes)
{
    const uint32_t session = OpenSession();
    std::vector<void*> ring = CreateBuffers(session, 2);
    uint32_t value = 0;
    void* buffer = nullptr;
    uint32_t interface_id = 0;
    EXPECT_LT(imaq_.imgInterfaceOpen(QStringLiteral("img0"), nullptr), 0);
    EXPECT_LT(imaq_.imgSessionOpen(interfaces_.front(), nullptr), 0);
    EXPECT_LT(imaq_.imgGetAttribute(session, kImgAttrWidth, nullptr), 0);
    EXPECT_LT(imaq_.imgCreateBuffer(session, 0, 64, nullptr), 0);
    EXPECT_LT(imaq_.imgRingSetup(session, 2, nullptr, 0, 1), 0);
    EXPECT_LT(imaq_.imgDisposeBuffer(nullptr), 0);
    ASSERT_EQ(imaq_.imgRingSetup(session, 2, ring.data(), 0, 1), 0);
    EXPECT_LT(imaq_.imgSessionExamineBuffer(session, 0, nullptr, &buffer), 0);
    EXPECT_LT(imaq_.imgSessionExamineBuffer(session, 0, &value, nullptr), 0);
    EXPECT_LT(imaq_.imgSessionStatus(session, nullptr, &value), 0);
    EXPECT_LT(imaq_.imgSessionStatus(session, &value, nullptr), 0);
    EXPECT_LT(imaq_.imgSessionGetLostFramesList(session, nullptr, 512), 0);

    // The raw entry points, where the wrapper does not pass its own buffers.
    void* library = dlopen(FW_IMAQ_SIM_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    EXPECT_LT(reinterpret_cast<decltype(::imgInterfaceOpen)*>(dlsym(library, "imgInterfaceOpen"))(
                  nullptr, &interface_id),
        0);
    EXPECT_LT(reinterpret_cast<decltype(::imgShowError)*>(dlsym(library, "imgShowError"))(0, nullptr), 0);
    EXPECT_LT(reinterpret_cast<decltype(::imgInterfaceQueryNames)*>(dlsym(library, "imgInterfaceQueryNames"))(
                  0, nullptr),
        0);
    dlclose(library);
}

TEST_F(ImaqSimHostile, UnknownOrClosedIdsGiveErrorCodes)
{
    const uint32_t interface_id = OpenInterface("img0");
    uint32_t session = 0;
    ASSERT_EQ(imaq_.imgSessionOpen(interface_id, &session), 0);
    uint32_t value = 0;
    void* buffer = nullptr;
    for (const uint32_t id : { 0u, 0xFFFFFFFFu, interface_id }) {
        EXPECT_LT(imaq_.imgGetAttribute(id, kImgAttrWidth, &value), 0) << id;
        EXPECT_LT(imaq_.imgSetAttribute(id, kImgAttrTimeout_ms, 1), 0);
        EXPECT_LT(imaq_.imgCreateBuffer(id, 0, 64, &buffer), 0);
        EXPECT_LT(imaq_.imgSessionExamineBuffer(id, 0, &value, &buffer), 0);
        EXPECT_LT(imaq_.imgSessionReleaseBuffer(id), 0);
        EXPECT_LT(imaq_.imgSessionStatus(id, &value, &value), 0);
        EXPECT_LT(imaq_.imgSessionStopAcquisition(id), 0);
        EXPECT_LT(imaq_.imgSessionGetLostFramesList(id, &value, 1), 0);
    }
    EXPECT_LT(imaq_.imgSessionOpen(session, &value), 0);
    EXPECT_LT(imaq_.imgInterfaceReset(session), 0);
    EXPECT_LT(imaq_.imgClose(0, 0), 0);

    // Closing the interface closes its session too.
    EXPECT_EQ(imaq_.imgInterfaceReset(interface_id), 0);
    EXPECT_EQ(imaq_.imgClose(interface_id, 1), 0);
    EXPECT_LT(imaq_.imgClose(interface_id, 0), 0);
    EXPECT_LT(imaq_.imgGetAttribute(session, kImgAttrWidth, &value), 0);
    EXPECT_LT(imaq_.imgClose(session, 0), 0);
    QString name;
    EXPECT_LT(imaq_.imgInterfaceQueryNames(2, name), 0);
    EXPECT_TRUE(name.isEmpty());
}

TEST_F(ImaqSimHostile, BadBuffersAndCountsGiveErrorCodes)
{
    const uint32_t session = OpenSession();
    const uint32_t other = OpenSession("img1");
    std::vector<void*> ring = CreateBuffers(session, 2);
    void* buffer = nullptr;
    EXPECT_LT(imaq_.imgCreateBuffer(session, 1, 64, &buffer), 0);
    EXPECT_LT(imaq_.imgCreateBuffer(session, 0, 0, &buffer), 0);
    EXPECT_EQ(imaq_.imgCreateBuffer(session, 0, 0xFFFFFFFF, &buffer), kImgErrNoMemory);
    EXPECT_EQ(buffer, nullptr);

    int stack_byte = 0;
    void* foreign[] = { ring[0], &stack_byte };
    void* twice[] = { ring[0], ring[0] };
    void* small = nullptr;
    ASSERT_EQ(imaq_.imgCreateBuffer(session, 0, FrameBytes(session) - 1, &small), 0);
    void* too_small[] = { ring[0], small };
    void* of_other = nullptr;
    ASSERT_EQ(imaq_.imgCreateBuffer(other, 0, FrameBytes(session), &of_other), 0);
    void* not_ours[] = { ring[0], of_other };
    EXPECT_LT(imaq_.imgRingSetup(session, 0, ring.data(), 0, 1), 0);
    EXPECT_LT(imaq_.imgRingSetup(session, 2, foreign, 0, 1), 0);
    EXPECT_LT(imaq_.imgRingSetup(session, 2, twice, 0, 1), 0);
    EXPECT_LT(imaq_.imgRingSetup(session, 2, too_small, 0, 1), 0);
    EXPECT_LT(imaq_.imgRingSetup(session, 2, not_ours, 0, 1), 0);
    EXPECT_LT(imaq_.imgRingSetup(session, 0xFFFFFFFF, ring.data(), 0, 1), 0);
    EXPECT_LT(imaq_.imgDisposeBuffer(&stack_byte), 0);

    uint32_t list[4] = { 9, 9, 9, 9 };
    EXPECT_LT(imaq_.imgSessionGetLostFramesList(session, list, 0), 0);
    EXPECT_EQ(list[0], 9u);
    EXPECT_EQ(imaq_.imgSessionExamineBuffer(session, 0, &list[0], &buffer), kImgErrNotAcquiring);

    // A huge frame skip and the last buffer number do not overflow the grabber.
    ASSERT_EQ(imaq_.imgRingSetup(session, 2, ring.data(), 0xFFFFFFFF, 1), 0);
    EXPECT_EQ(Examine(session, 0xFFFFFFFF).given, 0xFFFFFFFFu);
}

} // namespace
} // namespace fw
