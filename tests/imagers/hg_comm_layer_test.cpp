#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <deque>
#include <mutex>

#include "imagers/hg/hg_comm_layer.h"
#include "scripted_imager.h"

using namespace fw;

namespace {

using test::ScriptedImager;
using test::ScriptedLink;

QList<QByteArray> Codes(const QList<QByteArray>& frames)
{
    QList<QByteArray> codes;
    for (const QByteArray& frame : frames)
        codes << frame.left(frame.size() - 1); // without the carriage return
    return codes;
}

class CommLayerTest : public testing::Test {
protected:
    void TearDown() override { THGCommLayer::SetTimeSource(nullptr); }
    ScriptedImager imager_;
};

} // namespace

TEST_F(CommLayerTest, IdentifyAttachesStopsReadsStateAndTemperature)
{
    ScriptedLink link(imager_);
    bool attached = false;
    std::vector<int> states;
    link.SetAttachedHandler([&attached](bool now) { attached = now; });
    link.SetStateChangedHandler([&states](int state) { states.push_back(state); });
    ASSERT_TRUE(link.Identify(false));
    EXPECT_EQ(Codes(link.Sent()), (QList<QByteArray> { "#010102", "#0119", "#0140", "#0150", "#0165" }));
    EXPECT_TRUE(attached);
    EXPECT_EQ(link.KindName(), "HG 2000 Color");
    EXPECT_EQ(link.FirmwareText(), "2.1");
    EXPECT_EQ(link.Temperature(), 31);
    EXPECT_FALSE(link.SplitFrames());
    EXPECT_EQ(states, (std::vector<int> { 5, 5 }));
}

TEST_F(CommLayerTest, RecordedRangeIsSignedAndCapped)
{
    ScriptedLink link(imager_);
    ASSERT_TRUE(link.Identify(false));
    HGRecordedRange range = link.GetRecordedRange();
    EXPECT_EQ(range.first, -5);
    EXPECT_EQ(range.count, 12);
    imager_.frame_range = 0x00011400; // 1 .. 5120
    range = link.GetRecordedRange();
    EXPECT_EQ(range.first, 1);
    EXPECT_EQ(range.count, 4096);
}

TEST_F(CommLayerTest, RegistersReadAndWriteWithTheirWidths)
{
    ScriptedLink link(imager_);
    imager_.frame_range = 0x12345678;
    EXPECT_EQ(uint32_t(link.ReadRegister(hgcmd::kFrameRange)), 0x12345678u);
    link.WriteRegister(hgcmd::kDate, 0x120926);
    link.WriteRegister(hgcmd::kPostTrigFrames, 0x1FFFF);
    link.StartCommand(csIntReg, hgcmd::kWhiteBalance);
    EXPECT_TRUE(link.WaitIdle());
    const QList<QByteArray> sent = Codes(link.Sent());
    EXPECT_TRUE(sent.contains("#0109120926"));
    EXPECT_TRUE(sent.contains("#010402FFFF")); // sub-code, then the last four digits
    EXPECT_TRUE(sent.contains("#01WBL")); // white balance read: "L", echo "12" accepted
    EXPECT_EQ(link.GetLastResult(), hgresult::kSuccess);
}

TEST_F(CommLayerTest, DownloadTakesTheWholeFrameInDatagrams)
{
    ScriptedLink link(imager_);
    ASSERT_TRUE(link.Identify(false));
    link.ClearSent();
    std::vector<uint8_t> frame(size_t(link.FrameBytes(false)));
    int64_t bytes = 0;
    int done = 0;
    link.SetFrameDoneHandler([&done] { ++done; });
    link.DownloadFrame(frame.data(), int64_t(frame.size()), false, 3, &bytes);
    ASSERT_TRUE(link.WaitDownload());
    EXPECT_EQ(bytes, int64_t(frame.size()));
    EXPECT_EQ(done, 1);
    for (size_t i = 0; i < frame.size(); i += 997)
        ASSERT_EQ(frame[i], uint8_t(i % 251)) << i;
    const QList<QByteArray> sent = Codes(link.Sent());
    ASSERT_GE(sent.size(), 4);
    EXPECT_EQ(sent[0], "#0140");
    EXPECT_EQ(sent[1], "#0153C000"); // 49152-byte datagrams
    EXPECT_EQ(sent[2], "#01DLF 3 U B");
    EXPECT_EQ(sent.count("#01DLF U"), 4); // 197632 bytes = 4 x 49152 + 1024
    // The size written is remembered: the next frame goes without writing it again.
    link.ClearSent();
    link.DownloadFrame(frame.data(), int64_t(frame.size()), false, 4, &bytes);
    ASSERT_TRUE(link.WaitDownload());
    EXPECT_EQ(Codes(link.Sent()).at(1), "#01DLF 4 U B");
}

