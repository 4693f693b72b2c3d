#include "imagers/imager_list.h"

#include <algorithm>

#include "imagers/port_list.h"
#include "support/settings_store.h"

namespace fw {

namespace {

const QString kPreferences = QStringLiteral("Preferences");
const QString kImagers = QStringLiteral("Imagers");

bool NameBefore(const QString& a, const QString& b)
{
    const int order = QString::compare(a, b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

} // namespace

void TAttachPreferences::Load(const SettingsStore& store)
{
    const TAttachPreferences defaults;
    auto_detach = store.readBool(kPreferences, QStringLiteral("Auto Detach"), defaults.auto_detach);
    update_clock = store.readBool(kPreferences, QStringLiteral("Update Clock"), defaults.update_clock);
    broadcast_address
        = store.readString(kPreferences, QStringLiteral("Broadcast Address"), defaults.broadcast_address)
              .trimmed();
    if (broadcast_address.isEmpty())
        broadcast_address = defaults.broadcast_address;
}

void TAttachPreferences::Save(SettingsStore& store) const
{
    store.writeBool(kPreferences, QStringLiteral("Auto Detach"), auto_detach);
    store.writeBool(kPreferences, QStringLiteral("Update Clock"), update_clock);
    store.writeString(kPreferences, QStringLiteral("Broadcast Address"), broadcast_address);
}

TImagerList::TImagerList(const TPortList& ports)
    : ports_(ports)
{
}

void TImagerList::Load(const SettingsStore& store)
{
    preferences_.Load(store);
    rows_.clear();
    // Stored names stay as they are; only a name that differs from another in case alone (a
    // hand-edited store) is renamed, so that names stay unique.
    for (const QString& name : store.valueNames(kImagers)) {
        const QString free_name = RowOf(name) < 0 ? name : FreeName(name);
        Insert(Row { std::make_shared<TAttacher>(
                         TAttacher::Parsed(free_name, store.readString(kImagers, name), ports_)),
            false });
    }
}

void TImagerList::Save(SettingsStore& store) const
{
    preferences_.Save(store);
    store.eraseSection(kImagers);
    for (const Row& row : rows_) {
        if (!row.entry->transient)
            store.writeString(kImagers, row.entry->name, row.entry->Value());
    }
}

int TImagerList::RowOf(const QString& name) const
{
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (QString::compare(rows_[row].entry->name, name, Qt::CaseInsensitive) == 0)
            return int(row);
    }
    return -1;
}

int TImagerList::RowOf(const TAttacher& entry) const
{
    const auto found
        = std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) { return row.entry.get() == &entry; });
    return found == rows_.end() ? -1 : int(found - rows_.begin());
}

int TImagerList::Insert(Row row)
{
    const auto place = std::find_if(rows_.begin(), rows_.end(),
        [&](const Row& other) { return NameBefore(row.entry->name, other.entry->name); });
    const auto inserted = rows_.insert(place, std::move(row));
    return int(inserted - rows_.begin());
}

int TImagerList::Add(const QString& name, const QString& value)
{
    auto entry = std::make_shared<TAttacher>(TAttacher::Parsed(FreeName(name), value, ports_));
    return Insert(Row { std::move(entry), false });
}

int TImagerList::Rename(int row, const QString& name)
{
    Row moved = std::move(rows_[size_t(row)]);
    rows_.erase(rows_.begin() + row);
    moved.entry->name = name;
    return Insert(std::move(moved));
}

void TImagerList::Remove(int row)
{
    rows_.erase(rows_.begin() + row);
}

void TImagerList::RelinkPorts()
{
    for (const Row& row : rows_) {
        TAttacher& entry = *row.entry;
        entry.port_name = entry.PortText();
        entry.port = ports_.Find(entry.port_name);
    }
}

QString TImagerList::FreeName(const QString& name) const
{
    const QString stem = name + QLatin1Char(' ');
    const auto count = std::count_if(rows_.begin(), rows_.end(), [&](const Row& row) {
        return (row.entry->name + QLatin1Char(' ')).startsWith(stem, Qt::CaseInsensitive);
    });
    if (count == 0)
        return name;
    // Entries removed in between can leave the counted suffix taken; the next free one serves.
    for (qsizetype suffix = count + 1;; ++suffix) {
        QString candidate = name + QStringLiteral(" (") + QString::number(suffix) + QLatin1Char(')');
        if (RowOf(candidate) < 0)
            return candidate;
    }
}

QString TImagerList::NameTakenText(const QString& name) const
{
    if (RowOf(name) < 0)
        return {};
    return QStringLiteral("An Imager Named ") + name.toUpper() + QStringLiteral(" Already Exists.");
}

void TImagerList::SelectOnly(int row)
{
    for (size_t other = 0; other < rows_.size(); ++other)
        rows_[other].selected = int(other) == row;
}

void TImagerList::ClearSelection()
{
    SelectOnly(-1);
}

std::vector<int> TImagerList::SelectedRows() const
{
    std::vector<int> rows;
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (rows_[row].selected)
            rows.push_back(int(row));
    }
    return rows;
}

int TImagerList::SingleSelectedRow() const
{
    const std::vector<int> rows = SelectedRows();
    return rows.size() == 1 ? rows.front() : -1;
}

void TImagerList::MarkForAttach()
{
    for (const Row& row : rows_) {
        TAttacher& entry = *row.entry;
        entry.selected_for_attach = row.selected && entry.Attachable() && !entry.attached && entry.port;
    }
}

std::vector<std::shared_ptr<TAttacher>> TImagerList::FlaggedForAttach() const
{
    std::vector<std::shared_ptr<TAttacher>> flagged;
    for (const Row& row : rows_) {
        if (row.entry->selected_for_attach)
            flagged.push_back(row.entry);
    }
    return flagged;
}

} // namespace fw
