#include "imagers/hg/shared_serial_driver.h"

#include <termios.h>

#include <algorithm>

#include <QCoreApplication>
#include <QTimer>

#include "imagers/hg/ro_rs485.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int kTimerTickMs = 54;
constexpr int kDrainMs = 1000;
constexpr char kCarriageReturn = '\r';

} // namespace

TSharedSerialDriver::TSharedSerialDriver(const QString& system_port_name, QString port_name)
    : TSharedDriver(port_name.isEmpty() ? system_port_name : std::move(port_name), kHGFamilyKinds, false)
{
    port_.setPortName(system_port_name);
    port_.setBaudRate(baud_rate_);
    port_.setParity(QSerialPort::NoParity);
    port_.setDataBits(QSerialPort::Data8);
    port_.setStopBits(QSerialPort::OneStop);
    QObject::connect(&port_, &QSerialPort::readyRead, &port_, [this] { ReadAvailable(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_, [this](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::NoError)
            qCWarning(lcImagers) << "serial port" << port_.portName() << "failed:" << port_.errorString();
    });
}

TSharedSerialDriver::~TSharedSerialDriver()
{
    if (!attached_.empty())
        qCWarning(lcImagers) << "serial port" << port_.portName() << "goes with" << attached_.size()
                             << "links still attached";
}

// ---- Links ----------------------------------------------------------------------------------

void TSharedSerialDriver::Attach(TRORS485& link, int baud_rate)
{
    if (Find(link))
        return;
    if (port_.isOpen() && baud_rate != baud_rate_)
        throw Error("Baud Rate Conflicts with Open Imagers");
    if (!port_.isOpen())
        OpenAt(baud_rate);
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    TRORS485* const owner = &link;
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [owner] { owner->LineTimedOut(); });
    attached_.push_back({ owner, std::move(timer) });
    AddLink(owner);
}

void TSharedSerialDriver::Detach(TRORS485& link)
{
    AttachedLink* const entry = Find(link);
    if (!entry)
        return;
    entry->timer.reset();
    // Offering a line never runs events, so a dispatch can only be under way here when this
    // detach came from an event run inside one.
    while (dispatch_busy_)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::erase_if(attached_, [&link](const AttachedLink& attached) { return attached.link == &link; });
    RemoveLink(&link);
    if (attached_.empty() && port_.isOpen()) {
        port_.clear();
        port_.close();
        line_.clear();
    }
}

TSharedSerialDriver::AttachedLink* TSharedSerialDriver::Find(const TRORS485& link)
{
    const auto found = std::find_if(attached_.begin(), attached_.end(),
        [&link](const AttachedLink& attached) { return attached.link == &link; });
    return found == attached_.end() ? nullptr : &*found;
}

// ---- Baud rate ------------------------------------------------------------------------------

void TSharedSerialDriver::OpenAt(int baud_rate)
{
    port_.setBaudRate(baud_rate);
    if (port_.open(QIODevice::ReadWrite)) {
        baud_rate_ = baud_rate;
        line_.clear();
        return;
    }
    const QSerialPort::SerialPortError error = port_.error();
    const QString reason = port_.errorString();
    port_.clearError();
    port_.setBaudRate(baud_rate_);
    if (error == QSerialPort::UnsupportedOperationError)
        throw Error("Baud Rate Beyond Hardware Capabilities");
    throw Error(QStringLiteral("Cannot open serial port %1: %2").arg(port_.portName(), reason));
}

bool TSharedSerialDriver::RateAccepted(int baud_rate)
{
    if (!port_.isOpen())
        return baud_rate > 0;
    const bool accepted = port_.setBaudRate(baud_rate);
    port_.clearError();
    port_.setBaudRate(baud_rate_);
    return accepted;
}

bool TSharedSerialDriver::Reopen(int baud_rate)
{
    if (port_.isOpen()) {
        // What was written goes out at the old rate: clearing the output would drop it.
        if (port_.bytesToWrite() > 0)
            port_.waitForBytesWritten(kDrainMs);
        ::tcdrain(int(port_.handle()));
        port_.clear(QSerialPort::Input);
        port_.close();
    }
    try {
        OpenAt(baud_rate);
        return true;
    } catch (const Error& failure) {
        qCWarning(lcImagers) << "serial port" << port_.portName() << "not reopened at" << baud_rate
                             << "baud:" << failure.message();
        return false;
    }
}

// ---- Timers and writing ---------------------------------------------------------------------

void TSharedSerialDriver::ArmTimer(TRORS485& link, int timeout_ms)
{
    if (AttachedLink* const entry = Find(link)) {
        const int ticks = std::max(1, timeout_ms / kTimerTickMs);
        entry->timer->start(ticks * kTimerTickMs);
    }
}

void TSharedSerialDriver::DisarmTimer(TRORS485& link)
{
    if (AttachedLink* const entry = Find(link))
        entry->timer->stop();
}

bool TSharedSerialDriver::Write(const QByteArray& frame)
{
    if (!port_.isOpen())
        return false;
    return port_.write(frame) == frame.size();
}

// ---- Receiving ------------------------------------------------------------------------------

void TSharedSerialDriver::ReadAvailable()
{
    const QByteArray received = port_.readAll();
    for (const char character : received) {
        const auto code = static_cast<unsigned char>(character);
        if (character == kCarriageReturn)
            DispatchLine();
        else if (code > 13)
            line_.append(character);
    }
}

void TSharedSerialDriver::DispatchLine()
{
    if (line_.isEmpty())
        return;
    dispatch_busy_ = true;
    line_.append(kCarriageReturn);
    for (AttachedLink& entry : attached_) {
        if (!entry.link->TakesLine(line_))
            continue;
        entry.timer->stop();
        entry.link->DeliverLine(line_);
    }
    dispatch_busy_ = false;
    line_.clear();
}

} // namespace fw
