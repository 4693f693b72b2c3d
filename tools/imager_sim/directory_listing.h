#pragma once

// The simulated PC card's directory listings, as the imager sends them.

#include <QByteArray>
#include <QList>

namespace fw::imager_sim {

class PcCard;

// The lines listing the directory at `path` (the root when the path names no directory): the
// root starts with "[ROOT]" and the volume name, another directory with its path ("\DIR\SUB");
// then ".", "..", one line per entry and the two summary lines, "N file(s) B bytes" and
// "F bytes free". An entry line has the name in columns 1-8, the extension in 11-13, the date
// and time in 14-33 and, from column 34, the size or "<DIR>".
QList<QByteArray> listingLines(const PcCard& card, const QByteArray& path);

// Datagrams of the listing over UDP: each starts with "{START}", ends with "<MORE>" when
// another part follows (asked for by "56" without argument), the last with "{END}".
QList<QByteArray> udpListingParts(const QList<QByteArray>& lines);

// Over a serial line every listing line is a reply of its own; the " bytes free" line ends it.
QList<QByteArray> serialListingLines(const QList<QByteArray>& lines);

} // namespace fw::imager_sim
