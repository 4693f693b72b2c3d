#pragma once

#include <QString>
#include <QStringList>

namespace fw {

// The DOS-style names and paths of an imager's PC card as the file browser shows and sends them.

// The name of a tree node: its text up to the first pair of blanks.
QString CardNodeName(const QString& text);
// The 8.3 name in a listing line: characters 1 to 8, then "." and characters 11 to 13 when those
// are not blank (each part trimmed).
QString CardEntryName(const QString& line);
// A node's text for a listing line: the name, a blank and the line from character 34 on.
QString CardEntryText(const QString& line);
// The components of a path between its "\" characters, without empty ones.
QStringList CardPathComponents(const QString& path);
// A path as the card commands take it: "\" stands for the empty path of the card itself.
inline QString CardCommandPath(const QString& path)
{
    return path.isEmpty() ? QStringLiteral("\\") : path;
}
// `path` followed by `tail` with one "\" between them.
QString JoinCardPath(const QString& path, const QString& tail);
// A directory name as typed, made a card name: upper case, trimmed, without blanks, cut to 8.3
// ("long name.text" -> "LONGNAME.TEX", "verylongname.dat" -> "VERYLON~.DAT").
QString CardDirectoryName(const QString& typed);

} // namespace fw
