#include "clips/frame_scatter.h"

#include <algorithm>
#include <functional>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "avi_test_clips.h"
#include "clips/avi_stream.h"
#include "clips/frame_file_writer.h"
#include "clips/frame_image.h"
#include "support/user_prompt.h"

namespace fw {
namespace {

// Frames made in memory; frame i is an odd-sized 24-bit picture of shade i.
class MemoryStream : public TAVISTREAM {
public:
    explicit MemoryStream(int32_t count)
        : TAVISTREAM(QStringLiteral("Test"))
    {
        for (int32_t i = 0; i < count; ++i) {
            frames.emplace_back(13, 7, 24);
            std::fill(
                frames.back().pixels(), frames.back().pixels() + frames.back().pixelBytes(), uint8_t(10 * i));
        }
    }

    int32_t FrameCount() override { return int32_t(frames.size()); }
    bool BeginFrameAccess(FrameAccess*& handle) override
    {
        if (!can_access)
            return false;
        ++open_handles;
        handle = new FrameAccess;
        return true;
    }
    bool GetFrame(FrameAccess*, int32_t index, int32_t& size, const uint8_t*& frame) override
    {
        if (index == unreadable_frame || index < 0 || index >= FrameCount())
            return false;
        size = int32_t(frames[size_t(index)].packedSize());
        frame = frames[size_t(index)].packed();
        return true;
    }
    void EndFrameAccess(FrameAccess* handle) override
    {
        --open_handles;
        delete handle;
    }

    std::vector<FrameImage> frames;
    bool can_access = true;
    int32_t unreadable_frame = -1;
    int open_handles = 0;
};

// Answers a failed write with the next planned answer, running an action first.
class PlannedPrompt : public UserPrompt {
public:
    PromptButton ask(PromptKind, const QString&, const QString& text, PromptButton buttons) override
    {
        texts << text;
        EXPECT_EQ(buttons, PromptButton::Abort | PromptButton::Retry | PromptButton::Ignore);
        if (before_answer)
            before_answer();
        return answers.empty() ? PromptButton::Abort : answers.takeFirst();
    }

    QList<PromptButton> answers;
    std::function<void()> before_answer;
    QStringList texts;
};

class FrameScatterTest : public ::testing::Test {
protected:
    FrameScatterTest() { installPrompt(&prompt_); }
    ~FrameScatterTest() override { installPrompt(nullptr); }

