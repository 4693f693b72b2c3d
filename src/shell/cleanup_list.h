#pragma once

#include <QString>
#include <QStringList>

namespace fw {

// Source files that imager download windows leave behind after a finished save, offered for
// deletion. A BAY or TIFF entry stands for the whole frame directory it came from.
class CleanupList {
public:
    // Adds a path unless it is listed already.
    void Add(const QString& path);
    const QStringList& Entries() const { return entries_; }
    bool Empty() const { return entries_.isEmpty(); }
    void Clear() { entries_.clear(); }

    // Asks the user about one entry and, on Yes, deletes its files and drops the entry. A file
    // that cannot be deleted is reported with the system's reason and keeps its entry.
    // Returns whether the entry was dropped.
    bool DeleteEntry(qsizetype index);
    // Entries by index, the highest first so earlier indexes stay valid.
    void DeleteEntries(QList<qsizetype> indexes);

    // Whether an entry stands for its frame directory: extension ".tif", ".tiff" or ".bay".
    static bool IsFrameDirectoryEntry(const QString& path);

private:
    bool DeleteFrameDirectory(const QString& path);
    bool DeleteFile(const QString& path);

    QStringList entries_;
};

} // namespace fw
