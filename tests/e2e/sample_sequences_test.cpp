// End-to-end tests of the samples recorded as folders of frame files: made by fw-make-samples,
// opened as clips by the BAY and TIFF sequence sources.

#include <cmath>
#include <initializer_list>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QPointF>

#include "clips/avi_stream.h"
#include "clips/bayer.h"
#include "clips/bayer_interpolation.h"
#include "clips/descriptor_block.h"
#include "clips/frame_image.h"
#include "clips/processing_tone.h"
#include "clips/tiff_avi.h"
#include "samples_fixture.h"
#include "support/user_prompt.h"

namespace fw::e2e {
namespace {

constexpr int kBayWidth = 512;
constexpr int kBayHeight = 384;
constexpr int kBayFrames = 150; // F-0050 .. F00099
constexpr int kBayZeroIndex = 50;

struct Entry {
    const char* section;
    const char* name;
    const char* value;
};

void expectEntries(const std::string& block, std::initializer_list<Entry> entries)
{
    for (const Entry& entry : entries) {
        std::string value;
        EXPECT_TRUE(GetDescriptorValue(block, entry.section, entry.name, value)) << entry.name;
        EXPECT_EQ(value, entry.value) << entry.name;
    }
}

// Centroid, as top-down (x, y), of the pixels (x, y) of a frame that `belongs` accepts;
// (-1, -1) when fewer than 50 do.
template <typename Test> QPointF centroid(const FrameImage& frame, Test belongs)
{
    double sum_x = 0, sum_y = 0, count = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (belongs(x, y)) {
                sum_x += x;
                sum_y += y;
                ++count;
            }
    return count >= 50 ? QPointF(sum_x / count, sum_y / count) : QPointF(-1, -1);
}

class FrameFileSamplesTest : public SamplesTest {
protected:
    void SetUp() override
    {
        SamplesTest::SetUp();
        installPrompt(&prompt_);
    }
    void TearDown() override { installPrompt(nullptr); }

    ScriptedPrompt prompt_;
};

class BouncingBallBayTest : public FrameFileSamplesTest {
protected:
    void SetUp() override
    {
        FrameFileSamplesTest::SetUp();
        bayer_.Open(samplePath("Bouncing Ball BAY/F00000.bay"));
    }

    FrameImage render(int32_t index)
    {
        FrameImage frame(kBayWidth, kBayHeight, 24);
        EXPECT_EQ(bayer_.RenderFrame(index, frame.pixels()), kBayFrameDone) << index;
        return frame;
    }

    // The green ball of a rendered frame: pixels that are green with their four neighbours, so
    // the green fringes the mosaic leaves along thin dark lines do not count.
    static QPointF ballCentre(const FrameImage& frame)
    {
        const auto green = [&frame](int x, int y) {
            if (x < 0 || y < 0 || x >= frame.width() || y >= frame.height())
                return false;
            const uint8_t* bgr = frame.topDownRow(y) + 3 * x;
            return bgr[1] - bgr[2] > 60 && bgr[1] - bgr[0] > 60;
        };
        return centroid(frame, [&green](int x, int y) {
            return green(x, y) && green(x - 1, y) && green(x + 1, y) && green(x, y - 1) && green(x, y + 1);
        });
    }

    TBayer bayer_;
};

TEST_F(BouncingBallBayTest, OpensAsAColourSequenceAt1000FramesPerSecondWithTheTriggerAtFileZero)
{
    const QDir folder(samplePath("Bouncing Ball BAY"));
    const QStringList files = folder.entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), kBayFrames);
    for (const QString& file : files)
        EXPECT_EQ(QFileInfo(folder.filePath(file)).size(), 512 * 384 + 1024) << file.toStdString();

