#include "imagers/imager_links.h"

#include "imagers/hg/hg_comm_layer.h"
#include "imagers/hg/ro_tcpip.h"
#include "imagers/hg/shared_driver.h"
#include "imagers/imager_list.h"
#include "support/fw_error.h"

namespace fw {

TImagerLinks HGImagerLinks(THGLinkFactory make_link)
{
    TImagerLinks links;
    links.open = [make_link](const TAttacher& entry, std::function<void(bool)> attached_changed) {
        std::unique_ptr<THGCommLayer> link = make_link(entry);
        if (attached_changed)
            link->SetAttachedHandler(std::move(attached_changed));
        return link;
    };
    links.find
        = [make_link](const TAttacher& scratch, const std::function<void(const HGFoundImager&)>& found) {
              // The link's thread ends when the link goes, before the caller reports the count.
              std::unique_ptr<THGCommLayer> link = make_link(scratch);
              return link->FindImagers(found);
          };
    return links;
}

THGLinkFactory HGLinkFactory(const TAttachPreferences& preferences, TSerialLinkMaker make_serial_link)
{
    return [&preferences, make_serial_link](const TAttacher& entry) -> std::unique_ptr<THGCommLayer> {
        if (!entry.port)
            throw Error(QStringLiteral("Imager ") + entry.name + QStringLiteral(" has no interface."));
        if (entry.identifier < 0 || entry.identifier > 255)
            throw Error(
                QStringLiteral("The Imager ID of ") + entry.name + QStringLiteral(" must be 0 to 255."));
        const auto identifier = uint8_t(entry.identifier);
        if (entry.port->IsSerial()) {
            if (!make_serial_link)
                throw Error(QStringLiteral("This version cannot reach imagers through ")
                    + entry.port->PortName() + QStringLiteral(" yet."));
            const int baud_rate = entry.baud_rate == -1 ? kDefaultSerialBaudRate : entry.baud_rate;
            return make_serial_link(*entry.port, identifier, baud_rate);
        }
        return std::make_unique<TROTCPIP>(identifier, entry.ip_address, preferences.broadcast_address);
    };
}

} // namespace fw
