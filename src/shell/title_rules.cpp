#include "shell/title_rules.h"

#include <algorithm>

namespace fw {

std::optional<QString> TitleNameProblem(const std::vector<IniEntry>& rows, int row)
{
    if (row < 0 || size_t(row) >= rows.size())
        return std::nullopt;
    const QString name = rows[size_t(row)].name;
    if (name.trimmed().isEmpty())
        return QStringLiteral("Title field names may not be Blank.");
    for (size_t other = 0; other < rows.size(); ++other) {
        if (int(other) != row && rows[other].name.compare(name, Qt::CaseInsensitive) == 0)
            return QStringLiteral("The name \"") + name + QStringLiteral("\" is already used on row ")
                + QString::number(other + 1);
    }
    return std::nullopt;
}

QString NormalizedTitleValue(const QString& value)
{
    qsizetype first = 0;
    while (first < value.size() && value[first] == QLatin1Char(' '))
        ++first;
    const QString kept = value.mid(first);
    return kept.isEmpty() ? QStringLiteral("?") : kept;
}

std::vector<IniEntry> MergeDefaultTitles(std::vector<IniEntry> titles, const std::vector<IniEntry>& defaults)
{
    for (const IniEntry& title : defaults) {
        auto same = std::find_if(titles.begin(), titles.end(),
            [&](const IniEntry& row) { return row.name.compare(title.name, Qt::CaseInsensitive) == 0; });
        if (same != titles.end())
            same->value = title.value;
        else
            titles.push_back(title);
    }
    return titles;
}

} // namespace fw
