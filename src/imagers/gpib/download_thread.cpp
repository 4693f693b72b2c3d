#include "imagers/gpib/download_thread.h"

#include "imagers/gpib/em1012.h"

namespace fw {

TDownLoadThread::TDownLoadThread(
    TEM1012& processor, std::span<std::uint8_t> buffer, std::optional<std::int32_t> frame)
    : processor_(processor)
    , buffer_(buffer)
    , frame_(frame)
{
}

TDownLoadThread::~TDownLoadThread()
{
    Join();
}

void TDownLoadThread::Start()
{
    thread_ = std::thread([this] { Body(); });
}

void TDownLoadThread::Body()
{
    processor_.UploadFrame(buffer_, frame_);
    std::function<void()> wake;
    {
        const std::lock_guard lock(mutex_);
        finished_ = true;
        wake = std::move(wake_);
    }
    if (wake)
        wake();
}

bool TDownLoadThread::Finished() const
{
    const std::lock_guard lock(mutex_);
    return finished_;
}

void TDownLoadThread::WhenFinished(std::function<void()> wake)
{
    {
        const std::lock_guard lock(mutex_);
        if (!finished_) {
            wake_ = std::move(wake);
            return;
        }
    }
    wake();
}

void TDownLoadThread::Join()
{
    if (thread_.joinable())
        thread_.join();
}

} // namespace fw
