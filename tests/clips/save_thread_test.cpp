#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include "clips/avi_clip_writer.h"
#include "clips/avi_encoders.h"
#include "clips/avi_stream.h"
#include "clips/avi_test_clips.h"
#include "clips/frame_image.h"
#include "clips/save_thread.h"
#include "clips/test_application.h"
#include "support/user_prompt.h"

namespace fw {
namespace {

void ensureApplication()
{
    test::EnsureApplication();
}

bool waitFor(const std::function<bool()>& condition, int timeout_ms = 30000)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Catches the first call a save worker sends to this thread and runs `action` in its place,
// before the call runs: the worker is waiting for that call's answer all along.
class WorkerCallCatcher : public QObject {
public:
    explicit WorkerCallCatcher(std::function<void()> action)
        : action_(std::move(action))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~WorkerCallCatcher() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override
    {
        // The worker's calls are the only events of a registered type here.
        if (!action_ || event->type() < QEvent::User || event->type() > QEvent::MaxUser)
            return false;
        std::function<void()> action = std::move(action_);
        action_ = nullptr;
        action();
        return true;
    }

private:
    std::function<void()> action_;
};

// A frame source of grey ramps; `on_frame` may change or refuse a frame (it runs on the saving
// thread).
class TestSource : public TAVISTREAM {
public:
    explicit TestSource(int32_t frames, int32_t width = 32, int32_t height = 24)
        : TAVISTREAM("Test")
        , frames_(frames)
        , width_(width)
        , height_(height)
    {
        CompressOptions().fccHandler = kUncompressedCode;
        CompressOptions().options_ok = true;
    }
    ~TestSource() override { StopSave(); }

    int32_t FrameCount() override { return frames_; }
    bool GetInfo(TAVIStreamInfo& info) override
    {
        info = {};
        info.dwScale = 1;
        info.dwRate = 15;
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
        if (index < 0 || index >= frames_)
            return false;
        frame_ = FrameImage(width_, height_, 8);
        std::memset(frame_.pixels(), index & 0xff, frame_.pixelBytes());
        if (on_frame && !on_frame(index, frame_))
            return false;
        size = int32_t(frame_.packedSize());
        frame = frame_.packed();
        return true;
    }
    void EndFrameAccess(FrameAccess* handle) override { delete handle; }

    std::function<bool(int32_t index, FrameImage& frame)> on_frame;

private:
    int32_t frames_;
    int32_t width_;
    int32_t height_;
    FrameImage frame_;
};

// What one save told its window.
struct SaveLog {
    std::vector<int> percents;
    std::set<QThread*> progress_threads;
    bool done = false;
    int32_t result = -1;
    QString reason;
    int done_calls = 0;

    SaveProgressHandler progress(std::function<int32_t(int)> answer = {})
    {
        return [this, answer](int percent) {
            percents.push_back(percent);
            progress_threads.insert(QThread::currentThread());
            return answer ? answer(percent) : 0;
        };
    }
    SaveDoneHandler doneHandler()
    {
        return [this](TAVISTREAM& stream, int32_t code) {
            EXPECT_FALSE(stream.SaveRunning());
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            done = true;
            result = code;
            reason = stream.LastSaveFailure();
            ++done_calls;
        };
    }
};

class SaveThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensureApplication();
        installPrompt(&prompt_);
    }
    void TearDown() override
    {
        installPrompt(nullptr);
        SetCompressionChooser(nullptr);
    }
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    bool waitDone(const SaveLog& log)
    {
        return waitFor([&] { return log.done; });
    }

    QTemporaryDir dir_;
    ScriptedPrompt prompt_;
};

