#pragma once

// One imager on its own loopback address: a socket on that address and the imager port for
// unicast frames, and one on the broadcast address for attach-all and identify-all. Replies
// always leave from the imager's own address and port.

#include <memory>

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

#include "fault_switches.h"
#include "sim_imager.h"

namespace fw::imager_sim {

struct UdpSettings {
    QHostAddress address;
    QHostAddress broadcast;
    quint16 port = 1025;
    QHostAddress stray_from; // null: no stray datagrams
};

class UdpEndpoint : public QObject {
    Q_OBJECT
public:
    UdpEndpoint(const ImagerConfig& config, const UdpSettings& settings, const FaultSettings& faults,
        QObject* parent = nullptr);

    // Binds the sockets; false with `error` set when an address or port cannot be had.
    bool open(QString& error);
    QByteArray name() const { return name_; }

private:
    void readFrom(QUdpSocket& socket);
    void answer(const QByteArray& datagram, const QHostAddress& sender, quint16 sender_port);
    void sendStray(const CommandFrame& frame, const QHostAddress& to, quint16 to_port);

    SimImager imager_;
    FaultSwitches faults_;
    UdpSettings settings_;
    QByteArray name_;
    QUdpSocket* unicast_;
    QUdpSocket* broadcast_;
    QUdpSocket* stray_ = nullptr;
};

} // namespace fw::imager_sim
