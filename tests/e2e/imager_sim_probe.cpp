#include "e2e/imager_sim_probe.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <QProcessEnvironment>

#include "e2e/cli_runner.h"

namespace fw::e2e {
namespace {

constexpr int kStartLimit_ms = 20000;
constexpr int kReceiveBufferBytes = 1 << 20;

sockaddr_in loopbackAddress(const char* address, quint16 port)
{
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    ::inet_pton(AF_INET, address, &to.sin_addr);
    return to;
}

} // namespace

quint16 freeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = loopbackAddress("127.0.0.1", 0);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

SimProcess::~SimProcess()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished();
    }
}

bool SimProcess::start(const QStringList& args)
{
    port_ = freeUdpPort();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FRAMEWRIGHT_IMAGER_PORT"), QString::number(port_));
    process_.setProcessEnvironment(environment);
    process_.start(binPath("fw-imager-sim"), args);
    if (!process_.waitForStarted(kStartLimit_ms))
        return false;
    while (process_.state() == QProcess::Running) {
        while (process_.canReadLine()) {
            lines_ << QString::fromUtf8(process_.readLine()).trimmed();
            if (lines_.last() == QLatin1String("ready"))
                return true;
        }
        if (!process_.waitForReadyRead(kStartLimit_ms))
            return false;
    }
    return false;
}

QString SimProcess::lineAfter(const QString& prefix) const
{
    for (const QString& line : lines_) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    }
    return {};
}

QByteArray SimProcess::errorOutput()
{
    // What the simulator wrote so far reaches the pipe at once; wait for it, not for more.
    process_.setReadChannel(QProcess::StandardError);
    while (process_.waitForReadyRead(kDrainQuiet_ms))
        errors_ += process_.readAllStandardError();
    errors_ += process_.readAllStandardError();
    process_.setReadChannel(QProcess::StandardOutput);
    return errors_;
}

UdpProbe::UdpProbe()
    : fd_(::socket(AF_INET, SOCK_DGRAM, 0))
{
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &kReceiveBufferBytes, sizeof kReceiveBufferBytes);
    sockaddr_in local = loopbackAddress("127.0.0.1", 0);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    setTimeout(3000);
}

UdpProbe::~UdpProbe()
{
    ::close(fd_);
}

void UdpProbe::setTimeout(int timeout_ms)
{
    timeval limit { timeout_ms / 1000, (timeout_ms % 1000) * 1000 };
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

bool UdpProbe::send(const QByteArray& text, const char* address, quint16 port)
{
    const QByteArray frame = text + '\r';
    const sockaddr_in to = loopbackAddress(address, port);
    return ::sendto(fd_, frame.constData(), size_t(frame.size()), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to)
        == frame.size();
}

std::optional<Datagram> UdpProbe::receive()
{
    QByteArray buffer(65536, '\0');
    sockaddr_in from {};
    socklen_t from_length = sizeof from;
    const ssize_t count = ::recvfrom(
        fd_, buffer.data(), size_t(buffer.size()), 0, reinterpret_cast<sockaddr*>(&from), &from_length);
    if (count < 0)
        return std::nullopt;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    return Datagram { buffer.left(count),
        QStringLiteral("%1:%2").arg(QLatin1String(text)).arg(ntohs(from.sin_port)) };
}

std::optional<Datagram> UdpProbe::transact(const QByteArray& text, const char* address, quint16 port)
{
    if (!send(text, address, port))
        return std::nullopt;
    return receive();
}

LineProbe::LineProbe(const QString& device)
    : fd_(::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY))
{
    if (fd_ < 0)
        return;
    termios raw {};
    ::tcgetattr(fd_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd_, TCSANOW, &raw);
}

LineProbe::~LineProbe()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool LineProbe::sendLine(const QByteArray& text)
{
    const QByteArray frame = text + '\r';
    return ::write(fd_, frame.constData(), size_t(frame.size())) == frame.size();
}

std::optional<QByteArray> LineProbe::readLine(int timeout_ms)
{
    while (!pending_.contains('\r')) {
        pollfd wait { fd_, POLLIN, 0 };
        if (::poll(&wait, 1, timeout_ms) <= 0)
            return std::nullopt;
        char buffer[4096];
        const ssize_t count = ::read(fd_, buffer, sizeof buffer);
        if (count <= 0)
            return std::nullopt;
        pending_.append(buffer, count);
    }
    const qsizetype end = pending_.indexOf('\r') + 1;
    const QByteArray line = pending_.left(end);
    pending_.remove(0, end);
    return line;
}

} // namespace fw::e2e
