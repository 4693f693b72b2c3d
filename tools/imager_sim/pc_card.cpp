#include "pc_card.h"

#include <algorithm>

#include "sim_protocol.h"

namespace fw::imager_sim {
namespace {

constexpr qint64 kCapacityBytes = 84'115'456;
constexpr qint64 kBayFrameBytes = 197'632;
constexpr int kLongestName = 8;
constexpr int kLongestExtension = 3;

CardEntry file(const char* name, qint64 size_bytes, const char* stamp)
{
    return { name, false, size_bytes, stamp, {} };
}

CardEntry folder(const char* name, const char* stamp, std::vector<CardEntry> entries)
{
    return { name, true, 0, stamp, std::move(entries) };
}

bool hasWildcard(const QByteArray& part)
{
    return part.contains('*') || part.contains('?');
}

// An 8.3 name without wildcards or separators.
bool isValidName(const QByteArray& name)
{
    const qsizetype dot = name.indexOf('.');
    const QByteArray stem = dot < 0 ? name : name.left(dot);
    const QByteArray extension = dot < 0 ? QByteArray() : name.mid(dot + 1);
    static const QByteArray forbidden = "*?\\/:<>|\" ";
    return !stem.isEmpty() && stem.size() <= kLongestName && extension.size() <= kLongestExtension
        && !extension.contains('.')
        && std::none_of(name.begin(), name.end(), [](char c) { return forbidden.contains(c); });
}

// "*" any run of characters, "?" any one character; names are upper case already.
bool wildcardMatch(std::string_view pattern, std::string_view name)
{
    if (pattern.empty())
        return name.empty();
    if (pattern.front() == '*')
        return wildcardMatch(pattern.substr(1), name)
            || (!name.empty() && wildcardMatch(pattern, name.substr(1)));
    if (name.empty() || (pattern.front() != '?' && pattern.front() != name.front()))
        return false;
    return wildcardMatch(pattern.substr(1), name.substr(1));
}

// "*.*" also matches names without an extension, as DOS has it.
bool matches(const QByteArray& pattern, const QByteArray& name)
{
    const QByteArray candidate = pattern.contains('.') && !name.contains('.') ? name + '.' : name;
    return wildcardMatch(pattern.toStdString(), candidate.toStdString());
}

std::vector<CardEntry>::iterator entryNamed(std::vector<CardEntry>& entries, const QByteArray& name)
{
    return std::find_if(entries.begin(), entries.end(), [&](const CardEntry& e) { return e.name == name; });
}

void eraseFiles(std::vector<CardEntry>& entries, const QByteArray& pattern)
{
    std::erase_if(entries, [&](const CardEntry& e) { return !e.directory && matches(pattern, e.name); });
}

} // namespace

PcCard::PcCard()
{
    root_ = folder("", "",
        {
            file("SESS0001.CFG", 1024, "01-15-24  10:30:12"),
            file("SESS0001.DAT", 5'928'960, "01-15-24  10:30:14"),
            file("F00000.BAY", kBayFrameBytes, "01-15-24  10:30:15"),
            file("F00001.BAY", kBayFrameBytes, "01-15-24  10:30:15"),
            file("F00002.BAY", kBayFrameBytes, "01-15-24  10:30:15"),
            file("README.TXT", 412, "01-15-24  10:29:58"),
            folder("DOWNLOAD", "01-16-24  09:12:40",
                {
                    file("F00000.BAY", kBayFrameBytes, "01-16-24  09:12:41"),
                    file("F00001.BAY", kBayFrameBytes, "01-16-24  09:12:41"),
                    folder("OLD", "01-16-24  09:12:44", { file("NOTES.TXT", 96, "01-16-24  09:12:45") }),
                }),
        });
}

qint64 PcCard::freeBytes() const
{
    return kCapacityBytes - usedBytes(root_);
}

qint64 PcCard::usedBytes(const CardEntry& directory)
{
    qint64 total = 0;
    for (const CardEntry& entry : directory.entries)
        total += entry.directory ? usedBytes(entry) : entry.size_bytes;
    return total;
}

QList<QByteArray> PcCard::parts(const QByteArray& path)
{
    QByteArray separated = path.toUpper();
    separated.replace('/', '\\');
    QList<QByteArray> result;
    for (const QByteArray& part : separated.split('\\')) {
        const QByteArray trimmed = part.trimmed();
        if (!trimmed.isEmpty() && trimmed != ".")
            result << trimmed;
    }
    return result;
}

const CardEntry* PcCard::find(const QList<QByteArray>& path_parts) const
{
    const CardEntry* entry = &root_;
    for (const QByteArray& part : path_parts) {
        if (!entry->directory)
            return nullptr;
        const auto found = std::find_if(
            entry->entries.begin(), entry->entries.end(), [&](const CardEntry& e) { return e.name == part; });
        if (found == entry->entries.end())
            return nullptr;
        entry = &*found;
    }
    return entry;
}

CardEntry* PcCard::find(const QList<QByteArray>& path_parts)
{
    return const_cast<CardEntry*>(std::as_const(*this).find(path_parts));
}

const CardEntry* PcCard::directory(const QByteArray& path) const
{
    const CardEntry* entry = find(parts(path));
    return entry && entry->directory ? entry : nullptr;
}

QByteArray PcCard::canonicalPath(const QByteArray& path)
{
    return '\\' + parts(path).join('\\');
}

bool PcCard::namesRoot(const QByteArray& path)
{
    return parts(path).isEmpty();
}

std::string_view PcCard::makeDirectory(const QByteArray& path, const QByteArray& stamp)
{
    QList<QByteArray> path_parts = parts(path);
    if (path_parts.isEmpty())
        return result::kDiskFileError;
    const QByteArray name = path_parts.takeLast();
    CardEntry* parent = find(path_parts);
    if (!parent || !parent->directory)
        return result::kFileNotFound;
    if (!isValidName(name) || entryNamed(parent->entries, name) != parent->entries.end())
        return result::kDiskFileError;
    parent->entries.push_back({ name, true, 0, stamp, {} });
    return result::kSuccess;
}

std::string_view PcCard::removeDirectory(const QByteArray& path, const QByteArray& name)
{
    CardEntry* parent = find(parts(path));
    if (!parent || !parent->directory)
        return result::kFileNotFound;
    const auto target = entryNamed(parent->entries, name.trimmed().toUpper());
    if (target == parent->entries.end() || !target->directory)
        return result::kFileNotFound;
    if (!target->entries.empty())
        return result::kDiskFileError;
    parent->entries.erase(target);
    return result::kSuccess;
}

std::string_view PcCard::deletePath(const QByteArray& path)
{
    QList<QByteArray> path_parts = parts(path);
    if (!path_parts.isEmpty() && hasWildcard(path_parts.last())) {
        const QByteArray pattern = path_parts.takeLast();
        CardEntry* parent = find(path_parts);
        if (!parent || !parent->directory)
            return result::kFileNotFound;
        eraseFiles(parent->entries, pattern);
        return result::kSuccess;
    }
    CardEntry* target = find(path_parts);
    if (!target)
        return result::kFileNotFound;
    if (target->directory) {
        eraseFiles(target->entries, "*.*");
        return result::kSuccess;
    }
    path_parts.removeLast();
    CardEntry* parent = find(path_parts);
    parent->entries.erase(entryNamed(parent->entries, target->name));
    return result::kSuccess;
}

} // namespace fw::imager_sim
