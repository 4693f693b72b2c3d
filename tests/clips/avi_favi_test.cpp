#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include "clips/avi_clip_writer.h"
#include "clips/avi_encoders.h"
#include "clips/avi_favi.h"
#include "clips/avi_test_clips.h"
#include "clips/descriptor_block.h"
#include "clips/test_application.h"
#include "support/user_prompt.h"

namespace fw {
namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kFrames = 30;

void ensureApplication()
{
    test::EnsureApplication();
}

// Gains 1, gamma 1, no black levels, no sharpening: frames come out as the source has them.
void neutralProcessing(TBaseAVI& stream)
{
    ProcessingPipeline& pipeline = stream.Pipeline();
    pipeline.SetBlackLevels({ 0, 0, 0 });
    pipeline.SetGains(1.0F, 1.0F, 1.0F);
    pipeline.SetGamma(1.0F);
    pipeline.Sharpen().SetFilter(SharpenFilter::None);
}

// The top-down rectangle of a top-down blue-green-red picture.
std::vector<uint8_t> cut(const std::vector<uint8_t>& picture, int width, const FrameRect& rect)
{
    std::vector<uint8_t> out;
    for (int y = rect.top; y <= rect.bottom; ++y) {
        const auto row = picture.begin() + (size_t(y) * width + rect.left) * 3;
        out.insert(out.end(), row, row + rect.Width() * 3);
    }
    return out;
}

class AviFaviTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath("source.avi");
        ASSERT_TRUE(test::makeClip(path_, { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, kFrames));
        reference_ = test::referenceFrames(path_, kWidth, kHeight);
        ASSERT_EQ(reference_.size(), size_t(kFrames));
    }
    void TearDown() override { installPrompt(nullptr); }

    void setDescriptor(const std::string& block)
    {
        TAVISTREAM writer(QStringLiteral("AVI"));
        const auto chunk = DescriptorChunkBytes(block);
        writer.Open(path_);
        ASSERT_TRUE(writer.WriteData(kDescriptorChunkId, chunk.data(), int32_t(chunk.size())));
    }

    std::vector<uint8_t> frame(TAVIFAVI& stream, FrameAccess* access, int32_t index)
    {
        int32_t size = 0;
        const uint8_t* packed = nullptr;
        if (!stream.GetFrame(access, index, size, packed))
            return {};
        return test::topDownBgr(packed, size);
    }

    QTemporaryDir dir_;
    QString path_;
    std::vector<std::vector<uint8_t>> reference_;
};

TEST_F(AviFaviTest, ReadsTheSelectedFramesOfTheRangeAtTheInterval)
{
    TAVIFAVI stream;
    stream.Open(path_);
    neutralProcessing(stream);
    EXPECT_EQ(stream.FrameCount(), kFrames);
    EXPECT_EQ(stream.TypeName(), "Video");

    // The last number moves down onto the interval grid: 10, 13, ... 28.
    stream.SetFrameRange(10, 29, 3);
    ASSERT_EQ(stream.FrameCount(), 7);
    FrameAccess* access = nullptr;
    ASSERT_TRUE(stream.BeginFrameAccess(access));
    for (int32_t i = 0; i < 7; ++i)
        EXPECT_LE(test::maxDifference(frame(stream, access, i), reference_[size_t(10 + 3 * i)]), 1) << i;
    int32_t size = 0;
    const uint8_t* packed = nullptr;
    EXPECT_FALSE(stream.GetFrame(access, 7, size, packed));
    EXPECT_FALSE(stream.GetFrame(access, -1, size, packed));
    stream.EndFrameAccess(access);

    // Numbers beyond the clip are kept within it; a range running backwards is refused.
    stream.SetFrameRange(-5, 500, 1);
    EXPECT_EQ(stream.FrameCount(), kFrames);
    EXPECT_THROW(stream.SetFrameRange(20, 10, 1), Error);
}

TEST_F(AviFaviTest, CropsAndResizesThroughTheFrameReader)
{
    TAVIFAVI stream;
    stream.Open(path_);
    neutralProcessing(stream);
    const FrameRect rect { 8, 4, 39, 27 };
    stream.SetCrop(rect);
    stream.SetOutputSize(rect.Width(), rect.Height());
    FrameAccess* access = nullptr;
    ASSERT_TRUE(stream.BeginFrameAccess(access));
    EXPECT_LE(test::maxDifference(frame(stream, access, 3), cut(reference_[3], kWidth, rect)), 1);

    stream.SetOutputSize(16, 12);
    int32_t size = 0;
    const uint8_t* packed = nullptr;
    ASSERT_TRUE(stream.GetFrame(access, 0, size, packed));
    const FrameImage image = FrameImage::fromPacked(packed, size_t(size));
    EXPECT_EQ(image.width(), 16);
    EXPECT_EQ(image.height(), 12);
    EXPECT_EQ(int64_t(image.pixelBytes()), stream.ImageBytes());
    stream.EndFrameAccess(access);

    TAVIStreamInfo info;
    ASSERT_TRUE(stream.GetInfo(info));
    EXPECT_EQ(info.dwSuggestedBufferSize, uint32_t(16 * 3 * 12));
    EXPECT_EQ(info.rcFrame[2], 16);
    EXPECT_EQ(info.rcFrame[3], 12);
}

