#include "clips/bayer.h"

#include <cstring>
#include <vector>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "clips/avi_clip_writer.h"
#include "clips/bayer_interpolation.h"
#include "clips/descriptor_block.h"
#include "clips/frame_image.h"
#include "clips/save_thread.h"
#include "clips/test_application.h"

namespace fw {
namespace {

constexpr int32_t kW = 512;
constexpr int32_t kH = 144;
constexpr size_t kMosaic = size_t(kW) * kH;

class BayerTest : public ::testing::Test {
protected:
    void SetUp() override { installPrompt(&prompt_); }
    void TearDown() override { installPrompt(nullptr); }

    // A 512 x 144 frame file whose mosaic depends on `seed`; camera code 1 (colour) unless given.
    QString WriteFrame(const QString& name, uint8_t seed, uint8_t camera_code = 1)
    {
        std::vector<uint8_t> bytes(kMosaic + kBayRecordBytes, 0);
        for (size_t i = 0; i < kMosaic; ++i)
            bytes[i] = uint8_t(i * 7 + seed * 31 + i / 1024);
        std::memcpy(bytes.data() + kMosaic, "EK BAY 2", 8);
        bytes[kMosaic + 8] = camera_code;
        bytes[kMosaic + 10] = 42; // camera ID
        bytes[kMosaic + 11] = 3; // 125 frames per second
        const uint8_t date[6] = { 0x05, 0x04, 0x03, 0x02, 0x01, 0x07 }; // 2007-01-02 03:04:05
        std::memcpy(bytes.data() + kMosaic + 33, date, 6);
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
        mosaics_.push_back(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(kMosaic)));
        return path;
    }

    std::vector<uint8_t> Expected(size_t frame, bool color)
    {
        std::vector<uint8_t> dib(kMosaic * 3);
        RenderBayerFrame(BayerMosaic(mosaics_[frame].data(), kW, kH), color, bayer_.Pipeline(), dib.data());
        return dib;
    }