TEST_F(SaveThreadTest, SaveWritesTheClipAndReportsOnTheStartingThread)
{
    TestSource source(10);
    SaveLog log;
    source.StartSave(1, "Video Clip File", path("a.avi"), log.progress(), log.doneHandler());
    EXPECT_TRUE(source.SaveRunning());
    EXPECT_EQ(source.SaveType(), 1);
    EXPECT_THROW(source.StartSave(1, "Video Clip File", path("b.avi"), {}, {}), Error);
    ASSERT_TRUE(waitDone(log));

    EXPECT_EQ(log.result, avierr::kOk);
    EXPECT_EQ(log.progress_threads, std::set<QThread*> { QThread::currentThread() });
    ASSERT_FALSE(log.percents.empty());
    EXPECT_EQ(log.percents.front(), 0);
    EXPECT_EQ(log.percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(log.percents.begin(), log.percents.end()));
    EXPECT_EQ(TAVISaveThread::RunningCount(), 0);

    test::OpenClip clip(path("a.avi"));
    ASSERT_EQ(clip.stream.FrameCount(), 10);
    TAVIStreamInfo info;
    ASSERT_TRUE(clip.stream.GetInfo(info));
    EXPECT_EQ(info.dwRate / info.dwScale, 15u);
    EXPECT_EQ(clip.frame(7)[0], 7);
    EXPECT_EQ(log.done_calls, 1);
}

TEST_F(SaveThreadTest, CancelHalfwayEndsWithUserAbortAndLeavesNoFile)
{
    TestSource source(20);
    SaveLog log;
    source.StartSave(1, "Video Clip File", path("c.avi"),
        log.progress([](int percent) { return percent >= 50 ? avierr::kUserAbort : 0; }), log.doneHandler());
    ASSERT_TRUE(waitDone(log));
    EXPECT_EQ(log.result, avierr::kUserAbort);
    EXPECT_EQ(log.percents.back(), 50);
    EXPECT_FALSE(QFileInfo::exists(path("c.avi")));
}

TEST_F(SaveThreadTest, UnconfirmedOptionsAskFirstAndCancellingWritesNothing)
{
    TestSource source(3);
    source.CompressOptions().options_ok = false;
    SaveLog refused;
    source.StartSave(1, "Video Clip File", path("d.avi"), refused.progress(), refused.doneHandler());
    EXPECT_TRUE(refused.done); // no chooser installed: the dialog counts as cancelled
    EXPECT_EQ(refused.result, avierr::kUserAbort);
    EXPECT_FALSE(source.SaveRunning());
    EXPECT_TRUE(refused.percents.empty());

    SetCompressionChooser([](QObject*, TAVISTREAM&, CompressionOptions& options) {
        options.fccHandler = fourcc('M', 'J', 'P', 'G');
        return true;
    });
    SaveLog accepted;
    source.StartSave(2, "KFS Clip File", path("d.kfs"), accepted.progress(), accepted.doneHandler());
    ASSERT_TRUE(waitDone(accepted));
    EXPECT_EQ(accepted.result, avierr::kOk);
    EXPECT_TRUE(source.CompressOptions().options_ok);
    test::OpenClip clip(path("d.kfs"));
    TAVIStreamInfo info;
    ASSERT_TRUE(clip.stream.GetInfo(info));
    EXPECT_EQ(info.fccHandler, fourcc('M', 'J', 'P', 'G'));
}

TEST_F(SaveThreadTest, AskOnErrorAnswersRetryIgnoreAndAbort)
{
    TestSource source(6);
    std::vector<int> answers;
    int attempts_at_2 = 0;
    source.on_frame = [&](int32_t index, FrameImage& frame) {
        TAVISaveThread* save = TAVISaveThread::Current();
        if (!save)
            return false;
        if (index == 2 && ++attempts_at_2 == 1) {
            answers.push_back(save->AskOnError("Frame 2 is late"));
            return answers.back() == kAskRetry;
        }
        if (index == 4) {
            answers.push_back(save->AskOnError("Frame 4 is lost"));
            std::memset(frame.pixels(), 127, frame.pixelBytes());
            return answers.back() != kAskAbort;
        }
        return true;
    };
    prompt_.queueAnswer(PromptButton::Retry);
    prompt_.queueAnswer(PromptButton::Ignore);
    SaveLog log;
    source.StartSave(1, "Video Clip File", path("e.avi"), log.progress(), log.doneHandler());
    ASSERT_TRUE(waitDone(log));
    EXPECT_EQ(log.result, avierr::kOk);
    EXPECT_EQ(answers, (std::vector<int> { kAskRetry, kAskIgnore }));
    const auto questions = prompt_.questions();
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].kind, PromptKind::Error);
    EXPECT_EQ(questions[0].text, "Frame 2 is late");
    EXPECT_EQ(questions[0].buttons, PromptButton::Abort | PromptButton::Retry | PromptButton::Ignore);
    test::OpenClip clip(path("e.avi"));
    EXPECT_EQ(clip.frame(4)[0], 127);

    prompt_.clear();
    answers.clear();
    prompt_.queueAnswer(PromptButton::Abort);
    SaveLog aborted;
    source.StartSave(1, "Video Clip File", path("f.avi"), aborted.progress(), aborted.doneHandler());
    ASSERT_TRUE(waitDone(aborted));
    EXPECT_EQ(answers, std::vector<int> { kAskAbort });
    EXPECT_EQ(aborted.result, avierr::kUserAbort);
    EXPECT_NE(std::find(aborted.percents.begin(), aborted.percents.end(), -1), aborted.percents.end());
    EXPECT_FALSE(QFileInfo::exists(path("f.avi")));
}

