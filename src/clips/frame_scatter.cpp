#include "clips/frame_scatter.h"

#include <exception>

#include <QDir>

#include "clips/avi_stream.h"
#include "clips/frame_file_writer.h"
#include "clips/save_thread.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

// Holds a frame access handle of the stream for one scatter.
class FrameAccessScope {
public:
    explicit FrameAccessScope(TAVISTREAM& stream)
        : stream_(stream)
    {
        if (!stream_.BeginFrameAccess(handle_))
            handle_ = nullptr;
    }
    ~FrameAccessScope()
    {
        if (handle_)
            stream_.EndFrameAccess(handle_);
    }
    FrameAccessScope(const FrameAccessScope&) = delete;
    FrameAccessScope& operator=(const FrameAccessScope&) = delete;

    FrameAccess* handle() const { return handle_; }

private:
    TAVISTREAM& stream_;
    FrameAccess* handle_ = nullptr;
};

enum class WriteOutcome { Written, Skipped, Aborted };

// Writes one frame file; a failure asks the user until the file is written or given up.
WriteOutcome writeWithRetry(
    const QString& path, int clip_type, const uint8_t* frame, int32_t size, QString& first_error)
{
    for (;;) {
        QString error;
        if (WriteFrameFile(path, clip_type, frame, size_t(size), error))
            return WriteOutcome::Written;
        if (first_error.isEmpty())
            first_error = error;
        // On a scatter thread the question goes through it, so a window stopping the save is
        // never left waiting for an answer the worker waits to ask.
        const PromptButton buttons = PromptButton::Abort | PromptButton::Retry | PromptButton::Ignore;
        TAVISaveThread* thread = TAVISaveThread::Current();
        const PromptButton answer = thread ? thread->Ask(PromptKind::Error, QString(), error, buttons)
                                           : askUser(PromptKind::Error, QString(), error, buttons);
        if (answer == PromptButton::Ignore)
            return WriteOutcome::Skipped;
        if (answer != PromptButton::Retry)
            return WriteOutcome::Aborted;
    }
}

ScatterResult scatter(
    TAVISTREAM& stream, const QDir& directory, int clip_type, const ScatterProgress& progress, QString& error)
{
    FrameAccessScope access(stream);
    if (!access.handle()) {
        error = QStringLiteral("Unable to read the frames of the clip");
        return ScatterResult::Failed;
    }
    const int32_t count = stream.FrameCount();
    if (count <= 0) {
        error = QStringLiteral("The clip has no frames");
        return ScatterResult::Failed;
    }
    bool skipped = false;
    for (int32_t i = 0; i < count; ++i) {
        if (progress && !progress(int((int64_t(i) + 1) * 100 / count)))
            return ScatterResult::Cancelled;
        int32_t size = 0;
        const uint8_t* frame = nullptr;
        if (!stream.GetFrame(access.handle(), i, size, frame) || !frame || size <= 0) {
            error = QStringLiteral("Unable to read frame %1").arg(i);
            return ScatterResult::Failed;
        }
        const QString path = directory.filePath(FrameFileName(clip_type, i));
        switch (writeWithRetry(path, clip_type, frame, size, error)) {
        case WriteOutcome::Written:
            break;
        case WriteOutcome::Skipped:
            skipped = true;
            break;
        case WriteOutcome::Aborted:
            return ScatterResult::Failed;
        }
    }
    return skipped ? ScatterResult::Failed : ScatterResult::Completed;
}

} // namespace

ScatterResult ScatterFrames(TAVISTREAM& stream, const QString& directory, int clip_type,
    const ScatterProgress& progress, QString& error)
{
    error.clear();
    if (!IsFrameFileType(clip_type)) {
        error = QStringLiteral("Clip type %1 has no frame files").arg(clip_type);
        return ScatterResult::Failed;
    }
    if (directory.isEmpty()) {
        error = QStringLiteral("Unable to create directory");
        return ScatterResult::Failed;
    }
    if (!QDir().mkpath(directory)) {
        error = QStringLiteral("Unable to create directory %1").arg(QDir::toNativeSeparators(directory));
        return ScatterResult::Failed;
    }
    try {
        return scatter(stream, QDir(directory), clip_type, progress, error);
    } catch (const Error& e) {
        error = e.message();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    return ScatterResult::Failed;
}

} // namespace fw
