#include "directory_listing.h"

#include "pc_card.h"

namespace fw::imager_sim {
namespace {

constexpr int kLinesPerDatagram = 7;
constexpr int kNameWidth = 8;
constexpr int kExtensionWidth = 3;
constexpr int kStampWidth = 18;
constexpr int kSizeWidth = 10;

QByteArray padded(const QByteArray& text, int width)
{
    return text.leftJustified(width, ' ', true);
}

QByteArray entryLine(const CardEntry& entry)
{
    const qsizetype dot = entry.name.indexOf('.');
    const QByteArray stem = dot < 0 ? entry.name : entry.name.left(dot);
    const QByteArray extension = dot < 0 ? QByteArray() : entry.name.mid(dot + 1);
    const QByteArray size = entry.directory ? QByteArray("<DIR>") : QByteArray::number(entry.size_bytes);
    return padded(stem, kNameWidth) + "  " + padded(extension, kExtensionWidth) + "  "
        + padded(entry.stamp, kStampWidth) + "  " + size.rightJustified(kSizeWidth);
}

QList<QByteArray> summaryLines(const PcCard& card, const CardEntry& directory)
{
    int files = 0;
    qint64 bytes = 0;
    for (const CardEntry& entry : directory.entries) {
        files += entry.directory ? 0 : 1;
        bytes += entry.directory ? 0 : entry.size_bytes;
    }
    return {
        QByteArray::number(files).rightJustified(6) + " file(s) "
            + QByteArray::number(bytes).rightJustified(11) + " bytes",
        QByteArray::number(card.freeBytes()).rightJustified(12) + " bytes free",
    };
}

} // namespace

QList<QByteArray> listingLines(const PcCard& card, const QByteArray& path)
{
    const CardEntry* directory = card.directory(path);
    const bool root = !directory || PcCard::namesRoot(path);
    if (!directory)
        directory = card.directory("\\");
    QList<QByteArray> lines;
    if (root)
        lines << "[ROOT]" << card.volumeName();
    else
        lines << PcCard::canonicalPath(path);
    lines << "."
          << "..";
    for (const CardEntry& entry : directory->entries)
        lines << entryLine(entry);
    return lines + summaryLines(card, *directory);
}

QList<QByteArray> udpListingParts(const QList<QByteArray>& lines)
{
    QList<QByteArray> parts;
    for (qsizetype first = 0; first < lines.size(); first += kLinesPerDatagram) {
        QByteArray datagram = "{START}\r";
        for (const QByteArray& line : lines.mid(first, kLinesPerDatagram))
            datagram += line + '\r';
        datagram += first + kLinesPerDatagram < lines.size() ? "<MORE>\r" : "{END}\r";
        parts << datagram;
    }
    return parts;
}

QList<QByteArray> serialListingLines(const QList<QByteArray>& lines)
{
    return QList<QByteArray> { "{START}" } + lines;
}

} // namespace fw::imager_sim
