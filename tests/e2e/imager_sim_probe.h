#pragma once

// Helpers of the imager simulator's end-to-end tests: run fw-imager-sim on a free port and talk
// to it with plain sockets and a plain terminal, the way an imager's client would.

#include <optional>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace fw::e2e {

// The simulator, started on a port of its own; ended when the object goes.
class SimProcess {
public:
    SimProcess() = default;
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess();

    // Starts with FRAMEWRIGHT_IMAGER_PORT set to port() and waits for its "ready" line.
    bool start(const QStringList& args);
    quint16 port() const { return port_; }
    // The first line of standard output that starts with `prefix`, without the prefix.
    QString lineAfter(const QString& prefix) const;
    // Everything the simulator wrote on standard error so far.
    QByteArray errorOutput();

private:
    QProcess process_;
    quint16 port_ = 0;
    QStringList lines_;
    QByteArray errors_;
    static constexpr int kDrainQuiet_ms = 200;
};

struct Datagram {
    QByteArray data;
    QString from; // "address:port"
};

// A UDP socket on 127.0.0.1 that may broadcast; every wait ends after the receive time-out.
class UdpProbe {
public:
    UdpProbe();
    ~UdpProbe();
    UdpProbe(const UdpProbe&) = delete;
    UdpProbe& operator=(const UdpProbe&) = delete;

    void setTimeout(int timeout_ms);
    // Sends `text` and a carriage return to address:port.
    bool send(const QByteArray& text, const char* address, quint16 port);
    std::optional<Datagram> receive();
    std::optional<Datagram> transact(const QByteArray& text, const char* address, quint16 port);

private:
    int fd_ = -1;
};

// The client end of the simulated serial line, in raw mode.
class LineProbe {
public:
    explicit LineProbe(const QString& device);
    ~LineProbe();
    LineProbe(const LineProbe&) = delete;
    LineProbe& operator=(const LineProbe&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    bool sendLine(const QByteArray& text);
    // The next line up to its carriage return (included), or nothing within `timeout_ms`.
    std::optional<QByteArray> readLine(int timeout_ms = 3000);

private:
    int fd_ = -1;
    QByteArray pending_;
};

quint16 freeUdpPort();

} // namespace fw::e2e