    ASSERT_EQ(bayer_.FrameCount(), kBayFrames);
    EXPECT_EQ(bayer_.Width(), kBayWidth);
    EXPECT_EQ(bayer_.Height(), kBayHeight);
    EXPECT_EQ(bayer_.Sequence().FileName(0), QStringLiteral("F-0050.bay"));
    EXPECT_EQ(bayer_.Sequence().FileName(kBayZeroIndex), QStringLiteral("F00000.bay"));
    EXPECT_EQ(bayer_.Sequence().FileName(kBayFrames - 1), QStringLiteral("F00099.bay"));
    EXPECT_EQ(bayer_.Sequence().ZeroFramePosition(), kBayZeroIndex + 1);
    EXPECT_TRUE(bayer_.Pipeline().ColorInterpolation());

    render(kBayZeroIndex);
    const BayRecord record = bayer_.Record();
    EXPECT_EQ(record.Signature(), "EK BAY 2");
    EXPECT_EQ(record.Titles(), "Bouncing Ball");
    EXPECT_EQ(bayer_.FrameRate(), 1000);
    const std::string block = ReadStreamDescriptors(bayer_);
    expectEntries(block,
        { { "Camera", "Camera Type", "HG Color" }, { "Camera", "Recording Rate", "1000" },
            { "Camera", "Exposure Setting", "100 uS" }, { "Camera", "Session ID", "3" },
            { "Camera", "Camera ID", "12" }, { "Camera", "Date and Time", "2026-06-01 12:00:00" },
            { "Timing", "Frame Rate", "1000" } });
    EXPECT_TRUE(prompt_.texts().isEmpty()) << prompt_.texts().join(u'|').toStdString();
}

// The mosaic holds the scene as the sensor sees it under tungsten light: interpolated without
// processing, each channel is the scene's value scaled to the "Tungsten" white level. A wrong
// cell order would swap red and blue or mix in green.
TEST_F(BouncingBallBayTest, TheMosaicHoldsTheScenesColoursAsSensedUnderTungstenLight)
{
    const QByteArray bytes = readFile(samplePath("Bouncing Ball BAY/F00000.bay"));
    ASSERT_EQ(bytes.size(), kBayWidth * kBayHeight + 1024);
    FrameImage frame(kBayWidth, kBayHeight, 24);
    InterpolateBayerRaw(
        BayerMosaic(reinterpret_cast<const uint8_t*>(bytes.constData()), kBayWidth, kBayHeight), true,
        frame.pixels());
    const ChannelLevels& white = kColorTemperatures[kTungstenIndex].white;
    const auto near = [&](int x, int y, int red, int green, int blue) {
        const uint8_t* bgr = frame.topDownRow(y) + 3 * x;
        EXPECT_NEAR(bgr[2], red * white[kRed] / 255, 2) << x << "," << y;
        EXPECT_NEAR(bgr[1], green * white[kGreen] / 255, 2) << x << "," << y;
        EXPECT_NEAR(bgr[0], blue * white[kBlue] / 255, 2) << x << "," << y;
    };
    near(256, 318, 40, 170, 60); // the ball
    near(150, 370, 225, 215, 170); // the floor
    near(300, 100, 222, 229, 235); // the backdrop, a third of the way down

    // Under the default processing the ball shows green and the floor warm.
    const FrameImage shown = render(kBayZeroIndex);
    const uint8_t* ball = shown.topDownRow(318) + 3 * 256;
    EXPECT_GT(ball[1], ball[2] + 80);
    EXPECT_GT(ball[1], ball[0] + 80);
    const uint8_t* floor = shown.topDownRow(370) + 3 * 150;
    EXPECT_GT(floor[2], floor[0]);
}

