#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QSerialPort>
#include <QString>

#include "imagers/hg/shared_driver.h"

class QTimer;

namespace fw {

class TRORS485;

// One system serial port shared by the RS-485 links of the imagers on its line. The port is
// closed until the first link attaches and closed again when the last one leaves; all links on
// it share one baud rate. Received characters are gathered into lines; each line is offered to
// every link in the order they attached. Every link has a timer of its own that ends its wait
// for a reply. Everything here runs on the user-interface thread, where the port's events come.
class TSharedSerialDriver : public TSharedDriver {
public:
    // `system_port_name` as the system lists it ("ttyUSB0") or a device path ("/dev/pts/3");
    // `port_name` is the name in the port list ("Direct to ttyUSB0"), the system name when empty.
    explicit TSharedSerialDriver(const QString& system_port_name, QString port_name = {});
    ~TSharedSerialDriver() override;
    TSharedSerialDriver(const TSharedSerialDriver&) = delete;
    TSharedSerialDriver& operator=(const TSharedSerialDriver&) = delete;

    bool IsSerial() const override { return true; }
    QString SystemPortName() const { return port_.portName(); }
    bool IsOpen() const { return port_.isOpen(); }
    int BaudRate() const { return baud_rate_; }

    // Opens the port at `baud_rate` when it is closed. Throws fw::Error "Baud Rate Conflicts with
    // Open Imagers" when it is open at another rate, "Baud Rate Beyond Hardware Capabilities"
    // when the port refuses the rate, or the system's reason when it cannot be opened.
    void Attach(TRORS485& link, int baud_rate);
    // Removes the link and its timer; the last link out clears the port's buffers and closes it.
    void Detach(TRORS485& link);

    // Whether the open port takes `baud_rate`; the port keeps its rate either way.
    bool RateAccepted(int baud_rate);
    // Closes the port and opens it again at `baud_rate`, after what was written has gone out.
    // False when it cannot be opened at that rate (the port is then closed).
    bool Reopen(int baud_rate);

    // Arms the link's timer for `timeout_ms` in ticks of 54 ms (at least one).
    void ArmTimer(TRORS485& link, int timeout_ms);
    void DisarmTimer(TRORS485& link);
    // False when the port is closed or takes the frame only in part.
    bool Write(const QByteArray& frame);

private:
    struct AttachedLink {
        TRORS485* link = nullptr;
        std::unique_ptr<QTimer> timer;
    };

    void OpenAt(int baud_rate);
    void ReadAvailable();
    void DispatchLine();
    AttachedLink* Find(const TRORS485& link);

    QSerialPort port_;
    int baud_rate_ = QSerialPort::Baud9600;
    bool dispatch_busy_ = false;
    QByteArray line_;
    std::vector<AttachedLink> attached_;
};

} // namespace fw
