#pragma once

#include <array>
#include <optional>

#include <QColor>
#include <QString>

namespace fw {

class SettingsStore;

// The custom colours of the "Transform Color" grid, cell i named "Color" + ('A' + i); an empty
// cell has no colour.
inline constexpr int kCustomColorCount = 16;
using CustomColors = std::array<std::optional<QColor>, kCustomColorCount>;

// A stored value: hexadecimal blue-green-red. White and anything above it, and text that is no
// hexadecimal number, leave the cell empty.
std::optional<QColor> CustomColorFromText(const QString& hex_bgr);
// The stored text of a cell; an empty cell is written as white, which reads back empty.
QString CustomColorText(const std::optional<QColor>& color);

// Reads section "ColorTable"; when it holds no values the three default colours fill the first
// cells.
CustomColors ReadCustomColors(const SettingsStore& store);
void WriteCustomColors(SettingsStore& store, const CustomColors& colors);

} // namespace fw
