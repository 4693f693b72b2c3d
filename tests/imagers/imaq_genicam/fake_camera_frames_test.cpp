// The GenICam library against Aravis's fake camera "Fake_1" (512 x 512, Mono8 and RGB8): listing,
// geometry, and rings whose frames must be the camera's own, last line first.
//
// The fake camera's Mono8 frame with frame id f holds (x + y + f) mod 255 at column x of line y,
// so a delivered frame tells its f; a fresh camera starts every time with the same frame id, so
// its first acquisition can also be compared with frames taken from Aravis directly.

#include <gtest/gtest.h>

#include <arv.h>

#include <cstring>
#include <optional>
#include <vector>

#include "genicam_library.h"
#include "imagers/imaq/imaq_api.h"

namespace fw::test {
namespace {

constexpr uint32_t kSide = 512;
constexpr uint32_t kMonoBytes = kSide * kSide;

// The f for which `frame` is the fake camera's ramp turned bottom-up, or none.
std::optional<uint32_t> RampFrameId(const std::vector<uint8_t>& frame, uint32_t width, uint32_t height)
{
    if (frame.size() != size_t { width } * height)
        return std::nullopt;
    // Delivered line 0 is camera line height - 1.
    const uint32_t f = (frame[0] + 255 - (height - 1) % 255) % 255;
    for (uint32_t line = 0; line < height; ++line)
        for (uint32_t x = 0; x < width; ++x)
            if (frame[size_t { line } * width + x] != (x + (height - 1 - line) + f) % 255)
                return std::nullopt;
    return f;
}

// Frames straight from a fresh fake camera of our own, in the given pixel format.
std::vector<std::vector<uint8_t>> AravisFrames(const char* pixel_format, size_t count)
{
    std::vector<std::vector<uint8_t>> frames;
    // The library shares Aravis with the test; its listing turns on the fake interface alone.
    char name[kImgInterfaceNameSize];
    EXPECT_EQ(GenicamLibrary::get().queryNames(0, name), 0);
    GError* error = nullptr;
    ArvCamera* camera = arv_camera_new("Fake_1", &error);
    EXPECT_NE(camera, nullptr) << (error != nullptr ? error->message : "");
    if (camera == nullptr)
        return frames;
    arv_camera_set_pixel_format_from_string(camera, pixel_format, nullptr);
    ArvStream* stream = arv_camera_create_stream(camera, nullptr, nullptr, nullptr);
    const guint payload = arv_camera_get_payload(camera, nullptr);
    for (size_t index = 0; index < count; ++index)
        arv_stream_push_buffer(stream, arv_buffer_new(payload, nullptr));
    arv_camera_start_acquisition(camera, nullptr);
    for (size_t index = 0; index < count; ++index) {
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(stream, 10000000);
        if (buffer == nullptr || arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS) {
            ADD_FAILURE() << "no frame from Aravis";
            break;
        }
        size_t size = 0;
        const auto* data = static_cast<const uint8_t*>(arv_buffer_get_image_data(buffer, &size));
        frames.emplace_back(data, data + size);
        arv_stream_push_buffer(stream, buffer);
    }
    arv_camera_stop_acquisition(camera, nullptr);
    g_object_unref(stream);
    g_object_unref(camera);
    return frames;
}

std::vector<uint8_t> FlippedBgrx(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> bgrx;
    for (uint32_t line = height; line-- > 0;) {
        const uint8_t* pixel = rgb.data() + size_t { line } * width * 3;
        for (uint32_t x = 0; x < width; ++x, pixel += 3)
            bgrx.insert(bgrx.end(), { pixel[2], pixel[1], pixel[0], 0 });
    }
    return bgrx;
}

std::vector<uint8_t> Flipped(const std::vector<uint8_t>& mono, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> flipped;
    for (uint32_t line = height; line-- > 0;)
        flipped.insert(flipped.end(), mono.begin() + line * width, mono.begin() + (line + 1) * width);
    return flipped;
}

TEST(GenicamFakeCamera, ListsOnlyTheFakeCamera)
{
    const GenicamLibrary& lib = GenicamLibrary::get();
    char name[kImgInterfaceNameSize];
    ASSERT_EQ(lib.queryNames(0, name), 0);
    EXPECT_STREQ(name, "Fake_1");
    std::memset(name, 'x', sizeof name);
    EXPECT_LT(lib.queryNames(1, name), 0);
    EXPECT_STREQ(name, "");
    EXPECT_LT(lib.queryNames(0, nullptr), 0);
}

TEST(GenicamFakeCamera, OpensWithTheCamerasGeometry)
{
    FakeCameraSession camera;
    EXPECT_EQ(camera.attribute(kImgAttrColourCapable), 1u); // the fake camera offers RGB8
    EXPECT_EQ(camera.attribute(kImgAttrWidth), kSide);
    EXPECT_EQ(camera.attribute(kImgAttrHeight), kSide);
    EXPECT_EQ(camera.attribute(kImgAttrLostFrames), 0u);
    EXPECT_EQ(camera.attribute(kImgAttrColourMode), kImgColourModeColour);
}

TEST(GenicamFakeCamera, RingDeliversEveryFrameInOrderBottomUp)
{
    FakeCameraSession camera;
    ASSERT_EQ(camera.lib.setAttribute(camera.session_id, kImgAttrColourMode, kImgColourModeMonochrome), 0);
    camera.createBuffers(4, kMonoBytes);
    ASSERT_EQ(camera.startRing(), 0);
    const std::vector<std::vector<uint8_t>> frames = camera.frames(4 + 3, kMonoBytes);
    ASSERT_EQ(frames.size(), 4u + 3u);
    std::optional<uint32_t> previous;
    for (uint32_t number = 0; number < frames.size(); ++number) {
        const std::optional<uint32_t> f = RampFrameId(frames[number], kSide, kSide);
        ASSERT_TRUE(f) << "frame " << number << " is not the camera's ramp turned upside down";
        if (previous) {
            EXPECT_EQ(*f, (*previous + 1) % 255) << "frame " << number;
        }
        previous = f;
    }
    uint32_t acquiring = 0;
    uint32_t last = 0;
    ASSERT_EQ(camera.lib.sessionStatus(camera.session_id, &acquiring, &last), 0);
    EXPECT_EQ(acquiring, 1u);
    EXPECT_EQ(last, 6u);
    EXPECT_EQ(camera.attribute(kImgAttrLostFrames), 0u);
    ASSERT_EQ(camera.lib.stopAcquisition(camera.session_id), 0);
    ASSERT_EQ(camera.lib.sessionStatus(camera.session_id, &acquiring, &last), 0);
    EXPECT_EQ(acquiring, 0u);

    // Numbers start again at 0 with the next acquisition, and the camera goes on.
    ASSERT_EQ(camera.startRing(), 0);
    for (const std::vector<uint8_t>& frame : camera.frames(3, kMonoBytes))
        EXPECT_TRUE(RampFrameId(frame, kSide, kSide));
}

TEST(GenicamFakeCamera, FramesToSkipTakesEveryThirdFrame)
{
    FakeCameraSession camera;
    ASSERT_EQ(camera.lib.setAttribute(camera.session_id, kImgAttrColourMode, kImgColourModeMonochrome), 0);
    camera.createBuffers(3, kMonoBytes);
    ASSERT_EQ(camera.startRing(2), 0);
    const std::vector<std::vector<uint8_t>> frames = camera.frames(2, kMonoBytes);
    ASSERT_EQ(frames.size(), 2u);
    const std::optional<uint32_t> first = RampFrameId(frames[0], kSide, kSide);
    const std::optional<uint32_t> second = RampFrameId(frames[1], kSide, kSide);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*second, (*first + 3) % 255);
}

TEST(GenicamFakeCamera, FirstAcquisitionIsAravisOwnFrames)
{
    constexpr size_t kFrames = 5;
    const std::vector<std::vector<uint8_t>> mono = AravisFrames("Mono8", kFrames);
    const std::vector<std::vector<uint8_t>> rgb = AravisFrames("RGB8", kFrames);
    ASSERT_EQ(mono.size(), kFrames);
    ASSERT_EQ(rgb.size(), kFrames);
    {
        FakeCameraSession camera;
        ASSERT_EQ(
            camera.lib.setAttribute(camera.session_id, kImgAttrColourMode, kImgColourModeMonochrome), 0);
        camera.createBuffers(kFrames, kMonoBytes);
        ASSERT_EQ(camera.startRing(), 0);
        const std::vector<std::vector<uint8_t>> frames = camera.frames(kFrames, kMonoBytes);
        ASSERT_EQ(frames.size(), kFrames);
        for (uint32_t number = 0; number < kFrames; ++number)
            EXPECT_EQ(frames[number], Flipped(mono[number], kSide, kSide)) << number;
    }
    {
        FakeCameraSession camera;
        ASSERT_EQ(camera.attribute(kImgAttrColourMode), kImgColourModeColour);
        camera.createBuffers(kFrames, 4 * kMonoBytes);
        ASSERT_EQ(camera.startRing(), 0);
        const std::vector<std::vector<uint8_t>> frames = camera.frames(kFrames, 4 * kMonoBytes);
        ASSERT_EQ(frames.size(), kFrames);
        for (uint32_t number = 0; number < kFrames; ++number)
            EXPECT_EQ(frames[number], FlippedBgrx(rgb[number], kSide, kSide)) << number;
    }
}

TEST(GenicamFakeCamera, HalfDecimationHalvesBothSides)
{
    FakeCameraSession camera;
    const uint32_t session = camera.session_id;
    ASSERT_EQ(camera.lib.setAttribute(session, kImgAttrColourMode, kImgColourModeMonochrome), 0);
    ASSERT_EQ(camera.lib.setAttribute(session, kImgAttrHorizontalDecimation, kImgDecimationHalf), 0);
    ASSERT_EQ(camera.lib.setAttribute(session, kImgAttrVerticalDecimation, kImgDecimationHalf), 0);
    EXPECT_EQ(camera.attribute(kImgAttrWidth), kSide / 2);
    EXPECT_EQ(camera.attribute(kImgAttrHeight), kSide / 2);
    camera.createBuffers(3, kMonoBytes / 4);
    ASSERT_EQ(camera.startRing(), 0);
    // The fake camera bins by delivering the smaller region.
    for (const std::vector<uint8_t>& frame : camera.frames(3, kMonoBytes / 4))
        EXPECT_TRUE(RampFrameId(frame, kSide / 2, kSide / 2));
    ASSERT_EQ(camera.lib.stopAcquisition(session), 0);

    ASSERT_EQ(camera.lib.setAttribute(session, kImgAttrHorizontalDecimation, kImgDecimationFull), 0);
    ASSERT_EQ(camera.lib.setAttribute(session, kImgAttrVerticalDecimation, 1), 0);
    EXPECT_EQ(camera.attribute(kImgAttrWidth), kSide);
    EXPECT_EQ(camera.attribute(kImgAttrHeight), kSide);
    // The ring's buffers now hold a quarter frame: the start says so.
    const int32_t too_small = camera.startRing();
    EXPECT_LT(too_small, 0);
    EXPECT_NE(camera.lib.errorText(too_small).find("needs 262144"), std::string::npos)
        << camera.lib.errorText(too_small);
}

} // namespace
} // namespace fw::test
