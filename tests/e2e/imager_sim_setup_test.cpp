#include <gtest/gtest.h>

#include <tiffio.h>

#include <chrono>
#include <thread>

#include <QTemporaryDir>

#include "e2e/imager_sim_fixture.h"

namespace fw::e2e {
namespace {

constexpr int kTiffFrameBytes = 384 * 512 * 3 + 1188;
constexpr int kStatePolls = 200;

class ImagerSimSetupTest : public ImagerSimUdpFixture {
protected:
    // Polls the state while it reads `state`, a bounded number of times; the state it ended in.
    QByteArray WaitWhile(const QByteArray& state)
    {
        QByteArray now = payloadOf(Ask("#0140"));
        for (int poll = 0; poll < kStatePolls && now == state; ++poll) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            now = payloadOf(Ask("#0140"));
        }
        return now;
    }
};

struct Rgb {
    double red = 0, green = 0, blue = 0;
};

// The TIFF part of a snapshot, read by libtiff: its size and the mean colour of a square.
class TiffPicture {
public:
    explicit TiffPicture(const QByteArray& bytes)
    {
        const QString path = dir_.filePath("snapshot.tif");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return;
        file.close();
        tiff_ = TIFFOpen(path.toLocal8Bit().constData(), "r");
        if (!tiff_)
            return;
        TIFFGetField(tiff_, TIFFTAG_IMAGEWIDTH, &width_);
        TIFFGetField(tiff_, TIFFTAG_IMAGELENGTH, &height_);
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_SAMPLESPERPIXEL, &samples_);
    }
    ~TiffPicture()
    {
        if (tiff_)
            TIFFClose(tiff_);
    }
    TiffPicture(const TiffPicture&) = delete;
    TiffPicture& operator=(const TiffPicture&) = delete;

