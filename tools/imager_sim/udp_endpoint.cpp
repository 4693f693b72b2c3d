#include "udp_endpoint.h"

#include <QNetworkDatagram>
#include <QVariant>

#include "sim_log.h"

namespace fw::imager_sim {
namespace {

constexpr auto kShared = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
constexpr int kReceiveBufferBytes = 256 * 1024;

QByteArray peerText(const QHostAddress& address, quint16 port)
{
    return address.toString().toUtf8() + ':' + QByteArray::number(port);
}

} // namespace

UdpEndpoint::UdpEndpoint(
    const ImagerConfig& config, const UdpSettings& settings, const FaultSettings& faults, QObject* parent)
    : QObject(parent)
    , imager_(config)
    , faults_(faults)
    , settings_(settings)
    , name_("[" + toHex(quint32(config.identifier), 2) + ' ' + settings.address.toString().toUtf8() + ']')
    , unicast_(new QUdpSocket(this))
    , broadcast_(new QUdpSocket(this))
{
    connect(unicast_, &QUdpSocket::readyRead, this, [this] { readFrom(*unicast_); });
    connect(broadcast_, &QUdpSocket::readyRead, this, [this] { readFrom(*broadcast_); });
}

bool UdpEndpoint::open(QString& error)
{
    if (!unicast_->bind(settings_.address, settings_.port, kShared)
        || !broadcast_->bind(settings_.broadcast, settings_.port, kShared)) {
        error = QStringLiteral("cannot bind %1 or %2 port %3: %4")
                    .arg(settings_.address.toString(), settings_.broadcast.toString())
                    .arg(settings_.port)
                    .arg(unicast_->errorString() + QLatin1Char(' ') + broadcast_->errorString());
        return false;
    }
    unicast_->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kReceiveBufferBytes));
    if (!settings_.stray_from.isNull()) {
        stray_ = new QUdpSocket(this);
        if (!stray_->bind(settings_.stray_from, 0)) {
            error = QStringLiteral("cannot bind %1: %2")
                        .arg(settings_.stray_from.toString(), stray_->errorString());
            return false;
        }
    }
    return true;
}

void UdpEndpoint::readFrom(QUdpSocket& socket)
{
    while (socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket.receiveDatagram();
        answer(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}

void UdpEndpoint::answer(const QByteArray& datagram, const QHostAddress& sender, quint16 sender_port)
{
    const QByteArray peer = peerText(sender, sender_port);
    logTraffic(name_, "<-", peer, datagram);
    const std::optional<CommandFrame> frame = parseCommandFrame(stripLineEnd(datagram));
    if (!frame || !imager_.accepts(*frame)) {
        logNote(name_, "not for this imager");
        return;
    }
    std::vector<QByteArray> notes;
    const std::vector<Outgoing> outgoing = faults_.apply(imager_.handle(*frame), notes);
    for (const QByteArray& note : notes)
        logNote(name_, note);
    for (const Outgoing& item : outgoing) {
        if (stray_)
            sendStray(*frame, sender, sender_port);
        if (unicast_->writeDatagram(item.bytes, sender, sender_port) != item.bytes.size())
            logNote(name_, "send failed: " + unicast_->errorString().toUtf8());
        else
            logTraffic(name_, "->", peer, item.bytes);
    }
}

// A well-formed reply from the wrong address saying the imager refuses the command: a client
// that does not check where a reply comes from takes it for the real one.
void UdpEndpoint::sendStray(const CommandFrame& frame, const QHostAddress& to, quint16 to_port)
{
    const QByteArray stray = "#" + toHex(quint32(imager_.identifier()), 2) + "30" + frame.code + '\r';
    stray_->writeDatagram(stray, to, to_port);
    logTraffic(name_, "-> (stray from " + settings_.stray_from.toString().toUtf8() + ")",
        peerText(to, to_port), stray);
}

} // namespace fw::imager_sim
