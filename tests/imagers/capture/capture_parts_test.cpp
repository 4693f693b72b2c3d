// The pieces of a capture on their own: texts, the memory rule, frame conversion, the file's
// short-capture rewrite, the descriptor block and the capture's clip stream.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "clips/descriptor_block.h"
#include "imagers/capture/cap_stream.h"
#include "imagers/capture/capture_avi_file.h"
#include "imagers/capture/capture_descriptor.h"
#include "imagers/capture/capture_ring.h"
#include "imagers/capture/capture_stage.h"
#include "imagers/capture/capture_test_support.h"
#include "imagers/imaq/imaq.h"
#include "support/fw_error.h"

namespace fw {
namespace {

TEST(CaptureTexts, StageNamesAndTheThreadsOwnErrorTexts)
{
    EXPECT_EQ(CaptureStageName(CaptureStage::csIdle), QString());
    EXPECT_EQ(CaptureStageName(CaptureStage::csAllocateBuffers), QStringLiteral("Allocate Buffers"));
    EXPECT_EQ(CaptureStageName(CaptureStage::csCaptureFrames), QStringLiteral("Capture Frames"));
    EXPECT_EQ(CaptureStageName(CaptureStage::csTerminate), QStringLiteral("Terminate"));

    TIMAQ imaq(nullptr, QStringLiteral(FW_IMAQ_SIM_LIBRARY));
    ASSERT_TRUE(imaq.Load());
    EXPECT_EQ(CaptureErrorText(kCapErrOpeningFile, imaq), QStringLiteral("Error Opening Video File."));
    EXPECT_EQ(CaptureErrorText(kCapErrWritingFile, imaq), QStringLiteral("Error Writing Video File."));
    EXPECT_EQ(CaptureErrorText(kCapErrClosingFile, imaq), QStringLiteral("Error Closing Video File."));
    EXPECT_EQ(CaptureErrorText(kCapErrRateTooFast, imaq), QStringLiteral("Rate too Fast, Capture Stopped."));
    EXPECT_EQ(CaptureErrorText(kCapErrCanceled, imaq), QStringLiteral("Capture Canceled by User."));
    // Between the thread's codes and the grabber's there is no text.
    EXPECT_EQ(CaptureErrorText(static_cast<int32_t>(0x80000006u), imaq), QString());
    EXPECT_EQ(CaptureErrorText(static_cast<int32_t>(0x80000063u), imaq), QString());
    EXPECT_EQ(CaptureErrorText(0, imaq), QString());
    EXPECT_EQ(CaptureErrorText(kImgErrTimeout, imaq), QStringLiteral("Timed out waiting for the buffer."));
    imaq.Unload();
}

TEST(CaptureTexts, RetriedErrorsAreTheRingConditionsAndRateTooFast)
{
    for (const int32_t code :
        { kCapErrRateTooFast, kImgErrNotAcquiring, kImgErrAcquiring, kImgErrNoBufferHeld }) {
        EXPECT_TRUE(IsRetriedCaptureError(code)) << std::hex << code;
    }
    for (const int32_t code : { 0, kCapErrWritingFile, kImgErrTimeout, kImgErrNoMemory, -1, -2 }) {
        EXPECT_FALSE(IsRetriedCaptureError(code)) << std::hex << code;
    }
}

TEST(CaptureRingRule, MemoryErrorsLeaveTenFewerAndSuccessKeepsWhatWasObtained)
{
    for (const int32_t memory : { kImgErrNoMemory, kImgErrNoBufferMemory, kImgErrNoLockableMemory }) {
        EXPECT_EQ(TCaptureRing::WantedAfter(memory, 70, 100), 60);
        EXPECT_EQ(TCaptureRing::WantedAfter(memory, 15, 100), 10);
        EXPECT_EQ(TCaptureRing::WantedAfter(memory, 0, 100), 10);
    }
    EXPECT_EQ(TCaptureRing::WantedAfter(0, 60, 60), 60);
    EXPECT_EQ(TCaptureRing::WantedAfter(kImgErrTimeout, 30, 60), 60);
    EXPECT_EQ(TCaptureRing::ClampWanted(5), 10);
    EXPECT_EQ(TCaptureRing::ClampWanted(600), 512);
    EXPECT_EQ(TCaptureRing::ClampWanted(77), 77);
}

TEST(CaptureFormats, ColourKeepsTheFirstThreeBytesAndOddWidthsArePadded)
{
    const CaptureFormat colour { 3, 2, true };
    EXPECT_EQ(colour.StoredRowBytes(), 12);
    EXPECT_EQ(colour.StoredFrameBytes(), 24u);
    EXPECT_EQ(colour.GrabberBufferBytes(), 24u);
    std::vector<uint8_t> grabbed(24);
    for (size_t i = 0; i < grabbed.size(); ++i) {
        grabbed[i] = static_cast<uint8_t>(i + 1);
    }
    std::vector<uint8_t> stored(24, 0xEE);
    colour.ToStored(grabbed.data(), stored.data());
    EXPECT_EQ(stored,
        (std::vector<uint8_t> {
            1, 2, 3, 5, 6, 7, 9, 10, 11, 0, 0, 0, 13, 14, 15, 17, 18, 19, 21, 22, 23, 0, 0, 0 }));

    const CaptureFormat grey { 5, 2, false };
    EXPECT_EQ(grey.StoredFrameBytes(), 16u);
    EXPECT_EQ(grey.StoredHeader().biClrUsed, 256u);
    EXPECT_EQ(grey.StoredPalette()[200].green, 200);
    EXPECT_EQ(grey.GrabberHeader().biBitCount, 8);
    EXPECT_EQ(colour.GrabberHeader().biBitCount, 32);
    EXPECT_EQ(colour.GrabberHeader().biSizeImage, 24u);
}

TEST(CaptureAviFile, AShortCaptureRewritesLengthsAndKeepsTheRequestInTheReservedValue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.avi"));
    const CaptureFormat format { 32, 16, false };
    std::vector<QByteArray> frames;
    {
        TCaptureAviFile file(path, format, 250);
        for (int i = 0; i < 3; ++i) {
            QByteArray frame(32 * 16, static_cast<char>(i * 50));
            file.WriteFrame(reinterpret_cast<const uint8_t*>(frame.constData()));
            frames.push_back(frame);
        }
        EXPECT_FALSE(QFileInfo::exists(path));
        file.Close();
    }
    EXPECT_EQ(ReadAll(path), (ExpectedCapture { 32, 16, false, 250, frames }.FileBytes()));
}

TEST(CaptureAviFile, NothingAppearsUnderTheNameUntilTheFileIsComplete)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clip.avi"));
    {
        TCaptureAviFile file(path, CaptureFormat { 32, 16, true }, 2);
        std::vector<uint8_t> grabbed(32 * 16 * 4, 9);
        file.WriteFrame(grabbed.data());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }
    // Destroyed without Close: the frames so far are written.
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_THROW(TCaptureAviFile(
                     dir.filePath(QStringLiteral("no/such/folder.avi")), CaptureFormat { 32, 16, true }, 2),
        Error);
}

TEST(CaptureDescriptor, CameraTypeCaptureCardTheOpeningTimeAndUnknownsElsewhere)
{
    const QDateTime opened(QDate(2024, 3, 9), QTime(14, 5, 6));
    const std::string block = CaptureDescriptorBlock(1.0, 0.0, opened);
    std::string value;
    ASSERT_TRUE(GetDescriptorValue(block, "Camera", "Camera Type", value));
    EXPECT_EQ(value, "Capture Card");
    for (const char* name : { "Camera ID", "Session ID", "Recording Rate", "Exposure Setting" }) {
        ASSERT_TRUE(GetDescriptorValue(block, "Camera", name, value)) << name;
        EXPECT_EQ(value, "?") << name;
    }
    ASSERT_TRUE(GetDescriptorValue(block, "Camera", "Date and Time", value));
    EXPECT_EQ(value, "2024-03-09 14:05:06");
    ASSERT_TRUE(GetDescriptorValue(block, "Timing", "Frame Rate", value));
    EXPECT_EQ(value, "1000");
    EXPECT_EQ(CaptureDescriptorBlock(2.5, -10.0, opened, { "Title=Run 4" }).find("[Titles]\rTitle=Run 4\r")
            != std::string::npos,
        true);
}

TEST(CapStream, HasNoFramesAndCarriesTheCompletionToItsHandler)
{
    TCapStream stream;
    EXPECT_EQ(stream.FrameCount(), 0);
    EXPECT_FALSE(stream.CanSave());
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(stream.LastCompletion());

    std::vector<int32_t> seen;
    stream.SetCompletionHandler(
        [&](const CaptureCompletion& completion) { seen.push_back(completion.frames_written); });
    CaptureCompletion completion;
    completion.frames_requested = 10;
    completion.frames_written = 7;
    completion.file_written = true;
    stream.SignalCompletion(completion);
    EXPECT_EQ(seen, std::vector<int32_t> { 7 });
    ASSERT_TRUE(stream.LastCompletion());
    EXPECT_FALSE(stream.LastCompletion()->Complete());
    completion.frames_written = 10;
    EXPECT_TRUE(completion.Complete());
}

} // namespace
} // namespace fw
