#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

#include "shell/ini_text.h"

namespace fw {

class SettingsStore;

// One section of a database file; a checked section carries its loaded lines.
struct DatabaseSection {
    QString name;
    bool checked = false;
    std::vector<IniEntry> entries;
};

// One database file: an INI file whose checked sections supply values default titles refer to.
// The last entry of the lists is the built-in database held in memory.
struct DatabaseFile {
    QString path;
    QDateTime age; // modification time when its sections were loaded
    QString name; // lower-case file name without directory
    std::vector<DatabaseSection> sections;
};

// Where a field menu item points: file, section and entry, packed into one 32-bit tag
// (file × 65536 + section × 256 + entry), so 256 sections per file and entries per section.
struct DatabaseItem {
    int file = 0;
    int section = 0;
    int entry = 0;
    bool operator==(const DatabaseItem&) const = default;
};
std::optional<uint32_t> DatabaseItemTag(const DatabaseItem& item);
DatabaseItem DatabaseItemFromTag(uint32_t tag);

// A title value of the form "(file)[section]entry".
bool IsDatabaseReference(const QString& value);
QString DatabaseReference(const QString& file_name, const QString& section, const QString& entry);

// The database files the user assigned plus the built-in entry with the sections "Default
// Titles", "Titles", "Timing" and "Camera".
class DatabaseLists {
public:
    static inline const QString kDefaultTitles = QString::fromLatin1("Default Titles");
    static inline const QString kTitles = QString::fromLatin1("Titles");
    static inline const QString kTiming = QString::fromLatin1("Timing");
    static inline const QString kCamera = QString::fromLatin1("Camera");

    DatabaseLists();

    // "Database Files" (path = checked sections joined by "|") and "Default Titles" from the
    // store; the built-in entry is named after the store's path.
    void Load(const SettingsStore& store);
    void Store(SettingsStore& store) const;

    const std::vector<DatabaseFile>& Files() const { return files_; }
    // Replaces the assigned files (the assignment dialog's OK); the built-in entry stays last.
    void SetAssignedFiles(std::vector<DatabaseFile> files);
    // Adds a file unless it is listed already; false when it was.
    bool AddFile(const QString& path);
    // Removes an assigned file (never the built-in entry).
    void RemoveFile(int file_index);
    // Re-reads the section names of a file: new ones come unchecked, vanished ones go.
    void RefreshSectionNames(int file_index);
    // Checks or unchecks a section; checking loads its lines from the file.
    void SetChecked(int file_index, const QString& section, bool checked);
    // Reloads the checked sections of every file whose age changed.
    void Refresh();

    // Whether the descriptor dialog can run: the built-in "Titles", "Timing" and "Camera" exist.
    bool Bound() const;
    bool HasDefaultTitles() const;

    std::vector<IniEntry> BuiltIn(const QString& section) const;
    void SetBuiltIn(const QString& section, std::vector<IniEntry> entries);

    // The value of default title `index`, with a database reference replaced by the entry it
    // names; the raw value when the file, section or entry is not there.
    QString ResolveDefaultTitle(int index) const;
    std::vector<IniEntry> ResolvedDefaultTitles() const;
    // The built-in "Titles" become the resolved default titles.
    void RebuildTitles();

private:
    DatabaseFile& BuiltInEntry() { return files_.back(); }
    const DatabaseFile& BuiltInEntry() const { return files_.back(); }
    void LoadSection(DatabaseFile& file, DatabaseSection& section) const;

    std::vector<DatabaseFile> files_;
};

} // namespace fw
