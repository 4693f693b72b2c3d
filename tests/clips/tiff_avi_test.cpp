#include "clips/tiff_avi.h"

#include <cstring>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "clips/descriptor_block.h"
#include "clips/frame_image.h"
#include "clips/save_thread.h"
#include "clips/tif_test_files.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {
namespace {

constexpr uint32_t kWidth = 6;
constexpr uint32_t kHeight = 4;

class TiffSequenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        installPrompt(&prompt_);
    }
    void TearDown() override { installPrompt(nullptr); }

    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // An 8-bit grey frame of one value, with the camera block when a rate code is given.
    void writeGrey(const char* name, uint8_t value, int rate_code = -1)
    {
        writeBytes(name,
            tif_test::GreyTiffWithCamera(
                kWidth, kHeight, std::vector<uint8_t>(kWidth * kHeight, value), rate_code));
    }

    void writeRgb(const char* name)
    {
        tif_test::Layout layout;
        layout.width = kWidth;
        layout.height = kHeight;
        ASSERT_TRUE(tif_test::WriteWithLibtiff(
            path(name).toStdString(), layout, std::vector<uint8_t>(kWidth * kHeight * 3, 9)));
    }

    void writeBytes(const char* name, const QByteArray& bytes)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static std::string cameraValue(const std::string& block, const char* section, const char* key)
    {
        std::string value;
        GetDescriptorValue(block, section, key, value);
        return value;
    }

    QTemporaryDir dir_;
    ScriptedPrompt prompt_;
};

TEST_F(TiffSequenceTest, FramesAreNumberedFromTheLowestFileNumber)
{
    writeGrey("shot7.tif", 70, 6);
    writeGrey("shot10.tif", 100, 6);
    writeGrey("shot8.tif", 80, 6);
    TTIFFAVI source;
    source.Open(path("shot8.tif"));
    EXPECT_EQ(source.LowestNumber(), 7);
    EXPECT_EQ(source.HighestNumber(), 9);
    EXPECT_EQ(source.FrameCount(), 3);
    EXPECT_EQ(source.FrameFileName(9), QStringLiteral("shot10.tif"));
    EXPECT_EQ(source.TypeName(), QStringLiteral("Video(Tiff)"));
    EXPECT_EQ(source.Pattern(), QDir(dir_.path()).absolutePath() + QStringLiteral("/*.tif"));
    EXPECT_EQ(source.BitsPerPixel(), 8);

    source.SetProcessing(false);
    FrameImage frame;
    source.PreviewFrame(9, frame);
    EXPECT_EQ(frame.topDownRow(0)[0], 100);
    source.PreviewFrame(7, frame);
    EXPECT_EQ(frame.topDownRow(kHeight - 1)[kWidth - 1], 70);
    EXPECT_TRUE(prompt_.questions().empty());
}

TEST_F(TiffSequenceTest, TheCameraBlockGivesTheDescriptorAndTheRate)
{
    writeGrey("f1.tif", 1, 5);
    writeGrey("f2.tif", 2, 5);
    writeGrey("f3.tif", 3, 5);
    TTIFFAVI source;
    source.Open(path("f1.tif"));
    EXPECT_EQ(source.FrameRate(), 500.0);
    std::string block = source.DescriptorText();
    EXPECT_EQ(cameraValue(block, "Camera", "Camera Type"), "HG Model 2000 Color (tif)");
    EXPECT_EQ(cameraValue(block, "Camera", "Camera ID"), "7");
    EXPECT_EQ(cameraValue(block, "Camera", "Session ID"), "3");
    EXPECT_EQ(cameraValue(block, "Camera", "Recording Rate"), "500");
    EXPECT_EQ(cameraValue(block, "Camera", "Exposure Setting"), "1 mS");
    EXPECT_EQ(cameraValue(block, "Timing", "Frame Rate"), "500");

    source.SetFrameRange(1, 3, 2);
    block = source.DescriptorText();
    EXPECT_EQ(cameraValue(block, "Timing", "Frame Rate"), "250");
    EXPECT_EQ(cameraValue(block, "Timing", "Time at Mark Frame"), "0");

    // The first file is time zero, whatever number it carries; a save from a later file keeps
    // that file's time.
    source.SetFrameRange(2, 3, 1);
    block = source.DescriptorText();
    EXPECT_EQ(cameraValue(block, "Timing", "Mark Frame"), "0");
    EXPECT_EQ(cameraValue(block, "Timing", "Time at Mark Frame"), "2");
    EXPECT_TRUE(prompt_.questions().empty());
}

