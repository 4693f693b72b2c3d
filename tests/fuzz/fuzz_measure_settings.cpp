// Stored measurement settings and a clip's scaling entries come from files other programs and
// older versions wrote: any bytes must read into values inside their ranges (a track's template,
// search area and confidence only as settings that work together), and a scale read
// from a block must give finite coordinates or none.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <QStringList>

#include "measure/measure_settings.h"
#include "measure/motion_data_base.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

const std::pair<QString, QString> kNames[] = {
    { fw::kQuickMeasureCollection, "ExportPath" },
    { fw::kQuickMeasureCollection, "GridWidth" },
    { fw::kQuickMeasureCollection, "GridHeight" },
    { fw::kQuickMeasureCollection, "FrameStep" },
    { fw::kQuickMeasureCollection, "AutoStep" },
    { fw::kQuickMeasureCollection, "CursorPositioning" },
    { fw::kQuickMeasureCollection, "Visibles" },
    { fw::kQuickMeasureDisplacementUnits, "Linear" },
    { fw::kQuickMeasureDisplacementUnits, "Area" },
    { fw::kQuickMeasureDisplacementUnits, "Angular" },
    { fw::kQuickMeasureVelocityUnits, "Linear" },
    { fw::kQuickMeasureVelocityUnits, "Angular" },
    { fw::kQuickMeasureVelocityUnits, "Acceleration" },
    { fw::kQuickMeasureCollection, "Filter" },
    { fw::kQuickMeasureCollection, "TrackTemplate" },
    { fw::kQuickMeasureCollection, "TrackSearch" },
    { fw::kQuickMeasureCollection, "TrackMinConfidence" },
};

void FuzzStoredValues(const QString& text)
{
    fw::StoredValues values;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size() && i < qsizetype(std::size(kNames)); ++i)
        values[kNames[i]] = lines[i];
    const fw::QuickMeasureSettings s = fw::ParseQuickMeasureSettings(values, true);
    Check(s.frame_step >= fw::kMinFrameStep && s.frame_step <= fw::kMaxFrameStep);
    Check(!s.grid_width || *s.grid_width > 0);
    Check(!s.grid_height || *s.grid_height > 0);
    Check((s.visibles & ~fw::kAllKindsSet) == 0);
    Check(fw::IsLengthUnit(s.linear_units) && fw::IsAngleUnit(s.angular_units));
    Check(fw::IsLinearVelocityUnit(s.linear_velocity_units));
    Check(fw::IsAngularVelocityUnit(s.angular_velocity_units));
    Check(fw::IsAccelerationUnit(s.acceleration_units));
    Check(s.filter.kind != fw::FilterKind::Butterworth
        || (std::isfinite(s.filter.cutoff_hz) && s.filter.cutoff_hz > 0));
    Check(fw::ParseFilterChoice(fw::FilterChoiceText(s.filter)) == s.filter);
    Check(fw::TrackSettingsProblem(s.tracking).isEmpty());
    if (const auto visible = fw::ParseVisibles(lines.front()))
        Check(fw::ParseVisibles(fw::FormatVisibles(*visible)) == visible);
}

void FuzzScaling(const std::string& block)
{
    const fw::ScalingEntries scaling = fw::ReadScaling(block);
    Check(fw::IsLengthUnit(scaling.gage_units));
    if (!scaling.factor)
        return;
    Check(std::isfinite(*scaling.factor) && *scaling.factor > 0);
    fw::TMotionDataBase db;
    fw::TObjDef& point = db.NewObject(fw::SampleClass::Point);
    db.SetSamplePoint(1, point, 0, { 640, 480 });
    db.SetSamplePoint(2, point, 0, { 1, 1 });
    Check(db.SetScaleFactor(scaling.gage_units, *scaling.factor));
    for (const auto& column : point.Columns().Columns()) {
        for (int32_t frame : { 1, 2 }) {
            if (const auto value = column->Value(frame))
                Check(std::isfinite(*value));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    FuzzStoredValues(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
    FuzzScaling(bytes);
    return 0;
}
