#pragma once

#include <memory>

#include <QSettings>
#include <QString>
#include <QStringList>

namespace fw {

// The per-user settings store: sections of named values, every read with a default.
// Backed by QSettings (organisation "Tarnwell", application "Framewright"). Value names may hold
// any character, file paths with "/" included; they are escaped so QSettings never splits them
// into groups.
class SettingsStore {
public:
    // The user's own store.
    SettingsStore();
    // A store kept in one INI file; tests and the command-line tool use this.
    explicit SettingsStore(const QString& ini_path);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The name the store is known by to the user.
    static QString rootName() { return QStringLiteral("\\Software\\Tarnwell\\Framewright"); }

    QString readString(const QString& section, const QString& name, const QString& fallback = {}) const;
    bool readBool(const QString& section, const QString& name, bool fallback) const;
    int readInteger(const QString& section, const QString& name, int fallback) const;
    double readFloat(const QString& section, const QString& name, double fallback) const;

    void writeString(const QString& section, const QString& name, const QString& value);
    void writeBool(const QString& section, const QString& name, bool value);
    void writeInteger(const QString& section, const QString& name, int value);
    void writeFloat(const QString& section, const QString& name, double value);

    bool valueExists(const QString& section, const QString& name) const;
    // In the order the names were first written, as the user put them (the INI file alone
    // keeps them sorted). Names written by other means, or before the order was kept, follow
    // in sorted order.
    QStringList valueNames(const QString& section) const;
    void deleteValue(const QString& section, const QString& name);
    void eraseSection(const QString& section);
    bool sectionExists(const QString& section) const;

    // Writes what changed to the file. False when the file could not be written, with the
    // reason (as the system gives it, when it does) in syncError(); the failure is logged.
    bool sync();
    QString syncError() const { return sync_error_; }
    QString fileName() const;

    static QString escapeName(const QString& name);
    static QString unescapeName(const QString& key);

private:
    QString keyOf(const QString& section, const QString& name) const;
    void setValue(const QString& section, const QString& name, const QString& value);
    QStringList sortedNames(const QString& section) const;
    QStringList writtenOrder(const QString& section) const;
    void keepOrder(const QString& section, const QStringList& names);

    std::unique_ptr<QSettings> settings_;
    QString sync_error_;
};

} // namespace fw
