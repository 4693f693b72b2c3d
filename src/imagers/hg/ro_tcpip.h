#pragma once

#include <cstdint>

#include <QString>

#include "imagers/hg/hg_comm_layer.h"

namespace fw {

// The imager port: 1025 unless FRAMEWRIGHT_IMAGER_PORT names another.
uint16_t ImagerUdpPort();

// The UDP link: one imager per address on the imager port. Replies are taken only from the
// imager's own address and port (for identify-all, from the imager port of any address); every
// other datagram is dropped and logged.
class TROTCPIP : public THGCommLayer {
public:
    // `broadcast_address`: where attach-all and identify-all go (the "Broadcast Address"
    // preference). Throws UDPSockError when the socket cannot be made.
    TROTCPIP(uint8_t identifier, const QString& ip_text, const QString& broadcast_address);
    ~TROTCPIP() override;

    QString GetIPText() override;
    void SetIPText(const QString& dotted) override;
    bool SelectFoundImager(const QString& entry) override;

    // The receive buffer the system granted, and the datagram size index chosen from it.
    static int StartingDatagramIndex(int granted_bytes);

protected:
    void FlushInput() override;
    void Broadcast(const QByteArray& frame) override;
    void Transact(const QByteArray& frame) override;
    void NoteIdentifyReply(int result) override;

private:
    int ReceiveOne(bool from_imager_only);
    void SetReceiveTimeout(int timeout_ms);
    [[noreturn]] void Fail(const char* call);

    int socket_ = -1;
    uint32_t imager_address_ = 0; // host order
    uint32_t broadcast_address_ = 0;
    uint16_t port_ = 1025;
    uint32_t last_source_address_ = 0;
    uint16_t last_source_port_ = 0;
    int cached_timeout_ms_ = -1;
};

// A failure of the UDP link.
class UDPSockError : public Error {
public:
    using Error::Error;
};

} // namespace fw
