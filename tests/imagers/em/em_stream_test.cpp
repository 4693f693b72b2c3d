// The processors' streams against the simulated bus: frames as recorded, the two buffers with
// the upload ahead, uploads that keep failing, descriptors, and the upload thread's rules.

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "clips/base_avi.h"
#include "clips/descriptor_block.h"
#include "clips/save_thread.h"
#include "imagers/em/hs4540_avi.h"
#include "imagers/gpib/gpib.h"
#include "imagers/gpib/sim_environment.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

int PatternPixel(int sensor_width, int x, int y, int frame)
{
    const int bar_left = ((frame * 3) % sensor_width + sensor_width) % sensor_width;
    const int from_bar = ((x - bar_left) % sensor_width + sensor_width) % sensor_width;
    return from_bar < 12 ? 240 : 40 + (x + 2 * y) % 128;
}

int Mismatches(const FrameImage& frame, int sensor_width, int number)
{
    int bad = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            bad += frame.topDownRow(y)[x] != PatternPixel(sensor_width, x, y, number);
    return bad;
}

class CountingPrompt : public UserPrompt {
public:
    PromptButton ask(PromptKind, const QString&, const QString& text, PromptButton) override
    {
        texts.push_back(text);
        return answer;
    }
    PromptButton answer = PromptButton::Ignore;
    std::vector<QString> texts;
};

class EmStreamTest : public testing::Test {
protected:
    void SetUp() override { installPrompt(&prompt_); }
    void TearDown() override { installPrompt(nullptr); }
    void SetEnv(const char* name, const char* value) { environment_.Set(name, value); }

    template <typename Stream> std::unique_ptr<Stream> Open(const char* address)
    {
        auto stream = std::make_unique<Stream>(gpib_, SimEnvironment::JumpingClock());
        stream->SetTiming(EmTiming { 0, 0, 0, false });
        stream->Open(QString::fromLatin1(address));
        EmRecordingInfo info;
        EXPECT_TRUE(stream->ReadRecordingInfo(info));
        info_ = info;
        return stream;
    }

    std::shared_ptr<TGPIB> gpib_ = std::make_shared<TGPIB>(nullptr, QStringLiteral(FW_GPIB_SIM_LIBRARY));
    CountingPrompt prompt_;
    EmRecordingInfo info_;
    SimEnvironment environment_;
};

TEST_F(EmStreamTest, RawFramesInAnyOrderAreTheRecordedOnes)
{
    auto em = Open<TEM1012AVI>(":DEV7");
    EXPECT_EQ(info_.first_frame, -20);
    em->SetRaw(true);
    em->SetPrefetch(true);
    em->SetFrames(-4, 10, 2);
    FrameImage frame;
    for (int index : { 0, 1, 2, 7, 3, 3, 9, 0 }) {
        ASSERT_EQ(em->ReadFrame(index, frame), kReadFrameOk) << index;
        EXPECT_EQ(frame.width(), 239);
        EXPECT_EQ(Mismatches(frame, 239, -4 + 2 * index), 0) << index;
    }
    EXPECT_TRUE(prompt_.texts.empty());

    auto hs = Open<T4540AVI>(":DEV8");
    hs->SetRaw(true);
    hs->SetFrames(1, 4, 100);
    ASSERT_EQ(hs->PreviewFrame(3, frame), std::nullopt);
    EXPECT_EQ(frame.width(), 256);
    EXPECT_EQ(Mismatches(frame, 256, 301), 0);
}

TEST_F(EmStreamTest, AnUploadThatKeepsFailingIsAskedAboutEveryThirdTry)
{
    SetEnv("FW_GPIB_SIM_UPLOAD_TIMEOUT", "EM");
    auto em = Open<TEM1012AVI>(":DEV7");
    em->SetFrames(0, 3, 1);
    std::atomic<bool> aborted { false };
    em->SetAbortFlag(&aborted);

    FrameImage frame;
    prompt_.answer = PromptButton::Ignore;
    EXPECT_EQ(em->ReadFrame(1, frame), kAskIgnore);
    ASSERT_EQ(prompt_.texts.size(), 1U);
    EXPECT_TRUE(prompt_.texts[0].startsWith(QStringLiteral("Error Uploading Frame 1: ")))
        << prompt_.texts[0].toStdString();
    for (int y = 0; y < frame.height(); ++y)
        EXPECT_EQ(frame.topDownRow(y)[0], 127);
    EXPECT_FALSE(aborted);

    prompt_.answer = PromptButton::Abort;
    EXPECT_EQ(em->ReadFrame(2, frame), kAskAbort);
    EXPECT_TRUE(aborted);
}

TEST_F(EmStreamTest, DescriptorCarriesTheRecordingAndTheIntervalsRate)
{
    SetEnv("FW_GPIB_SIM_EM_RATE", "2000");
    SetEnv("FW_GPIB_SIM_EM_DATE", "2099-02-03 04:05");
    auto em = Open<TEM1012AVI>(":DEV7");
    em->SetFrames(-20, 10, 4);
    const std::string block = em->DescriptorText();
    std::string value;
    ASSERT_TRUE(GetDescriptorValue(block, "Timing", "Frame Rate", value));
    EXPECT_EQ(value, "500");
    ASSERT_TRUE(GetDescriptorValue(block, "Camera", "Recording Rate", value));
    EXPECT_EQ(value, "2000");
    ASSERT_TRUE(GetDescriptorValue(block, "Camera", "Session ID", value));
    EXPECT_EQ(value, "42");
    ASSERT_TRUE(GetDescriptorValue(block, "Camera", "Date and Time", value));
    EXPECT_EQ(value, "2099-02-03 04:05:00");
    EXPECT_DOUBLE_EQ(em->RecordingRate(), 2000.0);

    TAVIStreamInfo info;
    ASSERT_TRUE(em->GetInfo(info));
    EXPECT_EQ(info.dwLength, 10U);
    EXPECT_EQ(info.rcFrame[2], 239); // 240 wide: the bitmap's width is rounded up to 4
    EXPECT_EQ(info.dwSuggestedBufferSize, 240U * 192U);
}

TEST_F(EmStreamTest, UploadThreadRunsOneAtATimeAndHoldsItsEvents)
{
    auto em = Open<TEM1012AVI>(":DEV7");
    TEM1012& processor = em->Processor();
    std::vector<int> states;
    processor.SetOnStateChange([&](int state) { states.push_back(state); });
    std::vector<std::uint8_t> first(TEM1012::kEmUploadBytes);
    std::vector<std::uint8_t> second(TEM1012::kEmUploadBytes);

    // From a thread of its own, as a save reads: the wait sleeps instead of running events.
    std::thread reader([&] {
        ASSERT_TRUE(processor.StartDownload(first, 5));
        EXPECT_FALSE(processor.StartDownload(second, 6));
        EXPECT_TRUE(processor.WaitDownload());
    });
    reader.join();
    EXPECT_FALSE(processor.Busy());
    EXPECT_EQ(states.size(), 1U) << "one notification at the end of the upload";
    EXPECT_EQ(first[TEM1012::kHeaderBytes + 100], PatternPixel(239, 100, 0, 5));
    EXPECT_TRUE(processor.WaitDownload()) << "nothing to wait for";

    // Disconnecting during an upload waits for it rather than leaving it running.
    ASSERT_TRUE(processor.StartDownload(second, 6));
    processor.Disconnect();
    EXPECT_FALSE(processor.Busy());
    EXPECT_FALSE(processor.IsConnected());
}

} // namespace

} // namespace fw