TEST_F(AviFaviTest, AppliesTheToneTables)
{
    TAVIFAVI stream;
    stream.Open(path_);
    neutralProcessing(stream);
    stream.Pipeline().SetGains(2.0F, 2.0F, 2.0F);
    FrameAccess* access = nullptr;
    ASSERT_TRUE(stream.BeginFrameAccess(access));
    const std::vector<uint8_t> doubled = frame(stream, access, 0);
    stream.EndFrameAccess(access);
    ASSERT_EQ(doubled.size(), reference_[0].size());
    int worst = 0;
    for (size_t i = 0; i < doubled.size(); ++i)
        worst = std::max(worst, std::abs(int(doubled[i]) - std::min(2 * int(reference_[0][i]), 255)));
    EXPECT_LE(worst, 2);
}

TEST_F(AviFaviTest, SavedFramesKeepTheirSourceTimes)
{
    setDescriptor(
        "[Timing]\rFrame Rate=2000\rMark Frame=5\rTime at Mark Frame=0\r[Camera]\rCamera Type=HG\r");
    TAVIFAVI stream;
    stream.Open(path_);
    EXPECT_DOUBLE_EQ(stream.FrameRate(), 2000.0);
    stream.SetFrameRange(10, 29, 3);

    const std::string block = stream.DescriptorText();
    const DescriptorTiming source = ParseDescriptorTiming(stream.SourceDescriptor());
    const DescriptorTiming saved = ParseDescriptorTiming(block);
    EXPECT_DOUBLE_EQ(saved.frame_period_ms, 1.5);
    for (int32_t j = 0; j < stream.FrameCount(); ++j) {
        const double source_time
            = source.first_frame_time_ms + stream.SourceNumber(j) * source.frame_period_ms;
        EXPECT_NEAR(saved.first_frame_time_ms + j * saved.frame_period_ms, source_time, 1e-9) << j;
    }
    EXPECT_NEAR(saved.first_frame_time_ms, 2.5, 1e-9);
    std::string camera;
    EXPECT_TRUE(GetDescriptorValue(block, "Camera", "Camera Type", camera));
    EXPECT_EQ(camera, "HG");

    // A mark on a saved frame stays on it, with its own time.
    stream.SetFrameRange(1, 29, 2);
    std::string mark;
    ASSERT_TRUE(GetDescriptorValue(stream.DescriptorText(), "Timing", "Mark Frame", mark));
    EXPECT_EQ(mark, "2");
    EXPECT_NEAR(ParseDescriptorTiming(stream.DescriptorText()).first_frame_time_ms, -2.0, 1e-9);
}

TEST_F(AviFaviTest, ClipWithoutDescriptorRunsAtOneThousandFramesPerSecond)
{
    TAVIFAVI stream;
    stream.Open(path_);
    EXPECT_TRUE(stream.SourceDescriptor().empty());
    EXPECT_DOUBLE_EQ(stream.FrameRate(), 1000.0);
    stream.SetFrameRange(4, 20, 4);
    const DescriptorTiming saved = ParseDescriptorTiming(stream.DescriptorText());
    EXPECT_DOUBLE_EQ(saved.frame_period_ms, 4.0);
    EXPECT_DOUBLE_EQ(saved.first_frame_time_ms, 4.0);
}

TEST_F(AviFaviTest, SaveWritesTheSelectedProcessedFrames)
{
    TAVIFAVI stream;
    stream.Open(path_);
    neutralProcessing(stream);
    stream.SetFrameRange(2, 12, 5);
    stream.CompressOptions().fccHandler = kUncompressedCode;
    stream.CompressOptions().options_ok = true;
    const QString target = dir_.filePath("saved.avi");
    QEventLoop loop;
    int32_t result = -1;
    stream.StartSave(
        1, "Video Clip File", target, [](int) { return 0; },
        [&](TAVISTREAM&, int32_t code) {
            result = code;
            loop.quit();
        });
    if (result == -1)
        loop.exec();
    ASSERT_EQ(result, avierr::kOk);

    const auto saved = test::referenceFrames(target, kWidth, kHeight);
    ASSERT_EQ(saved.size(), 3U);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_LE(test::maxDifference(saved[i], reference_[2 + 5 * i]), 1) << i;
}

