#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "imagers/attacher.h"

namespace fw {

class SettingsStore;
class TPortList;

// The attach preferences of section "Preferences". The download windows read the first two;
// the UDP links send their broadcasts to the third.
struct TAttachPreferences {
    bool auto_detach = true; // detach after download
    bool update_clock = true; // set the imager's date and time on attach
    QString broadcast_address = QStringLiteral("255.255.255.255");

    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
};

// The user's named imagers, sorted by name ignoring case, names unique ignoring case, with the
// selection of the attach window's list. Entries are shared so that a link can report an
// entry's attached state for as long as the entry exists.
class TImagerList {
public:
    explicit TImagerList(const TPortList& ports);

    const TPortList& Ports() const { return ports_; }
    TAttachPreferences& Preferences() { return preferences_; }
    const TAttachPreferences& Preferences() const { return preferences_; }

    // Section "Imagers": one value per entry, named after it. Saving rewrites the section
    // without the transient entries.
    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;

    int Count() const { return int(rows_.size()); }
    TAttacher& Entry(int row) const { return *rows_[size_t(row)].entry; }
    std::shared_ptr<TAttacher> SharedEntry(int row) const { return rows_[size_t(row)].entry; }
    // The row of the name ignoring case, or -1.
    int RowOf(const QString& name) const;
    // The row of that very entry, or -1 once it is removed.
    int RowOf(const TAttacher& entry) const;

    // Adds an entry under FreeName(name) at its sorted place; answers its row.
    int Add(const QString& name, const QString& value);
    // Renames an entry (it moves to its sorted place); answers its new row.
    int Rename(int row, const QString& name);
    void Remove(int row);
    // Looks every entry's port up again by name, after the port list was relisted: an entry
    // whose port left the list keeps its name as a missing port, one whose port came back
    // gets it again.
    void RelinkPorts();

    // A name already used before a blank by other entries gets " (count + 1)", so that found
    // imagers never take the name of an entry the user made.
    QString FreeName(const QString& name) const;
    // The name window's refusal of a name another entry has; empty when the name is free.
    QString NameTakenText(const QString& name) const;

    bool IsSelected(int row) const { return rows_[size_t(row)].selected; }
    void SetSelected(int row, bool selected) { rows_[size_t(row)].selected = selected; }
    void SelectOnly(int row);
    void ClearSelection();
    std::vector<int> SelectedRows() const;
    // The selected row when exactly one is selected, else -1.
    int SingleSelectedRow() const;

    // Sets each entry's selected-for-attach flag: selected, attachable, not attached, and
    // with a port.
    void MarkForAttach();
    // The entries flagged for attach, in list order.
    std::vector<std::shared_ptr<TAttacher>> FlaggedForAttach() const;

private:
    struct Row {
        std::shared_ptr<TAttacher> entry;
        bool selected = false;
    };

    int Insert(Row row);

    const TPortList& ports_;
    TAttachPreferences preferences_;
    std::vector<Row> rows_;
};

} // namespace fw
