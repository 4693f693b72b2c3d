#pragma once

#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>

namespace fw {

class ProcessingSettings;

// The open and save dialogs' file filter and captions.
inline constexpr const char* kIpsFileFilter = "IPS  -  Image Process Settings|*.ips";
inline constexpr const char* kLoadIpsCaption = "Load Settings From File";
inline constexpr const char* kSaveIpsCaption = "Save Settings to File";
// Settings files are a few hundred bytes; anything far larger is not one.
inline constexpr qsizetype kMaxIpsFileBytes = 1 << 20;

// INI text as settings files use it: [section] headers and name=value lines, names compared
// without regard to case, the first of repeated sections or names counting, blank lines and
// ";" comments skipped, values trimmed and freed of one pair of enclosing quotes.
class IpsIniText {
public:
    static IpsIniText Parse(const QByteArray& bytes);

    std::optional<QString> Value(const QString& section, const QString& name) const;
    // Replaces the value of an existing name, or adds the name (and the section) at the end.
    void SetValue(const QString& section, const QString& name, const QString& value);
    // CR LF lines, an empty line between sections.
    QByteArray ToBytes() const;

private:
    struct Section {
        QString name;
        std::vector<std::pair<QString, QString>> entries;
    };
    Section* Find(const QString& section);
    const Section* Find(const QString& section) const;

    std::vector<Section> sections_;
};

// The text of a settings file: TrackMax 500 and every enabled control.
QByteArray IpsFileText(const ProcessingSettings& settings);

// Takes the values of a settings file into the settings, in the order the file format lists
// them; track-bar values are scaled from the file's TrackMax to 500. Stops with false at the
// first value that does not convert (what was taken before stays); the crop rules are applied
// however the reading ends.
bool ReadIpsText(const QByteArray& text, ProcessingSettings& settings);

// Reads a settings file into the settings. Throws fw::Error("Settings File " + path + " could
// not be loaded.") when it is missing, unreadable, oversized or holds a value that does not
// convert.
void LoadIpsFile(const QString& path, ProcessingSettings& settings);

// Writes a settings file, creating its folder first. A path without a file name writes nothing.
// The old file is replaced only by a complete new one; answers whether the file was written,
// and when it was not, why (in `reason`, when given; empty for a path without a file name).
bool SaveIpsFile(const QString& path, const ProcessingSettings& settings, QString* reason = nullptr);

// The file name part of a path ("" when the path ends in a separator) and the folder part
// (with its trailing separator).
QString IpsFileName(const QString& path);
QString IpsFolder(const QString& path);

} // namespace fw
