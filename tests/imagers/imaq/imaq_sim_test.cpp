#include <gtest/gtest.h>

#include "imaq_sim_fixture.h"

namespace fw {
namespace {

using ImaqSimGrabber = ImaqSim;

TEST_F(ImaqSimGrabber, ReportsAColourAndAMonochromeGrabberAndTheirTexts)
{
    EXPECT_EQ(imaq_.InterfaceNames(), QStringList({ QStringLiteral("img0"), QStringLiteral("img1") }));
    EXPECT_EQ(Attribute(OpenSession("img0"), kImgAttrColourCapable), 1u);
    EXPECT_EQ(Attribute(OpenSession("img1"), kImgAttrColourCapable), 0u);

    EXPECT_EQ(imaq_.ErrorText(kImgErrTimeout), QStringLiteral("Timed out waiting for the buffer."));
    EXPECT_EQ(imaq_.ErrorText(kImgErrNoMemory), QStringLiteral("Not enough memory to create the buffer."));
    EXPECT_EQ(imaq_.ErrorText(static_cast<int32_t>(0xBFF6FFFF)), QStringLiteral("Unknown error code."));
}

TEST_F(ImaqSimGrabber, SizeFollowsDecimationAndTheColourModeOnlyOnTheColourGrabber)
{
    const uint32_t colour = OpenSession("img0");
    EXPECT_EQ(Attribute(colour, kImgAttrWidth), kWidth);
    EXPECT_EQ(Attribute(colour, kImgAttrHeight), kHeight);
    EXPECT_EQ(Attribute(colour, kImgAttrColourMode), kImgColourModeColour);
    EXPECT_EQ(FrameBytes(colour), kWidth * kHeight * 4);

    ASSERT_EQ(imaq_.imgSetAttribute(colour, kImgAttrHorizontalDecimation, kImgDecimationHalf), 0);
    ASSERT_EQ(imaq_.imgSetAttribute(colour, kImgAttrVerticalDecimation, kImgDecimationHalf), 0);
    EXPECT_EQ(Attribute(colour, kImgAttrWidth), kWidth / 2);
    EXPECT_EQ(Attribute(colour, kImgAttrHeight), kHeight / 2);
    ASSERT_EQ(imaq_.imgSetAttribute(colour, kImgAttrVerticalDecimation, 1), 0);
    EXPECT_EQ(Attribute(colour, kImgAttrHeight), kHeight);
    ASSERT_EQ(imaq_.imgSetAttribute(colour, kImgAttrColourMode, kImgColourModeMonochrome), 0);
    EXPECT_EQ(FrameBytes(colour), kWidth / 2 * kHeight);

    const uint32_t mono = OpenSession("img1");
    EXPECT_EQ(Attribute(mono, kImgAttrColourMode), kImgColourModeMonochrome);
    EXPECT_LT(imaq_.imgSetAttribute(mono, kImgAttrColourMode, kImgColourModeColour), 0);
    EXPECT_LT(imaq_.imgSetAttribute(mono, kImgAttrColourMode, kImgColourModeMonochrome), 0);
    EXPECT_EQ(FrameBytes(mono), kWidth * kHeight);
}

TEST_F(ImaqSimGrabber, TakesTheCapturesFixedSettingsAndRefusesWhatItCannotDo)
{
    const uint32_t session = OpenSession();
    for (const auto& [attribute, value] :
        { std::pair { kImgAttrAcquireSetting82, 1u }, std::pair { kImgAttrTimeout_ms, 1000u },
            std::pair { kImgAttrAcquireSetting07, 1u }, std::pair { kImgAttrAcquireSetting75, 1u } }) {
        EXPECT_EQ(imaq_.imgSetAttribute(session, attribute, value), 0) << std::hex << attribute;
        EXPECT_EQ(Attribute(session, attribute), value);
    }
    EXPECT_LT(imaq_.imgSetAttribute(session, kImgAttrWidth, 32), 0);
    EXPECT_LT(imaq_.imgSetAttribute(session, kImgAttrLostFrames, 0), 0);
    EXPECT_LT(imaq_.imgSetAttribute(session, kImgAttrHorizontalDecimation, 3), 0);
    EXPECT_LT(imaq_.imgSetAttribute(session, kImgAttrColourMode, 1), 0);
    uint32_t value = 0;
    EXPECT_LT(imaq_.imgGetAttribute(session, 0x3FF6FFFF, &value), 0);
    EXPECT_LT(imaq_.imgSetAttribute(session, 0x12345678, 1), 0);
    EXPECT_EQ(Attribute(session, kImgAttrWidth), kWidth);
}

TEST_F(ImaqSimGrabber, BufferNLivesInEntryNModCountAndCarriesItsFrame)
{
    const uint32_t session = OpenSession();
    const std::vector<void*> ring = StartRing(session, 3);
    for (uint32_t n = 0; n < 8; ++n) {
        const Examined examined = Examine(session, n);
        ASSERT_EQ(examined.result, 0) << n;
        EXPECT_EQ(examined.given, n);
        EXPECT_EQ(examined.buffer, ring[n % 3]);
        EXPECT_EQ(Stamp(examined.buffer, 4), n);
        EXPECT_EQ(Bytes(examined.buffer, FrameBytes(session)), Rendered(session, n)) << n;
    }
    const Status status = SessionStatus(session);
    EXPECT_EQ(status.acquiring, 1u);
    EXPECT_EQ(status.last_buffer, 7u);
}

TEST_F(ImaqSimGrabber, FramesToSkipSpaceTheCameraFramesOfConsecutiveBuffers)
{
    const uint32_t session = OpenSession("img1");
    StartRing(session, 4, 2);
    for (uint32_t n = 0; n < 5; ++n) {
        const Examined examined = Examine(session, n);
        ASSERT_EQ(examined.result, 0);
        EXPECT_EQ(Stamp(examined.buffer, 1), n * 3);
        EXPECT_EQ(Bytes(examined.buffer, FrameBytes(session)), Rendered(session, n * 3));
    }
}

TEST_F(ImaqSimGrabber, BufferNumbersRestartAtEveryStart)
{
    const uint32_t session = OpenSession();
    std::vector<void*> ring = StartRing(session, 4);
    ASSERT_EQ(Examine(session, 5).result, 0);
    ASSERT_EQ(imaq_.imgSessionStopAcquisition(session), 0);
    const Status status = SessionStatus(session);
    EXPECT_EQ(status.acquiring, 0u);
    EXPECT_EQ(status.last_buffer, 5u);

    ASSERT_EQ(imaq_.imgRingSetup(session, 4, ring.data(), 0, 1), 0);
    const Examined first = Examine(session, 0);
    ASSERT_EQ(first.result, 0);
    EXPECT_EQ(first.given, 0u);
    EXPECT_EQ(first.buffer, ring[0]);
    EXPECT_EQ(Stamp(first.buffer, 4), 0u);
}

TEST_F(ImaqSimGrabber, ARingSetUpWithoutStartWaitsForItsStart)
{
    const uint32_t session = OpenSession();
    std::vector<void*> ring = CreateBuffers(session, 2);
    ASSERT_EQ(imaq_.imgRingSetup(session, 2, ring.data(), 0, 0), 0);
    EXPECT_EQ(Examine(session, 0).result, kImgErrNotAcquiring);
    const Status status = SessionStatus(session);
    EXPECT_EQ(status.acquiring, 0u);
    EXPECT_EQ(imaq_.imgSessionStopAcquisition(session), kImgErrNotAcquiring);
}

TEST_F(ImaqSimGrabber, ABufferTheRingWentPastGivesTheOldestStillThere)
{
    const uint32_t session = OpenSession();
    StartRing(session, 4);
    ASSERT_EQ(Examine(session, 10).given, 10u);
    const Examined late = Examine(session, 3);
    ASSERT_EQ(late.result, 0);
    EXPECT_EQ(late.given, 7u);
    EXPECT_EQ(Stamp(late.buffer, 4), 7u);
    EXPECT_EQ(Attribute(session, kImgAttrLostFrames), 0u);

    // Far ahead costs no more than the next one.
    const Examined far = Examine(session, 0xFFFFFFF0);
    ASSERT_EQ(far.result, 0);
    EXPECT_EQ(far.given, 0xFFFFFFF0u);
    EXPECT_EQ(Stamp(far.buffer, 4), 0xFFFFFFF0u);
}

TEST_F(ImaqSimGrabber, OneBufferIsHeldBetweenExamineAndRelease)
{
    const uint32_t session = OpenSession();
    StartRing(session, 3);
    EXPECT_EQ(imaq_.imgSessionReleaseBuffer(session), kImgErrNoBufferHeld);
    uint32_t given = 0;
    void* buffer = nullptr;
    ASSERT_EQ(imaq_.imgSessionExamineBuffer(session, 0, &given, &buffer), 0);
    EXPECT_LT(imaq_.imgSessionExamineBuffer(session, 1, &given, &buffer), 0);
    EXPECT_LT(imaq_.imgDisposeBuffer(buffer), 0);
    EXPECT_EQ(imaq_.imgSessionReleaseBuffer(session), 0);
    EXPECT_EQ(imaq_.imgSessionReleaseBuffer(session), kImgErrNoBufferHeld);
    EXPECT_EQ(Examine(session, 1).result, 0);
}

TEST_F(ImaqSimGrabber, AnAcquiringRingKeepsItsBuffersAndItsShape)
{
    const uint32_t session = OpenSession();
    std::vector<void*> ring = StartRing(session, 2);
    EXPECT_EQ(imaq_.imgRingSetup(session, 2, ring.data(), 0, 1), kImgErrAcquiring);
    EXPECT_EQ(
        imaq_.imgSetAttribute(session, kImgAttrHorizontalDecimation, kImgDecimationHalf), kImgErrAcquiring);
    EXPECT_EQ(imaq_.imgSetAttribute(session, kImgAttrColourMode, kImgColourModeMonochrome), kImgErrAcquiring);
    EXPECT_LT(imaq_.imgDisposeBuffer(ring[1]), 0);

    ASSERT_EQ(imaq_.imgSessionStopAcquisition(session), 0);
    EXPECT_EQ(imaq_.imgDisposeBuffer(ring[1]), 0);
    EXPECT_EQ(imaq_.imgDisposeBuffer(ring[0]), 0);
    EXPECT_LT(imaq_.imgDisposeBuffer(ring[0]), 0);
    // The ring lost its buffers with them.
    EXPECT_EQ(Examine(session, 0).result, kImgErrNotAcquiring);
}

TEST_F(ImaqSimGrabber, MonochromeIsTheBlueOfColourAndHalfSizeEverySecondPixelAndLine)
{
    const uint32_t colour = OpenSession("img0");
    const uint32_t mono = OpenSession("img1");
    const std::vector<uint8_t> colour_frame = Rendered(colour, 9);
    const std::vector<uint8_t> mono_frame = Rendered(mono, 9);
    ASSERT_EQ(colour_frame.size(), mono_frame.size() * 4);
    for (std::size_t i = 0; i < mono_frame.size(); ++i) {
        ASSERT_EQ(colour_frame[i * 4], mono_frame[i]) << i;
        ASSERT_EQ(colour_frame[i * 4 + 3], 0) << i;
    }

    ASSERT_EQ(imaq_.imgSetAttribute(mono, kImgAttrHorizontalDecimation, kImgDecimationHalf), 0);
    ASSERT_EQ(imaq_.imgSetAttribute(mono, kImgAttrVerticalDecimation, kImgDecimationHalf), 0);
    const std::vector<uint8_t> half = Rendered(mono, 9);
    ASSERT_EQ(half.size(), mono_frame.size() / 4);
    EXPECT_EQ(Stamp(half.data(), 1), 9u);
    for (uint32_t y = 0; y < kHeight / 2; ++y) {
        for (uint32_t x = y == 0 ? 4 : 0; x < kWidth / 2; ++x) {
            ASSERT_EQ(half[y * kWidth / 2 + x], mono_frame[2 * y * kWidth + 2 * x]) << x << "," << y;
        }
    }
}

TEST_F(ImaqSimGrabber, TheSceneChangesInsideTheObjectAtTheListedFramesOnly)
{
    setenv("FW_IMAQ_SIM_CHANGES", "3,5", 1);
    setenv("FW_IMAQ_SIM_OBJECT", "8,4,23,15", 1);
    const uint32_t session = OpenSession("img1");
    const std::vector<uint8_t> before = Rendered(session, 2);
    const std::vector<uint8_t> shown = Rendered(session, 3);
    const std::vector<uint8_t> still_shown = Rendered(session, 4);
    const std::vector<uint8_t> gone = Rendered(session, 5);
    for (uint32_t y = 1; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) {
            const std::size_t i = y * kWidth + x;
            const bool inside = x >= 8 && x <= 23 && y >= 4 && y <= 15;
            ASSERT_EQ(shown[i], inside ? 240 : before[i]) << x << "," << y;
            ASSERT_EQ(still_shown[i], shown[i]);
            ASSERT_EQ(gone[i], before[i]);
        }
    }
    // Line 0 is outside the object; only the stamp differs there.
    EXPECT_EQ(Stamp(shown.data(), 1), 3u);
    EXPECT_TRUE(std::equal(before.begin() + 4, before.begin() + kWidth, shown.begin() + 4));
}

TEST_F(ImaqSimGrabber, ByDefaultTheObjectAppearsInTheMiddleAtFrameSixty)
{
    const uint32_t session = OpenSession("img1");
    const std::size_t middle = (kHeight / 2) * kWidth + kWidth / 2;
    EXPECT_NE(Rendered(session, 59)[middle], 240);
    EXPECT_EQ(Rendered(session, 60)[middle], 240);
    EXPECT_EQ(Rendered(session, 600)[middle], 240);
    EXPECT_NE(Rendered(session, 60)[kWidth + 1], 240);
}

} // namespace
} // namespace fw
