#pragma once

#include <QString>

#include <optional>
#include <vector>

#include "shell/ini_text.h"

namespace fw {

// Why the name on `row` of a titles grid cannot stay: blank, or used on another row (names are
// compared without regard to case). Nothing when it is fine.
std::optional<QString> TitleNameProblem(const std::vector<IniEntry>& rows, int row);

// Leading spaces go; an empty value is shown and stored as "?".
QString NormalizedTitleValue(const QString& value);

// Merges default titles into titles: a title of the same name takes the default's value, the
// other defaults are appended in their order.
std::vector<IniEntry> MergeDefaultTitles(std::vector<IniEntry> titles, const std::vector<IniEntry>& defaults);

} // namespace fw