TEST_F(TiffSequenceTest, WithoutACameraBlockTheUserIsWarnedAndTheClipRunsAt1000)
{
    writeGrey("a1.tif", 1);
    writeGrey("a2.tif", 2);
    TTIFFAVI source;
    source.Open(path("a2.tif"));
    ASSERT_EQ(prompt_.questions().size(), 1u);
    const ScriptedPrompt::Question warning = prompt_.questions().front();
    EXPECT_EQ(warning.kind, PromptKind::Warning);
    EXPECT_EQ(warning.caption, QStringLiteral("Imager Descriptor Block Missing or Invalid"));
    EXPECT_EQ(warning.text,
        QStringLiteral("Frame Rate could not be determined from file.\rTiming will default to 1000 frames "
                       "per second.\rChoose Edit | File Descriptors to set Timing."));
    EXPECT_EQ(source.FrameRate(), 1000.0);
    EXPECT_EQ(cameraValue(source.DescriptorText(), "Timing", "Frame Rate"), "1000");
    EXPECT_EQ(source.FrameCount(), 2);
}

TEST_F(TiffSequenceTest, AFrameOfAnotherDepthIsAFormatDifference)
{
    writeGrey("s1.tif", 10, 6);
    writeRgb("s2.tif");
    TTIFFAVI source;
    source.Open(path("s1.tif"));
    prompt_.queueAnswer(PromptButton::Ignore);
    std::vector<uint8_t> destination(size_t(source.ImageBytes()), 0);
    EXPECT_EQ(source.ReadFrame(1, destination.data()), kAskIgnore);
    ASSERT_EQ(prompt_.texts().size(), 1);
    EXPECT_EQ(prompt_.texts().constFirst(), QStringLiteral("s2.tif\rFormat differs from previous file(s)"));
    EXPECT_EQ(destination.front(), 127);
    EXPECT_EQ(source.ReadFrame(0, destination.data()), kReadFrameOk);
}

TEST_F(TiffSequenceTest, FilesThatCannotBeReadSayWhich)
{
    writeGrey("g1.tif", 10, 6);
    writeBytes("g2.tif", QByteArray("plain text, no picture"));
    TTIFFAVI source;
    source.Open(path("g1.tif"));
    prompt_.queueAnswer(PromptButton::Abort);
    std::vector<uint8_t> destination(size_t(source.ImageBytes()), 0);
    EXPECT_EQ(source.ReadFrame(1, destination.data()), kAskAbort);
    EXPECT_EQ(prompt_.texts().constLast(), QStringLiteral("g2.tif\rNot a TIFF Image File"));

    ASSERT_TRUE(QDir(dir_.path()).mkdir("bad"));
    writeBytes("bad/h1.tif", QByteArray("plain text, no picture"));
    writeGrey("bad/h2.tif", 10, 6);
    TTIFFAVI other;
    try {
        other.Open(path("bad/h2.tif"));
        ADD_FAILURE() << "opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("h1.tif\rNot a TIFF Image File"));
    }
    EXPECT_FALSE(other.IsOpen());
}

TEST_F(TiffSequenceTest, AnUnsortableNameCanCancelTheOpening)
{
    writeGrey("shot1.tif", 1, 6);
    writeGrey("notes.tif", 2, 6);
    TTIFFAVI source;
    prompt_.queueAnswer(PromptButton::Abort);
    try {
        source.Open(path("shot1.tif"));
        ADD_FAILURE() << "opened";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Preview Canceled"));
    }
    ASSERT_EQ(prompt_.questions().size(), 1u);
    EXPECT_EQ(prompt_.questions().front().text,
        QStringLiteral("File name \"notes\" cannot be numerically sorted."));
    EXPECT_EQ(
        prompt_.questions().front().buttons, PromptButton::Abort | PromptButton::Ignore | PromptButton::All);
    EXPECT_FALSE(source.IsOpen());

    prompt_.clear();
    prompt_.queueAnswer(PromptButton::Ignore);
    source.Open(path("shot1.tif"));
    EXPECT_EQ(source.FrameCount(), 2);
    EXPECT_EQ(source.FrameFileName(source.LowestNumber()), QStringLiteral("notes.tif"));
}

} // namespace
} // namespace fw
