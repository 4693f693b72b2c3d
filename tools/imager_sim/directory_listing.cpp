#include "directory_listing.h"

namespace fw::imager_sim {
namespace {

constexpr int kLinesPerDatagram = 7;

const QList<QByteArray>& cardLines()
{
    static const QList<QByteArray> lines {
        "[ROOT]",
        "HGCARD",
        ".",
        "..",
        "SESS0001.CFG        1024  01-15-24  10:30:12",
        "SESS0001.DAT     5928960  01-15-24  10:30:14",
        "F00000.BAY        197632  01-15-24  10:30:15",
        "F00001.BAY        197632  01-15-24  10:30:15",
        "F00002.BAY        197632  01-15-24  10:30:15",
        "README.TXT           412  01-15-24  10:29:58",
        "     6 file(s)     6523292 bytes",
        "    77594624 bytes free",
    };
    return lines;
}

} // namespace

int udpListingParts()
{
    return int((cardLines().size() + kLinesPerDatagram - 1) / kLinesPerDatagram);
}

QByteArray udpListingPart(int part)
{
    QByteArray datagram = "{START}\r";
    const QList<QByteArray> lines = cardLines().mid(part * kLinesPerDatagram, kLinesPerDatagram);
    for (const QByteArray& line : lines)
        datagram += line + '\r';
    datagram += part + 1 < udpListingParts() ? "<MORE>\r" : "{END}\r";
    return datagram;
}

QList<QByteArray> serialListingLines()
{
    return QList<QByteArray> { "{START}" } + cardLines();
}

} // namespace fw::imager_sim
