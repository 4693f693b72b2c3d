#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "imagers/imager_find.h"

namespace fw {

class THGCommLayer;
class TSharedDriver;
struct TAttachPreferences;

// Makes the link an entry needs; throws fw::Error when it cannot.
using THGLinkFactory = std::function<std::unique_ptr<THGCommLayer>(const TAttacher& entry)>;

// What the attach window and the attach loop do with HG/RO links. Empty members mean this
// build has no links: finding and attaching HG/RO imagers say so.
struct TImagerLinks {
    // The link of an entry being attached, telling `attached_changed` when the imager is
    // identified and when the link detaches or goes. Throws fw::Error.
    std::function<std::unique_ptr<THGCommLayer>(
        const TAttacher& entry, std::function<void(bool)> attached_changed)>
        open;
    TImagerSearch find;

    bool Available() const { return open && find; }
};

// The links' own operations over links the factory makes.
TImagerLinks HGImagerLinks(THGLinkFactory make_link);

// Makes the RS-485 link of an imager on a serial port: the program passes one that takes the
// port's line driver (TSharedSerialDriver) out of `port` and throws fw::Error when the port has
// none.
using TSerialLinkMaker
    = std::function<std::unique_ptr<THGCommLayer>(TSharedDriver& port, uint8_t identifier, int baud_rate)>;

// UDP links on network ports (broadcasts to the preferences' address, read when a link is made),
// RS-485 links on serial ports through `make_serial_link`.
THGLinkFactory HGLinkFactory(const TAttachPreferences& preferences, TSerialLinkMaker make_serial_link);

} // namespace fw
