#include "imagers/capture/cap_stream.h"

namespace fw {

TCapStream::TCapStream()
    : TAVISTREAM(QStringLiteral("CaptureIMAQ"))
{
    title_ = QStringLiteral("Capture");
}

TCapStream::~TCapStream() = default;

int TCapStream::TypeCount() const
{
    constexpr int kClipTypes = 2;
    return kClipTypes;
}

QString TCapStream::GetTitle() const
{
    return title_;
}

QString TCapStream::GetShortName() const
{
    return title_;
}

void TCapStream::SetCompletionHandler(CompletionHandler handler)
{
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

void TCapStream::SignalCompletion(const CaptureCompletion& completion)
{
    CompletionHandler handler;
    {
        std::lock_guard lock(mutex_);
        last_ = completion;
        handler = handler_;
    }
    if (handler) {
        handler(completion);
    }
}

std::optional<CaptureCompletion> TCapStream::LastCompletion() const
{
    std::lock_guard lock(mutex_);
    return last_;
}

} // namespace fw