// The ball comes down, rests on the floor at file 0 and rises again, rolling right at 0.5 m/s
// in front of the 1.5 pixels per millimetre scale.
TEST_F(BouncingBallBayTest, TheBallBouncesAtTheTriggerAndMovesMeasurably)
{
    constexpr double kFloorRow = 330, kRadiusPx = 15, kImpactColumn = 250;
    const auto expectedRow = [&](double t_s) {
        const double height_mm
            = t_s <= 0 ? -2000.0 * t_s - 4905.0 * t_s * t_s : 1600.0 * t_s - 4905.0 * t_s * t_s;
        return kFloorRow - kRadiusPx - height_mm * 1.5;
    };
    for (const int index : { 0, 25, kBayZeroIndex, 100, kBayFrames - 1 }) {
        SCOPED_TRACE(index);
        const double t_s = (index - kBayZeroIndex) / 1000.0;
        const QPointF centre = ballCentre(render(index));
        ASSERT_GE(centre.y(), 0);
        EXPECT_NEAR(centre.x(), kImpactColumn + 750.0 * t_s, 1.0);
        EXPECT_NEAR(centre.y(), expectedRow(t_s), 1.0);
    }
}

class PendulumTiffTest : public FrameFileSamplesTest {
protected:
    void SetUp() override
    {
        FrameFileSamplesTest::SetUp();
        source_.Open(samplePath("Pendulum TIFF/pend0001.tif"));
        source_.SetProcessing(false);
    }

    // The bright bob, away from the pivot at the top and the captions at the bottom.
    QPointF bobCentre(int32_t number)
    {
        FrameImage frame;
        source_.PreviewFrame(number, frame);
        return centroid(
            frame, [&frame](int x, int y) { return y > 24 && y < 170 && frame.topDownRow(y)[x] > 220; });
    }

    TTIFFAVI source_;
};

TEST_F(PendulumTiffTest, OpensWithTheCameraBlocksFactsAndRateWithoutAWarning)
{
    EXPECT_TRUE(prompt_.questions().empty()) << prompt_.texts().join(u'|').toStdString();
    ASSERT_TRUE(source_.Camera().has_value());
    EXPECT_EQ(source_.FrameCount(), 100);
    EXPECT_EQ(source_.LowestNumber(), 1);
    EXPECT_EQ(source_.HighestNumber(), 100);
    EXPECT_EQ(source_.ImageWidth(), 256);
    EXPECT_EQ(source_.ImageHeight(), 192);
    EXPECT_EQ(source_.BitsPerPixel(), 8);
    EXPECT_EQ(source_.FrameRate(), 500.0);
    const std::string block = source_.DescriptorText();
    expectEntries(block,
        { { "Camera", "Camera Type", "HG Model 2000 Monochrome (tif)" },
            { "Camera", "Recording Rate", "500" }, { "Camera", "Exposure Setting", "1 mS" },
            { "Camera", "Session ID", "4" }, { "Camera", "Camera ID", "7" },
            { "Camera", "Date and Time", "2026-06-01 12:00:00" }, { "Timing", "Frame Rate", "500" } });
}

// Released at 40 degrees on a 150-pixel arm from (128, 16), the bob swings down towards the
// middle.
TEST_F(PendulumTiffTest, TheBobSwingsFromItsReleasePoint)
{
    const double release = 40.0 * std::numbers::pi / 180.0;
    const QPointF first = bobCentre(1);
    ASSERT_GE(first.y(), 0);
    EXPECT_NEAR(first.x(), 128 + 150 * std::sin(release), 1.0);
    EXPECT_NEAR(first.y(), 16 + 150 * std::cos(release), 1.0);
    const QPointF last = bobCentre(100);
    ASSERT_GE(last.y(), 0);
    EXPECT_LT(last.x(), first.x() - 20);
    EXPECT_GT(last.y(), first.y());
}

// An independent reader takes the files as plain TIFF pictures.
TEST_F(PendulumTiffTest, ImageMagickReadsTheFrames)
{
    const RunResult run = runProgram(QStringLiteral("identify"),
        { "-format", "%w %h %z %[colorspace]\n", samplePath("Pendulum TIFF/pend0050.tif") });
    ASSERT_EQ(run.exit_code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "256 192 8 Gray\n");
}

} // namespace
} // namespace fw::e2e
