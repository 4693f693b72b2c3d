#pragma once

#include <cstdint>

#include "imagers/hg/hg_comm_layer.h"

namespace fw {

class TSharedSerialDriver;

// The RS-485 link: several imagers share one serial line through its driver; each answers only
// frames carrying its identifier. The driver hands every reply line to every link on the line.
class TRORS485 : public THGCommLayer {
public:
    // Attaches to the driver first: throws fw::Error "Baud Rate Conflicts with Open Imagers" or
    // "Baud Rate Beyond Hardware Capabilities".
    TRORS485(TSharedSerialDriver& driver, uint8_t identifier, int baud_rate);
    ~TRORS485() override;

    int SetBaudIndex(int index) override;
    TSharedSerialDriver& Driver() const { return driver_; }

protected:
    void FlushInput() override;
    void Broadcast(const QByteArray& frame) override;
    void Transact(const QByteArray& frame) override;

private:
    TSharedSerialDriver& driver_;
};

} // namespace fw
