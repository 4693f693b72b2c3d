#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include "imagers/gpib/download_thread.h"
#include "imagers/gpib/em1012.h"

namespace fw {

bool TEM1012::StartDownload(std::span<std::uint8_t> buffer, std::optional<std::int32_t> frame)
{
    if (!connected_ || Busy())
        return false;
    JoinDownload();
    PollStatus(1);
    download_result_ = 0;
    events_held_ = true;
    busy_.store(true, std::memory_order_release);
    download_ = std::make_unique<TDownLoadThread>(*this, buffer, frame);
    download_->Start();
    return true;
}

bool TEM1012::WaitDownload()
{
    if (download_) {
        WaitOnThisThread();
        // Only a joined upload thread has let go of the state and the error; a thread other
        // than the user-interface thread does its waiting here.
        JoinDownload();
        download_result_ = error_code_;
        // One notification for everything the upload changed.
        if (on_state_change_)
            on_state_change_(state_);
        if (error_code_ != 0 && on_error_)
            on_error_(error_code_);
    }
    const bool succeeded = download_result_ == 0;
    download_result_ = 0;
    return succeeded;
}

// The user-interface thread keeps its windows alive while it waits; any other thread sleeps.
void TEM1012::WaitOnThisThread()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() != application->thread())
        return;
    QEventLoop loop;
    download_->WhenFinished(
        [waiting = &loop] { QMetaObject::invokeMethod(waiting, &QEventLoop::quit, Qt::QueuedConnection); });
    if (!download_->Finished())
        loop.exec();
    // The upload thread may still be leaving the call that woke the loop.
    download_->Join();
}

void TEM1012::JoinDownload()
{
    if (!download_)
        return;
    download_->Join();
    download_.reset();
    events_held_ = false;
    busy_.store(false, std::memory_order_release);
}

} // namespace fw
