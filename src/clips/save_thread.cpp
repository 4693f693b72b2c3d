#include "clips/save_thread.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QObject>
#include <QThread>

#if defined(__SANITIZE_THREAD__)
#define FW_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define FW_TSAN 1
#endif
#endif
#ifdef FW_TSAN
#include <sanitizer/tsan_interface.h>
#endif

#include "clips/avi_clip_writer.h"
#include "clips/avi_stream.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

struct Running {
    TAVISaveThread* thread;
    std::thread::id id;
};

std::mutex& runningMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<Running>& runningList()
{
    static std::vector<Running> list;
    return list;
}

std::mutex& failureMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<QString, QString>& failureTexts()
{
    static std::map<QString, QString> texts;
    return texts;
}

void setFailureText(const QString& target, const QString& text)
{
    std::lock_guard lock(failureMutex());
    if (text.isEmpty())
        failureTexts().erase(target);
    else
        failureTexts()[target] = text;
}

void setRunningId(TAVISaveThread* thread, std::thread::id id)
{
    std::lock_guard lock(runningMutex());
    for (Running& r : runningList()) {
        if (r.thread == thread)
            r.id = id;
    }
}

// Ends a frame access however the save leaves.
class AccessGuard {
public:
    AccessGuard(TAVISTREAM& stream, FrameAccess* access)
        : stream_(stream)
        , access_(access)
    {
    }
    ~AccessGuard() { stream_.EndFrameAccess(access_); }
    AccessGuard(const AccessGuard&) = delete;
    AccessGuard& operator=(const AccessGuard&) = delete;

private:
    TAVISTREAM& stream_;
    FrameAccess* access_;
};

} // namespace

// One call carried to the context's thread. It lives on the heap, shared by the worker and the
// queued call, so a worker that stops waiting leaves nothing behind that the call could touch.
struct ContextCall {
    std::mutex mutex;
    std::condition_variable done_signal;
    bool done = false;
    std::atomic<bool> ran { false };
    std::atomic<bool> abandoned { false };
};

namespace {

// Qt hands posted events over under a lock of its own, which ThreadSanitizer only sees when Qt
// itself is instrumented; these two mark the hand-over for it.
void markHandover([[maybe_unused]] void* event)
{
#ifdef FW_TSAN
    __tsan_release(event);
#endif
}

void takeHandover([[maybe_unused]] void* event)
{
#ifdef FW_TSAN
    __tsan_acquire(event);
#endif
}

QEvent::Type callEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// One call from the worker, run on the relay's thread. When the event goes away, after it ran
// or unrun because the relay was freed first, a waiting worker is told.
class CallEvent : public QEvent {
public:
    CallEvent(std::function<void()> run, std::shared_ptr<ContextCall> call)
        : QEvent(callEventType())
        , run_(std::move(run))
        , call_(std::move(call))
    {
    }
    ~CallEvent() override
    {
        if (!call_)
            return;
        std::lock_guard lock(call_->mutex);
        call_->done = true;
        call_->done_signal.notify_all();
    }
    CallEvent(const CallEvent&) = delete;
    CallEvent& operator=(const CallEvent&) = delete;

    void execute()
    {
        if (call_ && call_->abandoned)
            return;
        run_();
        if (call_)
            call_->ran = true;
    }

private:
    std::function<void()> run_;
    std::shared_ptr<ContextCall> call_;
};

class CallRelay : public QObject {
public:
    bool event(QEvent* event) override
    {
        takeHandover(event); // before anything of the event is read
        if (event->type() != callEventType())
            return QObject::event(event);
        static_cast<CallEvent*>(event)->execute();
        return true;
    }
};

} // namespace

TAVISaveThread::TAVISaveThread(TAVISTREAM& stream, QString target, const CompressionOptions& options,
    SaveSource source, QObject* context, SaveProgressHandler progress, SaveFinishedHandler finished)
    : stream_(stream)
    , target_(std::move(target))
    , options_(options)
    , source_(source)
    , context_(context)
    , progress_(std::move(progress))
    , finished_(std::move(finished))
{
    if (context_) {
        relay_ = new CallRelay;
        relay_->moveToThread(context_->thread());
    }
    setFailureText(target_, QString());
    std::lock_guard lock(runningMutex());
    runningList().push_back({ this, {} });
}

