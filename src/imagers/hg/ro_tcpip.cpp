#include "imagers/hg/ro_tcpip.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/log.h"

namespace fw {

namespace {

constexpr int kDefaultImagerPort = 1025;
constexpr int kReceiveBufferRequest_bytes = 49152;
constexpr int kSendTimeoutMs = 3000;
constexpr int kUdpIdentifyWindowMs = 3000;
constexpr int kFlushTimeoutMs = 10;
constexpr int kSmallestStartIndex = 3;

std::optional<uint32_t> ParseAddress(const QString& text)
{
    in_addr address {};
    if (inet_pton(AF_INET, text.trimmed().toLatin1().constData(), &address) != 1)
        return std::nullopt;
    return ntohl(address.s_addr);
}

QString DottedOf(uint32_t host_order)
{
    in_addr address {};
    address.s_addr = htonl(host_order);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

sockaddr_in SocketAddress(uint32_t host_order, uint16_t port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(host_order);
    address.sin_port = htons(port);
    return address;
}

int64_t MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

uint16_t ImagerUdpPort()
{
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("FRAMEWRIGHT_IMAGER_PORT", &ok);
    return ok && port > 0 && port < 65536 ? uint16_t(port) : uint16_t(kDefaultImagerPort);
}

int TROTCPIP::StartingDatagramIndex(int granted_bytes)
{
    int index = 0;
    while (index <= kSmallestStartIndex && DatagramBytes(index) > granted_bytes)
        ++index;
    return index;
}

TROTCPIP::TROTCPIP(uint8_t identifier, const QString& ip_text, const QString& broadcast_address)
    : THGCommLayer(identifier, kUdpIdentifyWindowMs)
    , port_(ImagerUdpPort())
{
    imager_address_ = ParseAddress(ip_text).value_or(0);
    broadcast_address_ = ParseAddress(broadcast_address).value_or(INADDR_BROADCAST);
    socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (socket_ < 0)
        Fail("socket");
    const int off = 0;
    setsockopt(socket_, SOL_SOCKET, SO_DEBUG, &off, sizeof off);
    const int requested = kReceiveBufferRequest_bytes;
    if (setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &requested, sizeof requested) != 0)
        Fail("setsockopt");
    int granted = 0;
    socklen_t granted_size = sizeof granted;
    if (getsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &granted, &granted_size) != 0)
        Fail("getsockopt");
    const int index = StartingDatagramIndex(granted);
    if (index > kSmallestStartIndex) {
        ::close(socket_);
        socket_ = -1;
        throw UDPSockError("System Datagram Size Too Small.");
    }
    SetDatagramIndexWanted(index);
    const sockaddr_in local = SocketAddress(INADDR_ANY, 0);
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
        Fail("bind");
    const timeval send_timeout { kSendTimeoutMs / 1000, 0 };
    setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &send_timeout, sizeof send_timeout);
}

TROTCPIP::~TROTCPIP()
{
    EndWorker();
    if (socket_ >= 0)
        ::close(socket_);
    socket_ = -1;
}

void TROTCPIP::Fail(const char* call)
{
    const int code = errno;
    SetResultCode(hgresult::kWinSockError);
    const QString reason = QString::fromLocal8Bit(std::strerror(code));
    qCWarning(lcImagers) << call << "failed on the link to" << DottedOf(imager_address_) << ":" << reason;
    if (code == 0)
        throw UDPSockError(QStringLiteral(" Socket I/O Error (%1)").arg(code));
    throw UDPSockError(QStringLiteral(" Socket I/O Error (%1): %2").arg(code).arg(reason));
}

void TROTCPIP::SetReceiveTimeout(int timeout_ms)
{
    if (timeout_ms == cached_timeout_ms_)
        return;
    const timeval timeout { timeout_ms / 1000, (timeout_ms % 1000) * 1000 };
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    cached_timeout_ms_ = timeout_ms;
}