    bool opened() const { return tiff_ != nullptr; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    uint16_t samples() const { return samples_; }

    Rgb mean(int left, int top, int size)
    {
        std::vector<uint8_t> row(size_t(TIFFScanlineSize(tiff_)));
        Rgb sum;
        for (int y = top; y < top + size; ++y) {
            TIFFReadScanline(tiff_, row.data(), uint32_t(y));
            for (int x = left; x < left + size; ++x) {
                sum.red += row[size_t(x) * 3];
                sum.green += row[size_t(x) * 3 + 1];
                sum.blue += row[size_t(x) * 3 + 2];
            }
        }
        const double count = double(size) * size;
        return { sum.red / count, sum.green / count, sum.blue / count };
    }

private:
    QTemporaryDir dir_;
    TIFF* tiff_ = nullptr;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint16_t samples_ = 0;
};

TEST_F(ImagerSimSetupTest, TiffSnapshotsAreTiffFilesFollowedByTheCameraRecordThroughTheColourBalance)
{
    Start({ "--udp", "127.0.0.21:4:1" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    ASSERT_EQ(resultOf(Ask("#01530000C000")), "01");
    const QByteArray daylight = Download("#01DLF 0 U T", "#01DLF U").join();
    ASSERT_EQ(daylight.size(), kTiffFrameBytes);
    EXPECT_EQ(daylight.right(1024).left(8), "EK BAY 2");
    TiffPicture picture(daylight);
    ASSERT_TRUE(picture.opened());
    EXPECT_EQ(picture.width(), 512u);
    EXPECT_EQ(picture.height(), 384u);
    EXPECT_EQ(picture.samples(), 3);
    const Rgb sky = picture.mean(8, 8, 16);

    // Tungsten balance lifts blue against red on the same scene.
    ASSERT_EQ(resultOf(Ask("#011201")), "01");
    TiffPicture tungsten(Download("#01DLF 0 U T", "#01DLF U").join());
    ASSERT_TRUE(tungsten.opened());
    const Rgb warm = tungsten.mean(8, 8, 16);
    EXPECT_GT(warm.blue / warm.red, sky.blue / sky.red);

    // A white patch measured on an area makes that area grey.
    ASSERT_EQ(resultOf(Ask("#012C020064012C")), "01"); // x 300 + y 100 x 65536
    for (const char* step : { "#012C01", "#012CFF", "#012C00" })
        ASSERT_EQ(resultOf(Ask(step)), "01");
    ASSERT_EQ(resultOf(Ask("#011203")), "01");
    TiffPicture patched(Download("#01DLF 0 U T", "#01DLF U").join());
    ASSERT_TRUE(patched.opened());
    const Rgb patch = patched.mean(300, 100, 16);
    EXPECT_NEAR(patch.red, patch.green, 3.0);
    EXPECT_NEAR(patch.blue, patch.green, 3.0);
}

TEST_F(ImagerSimSetupTest, IrigTimeIsStampedOnTheTriggerAndSetOnlyWithARecording)
{
    Start({ "--udp", "127.0.0.21:4:1" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    ASSERT_EQ(resultOf(Ask("#011B01")), "01");
    ASSERT_EQ(resultOf(Ask("#011BFF")), "01");
    ASSERT_EQ(WaitWhile("04"), "05");
    const QByteArray stamped = payloadOf(Ask("#0147"));
    ASSERT_EQ(stamped.size(), 20);
    EXPECT_TRUE(stamped.startsWith("000"));

    // Day 7, 12:30:45 and 12.3 ms, written as tenths of a millisecond.
    EXPECT_EQ(resultOf(Ask("#014700070C1E2D007B")), "01");
    EXPECT_EQ(payloadOf(Ask("#0147")), "0000070C1E2D0000300C");
    EXPECT_EQ(resultOf(Ask("#01470007181E2D007B")), "14") << "hour 24";
    EXPECT_EQ(resultOf(Ask("#01470007")), "14") << "too short";

    ASSERT_EQ(resultOf(Ask("#015F")), "01");
    EXPECT_EQ(resultOf(Ask("#014700070C1E2D007B")), "18") << "no recording";
}

TEST_F(ImagerSimSetupTest, AutoExposureSetsWhatTheTargetNeedsOrAborts)
{
    Start({ "--udp", "127.0.0.21:4:1", "--rate", "1000" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    EXPECT_EQ(resultOf(Ask("#0155001703D780")), "01");
    EXPECT_EQ(payloadOf(Ask("#010702")), "020200") << "target 128 needs 512 us";
    EXPECT_EQ(resultOf(Ask("#0155001703D7FA")), "20") << "target 250 needs more than 983 us";
    EXPECT_EQ(payloadOf(Ask("#010702")), "020200") << "unchanged";
    EXPECT_EQ(resultOf(Ask("#0155001803D780")), "15");
}

TEST_F(ImagerSimSetupTest, CopyingToThePcCardRunsInItsOwnStateUntilDoneOrStopped)
{
    Start({ "--udp", "127.0.0.21:4:1", "--frames", "10" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    EXPECT_EQ(payloadOf(Ask("#0157")), "[ROOT]");
    EXPECT_EQ(resultOf(Ask("#01280000000A01")), "14") << "frame 10 is past the last";
    EXPECT_EQ(resultOf(Ask("#01280000000904")), "10") << "no such mode";

    ASSERT_EQ(resultOf(Ask("#01280000000903")), "01");
    EXPECT_EQ(payloadOf(Ask("#0140")), "08");
    EXPECT_EQ(WaitWhile("08"), "05") << "done";

    ASSERT_EQ(resultOf(Ask("#01280002000501")), "01");
    EXPECT_EQ(resultOf(Ask("#015F")), "16") << "no erasing while copying";
    ASSERT_EQ(resultOf(Ask("#0119")), "01");
    EXPECT_EQ(payloadOf(Ask("#0140")), "05");
}

TEST_F(ImagerSimSetupTest, TriggerFramesShareTheMemoryAndSplitFramesRescaleTheLongerSide)
{
    Start({ "--udp", "127.0.0.21:4:1", "--frames", "100" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    ASSERT_EQ(resultOf(Ask("#0104010FA0")), "01"); // pre 4000
    EXPECT_EQ(payloadOf(Ask("#010402")), "020060") << "post gives way: 4096 - 4000";

    ASSERT_EQ(resultOf(Ask("#016501")), "01");
    EXPECT_EQ(payloadOf(Ask("#010401")), "0129AB") << "4000 x 8/3, rounded";
    EXPECT_EQ(payloadOf(Ask("#010402")), "020060");
    ASSERT_EQ(resultOf(Ask("#016500")), "01");
    EXPECT_EQ(payloadOf(Ask("#010401")), "010FA0") << "x 3/8";
}

TEST_F(ImagerSimSetupTest, AFasterRateShortensTheNormalExposure)
{
    Start({ "--udp", "127.0.0.21:4:1", "--rate", "0" });
    ASSERT_EQ(resultOf(Ask("#010102")), "01");
    ASSERT_EQ(resultOf(Ask("#0107020BB8")), "01");
    ASSERT_EQ(resultOf(Ask("#010607")), "01"); // 2000 fps
    EXPECT_EQ(payloadOf(Ask("#010702")), "0201E3") << "483 us";
    ASSERT_EQ(resultOf(Ask("#01070201")), "01");
    ASSERT_EQ(resultOf(Ask("#010606")), "01");
    EXPECT_EQ(payloadOf(Ask("#010702")), "020001") << "external exposure stays";
}

} // namespace
} // namespace fw::e2e