TAVISaveThread::~TAVISaveThread()
{
    Stop();
    if (relay_) {
        // The worker has ended: what it posted and nobody ran yet is dropped now, and the
        // relay goes once control is back in the event loop, since this may run inside it.
        QCoreApplication::removePostedEvents(relay_);
        relay_->deleteLater();
    }
    std::lock_guard lock(runningMutex());
    auto& list = runningList();
    list.erase(
        std::remove_if(list.begin(), list.end(), [this](const Running& r) { return r.thread == this; }),
        list.end());
}

void TAVISaveThread::Start()
{
    worker_ = std::thread([this] { Main(); });
}

void TAVISaveThread::Stop()
{
    terminated_ = true;
    {
        std::lock_guard lock(wait_mutex_);
        if (waiting_) {
            std::lock_guard call_lock(waiting_->mutex);
            waiting_->done_signal.notify_all();
        }
    }
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id())
        worker_.join();
}

TAVISaveThread* TAVISaveThread::Current()
{
    const std::thread::id self = std::this_thread::get_id();
    std::lock_guard lock(runningMutex());
    for (const Running& r : runningList()) {
        if (r.id == self)
            return r.thread;
    }
    return nullptr;
}

QString TAVISaveThread::FailureText(const QString& target)
{
    std::lock_guard lock(failureMutex());
    const auto found = failureTexts().find(target);
    return found == failureTexts().end() ? QString() : found->second;
}

int TAVISaveThread::RunningCount()
{
    std::lock_guard lock(runningMutex());
    return int(runningList().size());
}

void TAVISaveThread::SetFailureReason(const QString& reason)
{
    failure_reason_ = reason;
    setFailureText(target_, reason);
}

void TAVISaveThread::Main()
{
    setRunningId(this, std::this_thread::get_id());
    int32_t result = avierr::kGeneral;
    try {
        result = Run();
    } catch (...) {
        // The code stays what the save would report; the message goes to the window and the log.
        result = last_answer_ != 0 ? last_answer_.load() : avierr::kGeneral;
        SetFailureReason(HandledExceptionText());
    }
    if (result == avierr::kOk || result == avierr::kUserAbort)
        SetFailureReason(QString());
    else
        // Whoever started the save shows the reason; the windows log what they show.
        qCDebug(lcClips).noquote()
            << QStringLiteral("Saving %1 failed (code %2): %3")
                   .arg(target_,
                       QStringLiteral("%1").arg(uint32_t(result), 8, 16, QLatin1Char('0')).toUpper(),
                       failure_reason_.isEmpty() ? QStringLiteral("no reason given") : failure_reason_);
    setRunningId(this, {});
    if (!finished_)
        return;
    if (!context_) {
        finished_(result);
        return;
    }
    post(new CallEvent([finished = finished_, result] { finished(result); }, {}));
}

void TAVISaveThread::post(QEvent* event)
{
    markHandover(event);
    QCoreApplication::postEvent(relay_, event);
}

bool TAVISaveThread::CallOnContext(const std::function<void()>& call)
{
    if (terminated_)
        return false;
    if (!context_ || QThread::currentThread() == context_->thread()) {
        call();
        return true;
    }
    auto state = std::make_shared<ContextCall>();
    {
        std::lock_guard lock(wait_mutex_);
        waiting_ = state;
    }
    post(new CallEvent(call, state));
    {
        std::unique_lock lock(state->mutex);
        state->done_signal.wait(lock, [&] { return state->done || terminated_.load(); });
        state->abandoned = !state->done;
    }
    std::lock_guard lock(wait_mutex_);
    waiting_.reset();
    return state->ran && !terminated_;
}

int32_t TAVISaveThread::Progress(int percent)
{
    last_percent_ = percent;
    int32_t answer = 0;
    if (progress_) {
        auto reply = std::make_shared<std::atomic<int32_t>>(0);
        if (CallOnContext([reply, handler = progress_, percent] { *reply = handler(percent); }))
            answer = *reply;
        else
            answer = avierr::kUserAbort;
    }
    if (terminated_)
        answer = avierr::kUserAbort;
    last_answer_ = answer;
    return answer;
}