TEST_F(CommLayerTest, AFailedDownloadStepsTheDatagramSizeDown)
{
    ScriptedLink link(imager_);
    ASSERT_TRUE(link.Identify(false));
    std::vector<uint8_t> frame(size_t(link.FrameBytes(false)));
    imager_.silent_on_download_continue = true;
    imager_.continues_before_silence = 1;
    std::vector<int> errors;
    link.SetCommErrorHandler([&errors](int code, const QString&) { errors.push_back(code); });
    link.DownloadFrame(frame.data(), int64_t(frame.size()), false, 1);
    EXPECT_FALSE(link.WaitDownload());
    EXPECT_TRUE(link.WaitIdle());
    EXPECT_EQ(link.DatagramIndexWanted(), 1);
    EXPECT_NE(std::find(errors.begin(), errors.end(), hgresult::kNotResponding), errors.end());

    imager_.silent_on_download_continue = false;
    link.ClearSent();
    link.DownloadFrame(frame.data(), int64_t(frame.size()), false, 1);
    ASSERT_TRUE(link.WaitDownload());
    EXPECT_TRUE(Codes(link.Sent()).contains("#01538000")); // 32768-byte datagrams now
}

TEST_F(CommLayerTest, ADownloadIntoTooSmallABufferSendsNothing)
{
    ScriptedLink link(imager_);
    ASSERT_TRUE(link.Identify(false));
    link.ClearSent();
    std::vector<uint8_t> frame(size_t(link.FrameBytes(false)) - 1);
    link.DownloadFrame(frame.data(), int64_t(frame.size()), false, 1);
    EXPECT_FALSE(link.WaitDownload());
    EXPECT_EQ(link.LastErrorText(), "Internal Program Error");
    EXPECT_TRUE(link.Sent().isEmpty());
}

TEST_F(CommLayerTest, IdleLayerPollsStatusAfterTwoSeconds)
{
    auto now = std::chrono::steady_clock::now();
    std::mutex clock_mutex;
    THGCommLayer::SetTimeSource([&] {
        const std::lock_guard lock(clock_mutex);
        return now;
    });
    ScriptedLink link(imager_);
    ASSERT_TRUE(link.Identify(false));
    link.ClearSent();
    {
        const std::lock_guard lock(clock_mutex);
        now += std::chrono::milliseconds(1000 + 2000 + 1); // past the last command's poll time
    }
    for (int i = 0; i < 1000 && !Codes(link.Sent()).contains("#0140"); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    EXPECT_TRUE(Codes(link.Sent()).contains("#0140"));
}

TEST_F(CommLayerTest, ErrorsDuringAPollReattach)
{
    ScriptedLink link(imager_);
    ASSERT_TRUE(link.Identify(false));
    imager_.state_errors = 1;
    link.ClearSent();
    std::vector<int> errors;
    link.SetCommErrorHandler([&errors](int code, const QString&) { errors.push_back(code); });
    link.StartCommand(csStatusResp, hgcmd::kState);
    EXPECT_TRUE(link.WaitIdle());
    EXPECT_EQ(errors.front(), 8);
    EXPECT_TRUE(Codes(link.Sent()).contains("#010102")) << "an error during a status read attaches again";
}

TEST_F(CommLayerTest, RawCommandsShowTheReplyAndItsResult)
{
    ScriptedLink link(imager_);
    QString shown;
    EXPECT_TRUE(link.SendRaw("40", [&shown](const QString& line) { shown = line; }));
    EXPECT_EQ(shown, "#01014005 - Success");
    EXPECT_EQ(link.LastRawReply(), "#01014005");
}

TEST_F(CommLayerTest, PreviewLoopRecordsAndDownloadsUntilStoppedThenRestoresTheRegisters)
{
    ScriptedLink link(imager_);
    ASSERT_TRUE(link.Identify(false));
    link.ClearSent();
    std::vector<uint8_t> frame(size_t(link.FrameBytes(false)));
    int frames_done = 0;
    link.SetFrameDoneHandler([&frames_done] { ++frames_done; });
    link.StartPreviewLoop(frame.data(), int64_t(frame.size()), false);
    for (int i = 0; i < 2000 && frames_done < 2; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    ASSERT_GE(frames_done, 2);
    link.StopPreviewLoop();
    ASSERT_TRUE(link.WaitIdle());

    const QList<QByteArray> sent = Codes(link.Sent());
    // Saved: session, auto save, record delay, post-trigger frames, frame sync; then set for the loop.
    const QList<QByteArray> start { "#015F", "#010C", "#0114", "#015D", "#010402", "#0166", "#010C00",
        "#011400", "#015D0000", "#0104020002", "#016600", "#0153C000", "#011B01", "#011BFF", "#0140",
        "#01DLF 1 U B" };
    ASSERT_GE(sent.size(), start.size());
    EXPECT_EQ(sent.mid(0, start.size()), start);
    // Between frames: the temperature, then a new recording.
    const qsizetype second = sent.indexOf("#01DLF 1 U B", start.size());
    ASSERT_GT(second, 0);
    EXPECT_TRUE(sent.mid(start.size(), second - start.size()).contains("#0150"));
    // Stopped: the saved values go back, the session one lower than read.
    const QList<QByteArray> restore { "#010C04", "#011400", "#015D0000", "#0104020000", "#016600" };
    const qsizetype restored_from = sent.indexOf(restore.front());
    ASSERT_GT(restored_from, 0) << sent.mid(sent.size() - 12).join(" ").constData();
    EXPECT_EQ(sent.mid(restored_from, restore.size()), restore);
}
