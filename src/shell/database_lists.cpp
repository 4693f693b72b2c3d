#include "shell/database_lists.h"

#include <QFileInfo>

#include <algorithm>

#include "support/fw_error.h"
#include "support/settings_store.h"

namespace fw {

namespace {

const QString kDatabaseFiles = QStringLiteral("Database Files");

std::vector<IniEntry> entriesOf(std::initializer_list<const char*> lines)
{
    std::vector<IniEntry> entries;
    for (const char* line : lines)
        entries.push_back(SplitEntry(QString::fromLatin1(line)));
    return entries;
}

QDateTime ageOf(const QString& path)
{
    return QFileInfo(path).lastModified();
}

// Takes the text between the first `open` and the first `close` out of `value`, brackets and
// all; nothing when there is no such pair.
std::optional<QString> takeBracketed(QString& value, QChar open, QChar close)
{
    const qsizetype start = value.indexOf(open);
    const qsizetype end = value.indexOf(close);
    if (start < 0 || end < start)
        return std::nullopt;
    const QString inside = value.mid(start + 1, end - start - 1);
    value.remove(start, end - start + 1);
    return inside;
}

const DatabaseSection* sectionNamed(const DatabaseFile& file, const QString& name)
{
    for (const DatabaseSection& section : file.sections) {
        if (section.name.compare(name, Qt::CaseInsensitive) == 0)
            return &section;
    }
    return nullptr;
}

} // namespace

std::optional<uint32_t> DatabaseItemTag(const DatabaseItem& item)
{
    if (item.file < 0 || item.file > 0xFFFF || item.section < 0 || item.section > 255 || item.entry < 0
        || item.entry > 255)
        return std::nullopt;
    return uint32_t(item.file) * 65536u + uint32_t(item.section) * 256u + uint32_t(item.entry);
}

DatabaseItem DatabaseItemFromTag(uint32_t tag)
{
    return { int(tag / 65536u), int(tag / 256u % 256u), int(tag % 256u) };
}

bool IsDatabaseReference(const QString& value)
{
    const qsizetype open = value.indexOf(QLatin1Char('('));
    const qsizetype close = value.indexOf(QLatin1Char(')'));
    const qsizetype section_open = value.indexOf(QLatin1Char('['));
    const qsizetype section_close = value.indexOf(QLatin1Char(']'));
    return open >= 0 && open < close && close < section_open && section_open < section_close;
}

QString DatabaseReference(const QString& file_name, const QString& section, const QString& entry)
{
    return QLatin1Char('(') + file_name + QStringLiteral(")[") + section + QLatin1Char(']') + entry;
}

DatabaseLists::DatabaseLists()
{
    DatabaseFile built_in;
    built_in.sections = {
        { kDefaultTitles, true, entriesOf({ "Title=?", "Imager Name=?" }) },
        { kTitles, true, entriesOf({ "Description=?" }) },
        { kTiming, true, entriesOf({ "Frame Rate=?", "Mark Frame=?", "Time at Mark Frame=?" }) },
        { kCamera, true,
            entriesOf({ "Camera Type=?", "Camera ID=?", "Session ID=?", "Recording Rate=?",
                "Exposure Setting=?", "Date and Time=?" }) },
    };
    files_.push_back(std::move(built_in));
}

void DatabaseLists::Load(const SettingsStore& store)
{
    std::vector<DatabaseFile> assigned;
    for (const QString& path : store.valueNames(kDatabaseFiles)) {
        DatabaseFile file;
        file.path = path;
        file.age = ageOf(path);
        file.name = QFileInfo(path).fileName().toLower();
        QStringList checked
            = store.readString(kDatabaseFiles, path).split(QLatin1Char('|'), Qt::SkipEmptyParts);
        checked.sort(Qt::CaseInsensitive);
        for (const QString& name : checked) {
            DatabaseSection section { name, true, {} };
            LoadSection(file, section);
            file.sections.push_back(std::move(section));
        }
        assigned.push_back(std::move(file));
    }
    SetAssignedFiles(std::move(assigned));
    BuiltInEntry().name = store.fileName().toLower();

    std::vector<IniEntry> defaults;
    for (const QString& name : store.valueNames(kDefaultTitles))
        defaults.push_back({ name, store.readString(kDefaultTitles, name) });
    if (!defaults.empty()) {
        SetBuiltIn(kDefaultTitles, defaults);
        SetBuiltIn(kTitles, defaults);
    }
}

void DatabaseLists::Store(SettingsStore& store) const
{
    store.eraseSection(kDatabaseFiles);
    for (size_t i = 0; i + 1 < files_.size(); ++i) {
        QStringList checked;
        for (const DatabaseSection& section : files_[i].sections) {
            if (section.checked)
                checked << section.name;
        }
        store.writeString(kDatabaseFiles, files_[i].path, checked.join(QLatin1Char('|')));
    }
    store.eraseSection(kDefaultTitles);
    for (const IniEntry& title : BuiltIn(kDefaultTitles))
        store.writeString(kDefaultTitles, title.name, title.value);
}

void DatabaseLists::SetAssignedFiles(std::vector<DatabaseFile> files)
{
    DatabaseFile built_in = std::move(BuiltInEntry());
    files_ = std::move(files);
    for (DatabaseFile& file : files_)
        file.name = QFileInfo(file.path).fileName().toLower();
    files_.push_back(std::move(built_in));
}

bool DatabaseLists::AddFile(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (size_t i = 0; i + 1 < files_.size(); ++i) {
        if (QFileInfo(files_[i].path).absoluteFilePath() == absolute)
            return false;
    }
    DatabaseFile file;
    file.path = absolute;
    file.age = ageOf(absolute);
    file.name = QFileInfo(absolute).fileName().toLower();
    files_.insert(files_.end() - 1, std::move(file));
    return true;
}

void DatabaseLists::RemoveFile(int file_index)
{
    if (file_index < 0 || size_t(file_index) + 1 >= files_.size())
        return;
    files_.erase(files_.begin() + file_index);
}

void DatabaseLists::RefreshSectionNames(int file_index)
{
    if (file_index < 0 || size_t(file_index) + 1 >= files_.size())
        return;
    DatabaseFile& file = files_[size_t(file_index)];
    IniText ini;
    QString error;
    if (!ini.Load(file.path, &error))
        throw Error(QStringLiteral("Could not read ") + file.path + QStringLiteral("\r") + error);
    QStringList names = ini.SectionNames();
    names.sort(Qt::CaseInsensitive);
    std::vector<DatabaseSection> sections;
    for (const QString& name : names) {
        const DatabaseSection* known = sectionNamed(file, name);
        sections.push_back(known ? *known : DatabaseSection { name, false, {} });
    }
    file.sections = std::move(sections);
}

void DatabaseLists::SetChecked(int file_index, const QString& section_name, bool checked)
{
    if (file_index < 0 || size_t(file_index) + 1 >= files_.size())
        return;
    DatabaseFile& file = files_[size_t(file_index)];
    for (DatabaseSection& section : file.sections) {
        if (section.name.compare(section_name, Qt::CaseInsensitive) != 0)
            continue;
        section.checked = checked;
        section.entries.clear();
        if (checked) {
            IniText ini;
            QString error;
            if (!ini.Load(file.path, &error))
                throw Error(QStringLiteral("Could not read ") + file.path + QStringLiteral("\r") + error);
            section.entries = ini.Section(section.name);
        }
        return;
    }
}

void DatabaseLists::Refresh()
{
    for (size_t i = 0; i + 1 < files_.size(); ++i) {
        DatabaseFile& file = files_[i];
        const QDateTime age = ageOf(file.path);
        if (age == file.age)
            continue;
        file.age = age;
        for (DatabaseSection& section : file.sections) {
            if (section.checked)
                LoadSection(file, section);
        }
    }
}

void DatabaseLists::LoadSection(DatabaseFile& file, DatabaseSection& section) const
{
    // A file gone missing since it was assigned leaves its sections empty: titles that refer to
    // it keep their reference text, and the program still starts.
    IniText ini;
    section.entries = ini.Load(file.path) ? ini.Section(section.name) : std::vector<IniEntry> {};
}

bool DatabaseLists::Bound() const
{
    const DatabaseFile& built_in = BuiltInEntry();
    return sectionNamed(built_in, kTitles) && sectionNamed(built_in, kTiming)
        && sectionNamed(built_in, kCamera);
}

bool DatabaseLists::HasDefaultTitles() const
{
    return sectionNamed(BuiltInEntry(), kDefaultTitles) != nullptr;
}

std::vector<IniEntry> DatabaseLists::BuiltIn(const QString& section) const
{
    const DatabaseSection* found = sectionNamed(BuiltInEntry(), section);
    return found ? found->entries : std::vector<IniEntry> {};
}

void DatabaseLists::SetBuiltIn(const QString& section_name, std::vector<IniEntry> entries)
{
    for (DatabaseSection& section : BuiltInEntry().sections) {
        if (section.name.compare(section_name, Qt::CaseInsensitive) == 0) {
            section.entries = std::move(entries);
            return;
        }
    }
    BuiltInEntry().sections.push_back({ section_name, true, std::move(entries) });
}

QString DatabaseLists::ResolveDefaultTitle(int index) const
{
    const std::vector<IniEntry> defaults = BuiltIn(kDefaultTitles);
    if (index < 0 || size_t(index) >= defaults.size())
        return {};
    const QString raw = defaults[size_t(index)].value;
    QString rest = raw;
    const auto file_name = takeBracketed(rest, QLatin1Char('('), QLatin1Char(')'));
    if (!file_name)
        return raw;
    const auto file = std::find_if(files_.begin(), files_.end(),
        [&](const DatabaseFile& candidate) { return candidate.name == file_name->toLower(); });
    if (file == files_.end())
        return raw;
    const auto section_name = takeBracketed(rest, QLatin1Char('['), QLatin1Char(']'));
    const DatabaseSection* section = section_name ? sectionNamed(*file, *section_name) : nullptr;
    if (!section)
        return raw;
    for (const IniEntry& entry : section->entries) {
        if (entry.name.compare(rest, Qt::CaseInsensitive) == 0)
            return entry.value;
    }
    return raw;
}

std::vector<IniEntry> DatabaseLists::ResolvedDefaultTitles() const
{
    std::vector<IniEntry> titles = BuiltIn(kDefaultTitles);
    for (size_t i = 0; i < titles.size(); ++i)
        titles[i].value = ResolveDefaultTitle(int(i));
    return titles;
}

void DatabaseLists::RebuildTitles()
{
    SetBuiltIn(kTitles, ResolvedDefaultTitles());
}

} // namespace fw
