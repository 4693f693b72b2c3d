#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace fw {

// One running program per user. The first start listens on a per-user local socket; a second
// start connects, hands over its file name (or only asks the first to come forward) and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    static constexpr int kConnectWaitMs = 500;
    static constexpr int kAcceptWaitMs = 6000;

    enum class HandOverResult {
        Delivered, // the running program took the request
        NoInstance, // nobody listens: this start is the first after all
        Busy, // the running program did not answer in time; nothing was passed
    };

    explicit SingleInstance(QString server_name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // "framewright-" + the user id.
    static QString DefaultServerName();

    // Becomes the running program. False while another live program holds the name; a socket
    // left behind by a program that crashed is cleared and taken over.
    bool Listen();
    bool Listening() const;
    QString ServerName() const { return server_name_; }

    // The second start's side: blocks for at most connect_wait_ms + 2 × accept_wait_ms. An empty
    // file name only brings the running program forward.
    static HandOverResult HandOver(const QString& server_name, const QString& file_name,
        int connect_wait_ms = kConnectWaitMs, int accept_wait_ms = kAcceptWaitMs);

signals:
    void fileReceived(const QString& file_name);
    void raiseRequested();

private:
    void Accept();
    void Serve(QLocalSocket* socket);

    QString server_name_;
    QLocalServer* server_ = nullptr;
};

} // namespace fw
