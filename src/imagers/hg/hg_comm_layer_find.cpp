// THGCommLayer operations that use the link outside the worker's own exchanges: finding the
// imagers of a link and the advanced window's raw commands.
#include <QCursor>
#include <QGuiApplication>

#include "imagers/hg/hg_comm_layer.h"
#include "imagers/hg/hg_process_lock.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

constexpr int kAttachAllCollectMs = 10;
constexpr int kIdentifyGraceMs = 3000;
constexpr int kFindWaitGraceMs = 4000;
constexpr int kShortReplyBytes = 35;

// The hourglass while a find runs, when there is a screen to show it on.
class BusyCursor {
public:
    BusyCursor()
        : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (shown_)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~BusyCursor()
    {
        if (shown_)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool shown_;
};

} // namespace

int THGCommLayer::FindImagers(const std::function<void(const HGFoundImager&)>& found)
{
    const BusyCursor busy;
    const auto idle = [this] { return state_.load() == csIdle && pending_next_.load() == 0; };
    WaitUntil(idle, std::chrono::milliseconds(15), kFindWaitGraceMs);
    {
        const std::lock_guard lock(found_mutex_);
        found_.clear();
    }
    int reported = 0;
    try {
        RunBroadcasts();
        QStringList entries;
        {
            const std::lock_guard lock(found_mutex_);
            entries = found_;
        }
        for (const QString& entry : entries) {
            if (!SelectFoundImager(entry))
                continue;
            HGFoundImager imager;
            imager.identifier = identifier_;
            imager.baud_index = ReadRegister(hgcmd::kBaudRate);
            imager.ip_text = GetIPText();
            imager.kind_name = identified_ ? HGKindNameOfType(attach_.type_code) : QStringLiteral("Unknown");
            if (found)
                found(imager);
            ++reported;
        }
    } catch (const std::exception& failure) {
        showError(QStringLiteral("Identify Failed, ") + QString::fromLocal8Bit(failure.what()));
    }
    return reported;
}

void THGCommLayer::RunBroadcasts()
{
    // The broadcasts wait for replies for seconds: they run beside the user-interface thread,
    // whose events (a serial line's replies among them) keep running meanwhile.
    std::exception_ptr failure;
    std::atomic<bool> done { false };
    std::thread broadcaster([this, &failure, &done] {
        try {
            const std::lock_guard lock(HGProcessLock());
            collecting_identify_ = true;
            BroadcastCommand(hgcmd::kAttach, "02", kAttachAllCollectMs);
            BroadcastCommand(hgcmd::kIdentifyAll, {}, identify_window_ms_ + kIdentifyGraceMs);
            collecting_identify_ = false;
        } catch (...) {
            collecting_identify_ = false;
            failure = std::current_exception();
        }
        done = true;
    });
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 15);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    broadcaster.join();
    if (failure)
        std::rethrow_exception(failure);
}

void THGCommLayer::BroadcastCommand(int command, const QByteArray& argument, int collect_ms)
{
    last_command_ = command;
    last_code_ = HGSentCode(command, argument);
    receive_timeout_ms_ = collect_ms;
    result_ = hgresult::kSuccess;
    Broadcast(HGBroadcastFrame(command, argument));
}

bool THGCommLayer::SendRaw(const QString& text, const std::function<void(const QString& line)>& reply)
{
    raw_request_ = true;
    try {
        StartCommand(csChat, -1, text.toLatin1());
    } catch (...) {
        raw_request_ = false;
        throw;
    }
    raw_request_ = false;
    WaitIdle();
    if (!reply)
        return raw_reply_came_;
    const qsizetype length = raw_reply_.size();
    QString line = length >= 1 && length <= kShortReplyBytes
        ? QString::fromLatin1(raw_reply_)
        : QStringLiteral("%1 bytes received").arg(length);
    line += QStringLiteral(" - ") + HGResultName(result_.load());
    reply(line);
    return raw_reply_came_;
}

} // namespace fw
