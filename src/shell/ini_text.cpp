#include "shell/ini_text.h"

#include <QFile>
#include <QRegularExpression>

namespace fw {

namespace {

// Database files are small; anything much larger is not one and is not read into memory whole.
constexpr qint64 kMaxIniBytes = 16 * 1024 * 1024;

} // namespace

IniEntry SplitEntry(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return { line, QString() };
    return { line.left(equals), line.mid(equals + 1) };
}

QString JoinEntry(const IniEntry& entry)
{
    return entry.name + QLatin1Char('=') + entry.value;
}

IniText::IniText(const QString& text)
{
    SectionLines* current = nullptr;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            // Lines under a repeated header belong to the first section of that name.
            qsizetype index = IndexOf(name);
            if (index < 0) {
                sections_.push_back({ name, {} });
                index = qsizetype(sections_.size()) - 1;
            }
            current = &sections_[size_t(index)];
            continue;
        }
        if (!current || !line.contains(QLatin1Char('=')))
            continue;
        IniEntry entry = SplitEntry(line);
        entry.name = entry.name.trimmed();
        entry.value = entry.value.trimmed();
        current->entries.push_back(entry);
    }
}

bool IniText::Load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.size() > kMaxIniBytes) {
        if (error)
            *error = QStringLiteral("File too large");
        return false;
    }
    *this = IniText(QString::fromLocal8Bit(file.readAll()));
    return true;
}

QStringList IniText::SectionNames() const
{
    QStringList names;
    for (const SectionLines& section : sections_)
        names << section.name;
    return names;
}

bool IniText::HasSection(const QString& section) const
{
    return Find(section) != nullptr;
}

std::vector<IniEntry> IniText::Section(const QString& section) const
{
    const SectionLines* found = Find(section);
    return found ? found->entries : std::vector<IniEntry> {};
}

qsizetype IniText::IndexOf(const QString& section) const
{
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (sections_[i].name.compare(section, Qt::CaseInsensitive) == 0)
            return qsizetype(i);
    }
    return -1;
}

const IniText::SectionLines* IniText::Find(const QString& section) const
{
    const qsizetype index = IndexOf(section);
    return index < 0 ? nullptr : &sections_[size_t(index)];
}

} // namespace fw