// Waits up to the receive time-out for a datagram the link takes; datagrams from anywhere else
// are dropped. Answers the bytes received, or -1 on time-out.
int TROTCPIP::ReceiveOne(bool from_imager_only)
{
    const auto start = std::chrono::steady_clock::now();
    const int timeout_ms = cached_timeout_ms_;
    for (;;) {
        const int64_t left_ms = timeout_ms - MsSince(start);
        if (left_ms <= 0)
            return -1;
        pollfd waiting { socket_, POLLIN, 0 };
        const int ready = ::poll(&waiting, 1, int(left_ms));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            Fail("poll");
        if (ready == 0)
            return -1;
        sockaddr_in source {};
        socklen_t source_size = sizeof source;
        const ssize_t received = ::recvfrom(socket_, ReceiveBuffer(), ReceiveCapacity(), MSG_TRUNC,
            reinterpret_cast<sockaddr*>(&source), &source_size);
        if (received < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (received < 0)
            Fail("recvfrom");
        const uint32_t address = ntohl(source.sin_addr.s_addr);
        const uint16_t port = ntohs(source.sin_port);
        const bool taken = port == port_ && (!from_imager_only || address == imager_address_);
        if (!taken) {
            qCWarning(lcImagers) << "dropped a datagram of" << received << "bytes from" << DottedOf(address)
                                 << "port" << port << "on the link to" << DottedOf(imager_address_);
            continue;
        }
        last_source_address_ = address;
        last_source_port_ = port;
        // A datagram larger than the buffer is cut to it.
        return int(std::min<ssize_t>(received, ssize_t(ReceiveCapacity())));
    }
}

void TROTCPIP::Transact(const QByteArray& frame)
{
    SetReceiveTimeout(ReceiveTimeoutMs());
    const sockaddr_in imager = SocketAddress(imager_address_, port_);
    if (::sendto(socket_, frame.constData(), size_t(frame.size()), 0,
            reinterpret_cast<const sockaddr*>(&imager), sizeof imager)
        < 0)
        Fail("sendto");
    const int received = ReceiveOne(true);
    if (received < 0) {
        SetResultCode(hgresult::kNotResponding);
        throw UDPSockError("Socket I/O Timed Out");
    }
    ReplyReceived(size_t(received));
}

void TROTCPIP::Broadcast(const QByteArray& frame)
{
    SetReceiveTimeout(ReceiveTimeoutMs());
    const int on = 1;
    const int off = 0;
    setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    const sockaddr_in everyone = SocketAddress(broadcast_address_, port_);
    const ssize_t sent = ::sendto(socket_, frame.constData(), size_t(frame.size()), 0,
        reinterpret_cast<const sockaddr*>(&everyone), sizeof everyone);
    setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &off, sizeof off);
    if (sent < 0)
        Fail("sendto");
    for (;;) {
        const int received = ReceiveOne(false);
        if (received < 0)
            return;
        ReplyReceived(size_t(received));
    }
}

void TROTCPIP::FlushInput()
{
    const int kept_timeout_ms = cached_timeout_ms_;
    SetReceiveTimeout(kFlushTimeoutMs);
    for (;;) {
        pollfd waiting { socket_, POLLIN, 0 };
        if (::poll(&waiting, 1, kFlushTimeoutMs) <= 0)
            break;
        char discard[16];
        if (::recv(socket_, discard, sizeof discard, MSG_TRUNC) <= 0)
            break;
    }
    SetReceiveTimeout(kept_timeout_ms < 0 ? ReceiveTimeoutMs() : kept_timeout_ms);
}

void TROTCPIP::NoteIdentifyReply(int result)
{
    const uint8_t* reply = ReceiveBuffer();
    const QByteArray identifier(reinterpret_cast<const char*>(reply) + 1, 2);
    if (result == hgresult::kSuccess && reply[0] == '#')
        AddFound(QString::fromLatin1(identifier) + DottedOf(last_source_address_));
}

QString TROTCPIP::GetIPText()
{
    return DottedOf(last_source_address_);
}

void TROTCPIP::SetIPText(const QString& dotted)
{
    THGCommLayer::SetIPText(dotted);
    WaitIdle();
    if (const auto address = ParseAddress(dotted))
        imager_address_ = *address;
}

bool TROTCPIP::SelectFoundImager(const QString& entry)
{
    if (const auto address = ParseAddress(entry.mid(2, 16)))
        imager_address_ = *address;
    return THGCommLayer::SelectFoundImager(entry);
}

} // namespace fw