TEST_F(SaveThreadTest, TwoSavesAtOnceEachFindTheirOwnThread)
{
    // Both sources hold their third frame until the other one got there too.
    std::mutex mutex;
    std::condition_variable both_there;
    int arrived = 0;
    auto meet = [&] {
        std::unique_lock lock(mutex);
        ++arrived;
        both_there.notify_all();
        return both_there.wait_for(lock, std::chrono::seconds(20), [&] { return arrived >= 2; });
    };
    TestSource first(5);
    TestSource second(5);
    std::set<TAVISaveThread*> seen_first;
    std::set<TAVISaveThread*> seen_second;
    first.on_frame = [&](int32_t index, FrameImage&) {
        seen_first.insert(TAVISaveThread::Current());
        return index != 2 || meet();
    };
    second.on_frame = [&](int32_t index, FrameImage&) {
        seen_second.insert(TAVISaveThread::Current());
        return index != 2 || meet();
    };
    SaveLog log_first;
    SaveLog log_second;
    first.StartSave(1, "Video Clip File", path("g1.avi"), log_first.progress(), log_first.doneHandler());
    second.StartSave(1, "Video Clip File", path("g2.avi"), log_second.progress(), log_second.doneHandler());
    EXPECT_EQ(TAVISaveThread::RunningCount(), 2);
    ASSERT_TRUE(waitDone(log_first));
    ASSERT_TRUE(waitDone(log_second));
    EXPECT_EQ(log_first.result, avierr::kOk);
    EXPECT_EQ(log_second.result, avierr::kOk);
    ASSERT_EQ(seen_first.size(), 1u);
    ASSERT_EQ(seen_second.size(), 1u);
    EXPECT_NE(*seen_first.begin(), nullptr);
    EXPECT_NE(*seen_second.begin(), nullptr);
    EXPECT_NE(*seen_first.begin(), *seen_second.begin());
    EXPECT_EQ(TAVISaveThread::Current(), nullptr);
}

TEST_F(SaveThreadTest, FramesThatChangeShapeOrFailEndWithAClearCodeAndNoFile)
{
    TestSource resized(8);
    resized.on_frame = [](int32_t index, FrameImage& frame) {
        if (index == 5)
            frame = FrameImage(16, 24, 8);
        return true;
    };
    SaveLog log;
    resized.StartSave(1, "Video Clip File", path("h.avi"), log.progress(), log.doneHandler());
    ASSERT_TRUE(waitDone(log));
    EXPECT_EQ(log.result, avierr::kBadFormat);
    EXPECT_FALSE(QFileInfo::exists(path("h.avi")));

    TestSource unreadable(8);
    unreadable.on_frame = [](int32_t index, FrameImage&) { return index != 3; };
    SaveLog failed;
    unreadable.StartSave(1, "Video Clip File", path("i.avi"), failed.progress(), failed.doneHandler());
    ASSERT_TRUE(waitDone(failed));
    EXPECT_EQ(failed.result, avierr::kFileRead);
    EXPECT_EQ(failed.reason, "Frame 3 of the source cannot be read");
    EXPECT_FALSE(QFileInfo::exists(path("i.avi")));
    EXPECT_FALSE(log.reason.isEmpty());

    // A source that throws keeps the code the save reports and hands its own words on.
    TestSource throwing(8);
    throwing.on_frame = [](int32_t index, FrameImage&) -> bool {
        if (index == 2)
            throw std::runtime_error("The camera link went down");
        return true;
    };
    SaveLog thrown;
    throwing.StartSave(1, "Video Clip File", path("t.avi"), thrown.progress(), thrown.doneHandler());
    ASSERT_TRUE(waitDone(thrown));
    EXPECT_EQ(thrown.result, avierr::kGeneral);
    EXPECT_EQ(thrown.reason, "The camera link went down");
    EXPECT_FALSE(QFileInfo::exists(path("t.avi")));
    // The next save starts without the old reason.
    throwing.on_frame = {};
    SaveLog fine;
    throwing.StartSave(1, "Video Clip File", path("t.avi"), fine.progress(), fine.doneHandler());
    ASSERT_TRUE(waitDone(fine));
    EXPECT_EQ(fine.result, avierr::kOk);
    EXPECT_EQ(throwing.LastSaveFailure(), QString());

    TestSource empty(0);
    SaveLog nothing;
    empty.StartSave(1, "Video Clip File", path("j.avi"), nothing.progress(), nothing.doneHandler());
    ASSERT_TRUE(waitDone(nothing));
    EXPECT_NE(nothing.result, avierr::kOk);
    EXPECT_FALSE(QFileInfo::exists(path("j.avi")));
}

