#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace fw {

// One "name=value" line of an INI section, as written (the name is the text before the first
// "=", the value everything after it).
struct IniEntry {
    QString name;
    QString value;
    bool operator==(const IniEntry&) const = default;
};

// The text of an INI file in its usual form: "[Section]" headers and "name=value" lines; lines
// starting with ";" are comments, blank lines and lines without "=" are ignored. Sections and
// names are matched without regard to case, as the platform's INI functions do; the first of
// two equal section headers wins.
class IniText {
public:
    IniText() = default;
    explicit IniText(const QString& text);

    // Reads the file; false (and nothing loaded) when it cannot be read.
    bool Load(const QString& path, QString* error = nullptr);

    QStringList SectionNames() const;
    bool HasSection(const QString& section) const;
    std::vector<IniEntry> Section(const QString& section) const;

private:
    struct SectionLines {
        QString name;
        std::vector<IniEntry> entries;
    };
    qsizetype IndexOf(const QString& section) const;
    const SectionLines* Find(const QString& section) const;

    std::vector<SectionLines> sections_;
};

// Splits a "name=value" line; a line without "=" is all name.
IniEntry SplitEntry(const QString& line);
QString JoinEntry(const IniEntry& entry);

} // namespace fw
