#include "shell/single_instance.h"

#include <memory>

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <unistd.h>

#include "shell/handover_message.h"

namespace fw {

namespace {

// A client that connects and then says nothing must not hold a connection for ever.
constexpr int kIdleClientMs = 10000;

// Reads up to and including the next line feed before the deadline; empty when none came.
QByteArray ReadLine(QLocalSocket& socket, const QDeadlineTimer& deadline)
{
    while (!socket.canReadLine()) {
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
            return {};
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || !socket.waitForReadyRead(int(left)))
            return socket.canReadLine() ? socket.readLine() : QByteArray();
    }
    return socket.readLine();
}

} // namespace

SingleInstance::SingleInstance(QString server_name, QObject* parent)
    : QObject(parent)
    , server_name_(std::move(server_name))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::DefaultServerName()
{
    return QStringLiteral("framewright-%1").arg(::getuid());
}

bool SingleInstance::Listening() const
{
    return server_ && server_->isListening();
}

bool SingleInstance::Listen()
{
    if (Listening())
        return true;
    // Two starts at the same moment must not both decide they are first: the check and the
    // listen happen under a lock that a crashed holder does not keep.
    QLockFile lock(QDir::temp().filePath(server_name_ + QStringLiteral(".lock")));
    lock.tryLock(kAcceptWaitMs);
    QLocalSocket probe;
    probe.connectToServer(server_name_);
    if (probe.waitForConnected(kConnectWaitMs)) {
        probe.abort();
        return false;
    }
    // Nobody answers on the name: whatever is left there belongs to a program that ended.
    // (Listening with access options would silently replace a live socket, hence the probe.)
    QLocalServer::removeServer(server_name_);
    delete server_;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(server_name_))
        return false;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
    return true;
}

void SingleInstance::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection())
        Serve(socket);
}

void SingleInstance::Serve(QLocalSocket* socket)
{
    auto received = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kIdleClientMs, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, received] {
        received->append(socket->readAll());
        const HandOverRequest request = ParseHandOverRequest(*received);
        switch (request.kind) {
        case HandOverRequest::Kind::Incomplete:
            return;
        case HandOverRequest::Kind::Invalid:
            socket->abort();
            return;
        case HandOverRequest::Kind::Open:
            emit fileReceived(request.file_name);
            emit raiseRequested();
            break;
        case HandOverRequest::Kind::Raise:
            emit raiseRequested();
            break;
        }
        received->clear();
        socket->write(kHandOverAck);
        socket->disconnectFromServer();
    });
    socket->write(kHandOverGreeting);
}

SingleInstance::HandOverResult SingleInstance::HandOver(
    const QString& server_name, const QString& file_name, int connect_wait_ms, int accept_wait_ms)
{
    QLocalSocket socket;
    socket.connectToServer(server_name);
    if (!socket.waitForConnected(connect_wait_ms))
        return HandOverResult::NoInstance;
    // The request goes out only after the running program greeted: one that is busy for
    // longer than the wait gets nothing, rather than a file it would open much later.
    if (ReadLine(socket, QDeadlineTimer(accept_wait_ms)) != kHandOverGreeting) {
        socket.abort();
        return HandOverResult::Busy;
    }
    socket.write(file_name.isEmpty() ? FormatRaiseRequest() : FormatOpenRequest(file_name));
    if (!socket.waitForBytesWritten(accept_wait_ms)) {
        socket.abort();
        return HandOverResult::Busy;
    }
    const bool acknowledged = ReadLine(socket, QDeadlineTimer(accept_wait_ms)) == kHandOverAck;
    socket.abort();
    return acknowledged ? HandOverResult::Delivered : HandOverResult::Busy;
}

} // namespace fw