    QTemporaryDir dir_;
    ScriptedPrompt prompt_;
    TBayer bayer_;
    std::vector<std::vector<uint8_t>> mosaics_;
    std::vector<uint8_t> dib_ = std::vector<uint8_t>(kMosaic * 3);
};

TEST_F(BayerTest, RendersEveryFrameThroughThePipeline)
{
    WriteFrame("F00001.bay", 1);
    WriteFrame("F00002.bay", 2);
    bayer_.Open(dir_.filePath("F00002.bay"));
    ASSERT_EQ(bayer_.FrameCount(), 2);
    EXPECT_EQ(bayer_.FrameBytes(), int64_t(kMosaic * 3));
    EXPECT_TRUE(bayer_.Pipeline().ColorInterpolation());
    bayer_.Pipeline().Sharpen().SetFilter(SharpenFilter::Clip);
    for (int32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(bayer_.RenderFrame(i, dib_.data()), kBayFrameDone);
        EXPECT_EQ(dib_, Expected(size_t(i), true)) << i;
    }
    EXPECT_TRUE(prompt_.texts().isEmpty());

    TAVIStreamInfo info;
    ASSERT_TRUE(bayer_.GetInfo(info));
    EXPECT_EQ(info.fccHandler, fourcc('F', 'W', 'r', 't'));
    EXPECT_EQ(info.dwRate, 15u);
    EXPECT_EQ(info.dwLength, 2u);
    EXPECT_EQ(info.dwSuggestedBufferSize, uint32_t(kMosaic * 3));
    EXPECT_EQ(info.rcFrame[2], kW);
    EXPECT_EQ(info.rcFrame[3], kH);

    FrameAccess* access = nullptr;
    ASSERT_TRUE(bayer_.BeginFrameAccess(access));
    int32_t size = 0;
    const uint8_t* packed = nullptr;
    ASSERT_TRUE(bayer_.GetFrame(access, 1, size, packed));
    const FrameImage frame = FrameImage::fromPacked(packed, size_t(size));
    EXPECT_EQ(frame.bitsPerPixel(), 24);
    EXPECT_EQ(std::vector<uint8_t>(frame.pixels(), frame.pixels() + frame.pixelBytes()), Expected(1, true));
    EXPECT_FALSE(bayer_.GetFrame(access, 2, size, packed));
    bayer_.EndFrameAccess(access);
}

TEST_F(BayerTest, MonochromeCamerasAreSpreadAsGrey)
{
    WriteFrame("F00001.bay", 5, kBayMonochromeCameraCode);
    bayer_.Open(dir_.filePath("F00001.bay"));
    EXPECT_FALSE(bayer_.Pipeline().ColorInterpolation());
    EXPECT_EQ(bayer_.RenderFrame(0, dib_.data()), kBayFrameDone);
    EXPECT_EQ(dib_, Expected(0, false));
}

// Frame numbers start at the lowest file number, also below zero; without processing the
// frames come from the raw pass alone.
TEST_F(BayerTest, RawFramesInTheOrderOfTheirNumbers)
{
    WriteFrame("F00002.bay", 3);
    WriteFrame("F-0001.bay", 1);
    WriteFrame("F00000.bay", 2);
    bayer_.Open(dir_.filePath("F00000.bay"));
    ASSERT_EQ(bayer_.FrameCount(), 3);
    EXPECT_EQ(bayer_.Sequence().LowestNumber(), -1);
    EXPECT_EQ(bayer_.Sequence().ZeroFramePosition(), 2);
    bayer_.SetProcessing(false);
    bayer_.Pipeline().SetGamma(2.0f);
    const size_t written_as[] = { 1, 2, 0 }; // F-0001, F00000, F00002
    for (int32_t i = 0; i < 3; ++i) {
        std::vector<uint8_t> raw(kMosaic * 3);
        InterpolateBayerRaw(BayerMosaic(mosaics_[written_as[i]].data(), kW, kH), true, raw.data());
        EXPECT_EQ(bayer_.RenderFrame(i, dib_.data()), kBayFrameDone);
        EXPECT_EQ(dib_, raw) << i;
    }
    bayer_.SetProcessing(true);
    EXPECT_EQ(bayer_.RenderFrame(0, dib_.data()), kBayFrameDone);
    EXPECT_EQ(dib_, Expected(1, true));
}

TEST_F(BayerTest, DescriptorsComeFromTheCameraRecord)
{
    WriteFrame("F00001.bay", 1);
    bayer_.Open(dir_.filePath("F00001.bay"));
    ASSERT_EQ(bayer_.RenderFrame(0, dib_.data()), kBayFrameDone);
    EXPECT_EQ(bayer_.FrameDateTime(), QDateTime(QDate(2007, 1, 2), QTime(3, 4, 5)));
    const std::string block = ReadStreamDescriptors(bayer_);
    std::string value;
    EXPECT_TRUE(GetDescriptorValue(block, "Camera", "Camera Type", value));
    EXPECT_EQ(value, "HG Color");
    EXPECT_TRUE(GetDescriptorValue(block, "Camera", "Camera ID", value));
    EXPECT_EQ(value, "42");
    EXPECT_TRUE(GetDescriptorValue(block, "Timing", "Frame Rate", value));
    EXPECT_EQ(value, "125");

    // Without a valid recorded date the file's own time stands in.
    std::vector<uint8_t> bytes(kMosaic + kBayRecordBytes, 0);
    std::memcpy(bytes.data() + kMosaic, "EK BAYER", 8);
    bytes[kMosaic + 37] = 0x13; // month 13
    QFile file(dir_.filePath("F00001.bay"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    file.close();
    ASSERT_EQ(bayer_.RenderFrame(0, dib_.data()), kBayFrameDone);
    EXPECT_EQ(bayer_.FrameDateTime(), QFileInfo(file.fileName()).lastModified());
}

TEST_F(BayerTest, AFirstFileThatCannotBeUsedLeavesNoFrames)
{
    const QString missing = dir_.filePath("F00001.bay");
    bayer_.Open(missing);
    EXPECT_EQ(bayer_.FrameCount(), 0);
    QFile small(dir_.filePath("F00002.bay"));
    ASSERT_TRUE(small.open(QIODevice::WriteOnly));
    small.write("EK BAY 2");
    small.close();
    bayer_.Open(small.fileName());
    EXPECT_EQ(bayer_.FrameCount(), 0);
    EXPECT_EQ(prompt_.texts(),
        QStringList({ "File " + missing + " not found.",
            "File \"" + small.fileName() + "\" size is invalid for a BAY file." }));
    FrameAccess* access = nullptr;
    EXPECT_FALSE(bayer_.BeginFrameAccess(access));
    EXPECT_EQ(bayer_.RenderFrame(0, dib_.data()), kAskAbort); // the scripted fallback: Abort
}

TEST_F(BayerTest, FilesLostAfterOpeningGiveAGreyFrameAndTheirMessage)
{
    WriteFrame("F00001.bay", 1);
    const QString gone = WriteFrame("F00002.bay", 2);
    const QString cut = WriteFrame("F00003.bay", 3);
    bayer_.Open(dir_.filePath("F00001.bay"));
    ASSERT_EQ(bayer_.FrameCount(), 3);
    QFile::remove(gone);
    QFile::resize(cut, 5000);

    prompt_.setFallback(PromptButton::Ignore);
    EXPECT_EQ(bayer_.RenderFrame(1, dib_.data()), kAskIgnore);
    EXPECT_EQ(dib_, std::vector<uint8_t>(dib_.size(), 127));
    EXPECT_TRUE(bayer_.Record().Signature() == std::string(8, '\0'));
    prompt_.queueAnswer(PromptButton::Retry);
    EXPECT_EQ(bayer_.RenderFrame(2, dib_.data()), kAskRetry);
    EXPECT_EQ(prompt_.texts(),
        QStringList({ "File " + gone + " not found.", cut + " size differs from previous file(s)" }));

    // A save stops at an aborted frame.
    prompt_.queueAnswer(PromptButton::Abort);
    FrameAccess* access = nullptr;
    ASSERT_TRUE(bayer_.BeginFrameAccess(access));
    int32_t size = 0;
    const uint8_t* packed = nullptr;
    EXPECT_FALSE(bayer_.GetFrame(access, 1, size, packed));
    EXPECT_TRUE(bayer_.GetFrame(access, 2, size, packed)); // Ignore: the grey frame goes out
    bayer_.EndFrameAccess(access);

    prompt_.clear();
    bayer_.SetQuiet(true);
    EXPECT_EQ(bayer_.RenderFrame(1, dib_.data()), kAskIgnore);
    EXPECT_TRUE(prompt_.texts().isEmpty());
    EXPECT_EQ(bayer_.RenderFrame(0, dib_.data()), kBayFrameDone);
}

TEST_F(BayerTest, SavesEveryFrameAsABayFile)
{
    for (int i = 1; i <= 3; ++i)
        WriteFrame(QStringLiteral("F0000%1.bay").arg(i), uint8_t(i));
    bayer_.Open(dir_.filePath("F00001.bay"));
    bayer_.SetWord(size_t(BayWord::Magic), kBayProcessingMagic);
    bayer_.Writer().SetTitles("Test=1");
    std::vector<int> percents;
    const QString out = dir_.filePath("saved");
    EXPECT_EQ(bayer_.SaveBayerFiles(out,
                  [&percents](int percent) {
                      percents.push_back(percent);
                      return 0;
                  }),
        0);
    EXPECT_EQ(percents, (std::vector<int> { 33, 66, 100 }));
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList({ "F00001.bay", "F00002.bay", "F00003.bay" }));

    TBayer saved;
    saved.Open(out + "/F00002.bay");
    ASSERT_EQ(saved.RenderFrame(1, dib_.data()), kBayFrameDone);
    EXPECT_EQ(dib_, Expected(1, true));
    EXPECT_TRUE(saved.Record().ProcessingBlockValid());
    EXPECT_EQ(saved.Record().Titles(), "Test=1");
    // 125 frames per second: 8 ms a frame.
    EXPECT_EQ(saved.Record().Word(BayWord::TimeMilliseconds), 8);

    // Rendering after the save writes nothing more.
    QDir(out).removeRecursively();
    ASSERT_EQ(bayer_.RenderFrame(0, dib_.data()), kBayFrameDone);
    EXPECT_FALSE(QDir(out).exists());

    EXPECT_EQ(
        bayer_.SaveBayerFiles(out, [](int percent) { return percent > 50 ? 1 : 0; }), avierr::kUserAbort);
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 2);
}

TEST_F(BayerTest, BayerFilesDirectoryIsAFrameFileTypeAfterTheClipTypes)
{
    ASSERT_EQ(bayer_.TypeCount(), kBayerFilesType);
    EXPECT_EQ(bayer_.TypeCaption(1), "Video Clip File");
    EXPECT_EQ(bayer_.TypeCaption(kBayerFilesType), "Bayer Files Directory");
    EXPECT_EQ(bayer_.TypeFilter(kBayerFilesType), "Bayer - Image Files Directory|*.~~~");
    EXPECT_EQ(bayer_.FrameFileFormat(kBayerFilesType), "F%6.5d.bay");
    EXPECT_FALSE(bayer_.IsClipType(kBayerFilesType));
}

// The save of the selected frames as BAY files runs on the save thread like any frame-file save,
// and a cancel from the progress stops it.
TEST_F(BayerTest, SavingAsBayerFilesWritesTheSelectedFramesOnTheSaveThread)
{
    test::EnsureApplication();
    for (uint8_t i = 1; i <= 5; ++i)
        WriteFrame(QStringLiteral("F%1.bay").arg(i, 5, 10, QLatin1Char('0')), i);
    bayer_.Open(dir_.filePath("F00001.bay"));
    bayer_.Sequence().SetFrameSelection(1, 2, 2);
    const auto save = [this](const QString& target, int stop_at) {
        QEventLoop loop;
        int32_t result = -1;
        bayer_.StartSave(
            kBayerFilesType, "Bayer Files Directory", target,
            [stop_at](int percent) { return percent >= stop_at ? avierr::kUserAbort : 0; },
            [&](TAVISTREAM&, int32_t code) {
                result = code;
                loop.quit();
            });
        if (result == -1)
            loop.exec();
        return result;
    };
    EXPECT_EQ(save(dir_.filePath("out"), 1000), avierr::kOk);
    EXPECT_EQ(QDir(dir_.filePath("out")).entryList(QDir::Files), QStringList({ "F00002.bay", "F00004.bay" }));
    TBayer saved;
    saved.Open(dir_.filePath("out/F00004.bay"));
    ASSERT_EQ(saved.RenderFrame(1, dib_.data()), kBayFrameDone);
    EXPECT_EQ(dib_, Expected(3, true));

    EXPECT_NE(save(dir_.filePath("cut"), 50), avierr::kOk);
    EXPECT_EQ(QDir(dir_.filePath("cut")).entryList(QDir::Files).size(), 1);
}

} // namespace
} // namespace fw
