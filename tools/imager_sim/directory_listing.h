#pragma once

// The simulated PC card's directory listing: a small fixed card, as the imager lists it.

#include <QByteArray>
#include <QList>

namespace fw::imager_sim {

// Datagrams of the listing over UDP: each starts with "{START}", ends with "<MORE>" when
// another part follows (asked for by "56" without argument), the last with "{END}".
int udpListingParts();
QByteArray udpListingPart(int part);

// Over a serial line every listing line is a reply of its own; the " bytes free" line ends it.
QList<QByteArray> serialListingLines();

} // namespace fw::imager_sim