// With processing off the default pipeline (black levels 15, 10, 0 and the tone tables) is
// skipped: frames and the preview come out exactly as read.
TEST_F(AviFaviTest, FramesAsReadSkipThePipeline)
{
    TAVIFAVI stream;
    stream.Open(path_);
    ASSERT_TRUE(stream.Processing());
    stream.SetProcessing(false);
    stream.SetFrameRange(4, 9, 5);
    FrameAccess* access = nullptr;
    ASSERT_TRUE(stream.BeginFrameAccess(access));
    EXPECT_EQ(frame(stream, access, 0), reference_[4]);
    EXPECT_EQ(frame(stream, access, 1), reference_[9]);
    stream.EndFrameAccess(access);
    FrameImage preview;
    stream.PreviewFrame(7, preview);
    EXPECT_EQ(test::topDownBgr(preview.packed(), int32_t(preview.packedSize())), reference_[7]);

    stream.SetProcessing(true);
    stream.PreviewFrame(7, preview);
    EXPECT_NE(test::topDownBgr(preview.packed(), int32_t(preview.packedSize())), reference_[7]);
}

TEST_F(AviFaviTest, UnreadableFrameIsFilledAndTheUserAsked)
{
    TAVIFAVI stream;
    stream.Open(path_);
    ScriptedPrompt prompt;
    installPrompt(&prompt);
    prompt.queueAnswer(PromptButton::Ignore);
    prompt.queueAnswer(PromptButton::Abort);
    std::vector<uint8_t> buffer(size_t(stream.ImageBytes()), 0);
    EXPECT_EQ(stream.ReadFrame(kFrames, buffer.data()), kAskIgnore);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 127), ptrdiff_t(buffer.size()));
    EXPECT_EQ(stream.ReadFrame(-1, buffer.data()), kAskAbort);
    EXPECT_EQ(prompt.questions().size(), 2U);
    EXPECT_EQ(stream.ReadFrame(0, buffer.data()), kReadFrameOk);
    installPrompt(nullptr);
}

TEST(AviFaviOpen, RefusesWhatIsNoClip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("noise.avi");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4000, 'x'));
    file.close();
    TAVIFAVI stream;
    EXPECT_THROW(stream.Open(path), Error);
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_THROW(stream.Open(dir.filePath("missing.avi")), Error);
    EXPECT_EQ(stream.FrameCount(), 0);
}

// The bytes of a frame file.
QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Bits per pixel of a bitmap file, and whether its colour table is grey.
int bitmapBits(const QByteArray& bmp, bool* grey_table = nullptr)
{
    if (bmp.size() < 54)
        return 0;
    const int bits = uint8_t(bmp[28]) | uint8_t(bmp[29]) << 8;
    if (grey_table) {
        *grey_table = bits == 8 && bmp.size() >= 54 + 1024;
        for (int i = 0; i < 256 && *grey_table; ++i) {
            const char* entry = bmp.constData() + 54 + 4 * i;
            *grey_table = uint8_t(entry[0]) == i && uint8_t(entry[1]) == i && uint8_t(entry[2]) == i;
        }
    }
    return bits;
}

class AviFaviPalette : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        ASSERT_TRUE(dir_.isValid());
    }
    void TearDown() override { installPrompt(nullptr); }

    // Scatters every frame of `stream` as bitmap files into a new folder and returns it.
    QString scatterBitmaps(TAVIFAVI& stream, const char* name)
    {
        const QString folder = dir_.filePath(QLatin1String(name));
        EXPECT_TRUE(stream.ScatterFrames(folder, 3, nullptr));
        return folder;
    }

    QTemporaryDir dir_;
};

// Indices of a colour palette are no grey values: the frames are processed as the colours the
// palette gives, exactly as ffmpeg decodes them.
TEST_F(AviFaviPalette, ColourPalettesAreProcessedAsTheirColours)
{
    const QString palette = dir_.filePath("palette.avi");
    ASSERT_TRUE(test::makeClip(palette, { "-c:v", "rawvideo", "-pix_fmt", "pal8" }, 5));
    const auto reference = test::referenceFrames(palette, kWidth, kHeight);
    ASSERT_EQ(reference.size(), 5U);
    {
        // The clip stream itself hands out 8-bit frames with the clip's palette.
        test::OpenClip clip(palette);
        int bits = 0;
        EXPECT_EQ(clip.frame(1, &bits), reference[1]);
        EXPECT_EQ(bits, 8);
    }

    TAVIFAVI stream;
    stream.Open(palette);
    neutralProcessing(stream);
    EXPECT_TRUE(stream.IsColour());
    EXPECT_EQ(stream.BitsPerPixel(), 24);
    EXPECT_EQ(stream.PaletteSize(), 0);
    EXPECT_EQ(stream.ImageBytes(), int64_t(kWidth) * 3 * kHeight);
    stream.SetFrameRange(1, 4, 3);
    FrameAccess* access = nullptr;
    ASSERT_TRUE(stream.BeginFrameAccess(access));
    for (int32_t i = 0; i < 2; ++i) {
        int32_t size = 0;
        const uint8_t* packed = nullptr;
        ASSERT_TRUE(stream.GetFrame(access, i, size, packed));
        EXPECT_EQ(test::topDownBgr(packed, size), reference[size_t(1 + 3 * i)]) << i;
    }
    stream.EndFrameAccess(access);

    // Frame files get the colours too.
    stream.SetFrameRange(0, 4, 1);
    const QString folder = scatterBitmaps(stream, "colour");
    const QByteArray bmp = fileBytes(QDir(folder).filePath("F0000002.bmp"));
    ASSERT_EQ(bitmapBits(bmp), 24);
    EXPECT_EQ(
        test::topDownBgr(reinterpret_cast<const uint8_t*>(bmp.constData()) + 14, int32_t(bmp.size() - 14)),
        reference[2]);
}

