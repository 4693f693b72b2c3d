#pragma once

#include <memory>

#include <QString>

#include "cli_common.h"

namespace fw {
class THGCommLayer;
}

namespace fw::cli {

extern const CliCommand kImagerCommand;
// "imager download": the words from "download" on.
int RunImagerDownload(const QStringList& words);

// What a link command reaches: an imager by address over UDP, or by identifier on a serial
// line; for find, the broadcast address or the line.
struct LinkTarget {
    bool serial = false;
    QString address; // --ip, or the broadcast address of find --udp
    QString device; // --serial
    int identifier = 1;
    int baud = 9600;

    // "Ethernet", or "Direct to " + the device's name under /dev.
    QString PortText() const;
    // The address as given, or DEVICE + " #" + id.
    QString Name() const;
    // "Ethernet at IP 127.0.0.21", "Direct to ttyS0 at 9600 baud".
    QString Description() const;
};

enum class LinkUse { Find, Attach };

void AddLinkOptions(CommandLine& command, LinkUse use);
// Throws UsageError for a missing or contradictory choice of link.
LinkTarget ReadLinkTarget(const CommandLine& command, LinkUse use);
// Throws fw::Error when the link cannot be made.
std::unique_ptr<THGCommLayer> MakeLink(const LinkTarget& target);

} // namespace fw::cli
