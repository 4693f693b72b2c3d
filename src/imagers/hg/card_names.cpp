#include "imagers/hg/card_names.h"

namespace fw {
namespace {

// Columns of a listing line (from 0): the name, the extension, and where the rest begins.
constexpr int kNameColumn = 0;
constexpr int kNameWidth = 8;
constexpr int kExtensionColumn = 10;
constexpr int kExtensionWidth = 3;
constexpr int kRestColumn = 33;
// A dot beyond this index leaves no room for an 8-character name.
constexpr int kLastShortDotIndex = 8;
constexpr int kShortenedNameLength = 7;

QString WithoutBlanks(const QString& text)
{
    QString result;
    for (const QChar c : text) {
        if (!c.isSpace())
            result += c;
    }
    return result;
}

} // namespace

QString CardNodeName(const QString& text)
{
    const qsizetype blanks = text.indexOf(QLatin1String("  "));
    return (blanks < 0 ? text : text.left(blanks)).trimmed();
}

QString CardEntryName(const QString& line)
{
    const QString name = line.mid(kNameColumn, kNameWidth).trimmed();
    const QString extension = line.mid(kExtensionColumn, kExtensionWidth).trimmed();
    return extension.isEmpty() ? name : name + QLatin1Char('.') + extension;
}

QString CardEntryText(const QString& line)
{
    return CardEntryName(line) + QLatin1Char(' ') + line.mid(kRestColumn);
}

QStringList CardPathComponents(const QString& path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString JoinCardPath(const QString& path, const QString& tail)
{
    if (path.endsWith(QLatin1Char('\\')))
        return path + tail;
    return path + QLatin1Char('\\') + tail;
}

QString CardDirectoryName(const QString& typed)
{
    const QString name = WithoutBlanks(typed.toUpper().trimmed());
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return name.size() <= kNameWidth ? name : name.left(kShortenedNameLength) + QLatin1Char('~');
    const QString extension = name.mid(dot, 1 + kExtensionWidth);
    if (dot <= kLastShortDotIndex)
        return name.left(dot) + extension;
    return name.left(kShortenedNameLength) + QLatin1Char('~') + extension;
}

} // namespace fw