// Grey clips stay 8-bit, whether their pictures come as grey values or through a palette that
// maps every index to its grey, and their frame files stay 8-bit palette images.
TEST_F(AviFaviPalette, GreyClipsStayGreyAndScatterAsPaletteImages)
{
    const QString grey = dir_.filePath("grey.avi");
    ASSERT_TRUE(test::makeClip(grey, { "-c:v", "rawvideo", "-pix_fmt", "gray" }, 3));
    const QString grey_palette = dir_.filePath("grey-palette.avi");
    {
        CompressionOptions options;
        options.fccHandler = kUncompressedCode;
        AviClipWriter writer(grey_palette, options, 25, 1);
        for (int i = 0; i < 3; ++i) {
            FrameImage frame(kWidth, kHeight, 8);
            for (size_t p = 0; p < frame.pixelBytes(); ++p)
                frame.pixels()[p] = uint8_t(p + size_t(i) * 40);
            writer.WriteFrame(frame.packed(), frame.packedSize());
        }
        writer.Finish();
    }
    for (const QString& path : { grey, grey_palette }) {
        SCOPED_TRACE(path.toStdString());
        TAVIFAVI stream;
        stream.Open(path);
        neutralProcessing(stream);
        EXPECT_FALSE(stream.IsColour());
        EXPECT_EQ(stream.PaletteSize(), 256);
        const QString folder = scatterBitmaps(stream, path == grey ? "grey" : "grey-palette");
        bool grey_table = false;
        const QByteArray bmp = fileBytes(QDir(folder).filePath("F0000001.bmp"));
        EXPECT_EQ(bitmapBits(bmp, &grey_table), 8);
        EXPECT_TRUE(grey_table);
        const auto reference = test::referenceFrames(path, kWidth, kHeight);
        ASSERT_EQ(reference.size(), 3U);
        EXPECT_LE(test::maxDifference(test::topDownBgr(reinterpret_cast<const uint8_t*>(bmp.constData()) + 14,
                                          int32_t(bmp.size() - 14)),
                      reference[1]),
            1);
    }
}

// A grey clip whose palette turns to colours later cannot go on the grey path without losing
// them: that frame is refused with the format message and the user asked.
TEST_F(AviFaviPalette, ColourPaletteAfterGreyFramesIsRefused)
{
    const QString path = dir_.filePath("changing.avi");
    {
        CompressionOptions options;
        options.fccHandler = kUncompressedCode;
        AviClipWriter writer(path, options, 25, 1);
        for (int i = 0; i < 2; ++i) {
            FrameImage frame(kWidth, kHeight, 8);
            std::fill_n(frame.pixels(), frame.pixelBytes(), uint8_t(60));
            if (i == 1)
                frame.colourTable()[60] = RgbQuad { 200, 10, 10, 0 };
            writer.WriteFrame(frame.packed(), frame.packedSize());
        }
        writer.Finish();
    }
    {
        // The clip stream shows the change.
        test::OpenClip clip(path);
        const std::vector<uint8_t> changed = clip.frame(1);
        ASSERT_FALSE(changed.empty());
        EXPECT_EQ(changed[0], 200);
    }
    TAVIFAVI stream;
    stream.Open(path);
    EXPECT_FALSE(stream.IsColour());
    ScriptedPrompt prompt;
    prompt.setFallback(PromptButton::Abort);
    installPrompt(&prompt);
    FrameAccess* access = nullptr;
    ASSERT_TRUE(stream.BeginFrameAccess(access));
    int32_t size = 0;
    const uint8_t* packed = nullptr;
    EXPECT_TRUE(stream.GetFrame(access, 0, size, packed));
    EXPECT_FALSE(stream.GetFrame(access, 1, size, packed));
    stream.EndFrameAccess(access);
    installPrompt(nullptr);
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts()[0].endsWith("Format differs from previous file(s)"));
}

} // namespace
} // namespace fw
