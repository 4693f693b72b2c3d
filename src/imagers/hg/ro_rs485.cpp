#include "imagers/hg/ro_rs485.h"

#include <array>
#include <cstring>

#include <QCoreApplication>
#include <QThread>

#include "imagers/hg/shared_serial_driver.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int kSerialIdentifyWindowMs = 15000;
constexpr std::array<int, 4> kBaudRates = { 9600, 19200, 38400, 115200 };
// How long a baud change waits for the user-interface thread to have written its frame.
constexpr auto kFrameSendWait = std::chrono::milliseconds(5000);
constexpr qsizetype kReplyHeader_bytes = 7;
// Replies to identify-all come from every imager on the line.
constexpr char kIdentifyAllEcho[] = "54";

} // namespace

TRORS485::TRORS485(TSharedSerialDriver& driver, uint8_t identifier, int baud_rate)
    : THGCommLayer(identifier, kSerialIdentifyWindowMs)
    , driver_(driver)
{
    driver_.Attach(*this, baud_rate);
}

TRORS485::~TRORS485()
{
    // A worker waiting for a reply stops waiting at once.
    inbox_.Close();
    EndWorker();
    // Frames the worker handed over and that were not written yet stay unwritten.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    driver_.Detach(*this);
}

// ---- The driver's side ----------------------------------------------------------------------

bool TRORS485::TakesLine(const QByteArray& line) const
{
    if (line.size() < kReplyHeader_bytes || line.at(0) != '#')
        return true;
    if (line.mid(5, 2) == kIdentifyAllEcho)
        return true;
    return line.mid(1, 2).toUpper() == IdentifierText().toLatin1();
}

// The inbox gets a copy of its own, never shared with the driver's line buffer: the worker frees
// it.
void TRORS485::DeliverLine(const QByteArray& line)
{
    inbox_.Put(QByteArray(line.constData(), line.size()));
}

void TRORS485::LineTimedOut()
{
    inbox_.Expire();
}

// ---- Transport (worker thread) --------------------------------------------------------------

void TRORS485::Transact(const QByteArray& frame)
{
    inbox_.StartExchange();
    PostFrame(frame, true);
    QByteArray line;
    switch (inbox_.Wait(line)) {
    case TSerialInbox::Outcome::kLine:
        TakeReply(line);
        return;
    case TSerialInbox::Outcome::kReleased:
        return;
    default:
        FailTimedOut();
    }
}

void TRORS485::Broadcast(const QByteArray& frame)
{
    inbox_.StartExchange();
    PostFrame(frame, false);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ReceiveTimeoutMs());
    QByteArray line;
    while (inbox_.Wait(line, until) == TSerialInbox::Outcome::kLine)
        TakeReply(line);
}

void TRORS485::ReceiveNext()
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ReceiveTimeoutMs());
    QByteArray line;
    if (inbox_.Wait(line, until) != TSerialInbox::Outcome::kLine)
        FailTimedOut();
    TakeReply(line);
}

void TRORS485::FlushInput()
{
    inbox_.DropLines();
}

void TRORS485::PostFrame(const QByteArray& frame, bool arm_timer)
{
    // The wait that follows would keep the frame from ever being written.
    if (QThread::currentThread() == thread()) {
        SetResultCode(hgresult::kInternalError);
        throw Error("Serial link used from the user-interface thread");
    }
    {
        // A copy of its own, shared with nothing on this thread.
        const std::lock_guard lock(outbox_mutex_);
        outbox_.push_back({ QByteArray(frame.constData(), frame.size()), ReceiveTimeoutMs(), arm_timer });
    }
    QMetaObject::invokeMethod(this, "SendPostedFrames", Qt::QueuedConnection);
}

void TRORS485::SendPostedFrames()
{
    std::deque<OutgoingFrame> posted;
    {
        const std::lock_guard lock(outbox_mutex_);
        posted.swap(outbox_);
    }
    for (const OutgoingFrame& outgoing : posted)
        SendOnLine(outgoing);
}

void TRORS485::SendOnLine(const OutgoingFrame& outgoing)
{
    if (outgoing.arm_timer)
        driver_.ArmTimer(*this, outgoing.timeout_ms);
    ++frames_sent_;
    if (driver_.Write(outgoing.frame))
        return;
    qCWarning(lcImagers) << "frame for imager" << IdentifierText() << "not written to" << driver_.PortName();
    driver_.DisarmTimer(*this);
    inbox_.Expire();
}

void TRORS485::TakeReply(const QByteArray& line)
{
    const size_t length = std::min(size_t(line.size()), ReceiveCapacity());
    std::memcpy(ReceiveBuffer(), line.constData(), length);
    ReplyReceived(length);
}

void TRORS485::FailTimedOut()
{
    SetResultCode(hgresult::kNotResponding);
    throw Error("Comm Layer Time-Out");
}

// ---- Baud rate (user-interface thread) ------------------------------------------------------

int TRORS485::SetBaudIndex(int index)
{
    if (index < 0 || index >= int(kBaudRates.size()))
        return 2;
    const int rate = kBaudRates[size_t(index)];
    const bool changes = rate != driver_.BaudRate();
    if (changes && driver_.Links().size() > 1)
        return 1;
    if (changes && !driver_.RateAccepted(rate))
        return 2;
    const int frames_before = frames_sent_;
    const int written = THGCommLayer::SetBaudIndex(index);
    if (written != 0)
        return written;
    // The imager switches its rate on this frame: its answer, if any, is not waited for.
    if (WaitFrameSent(frames_before)) {
        driver_.DisarmTimer(*this);
        inbox_.Release();
    }
    WaitIdle();
    if (changes && !driver_.Reopen(rate))
        return 2;
    Identify(false);
    return 0;
}

bool TRORS485::WaitFrameSent(int frames_sent_before)
{
    const auto until = std::chrono::steady_clock::now() + kFrameSendWait;
    while (frames_sent_ == frames_sent_before) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace fw