TEST_F(SaveThreadTest, ClosingTheStreamDuringASaveStopsItWithoutWaitingForTheWindow)
{
    SaveLog log;
    auto source = std::make_unique<TestSource>(50);
    source->StartSave(1, "Video Clip File", path("k.avi"), log.progress(), log.doneHandler());
    // The worker's first progress report has reached this thread, so the worker waits for the
    // answer; the stream goes before anyone answers.
    bool closed = false;
    WorkerCallCatcher catcher([&] {
        source.reset();
        closed = true;
    });
    ASSERT_TRUE(waitFor([&] { return closed; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(log.done);
    EXPECT_TRUE(log.percents.empty());
    EXPECT_EQ(TAVISaveThread::RunningCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(path("k.avi")));
}

TEST_F(SaveThreadTest, ScatterWritesNumberedFilesWithProgress)
{
    TestSource source(3);
    SaveLog log;
    const QString directory = path("frames/deep");
    source.StartSave(3, "Bitmap Files Directory", directory, log.progress(), log.doneHandler());
    ASSERT_TRUE(waitDone(log));
    EXPECT_EQ(log.result, avierr::kOk);
    EXPECT_EQ(log.percents, (std::vector<int> { 0, 33, 66, 100 }));
    const QStringList files = QDir(directory).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList { "F0000000.bmp", "F0000001.bmp", "F0000002.bmp" }));

    SaveLog cancelled;
    source.StartSave(5, "JPEG Files Directory", path("cancelled"),
        cancelled.progress([](int percent) { return percent >= 66 ? avierr::kUserAbort : 0; }),
        cancelled.doneHandler());
    ASSERT_TRUE(waitDone(cancelled));
    EXPECT_EQ(cancelled.result, avierr::kUserAbort);
}

TEST_F(SaveThreadTest, ScatterFailuresAreNeverReportedAsSuccess)
{
    TestSource empty(0);
    SaveLog no_frames;
    empty.StartSave(3, "Bitmap Files Directory", path("none"), no_frames.progress(), no_frames.doneHandler());
    ASSERT_TRUE(waitDone(no_frames));
    EXPECT_EQ(no_frames.result, avierr::kGeneral);
    EXPECT_TRUE(QDir(path("none")).entryList(QDir::Files).isEmpty());

    TestSource source(4);
    source.on_frame = [](int32_t index, FrameImage&) { return index != 2; };
    SaveLog broken;
    source.StartSave(4, "GIF Files Directory", path("broken"), broken.progress(), broken.doneHandler());
    ASSERT_TRUE(waitDone(broken));
    EXPECT_EQ(broken.result, avierr::kGeneral);
    EXPECT_FALSE(broken.reason.isEmpty());

    SaveLog unnamed;
    source.StartSave(6, "TIF Files Directory", QString(), unnamed.progress(), unnamed.doneHandler());
    ASSERT_TRUE(waitDone(unnamed));
    EXPECT_EQ(unnamed.result, avierr::kGeneral);
    EXPECT_EQ(unnamed.reason, "Unable to create directory");
}

} // namespace
} // namespace fw
