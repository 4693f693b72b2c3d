// Saves that fail part-way (a full disk, a cancel, an unreadable frame) must leave what was there
// before exactly as it was and nothing half-written behind. A full disk is played by a limit on
// the size of any file this process writes, with the signal that limit raises ignored, so the
// writes fail as they would on a full disk.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "clips/avi_clip_writer.h"
#include "clips/avi_encoders.h"
#include "clips/avi_stream.h"
#include "clips/avi_test_clips.h"
#include "clips/frame_file_writer.h"
#include "clips/frame_image.h"
#include "clips/save_thread.h"
#include "clips/test_application.h"
#include "support/user_prompt.h"

namespace fw {
namespace {

// Lowers the size any file of this process may reach for the life of the object; Tighten moves
// it on any thread, as a disk that fills up while a save runs.
class FileSizeLimit {
public:
    FileSizeLimit()
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    void Tighten(rlim_t bytes) const
    {
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    void Lift() const { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_ {};
    void (*previous_handler_)(int) = SIG_DFL;
};

// A frame source of moving patterns; `on_frame` runs on the saving thread before a frame goes
// out and may refuse it.
class PatternSource : public TAVISTREAM {
public:
    PatternSource(int32_t frames, int32_t width, int32_t height, int bits)
        : TAVISTREAM("Test")
        , frames_(frames)
        , width_(width)
        , height_(height)
        , bits_(bits)
    {
        CompressOptions().fccHandler = kUncompressedCode;
        CompressOptions().options_ok = true;
    }
    ~PatternSource() override { StopSave(); }

    int32_t FrameCount() override { return frames_; }
    bool GetInfo(TAVIStreamInfo& info) override
    {
        info = {};
        info.dwScale = 1;
        info.dwRate = 25;
        info.dwLength = uint32_t(frames_);
        return true;
    }
    bool BeginFrameAccess(FrameAccess*& handle) override
    {
        handle = new FrameAccess();
        return true;
    }
    bool GetFrame(FrameAccess*, int32_t index, int32_t& size, const uint8_t*& frame) override
    {
        if (index < 0 || index >= frames_ || (on_frame && !on_frame(index)))
            return false;
        frame_ = Frame(index);
        size = int32_t(frame_.packedSize());
        frame = frame_.packed();
        return true;
    }
    void EndFrameAccess(FrameAccess* handle) override { delete handle; }

    FrameImage Frame(int32_t index) const
    {
        FrameImage image(width_, height_, bits_);
        for (size_t i = 0; i < image.pixelBytes(); ++i)
            image.pixels()[i] = uint8_t(i * 7 + size_t(index) * 13);
        return image;
    }

    std::function<bool(int32_t index)> on_frame;

private:
    int32_t frames_;
    int32_t width_;
    int32_t height_;
    int bits_;
    FrameImage frame_;
};

// Answers every question with `answer` and first runs `on_ask`.
class CallbackPrompt : public UserPrompt {
public:
    PromptButton ask(PromptKind, const QString&, const QString& text, PromptButton) override
    {
        texts.push_back(text);
        if (on_ask)
            on_ask();
        return answer;
    }

    PromptButton answer = PromptButton::Abort;
    std::function<void()> on_ask;
    QStringList texts;
};

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SaveReliabilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::EnsureApplication();
        installPrompt(&prompt_);
        ASSERT_TRUE(dir_.isValid());
    }
    void TearDown() override { installPrompt(nullptr); }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QStringList entries(const QString& folder = {}) const
    {
        return QDir(folder.isEmpty() ? dir_.path() : folder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    // Runs one save of `source` and returns its result code.
    int32_t save(TAVISTREAM& source, int type, const QString& target, SaveProgressHandler progress = {})
    {
        bool done = false;
        int32_t result = -1;
        if (!progress)
            progress = [](int) { return int32_t(0); };
        source.StartSave(
            type, QStringLiteral("Test"), target, std::move(progress), [&](TAVISTREAM&, int32_t code) {
                result = code;
                done = true;
            });
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!done && std::chrono::steady_clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_TRUE(done);
        return result;
    }

    // An existing clip made by ffmpeg, with its bytes.
    QByteArray makeOldClip(const QString& target)
    {
        EXPECT_TRUE(test::makeClip(target, { "-c:v", "mjpeg" }, 2));
        return contentOf(target);
    }

    QTemporaryDir dir_;
    CallbackPrompt prompt_;
};

TEST_F(SaveReliabilityTest, ClipSaveOnAFullDiskKeepsTheOldClipAndLeavesNoTemporaryFile)
{
    const QString target = path("target.avi");
    const QByteArray old_clip = makeOldClip(target);
    ASSERT_FALSE(old_clip.isEmpty());
    // Twelve frames of 57 600 bytes cannot fit under 256 kB.
    PatternSource source(12, 160, 120, 24);
    int32_t result = 0;
    {
        FileSizeLimit limit;
        limit.Tighten(256 * 1024);
        result = save(source, 1, target);
    }
    EXPECT_EQ(result, avierr::kFileWrite);
    EXPECT_EQ(contentOf(target), old_clip);
    EXPECT_EQ(entries(), QStringList { "target.avi" });
    EXPECT_EQ(TAVISaveThread::FailureText(target), "Cannot write " + target + ": File too large");
    EXPECT_EQ(source.LastSaveFailure(), "Cannot write " + target + ": File too large");

    // The same save to a new name leaves no file at all.
    {
        FileSizeLimit limit;
        limit.Tighten(256 * 1024);
        result = save(source, 2, path("new.kfs"));
    }
    EXPECT_EQ(result, avierr::kFileWrite);
    EXPECT_EQ(entries(), QStringList { "target.avi" });
}

TEST_F(SaveReliabilityTest, CancelledOrBrokenClipSaveKeepsTheOldClip)
{
    const QString target = path("target.avi");
    const QByteArray old_clip = makeOldClip(target);
    PatternSource source(10, 64, 48, 24);

    EXPECT_EQ(save(source, 1, target, [](int percent) { return percent >= 50 ? avierr::kUserAbort : 0; }),
        avierr::kUserAbort);
    EXPECT_EQ(contentOf(target), old_clip);
    EXPECT_EQ(entries(), QStringList { "target.avi" });

    source.on_frame = [](int32_t index) { return index != 6; };
    EXPECT_EQ(save(source, 1, target), avierr::kFileRead);
    EXPECT_EQ(contentOf(target), old_clip);
    EXPECT_EQ(entries(), QStringList { "target.avi" });
}

TEST_F(SaveReliabilityTest, FinishedClipSaveReplacesTheOldClipAndKeepsItsMode)
{
    const QString target = path("target.avi");
    makeOldClip(target);
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    PatternSource source(4, 64, 48, 8);
    ASSERT_EQ(save(source, 1, target), avierr::kOk);
    EXPECT_EQ(entries(), QStringList { "target.avi" });
    EXPECT_EQ(TAVISaveThread::FailureText(target), QString());
    struct stat status { };
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640U);
    test::OpenClip saved(target);
    ASSERT_EQ(saved.stream.FrameCount(), 4);
    EXPECT_EQ(
        saved.frame(3), test::topDownBgr(source.Frame(3).packed(), int32_t(source.Frame(3).packedSize())));

    // A new clip gets the mode any new file gets, not the private one of a temporary file.
    const QString plain = path("plain");
    {
        QFile file(plain);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString fresh = path("fresh.avi");
    ASSERT_EQ(save(source, 1, fresh), avierr::kOk);
    struct stat expected { };
    ASSERT_EQ(::stat(QFile::encodeName(plain).constData(), &expected), 0);
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, expected.st_mode & 07777);
}

// The disk fills up while frame 2 is being scattered: frames 0 and 1 stay, whole, and no part of
// frame 2 is left, whatever the user answers.
TEST_F(SaveReliabilityTest, ScatterOnAFullDiskLeavesOnlyWholeFrameFiles)
{
    for (const int type : { kBmpFrameFiles, kGifFrameFiles, kJpegFrameFiles, kTiffFrameFiles }) {
        for (const PromptButton answer : { PromptButton::Abort, PromptButton::Ignore }) {
            SCOPED_TRACE(type);
            SCOPED_TRACE(int(answer));
            const QString folder = path(QStringLiteral("frames-%1-%2").arg(type).arg(int(answer)));
            PatternSource source(5, 64, 48, 8);
            FileSizeLimit limit;
            source.on_frame = [&limit](int32_t index) {
                if (index == 2)
                    limit.Tighten(64);
                return true;
            };
            prompt_.answer = answer;
            prompt_.texts.clear();
            const int32_t result = save(source, type, folder);
            limit.Lift();
            EXPECT_EQ(result, avierr::kGeneral);
            EXPECT_EQ(prompt_.texts.size(), answer == PromptButton::Abort ? 1 : 3);
            const QStringList expected { FrameFileName(type, 0), FrameFileName(type, 1) };
            ASSERT_EQ(entries(folder), expected);
            for (int i = 0; i < 2; ++i) {
                const FrameImage frame = source.Frame(i);
                const QString reference = path(QStringLiteral("reference"));
                QString error;
                ASSERT_TRUE(WriteFrameFile(reference, type, frame.packed(), frame.packedSize(), error));
                EXPECT_EQ(contentOf(QDir(folder).filePath(expected[i])), contentOf(reference)) << i;
                QFile::remove(reference);
            }
        }
    }
}

TEST_F(SaveReliabilityTest, ScatterGoesOnWhenTheUserRetriesAfterMakingRoom)
{
    const QString folder = path("frames");
    PatternSource source(4, 64, 48, 24);
    FileSizeLimit limit;
    source.on_frame = [&limit](int32_t index) {
        if (index == 1)
            limit.Tighten(64);
        return true;
    };
    prompt_.answer = PromptButton::Retry;
    prompt_.on_ask = [&limit] { limit.Lift(); };
    EXPECT_EQ(save(source, kBmpFrameFiles, folder), avierr::kOk);
    EXPECT_EQ(prompt_.texts.size(), 1);
    EXPECT_EQ(entries(folder).size(), 4);
    const FrameImage frame = source.Frame(1);
    EXPECT_EQ(QFileInfo(QDir(folder).filePath(FrameFileName(kBmpFrameFiles, 1))).size(),
        qint64(14 + frame.packedSize()));
}

} // namespace
} // namespace fw
