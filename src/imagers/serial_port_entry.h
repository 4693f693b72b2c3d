#pragma once

#include "imagers/hg/shared_driver.h"

namespace fw {

// A serial port of the port list without a driver of its own behind it: it names the port and
// says it is serial, and carries no line. The port list makes these when it is given no serial
// driver factory (tests, and listing ports before the RS-485 driver is plugged in).
class TSerialPortEntry : public TSharedDriver {
public:
    explicit TSerialPortEntry(QString port_name)
        : TSharedDriver(std::move(port_name), kHGFamilyKinds, false)
    {
    }

    bool IsSerial() const override { return true; }
};

} // namespace fw
