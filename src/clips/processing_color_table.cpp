#include "clips/processing_color_table.h"

#include "support/settings_store.h"

namespace fw {

namespace {

const QString kSection = QStringLiteral("ColorTable");
constexpr uint32_t kWhite = 0xFFFFFF;

QString CellName(int cell)
{
    return QStringLiteral("Color") + QChar(u'A' + cell);
}

} // namespace

std::optional<QColor> CustomColorFromText(const QString& hex_bgr)
{
    const QString digits = hex_bgr.trimmed();
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        const bool hex = (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!hex)
            return std::nullopt;
    }
    const uint32_t value = digits.toUInt(nullptr, 16);
    if (value >= kWhite)
        return std::nullopt;
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QString CustomColorText(const std::optional<QColor>& color)
{
    const uint32_t value = color
        ? uint32_t(color->red()) | (uint32_t(color->green()) << 8) | (uint32_t(color->blue()) << 16)
        : kWhite;
    return QStringLiteral("%1").arg(value, 6, 16, QChar(u'0')).toUpper();
}

CustomColors ReadCustomColors(const SettingsStore& store)
{
    CustomColors colors;
    if (store.valueNames(kSection).isEmpty()) {
        colors[0] = CustomColorFromText(QStringLiteral("F8F8F8"));
        colors[1] = CustomColorFromText(QStringLiteral("68F8F8"));
        colors[2] = CustomColorFromText(QStringLiteral("A8A8D8"));
        return colors;
    }
    for (int cell = 0; cell < kCustomColorCount; ++cell) {
        const QString name = CellName(cell);
        if (store.valueExists(kSection, name))
            colors[size_t(cell)] = CustomColorFromText(store.readString(kSection, name));
    }
    return colors;
}

void WriteCustomColors(SettingsStore& store, const CustomColors& colors)
{
    for (int cell = 0; cell < kCustomColorCount; ++cell)
        store.writeString(kSection, CellName(cell), CustomColorText(colors[size_t(cell)]));
}

} // namespace fw