PromptButton TAVISaveThread::Ask(
    PromptKind kind, const QString& caption, const QString& text, PromptButton buttons)
{
    auto reply = std::make_shared<std::atomic<PromptButton>>(PromptButton::None);
    if (!CallOnContext([=] { *reply = askUser(kind, caption, text, buttons); }))
        return PromptButton::None;
    return *reply;
}

namespace {

constexpr PromptButton kAbortRetryIgnore = PromptButton::Abort | PromptButton::Retry | PromptButton::Ignore;

int AskAnswerCode(PromptButton answer)
{
    if (answer == PromptButton::Retry)
        return kAskRetry;
    if (answer == PromptButton::Ignore)
        return kAskIgnore;
    return kAskAbort;
}

} // namespace

int AskOnFrameReadError(const QString& message)
{
    if (TAVISaveThread* save = TAVISaveThread::Current())
        return save->AskOnError(message);
    return AskAnswerCode(askUser(PromptKind::Error, QString(), message, kAbortRetryIgnore));
}

int TAVISaveThread::AskOnError(const QString& message)
{
    const int answer = AskAnswerCode(Ask(PromptKind::Error, QString(), message, kAbortRetryIgnore));
    if (answer != kAskAbort)
        return answer;
    user_aborted_ = true;
    Progress(-1);
    return kAskAbort;
}

int32_t TAVISaveThread::Run()
{
    try {
        return SaveClip();
    } catch (const AviSaveError& failure) {
        SetFailureReason(failure.message());
        return failure.code();
    }
}

int32_t TAVISaveThread::SaveClip()
{
    const int32_t count = source_.frame_count;
    if (count <= 0)
        return avierr::kBadParameter;
    FrameAccess* access = nullptr;
    if (!stream_.BeginFrameAccess(access)) {
        SetFailureReason(QStringLiteral("The frames of the source cannot be read"));
        return avierr::kFileRead;
    }
    AccessGuard guard(stream_, access);
    AviClipWriter writer(target_, options_, source_.rate, source_.scale);
    for (int32_t i = 0; i < count; ++i) {
        if (Progress(int(int64_t(i) * 100 / count)) != 0)
            return avierr::kUserAbort;
        int32_t size = 0;
        const uint8_t* frame = nullptr;
        const bool produced = stream_.GetFrame(access, i, size, frame);
        if (user_aborted_)
            return avierr::kUserAbort;
        if (!produced || !frame || size <= 0) {
            SetFailureReason(QStringLiteral("Frame %1 of the source cannot be read").arg(i));
            return avierr::kFileRead;
        }
        writer.WriteFrame(frame, size_t(size));
    }
    if (Progress(100) != 0)
        return avierr::kUserAbort;
    writer.Finish();
    return avierr::kOk;
}

TAVIScatterThread::TAVIScatterThread(TAVISTREAM& stream, QString directory, int type, QObject* context,
    SaveProgressHandler progress, SaveFinishedHandler finished)
    : TAVISaveThread(stream, std::move(directory), CompressionOptions {}, SaveSource {}, context,
        std::move(progress), std::move(finished))
    , type_(type)
{
}

TAVIScatterThread::~TAVIScatterThread()
{
    // The worker runs this class's Run: it must end before this part of the object goes.
    Stop();
}

int32_t TAVIScatterThread::Run()
{
    last_answer_ = avierr::kGeneral;
    Progress(0);
    try {
        if (target_.isEmpty() || !QDir().mkpath(target_))
            throw Error("Unable to create directory");
        stream_.ScatterFrames(target_, type_, [this](int percent) { return Progress(percent) == 0; });
    } catch (const std::exception& failure) {
        SetFailureReason(QString::fromStdString(failure.what()));
        if (last_answer_ == 0)
            last_answer_ = avierr::kGeneral;
    }
    return last_answer_;
}

} // namespace fw
