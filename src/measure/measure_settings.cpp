#include "measure/measure_settings.h"

#include <algorithm>
#include <cmath>

#include "clips/descriptor_block.h"
#include "support/settings_store.h"

namespace fw {

namespace {

const QString kExportPath = QStringLiteral("ExportPath");
const QString kGridWidth = QStringLiteral("GridWidth");
const QString kGridHeight = QStringLiteral("GridHeight");
const QString kFrameStep = QStringLiteral("FrameStep");
const QString kAutoStep = QStringLiteral("AutoStep");
const QString kCursorPositioning = QStringLiteral("CursorPositioning");
const QString kVisibles = QStringLiteral("Visibles");
const QString kFilter = QStringLiteral("Filter");
const QString kTrackTemplate = QStringLiteral("TrackTemplate");
const QString kTrackSearch = QStringLiteral("TrackSearch");
const QString kTrackMinConfidence = QStringLiteral("TrackMinConfidence");
const QString kLinear = QStringLiteral("Linear");
const QString kArea = QStringLiteral("Area");
const QString kAngular = QStringLiteral("Angular");
const QString kAcceleration = QStringLiteral("Acceleration");

// A window larger than this is no size a screen can show.
constexpr int kMaxWindowSize = 32767;

const std::pair<QString, QString> kAllNames[] = {
    { kQuickMeasureCollection, kExportPath },
    { kQuickMeasureCollection, kGridWidth },
    { kQuickMeasureCollection, kGridHeight },
    { kQuickMeasureCollection, kFrameStep },
    { kQuickMeasureCollection, kAutoStep },
    { kQuickMeasureCollection, kCursorPositioning },
    { kQuickMeasureCollection, kVisibles },
    { kQuickMeasureCollection, kFilter },
    { kQuickMeasureCollection, kTrackTemplate },
    { kQuickMeasureCollection, kTrackSearch },
    { kQuickMeasureCollection, kTrackMinConfidence },
    { kQuickMeasureDisplacementUnits, kLinear },
    { kQuickMeasureDisplacementUnits, kArea },
    { kQuickMeasureDisplacementUnits, kAngular },
    { kQuickMeasureVelocityUnits, kLinear },
    { kQuickMeasureVelocityUnits, kAngular },
    { kQuickMeasureVelocityUnits, kAcceleration },
};

std::optional<QString> Find(const StoredValues& values, const QString& section, const QString& name)
{
    const auto it = values.find({ section, name });
    if (it == values.end())
        return std::nullopt;
    return it->second;
}

std::optional<int> FindInteger(const StoredValues& values, const QString& section, const QString& name)
{
    const std::optional<QString> text = Find(values, section, name);
    if (!text)
        return std::nullopt;
    bool ok = false;
    const int value = text->trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<int> WindowSize(const StoredValues& values, const QString& name)
{
    const std::optional<int> size = FindInteger(values, kQuickMeasureCollection, name);
    if (!size || *size <= 0 || *size > kMaxWindowSize)
        return std::nullopt;
    return size;
}

int UnitOf(const StoredValues& values, const QString& section, const QString& name,
    std::optional<int> (*find)(const QString&), int fallback)
{
    const std::optional<QString> text = Find(values, section, name);
    if (!text)
        return fallback;
    return find(*text).value_or(fallback);
}

QString UnitName(const UnitEntry& entry)
{
    return QString::fromUtf8(entry.name);
}

TrackSettings TrackSettingsOf(const StoredValues& values)
{
    const std::optional<int> template_px = FindInteger(values, kQuickMeasureCollection, kTrackTemplate);
    const std::optional<int> search_px = FindInteger(values, kQuickMeasureCollection, kTrackSearch);
    const std::optional<QString> confidence = Find(values, kQuickMeasureCollection, kTrackMinConfidence);
    bool ok = false;
    const double min_confidence = confidence ? confidence->trimmed().toDouble(&ok) : 0.0;
    if (!template_px || !search_px || !ok)
        return {};
    const TrackSettings stored { *template_px, *search_px, min_confidence };
    return TrackSettingsProblem(stored).isEmpty() ? stored : TrackSettings {};
}

} // namespace

std::optional<VisibleSet> ParseVisibles(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    VisibleSet visible = 0;
    for (qsizetype k = 0; k < text.size(); ++k) {
        if (text[k] != u'0' && text[k] != u'1')
            return std::nullopt;
        if (text[k] == u'1' && k < kQuantityKindCount)
            visible |= 1u << k;
    }
    return visible;
}

QString FormatVisibles(VisibleSet visible)
{
    QString text(kQuantityKindCount, u'0');
    for (int k = 0; k < kQuantityKindCount; ++k) {
        if (visible & (1u << k))
            text[k] = u'1';
    }
    return text;
}

QuickMeasureSettings ParseQuickMeasureSettings(const StoredValues& values, bool sub_key_exists)
{
    QuickMeasureSettings settings;
    if (!sub_key_exists) {
        settings.angular_units = kFirstAngleUnit;
        settings.linear_velocity_units = 0;
        settings.angular_velocity_units = kFirstAngularVelocityUnit;
        settings.acceleration_units = 0;
        return settings;
    }
    settings.export_path = Find(values, kQuickMeasureCollection, kExportPath).value_or(QString());
    settings.grid_width = WindowSize(values, kGridWidth);
    settings.grid_height = WindowSize(values, kGridHeight);
    settings.frame_step = std::clamp(
        FindInteger(values, kQuickMeasureCollection, kFrameStep).value_or(1), kMinFrameStep, kMaxFrameStep);
    settings.auto_step = FindInteger(values, kQuickMeasureCollection, kAutoStep).value_or(1) == 1;
    const int cursor = FindInteger(values, kQuickMeasureCollection, kCursorPositioning).value_or(2);
    settings.cursor = cursor >= 0 && cursor <= 2 ? static_cast<CursorMode>(cursor) : CursorMode::Smart;
    if (const std::optional<QString> visibles = Find(values, kQuickMeasureCollection, kVisibles))
        settings.visibles = ParseVisibles(*visibles).value_or(kDefaultVisibleSet);
    if (const std::optional<QString> filter = Find(values, kQuickMeasureCollection, kFilter))
        settings.filter = ParseFilterChoice(*filter).value_or(FilterChoice {});
    settings.tracking = TrackSettingsOf(values);

    settings.linear_units
        = UnitOf(values, kQuickMeasureDisplacementUnits, kLinear, FindLengthUnit, settings.linear_units);
    settings.area_units = Find(values, kQuickMeasureDisplacementUnits, kArea).value_or(settings.area_units);
    settings.angular_units
        = UnitOf(values, kQuickMeasureDisplacementUnits, kAngular, FindAngleUnit, settings.angular_units);
    settings.linear_velocity_units = UnitOf(
        values, kQuickMeasureVelocityUnits, kLinear, FindLinearVelocityUnit, settings.linear_velocity_units);
    settings.angular_velocity_units = UnitOf(values, kQuickMeasureVelocityUnits, kAngular,
        FindAngularVelocityUnit, settings.angular_velocity_units);
    settings.acceleration_units = UnitOf(
        values, kQuickMeasureVelocityUnits, kAcceleration, FindAccelerationUnit, settings.acceleration_units);
    return settings;
}

QuickMeasureSettings LoadQuickMeasureSettings(const SettingsStore& store)
{
    const bool sub_key_exists = store.sectionExists(kQuickMeasureCollection)
        || store.sectionExists(kQuickMeasureDisplacementUnits)
        || store.sectionExists(kQuickMeasureVelocityUnits);
    StoredValues values;
    for (const auto& [section, name] : kAllNames) {
        if (store.valueExists(section, name))
            values[{ section, name }] = store.readString(section, name);
    }
    return ParseQuickMeasureSettings(values, sub_key_exists);
}

void StoreQuickMeasureSettings(SettingsStore& store, const QuickMeasureSettings& settings)
{
    store.writeString(kQuickMeasureCollection, kExportPath, settings.export_path);
    if (settings.grid_width)
        store.writeInteger(kQuickMeasureCollection, kGridWidth, *settings.grid_width);
    if (settings.grid_height)
        store.writeInteger(kQuickMeasureCollection, kGridHeight, *settings.grid_height);
    store.writeInteger(kQuickMeasureCollection, kFrameStep, settings.frame_step);
    store.writeInteger(kQuickMeasureCollection, kAutoStep, settings.auto_step ? 1 : 0);
    store.writeInteger(kQuickMeasureCollection, kCursorPositioning, static_cast<int>(settings.cursor));
    store.writeString(kQuickMeasureCollection, kVisibles, FormatVisibles(settings.visibles));
    store.writeString(kQuickMeasureCollection, kFilter, FilterChoiceText(settings.filter));
    store.writeInteger(kQuickMeasureCollection, kTrackTemplate, settings.tracking.template_px);
    store.writeInteger(kQuickMeasureCollection, kTrackSearch, settings.tracking.search_px);
    store.writeString(kQuickMeasureCollection, kTrackMinConfidence,
        QString::number(settings.tracking.min_confidence, 'g', 6));
    store.writeString(
        kQuickMeasureDisplacementUnits, kLinear, UnitName(LengthAngleUnit(settings.linear_units)));
    store.writeString(kQuickMeasureDisplacementUnits, kArea, settings.area_units);
    store.writeString(
        kQuickMeasureDisplacementUnits, kAngular, UnitName(LengthAngleUnit(settings.angular_units)));
    store.writeString(
        kQuickMeasureVelocityUnits, kLinear, UnitName(VelocityUnit(settings.linear_velocity_units)));
    store.writeString(
        kQuickMeasureVelocityUnits, kAngular, UnitName(VelocityUnit(settings.angular_velocity_units)));
    store.writeString(
        kQuickMeasureVelocityUnits, kAcceleration, UnitName(AccelerationUnit(settings.acceleration_units)));
}

ScalingEntries ReadScaling(const std::string& block)
{
    ScalingEntries entries;
    double number = 0.0;
    if (GetDescriptorNumber(block, "Scaling", "GageLength", number))
        entries.gage_length = number;
    std::string units;
    if (GetDescriptorValue(block, "Scaling", "GageUnits", units))
        entries.gage_units
            = FindLengthUnit(QString::fromLatin1(units.data(), qsizetype(units.size()))).value_or(0);
    if (GetDescriptorNumber(block, "Scaling", "Factor", number) && std::isfinite(number) && number > 0)
        entries.factor = number;
    return entries;
}

void WriteScaling(std::string& block, double gage_length, int gage_units, double factor)
{
    SetDescriptorNumber(block, "Scaling", "GageLength", gage_length);
    SetDescriptorValue(
        block, "Scaling", "GageUnits", LengthAngleUnit(IsLengthUnit(gage_units) ? gage_units : 0).name);
    SetDescriptorNumber(block, "Scaling", "Factor", factor);
}

} // namespace fw
