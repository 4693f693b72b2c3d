#pragma once

// The simulated PC card: a DOS-style file system of 8.3 names that the card commands change.
// Paths run from the root; "\" and "/" both separate, empty parts are ignored, letter case does
// not matter.

#include <optional>
#include <string_view>
#include <vector>

#include <QByteArray>
#include <QList>

namespace fw::imager_sim {

struct CardEntry {
    QByteArray name; // upper case, 8.3
    bool directory = false;
    qint64 size_bytes = 0;
    QByteArray stamp; // "MM-DD-YY  HH:MM:SS"
    std::vector<CardEntry> entries; // directories only, in the order made
};

class PcCard {
public:
    // The card at start: a few files of an earlier session and a download directory.
    PcCard();

    const QByteArray& volumeName() const { return volume_name_; }
    qint64 freeBytes() const;

    // The directory a path names, or null (files are not directories).
    const CardEntry* directory(const QByteArray& path) const;
    // The names of the path's directories joined with "\" and led by one ("\" for the root).
    static QByteArray canonicalPath(const QByteArray& path);
    static bool namesRoot(const QByteArray& path);

    // Result codes as the imager answers the card commands.
    // Makes the directory PATH, dated `stamp`; its parent must exist and the name must be a free
    // 8.3 name.
    std::string_view makeDirectory(const QByteArray& path, const QByteArray& stamp);
    // Removes the empty directory NAME of the directory at PATH.
    std::string_view removeDirectory(const QByteArray& path, const QByteArray& name);
    // Deletes a file, every file of a directory, or the files matching a last part with "*" or
    // "?" (DIR\*.*). Directories themselves stay.
    std::string_view deletePath(const QByteArray& path);

private:
    static QList<QByteArray> parts(const QByteArray& path);
    CardEntry* find(const QList<QByteArray>& parts);
    const CardEntry* find(const QList<QByteArray>& parts) const;
    static qint64 usedBytes(const CardEntry& directory);

    QByteArray volume_name_ = "HGCARD";
    CardEntry root_;
};

} // namespace fw::imager_sim
