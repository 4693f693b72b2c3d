#include "measure/filter_choice.h"

#include <array>
#include <cmath>

#include <QLocale>

#include "clips/descriptor_block.h"

namespace fw {

namespace {

struct CfcClass {
    FilterKind kind;
    int number;
    double minus_3db_hz;
    const char* word;
};

constexpr std::array<CfcClass, 4> kClasses { {
    { FilterKind::Cfc60, 60, 100.0, "cfc60" },
    { FilterKind::Cfc180, 180, 300.0, "cfc180" },
    { FilterKind::Cfc600, 600, 1000.0, "cfc600" },
    { FilterKind::Cfc1000, 1000, 1650.0, "cfc1000" },
} };

const CfcClass* ClassOf(FilterKind kind)
{
    for (const CfcClass& entry : kClasses) {
        if (entry.kind == kind)
            return &entry;
    }
    return nullptr;
}

const QString kButterworthPrefix = QStringLiteral("butterworth:");

} // namespace

bool IsCfc(FilterKind kind)
{
    return ClassOf(kind) != nullptr;
}

int CfcNumber(FilterKind kind)
{
    const CfcClass* entry = ClassOf(kind);
    return entry ? entry->number : 0;
}

double CfcMinus3DbHz(FilterKind kind)
{
    const CfcClass* entry = ClassOf(kind);
    return entry ? entry->minus_3db_hz : 0.0;
}

std::optional<FilterChoice> ParseFilterChoice(const QString& text)
{
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("none"))
        return FilterChoice {};
    if (word == QLatin1String("auto"))
        return FilterChoice { FilterKind::Auto, 0.0 };
    for (const CfcClass& entry : kClasses) {
        if (word == QLatin1String(entry.word))
            return FilterChoice { entry.kind, 0.0 };
    }
    if (!word.startsWith(kButterworthPrefix))
        return std::nullopt;
    bool ok = false;
    const double cutoff_hz = QLocale::c().toDouble(word.mid(kButterworthPrefix.size()), &ok);
    if (!ok || !std::isfinite(cutoff_hz) || !(cutoff_hz > 0.0))
        return std::nullopt;
    return FilterChoice { FilterKind::Butterworth, cutoff_hz };
}

QString FilterChoiceText(const FilterChoice& choice)
{
    if (const CfcClass* entry = ClassOf(choice.kind))
        return QString::fromLatin1(entry->word);
    switch (choice.kind) {
    case FilterKind::Butterworth:
        return kButterworthPrefix + QString::number(choice.cutoff_hz, 'g', QLocale::FloatingPointShortest);
    case FilterKind::Auto:
        return QStringLiteral("auto");
    default:
        return QStringLiteral("none");
    }
}

QString FrequencyText(double hz)
{
    return QString::fromStdString(FormatGeneral(hz, 6));
}

QString FilterLabel(const FilterChoice& choice, std::optional<double> chosen_cutoff_hz)
{
    if (const CfcClass* entry = ClassOf(choice.kind))
        return QStringLiteral("CFC ") + QString::number(entry->number);
    switch (choice.kind) {
    case FilterKind::Butterworth:
        return QStringLiteral("Butterworth ") + FrequencyText(choice.cutoff_hz) + QStringLiteral(" Hz");
    case FilterKind::Auto:
        if (chosen_cutoff_hz)
            return QStringLiteral("auto ") + FrequencyText(*chosen_cutoff_hz) + QStringLiteral(" Hz");
        return QStringLiteral("auto");
    default:
        return {};
    }
}

} // namespace fw
