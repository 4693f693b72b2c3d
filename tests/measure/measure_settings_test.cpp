#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "clips/descriptor_block.h"
#include "measure/measure_settings.h"
#include "support/settings_store.h"

namespace fw {
namespace {

TEST(Visibles, ReadsOldAndNewLengthsAndRefusesGarbage)
{
    EXPECT_EQ(ParseVisibles("00110000000000000"), kDefaultVisibleSet);
    EXPECT_EQ(ParseVisibles("1000000000000001"), 1u | (1u << 15)) << "a stored 16-character value";
    EXPECT_EQ(ParseVisibles("00000000000000001"), 1u << 16);
    EXPECT_EQ(ParseVisibles("1"), 1u);
    EXPECT_EQ(ParseVisibles(QString(5000, u'1')), kAllKindsSet) << "extra characters are ignored";
    EXPECT_EQ(ParseVisibles(""), std::nullopt);
    EXPECT_EQ(ParseVisibles("0011 "), std::nullopt);
    EXPECT_EQ(ParseVisibles("00x1"), std::nullopt);
    EXPECT_EQ(ParseVisibles(QString::fromUtf8("0\u00B9")), std::nullopt);
    EXPECT_EQ(ParseVisibles("00110000000000000"), kDefaultVisibleSet) << "stored before the confidence";
    EXPECT_EQ(FormatVisibles(kDefaultVisibleSet), "001100000000000000");
    EXPECT_EQ(FormatVisibles(kAllKindsSet).size(), 18);
}

TEST(QuickMeasureSettings, HostileStoredValuesKeepTheirDefaults)
{
    const QString c = kQuickMeasureCollection;
    const StoredValues values {
        { { c, "GridWidth" }, "-40" },
        { { c, "GridHeight" }, "99999999999" },
        { { c, "FrameStep" }, "-5000" },
        { { c, "AutoStep" }, "yes" },
        { { c, "CursorPositioning" }, "7" },
        { { c, "Visibles" }, "11x" },
        { { kQuickMeasureDisplacementUnits, "Linear" }, "furlong" },
        { { kQuickMeasureDisplacementUnits, "Angular" }, "mm" },
        { { kQuickMeasureVelocityUnits, "Linear" }, "rpm" },
        { { kQuickMeasureVelocityUnits, "Angular" }, "" },
        { { kQuickMeasureVelocityUnits, "Acceleration" }, "g" },
        { { c, "Filter" }, "butterworth:-1" },
    };
    const QuickMeasureSettings s = ParseQuickMeasureSettings(values, true);
    EXPECT_FALSE(s.grid_width);
    EXPECT_FALSE(s.grid_height);
    EXPECT_EQ(s.frame_step, -100);
    EXPECT_TRUE(s.auto_step);
    EXPECT_EQ(s.cursor, CursorMode::Smart);
    EXPECT_EQ(s.visibles, kDefaultVisibleSet);
    EXPECT_EQ(s.linear_units, 0);
    EXPECT_EQ(s.angular_units, 10);
    EXPECT_EQ(s.linear_velocity_units, 2);
    EXPECT_EQ(s.angular_velocity_units, 5);
    EXPECT_EQ(s.acceleration_units, 3);
    EXPECT_EQ(s.filter, FilterChoice {});
}

TEST(QuickMeasureSettings, TrackSettingsAreTakenOnlyWhenAllThreeGoTogether)
{
    const QString c = kQuickMeasureCollection;
    const auto parse = [&](const char* templ, const char* search, const char* confidence) {
        return ParseQuickMeasureSettings(
            { { { c, "TrackTemplate" }, templ }, { { c, "TrackSearch" }, search },
                { { c, "TrackMinConfidence" }, confidence } },
            true)
            .tracking;
    };
    EXPECT_EQ(parse("15", "40", "0.65"), (TrackSettings { 15, 40, 0.65 }));
    EXPECT_EQ(parse("15", "16", "0.65"), TrackSettings {}) << "no room to search";
    EXPECT_EQ(parse("1", "40", "0.65"), TrackSettings {});
    EXPECT_EQ(parse("15", "40", "high"), TrackSettings {});
    EXPECT_EQ(parse("15", "40", "-0.1"), TrackSettings {});
    EXPECT_EQ(
        ParseQuickMeasureSettings({ { { c, "TrackTemplate" }, "15" } }, true).tracking, TrackSettings {});
    EXPECT_EQ(ParseQuickMeasureSettings({}, true).tracking, (TrackSettings { 21, 64, 0.8 }));
}

TEST(QuickMeasureSettings, WithoutTheSubKeyEveryUnitIsTheFirst)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("store.ini"));
    const QuickMeasureSettings s = LoadQuickMeasureSettings(store);
    EXPECT_EQ(s.linear_units, 0);
    EXPECT_EQ(s.angular_units, 9);
    EXPECT_EQ(s.linear_velocity_units, 0);
    EXPECT_EQ(s.angular_velocity_units, 4);
    EXPECT_EQ(s.acceleration_units, 0);
    EXPECT_EQ(s.frame_step, 1);
    EXPECT_EQ(s.visibles, kDefaultVisibleSet);
}