    ScatterResult scatter(TAVISTREAM& stream, int type, const QString& directory = {})
    {
        percents_.clear();
        error_.clear();
        return ScatterFrames(
            stream, directory.isEmpty() ? target() : directory, type,
            [this](int percent) {
                percents_.push_back(percent);
                return percents_.size() != size_t(cancel_at_);
            },
            error_);
    }
    QString target() const { return dir_.filePath("shots/run 1"); }
    QStringList files() const { return QDir(target()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }

    QTemporaryDir dir_;
    PlannedPrompt prompt_;
    std::vector<int> percents_;
    int cancel_at_ = -1;
    QString error_;
};

TEST_F(FrameScatterTest, WritesEveryFrameIntoNewDirectoriesWithProgress)
{
    MemoryStream stream(3);
    EXPECT_EQ(scatter(stream, kJpegFrameFiles), ScatterResult::Completed) << error_.toStdString();
    EXPECT_EQ(files(), (QStringList { "F0000000.jpg", "F0000001.jpg", "F0000002.jpg" }));
    EXPECT_EQ(percents_, (std::vector<int> { 33, 66, 100 }));
    EXPECT_EQ(stream.open_handles, 0);

    EXPECT_EQ(scatter(stream, kBmpFrameFiles), ScatterResult::Completed);
    QFile second(QDir(target()).filePath("F0000002.bmp"));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    const QByteArray bytes = second.readAll();
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), stream.frames[2].toBmpFile());
}

TEST_F(FrameScatterTest, CancelKeepsTheFramesWrittenSoFar)
{
    MemoryStream stream(5);
    cancel_at_ = 3;
    EXPECT_EQ(scatter(stream, kTiffFrameFiles), ScatterResult::Cancelled);
    EXPECT_EQ(files(), (QStringList { "F0000000.tif", "F0000001.tif" }));
    EXPECT_EQ(percents_, (std::vector<int> { 20, 40, 60 }));
    EXPECT_TRUE(prompt_.texts.isEmpty());
}

TEST_F(FrameScatterTest, ClipsWithoutReadableFramesFail)
{
    MemoryStream empty(0);
    EXPECT_EQ(scatter(empty, kBmpFrameFiles), ScatterResult::Failed);
    EXPECT_EQ(error_, "The clip has no frames");

    MemoryStream closed(3);
    closed.can_access = false;
    EXPECT_EQ(scatter(closed, kBmpFrameFiles), ScatterResult::Failed);
    EXPECT_FALSE(error_.isEmpty());

    MemoryStream broken(3);
    broken.unreadable_frame = 1;
    EXPECT_EQ(scatter(broken, kBmpFrameFiles), ScatterResult::Failed);
    EXPECT_EQ(error_, "Unable to read frame 1");
    EXPECT_EQ(files(), QStringList { "F0000000.bmp" });
    EXPECT_EQ(broken.open_handles, 0);

    EXPECT_EQ(scatter(broken, 2), ScatterResult::Failed);
    EXPECT_TRUE(percents_.empty());
}

TEST_F(FrameScatterTest, DirectoriesThatCannotBeMadeFail)
{
    MemoryStream stream(2);
    QFile file(dir_.filePath("plain file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(scatter(stream, kGifFrameFiles, dir_.filePath("plain file/frames")), ScatterResult::Failed);
    EXPECT_EQ(error_, "Unable to create directory " + dir_.filePath("plain file/frames"));

    EXPECT_EQ(ScatterFrames(stream, QString(), kGifFrameFiles, nullptr, error_), ScatterResult::Failed);
    EXPECT_EQ(error_, "Unable to create directory");
    EXPECT_TRUE(percents_.empty());
}

TEST_F(FrameScatterTest, FailedFrameFilesAskAbortRetryOrIgnore)
{
    MemoryStream stream(3);
    const QString blocked = QDir(target()).filePath("F0000001.gif");
    ASSERT_TRUE(QDir().mkpath(blocked)); // a directory where a frame file should go

    EXPECT_EQ(scatter(stream, kGifFrameFiles), ScatterResult::Failed);
    EXPECT_EQ(files(), (QStringList { "F0000000.gif", "F0000001.gif" }));
    ASSERT_EQ(prompt_.texts.size(), 1);
    EXPECT_TRUE(prompt_.texts[0].startsWith("Unable to write " + blocked));
    EXPECT_EQ(error_, prompt_.texts[0]);

    // Ignore goes on with the next frame, but the directory stays incomplete.
    prompt_.answers = { PromptButton::Ignore };
    EXPECT_EQ(scatter(stream, kGifFrameFiles), ScatterResult::Failed);
    EXPECT_EQ(files(), (QStringList { "F0000000.gif", "F0000001.gif", "F0000002.gif" }));
    EXPECT_FALSE(QFileInfo(blocked).isFile());

    // Retry once the way is clear.
    prompt_.answers = { PromptButton::Retry };
    prompt_.before_answer = [&] { QDir(blocked).removeRecursively(); };
    EXPECT_EQ(scatter(stream, kGifFrameFiles), ScatterResult::Completed) << error_.toStdString();
    EXPECT_TRUE(QFileInfo(blocked).isFile());
    EXPECT_EQ(percents_, (std::vector<int> { 33, 66, 100 }));
}

TEST_F(FrameScatterTest, ClipFramesBecomeTheSamePictures)
{
    const QString clip = dir_.filePath("clip.avi");
    ASSERT_TRUE(test::makeClip(clip, { "-c:v", "rawvideo", "-pix_fmt", "bgr24" }, 4, "33x17"));
    test::OpenClip source(clip);
    ASSERT_TRUE(source.stream.IsOpen());
    TAVISTREAM stream(QStringLiteral("AVI"));
    stream.Open(clip);
    EXPECT_EQ(scatter(stream, kBmpFrameFiles), ScatterResult::Completed) << error_.toStdString();
    ASSERT_EQ(files().size(), 4);
    for (int i = 0; i < 4; ++i) {
        QFile file(QDir(target()).filePath(FrameFileName(kBmpFrameFiles, i)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray packed = file.readAll().mid(14);
        EXPECT_EQ(test::topDownBgr(reinterpret_cast<const uint8_t*>(packed.data()), int32_t(packed.size())),
            source.frame(i))
            << "frame " << i;
    }
}

} // namespace
} // namespace fw
