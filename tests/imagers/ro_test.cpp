#include <gtest/gtest.h>

#include <QThread>

#include "clips/frame_image.h"
#include "clips/save_thread.h"
#include "imagers/ro.h"
#include "scripted_imager.h"
#include "support/user_prompt.h"

using namespace fw;
using test::ScriptedImager;
using test::ScriptedLink;

namespace {

class ROTest : public testing::Test {
protected:
    void SetUp() override
    {
        installPrompt(&prompt_);
        auto link = std::make_unique<ScriptedLink>(imager_);
        link_ = link.get();
        source_
            = std::make_unique<TRO>(std::move(link), false, "Ethernet at IP 127.0.0.9", "Kodak HG 2000 #1");
        source_->Open("127.0.0.9");
        frame_ = FrameImage(source_->Width(), source_->Height(), 24);
    }
    void TearDown() override
    {
        source_.reset();
        installPrompt(nullptr);
    }

    int Render(int32_t index) { return source_->RenderFrame(index, frame_.pixels()); }
    // How often the download of imager frame `number` was started.
    int Starts(int number) const
    {
        return int(link_->Sent().count("#01DLF " + QByteArray::number(number) + " U B\r"));
    }

    ScriptedImager imager_; // frames -5 .. 6
    ScriptedLink* link_ = nullptr;
    std::unique_ptr<TRO> source_;
    FrameImage frame_;
    ScriptedPrompt prompt_;
};

} // namespace

TEST_F(ROTest, TheRecordingIsTheFrameListAndTheStepChoosesFrames)
{
    EXPECT_EQ(source_->EntryCount(), 12);
    EXPECT_EQ(source_->EntryLabel(0), "-5");
    EXPECT_EQ(source_->EntryLabel(11), "6");
    source_->SelectEntries(0, 3);
    EXPECT_EQ(source_->FrameCount(), 4);
    EXPECT_EQ(source_->ImagerFrame(1), -2);
    EXPECT_EQ(source_->ImagerFrame(3), 4);
    EXPECT_EQ(source_->FrameSize().record_bytes, 197632);
}

TEST_F(ROTest, FramesInOrderAreDownloadedOnceEachWithTheNextFetchedAhead)
{
    ASSERT_EQ(Render(0), kBayFrameDone);
    // The next frame is on its way before it is asked for.
    for (int i = 0; i < 2000 && Starts(-4) == 0; ++i)
        QThread::msleep(1);
    EXPECT_EQ(Starts(-4), 1);
    ASSERT_EQ(Render(1), kBayFrameDone);
    ASSERT_EQ(Render(2), kBayFrameDone);
    for (int number : { -5, -4, -3 })
        EXPECT_EQ(Starts(number), 1) << number;
    // Going back one frame downloads it again.
    ASSERT_EQ(Render(1), kBayFrameDone);
    EXPECT_EQ(Starts(-4), 2);
    EXPECT_TRUE(prompt_.texts().isEmpty());
}

TEST_F(ROTest, AFrameThatFailsThreeTimesIsAskedAboutAndComesOutGrey)
{
    // Every download stops answering after its first datagram.
    imager_.silent_on_download_continue = true;
    prompt_.queueAnswer(PromptButton::Retry);
    prompt_.queueAnswer(PromptButton::Ignore);
    EXPECT_EQ(Render(0), kAskRetry);
    EXPECT_EQ(Starts(-5), 3);
    EXPECT_EQ(
        prompt_.texts().last(), "Error Uploading Frame -5\r  Last Imager Response: Imager Not Responding");
    // Retry: three new attempts.
    EXPECT_EQ(Render(0), kAskIgnore);
    EXPECT_EQ(Starts(-5), 6);
    EXPECT_EQ(frame_.pixels()[0], 127);
    EXPECT_EQ(frame_.pixels()[source_->FrameBytes() - 1], 127);
}

TEST_F(ROTest, AFrameWithoutTheBayerSignatureIsNamed)
{
    imager_.signed_frames = false;
    prompt_.queueAnswer(PromptButton::Abort);
    EXPECT_EQ(Render(2), kAskAbort);
    EXPECT_EQ(prompt_.texts().last(), "Frame -3 missing Bayer Signature");
}

TEST_F(ROTest, DescriptorsNameTheImagersKind)
{
    ASSERT_EQ(Render(0), kBayFrameDone);
    EXPECT_NE(source_->Descriptors().find("Camera Type=HG 2000 Color"), std::string::npos);
}

// The next frame is being fetched into a buffer of the source when the source goes: the fetch
// ends first, and nothing is written into freed memory or left waiting.
TEST_F(ROTest, ASourceClosedWhileItFetchesAheadEndsCleanly)
{
    ASSERT_EQ(Render(0), kBayFrameDone);
    source_.reset();
    EXPECT_TRUE(prompt_.texts().isEmpty());
}