TEST(QuickMeasureSettings, RoundTripThroughTheStore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("store.ini");
    QuickMeasureSettings written;
    written.export_path = "/data/runs/";
    written.grid_width = 800;
    written.frame_step = -3;
    written.auto_step = false;
    written.cursor = CursorMode::None;
    written.visibles = KindBit(QuantityKind::XAcceleration) | KindBit(QuantityKind::ImageU);
    written.linear_units = 6;
    written.angular_units = 11;
    written.linear_velocity_units = 3;
    written.angular_velocity_units = 6;
    written.acceleration_units = 1;
    written.filter = { FilterKind::Cfc600, 0.0 };
    written.tracking = { 31, 80, 0.75 };
    {
        SettingsStore store(path);
        StoreQuickMeasureSettings(store, written);
    }
    SettingsStore store(path);
    EXPECT_EQ(store.readString(kQuickMeasureCollection, "Visibles"), "100000000000001000");
    EXPECT_EQ(store.readString(kQuickMeasureVelocityUnits, "Acceleration"), QString::fromUtf8("cm/s²"));
    EXPECT_EQ(store.readString(kQuickMeasureDisplacementUnits, "Area"), QString::fromUtf8("mm²"));
    EXPECT_EQ(store.readString(kQuickMeasureCollection, "Filter"), "cfc600");
    const QuickMeasureSettings read = LoadQuickMeasureSettings(store);
    EXPECT_EQ(read.export_path, written.export_path);
    EXPECT_EQ(read.tracking, written.tracking);
    EXPECT_EQ(read.grid_width, 800);
    EXPECT_FALSE(read.grid_height);
    EXPECT_EQ(read.frame_step, -3);
    EXPECT_FALSE(read.auto_step);
    EXPECT_EQ(read.cursor, CursorMode::None);
    EXPECT_EQ(read.visibles, written.visibles);
    EXPECT_EQ(read.linear_units, 6);
    EXPECT_EQ(read.angular_units, 11);
    EXPECT_EQ(read.linear_velocity_units, 3);
    EXPECT_EQ(read.angular_velocity_units, 6);
    EXPECT_EQ(read.acceleration_units, 1);
    EXPECT_EQ(read.filter, written.filter);
}

TEST(QuickMeasureSettings, SettingsWrittenBeforeFiltersReadAsNoFilter)
{
    const StoredValues old { { { kQuickMeasureCollection, "Visibles" }, "0011000000000000" } };
    EXPECT_EQ(ParseQuickMeasureSettings(old, true).filter, FilterChoice {});
    const StoredValues auto_filter { { { kQuickMeasureCollection, "Filter" }, "auto" } };
    EXPECT_EQ(ParseQuickMeasureSettings(auto_filter, true).filter.kind, FilterKind::Auto);
}

TEST(Scaling, RoundTripsThroughTheDescriptorBlock)
{
    std::string block = "[Timing]\rFrame Rate=1000\r";
    WriteScaling(block, 100, 1, 0.4);
    const ScalingEntries read = ReadScaling(block);
    EXPECT_EQ(read.gage_length, 100.0);
    EXPECT_EQ(read.gage_units, 1);
    EXPECT_EQ(read.factor, 0.4);
    std::string rate;
    EXPECT_TRUE(GetDescriptorValue(block, "Timing", "Frame Rate", rate));
    EXPECT_EQ(rate, "1000");
}

TEST(Scaling, HostileEntriesAreNotApplied)
{
    for (const char* factor : { "0", "-2", "nan", "inf", "1e999", "0x10", "", "4.5.6", "1e-400" }) {
        const std::string block
            = std::string("[Scaling]\rGageUnits=parsec\rFactor=") + factor + "\rGageLength=x\r";
        const ScalingEntries read = ReadScaling(block);
        EXPECT_FALSE(read.factor) << factor;
        EXPECT_FALSE(read.gage_length);
        EXPECT_EQ(read.gage_units, 0);
    }
    EXPECT_FALSE(ReadScaling("").factor);
    EXPECT_EQ(ReadScaling("[Scaling]\rGageUnits=in\r").gage_units, 4);
    EXPECT_EQ(ReadScaling("[Scaling]\rGageUnits=rev\r").gage_units, 0) << "an angle is no gage unit";
}

} // namespace
} // namespace fw
