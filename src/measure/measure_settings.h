#pragma once

#include <QString>

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "measure/filter_choice.h"
#include "measure/measure_units.h"
#include "measure/obj_def.h"
#include "measure/point_tracker.h"

namespace fw {

class SettingsStore;

// The stored "QuickMeasure" values the window reads when it opens and writes when it closes.
struct QuickMeasureSettings {
    QString export_path;
    // Window size on the collection page; nothing means the design size.
    std::optional<int> grid_width;
    std::optional<int> grid_height;
    int frame_step = 1;
    bool auto_step = true;
    CursorMode cursor = CursorMode::Smart;
    VisibleSet visibles = kDefaultVisibleSet;
    // The filter new objects take; none when the value is missing or unreadable.
    FilterChoice filter;
    // What "Track Point" proposes: the last template, search area and minimum confidence used;
    // the defaults when any of them is missing or they do not go together.
    TrackSettings tracking;
    int linear_units = 0;
    QString area_units = QStringLiteral("mm\u00B2");
    int angular_units = 10;
    int linear_velocity_units = 2;
    int angular_velocity_units = 5;
    int acceleration_units = 3;
};

inline const QString kQuickMeasureCollection = QStringLiteral("QuickMeasure\\Collection");
inline const QString kQuickMeasureDisplacementUnits = QStringLiteral("QuickMeasure\\DisplacementUnits");
inline const QString kQuickMeasureVelocityUnits = QStringLiteral("QuickMeasure\\VelocityUnits");

constexpr int kMinFrameStep = -100;
constexpr int kMaxFrameStep = 100;

// Stored values by (section, name).
using StoredValues = std::map<std::pair<QString, QString>, QString>;

// Takes what can be used from the stored values; anything missing or unreadable keeps its
// default. Without the sub-key every unit is the first of its list.
QuickMeasureSettings ParseQuickMeasureSettings(const StoredValues& values, bool sub_key_exists);
QuickMeasureSettings LoadQuickMeasureSettings(const SettingsStore& store);
void StoreQuickMeasureSettings(SettingsStore& store, const QuickMeasureSettings& settings);

// "Visibles": character k + 1 is '1' when kind k is visible. Shorter strings leave the later
// kinds off; anything but '0' and '1' makes the text unreadable.
std::optional<VisibleSet> ParseVisibles(const QString& text);
QString FormatVisibles(VisibleSet visible);

// The "Scaling" section of a clip's descriptor block.
struct ScalingEntries {
    std::optional<double> gage_length;
    // Index into the length units; the first unit when missing or unknown.
    int gage_units = 0;
    // Present only as a finite number above zero.
    std::optional<double> factor;
};
ScalingEntries ReadScaling(const std::string& block);
void WriteScaling(std::string& block, double gage_length, int gage_units, double factor);

} // namespace fw
