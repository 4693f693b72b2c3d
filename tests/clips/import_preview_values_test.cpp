#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "clips/import_preview_values.h"
#include "support/settings_store.h"

using namespace fw;

namespace {

const QString kSection = QStringLiteral("AVI File");

} // namespace

TEST(ImportTrackScale, MapsTheBarsAroundTheirCentres)
{
    EXPECT_FLOAT_EQ(ImportTrackValue(TrackTag::Brightness, 250), 1.0F);
    EXPECT_FLOAT_EQ(ImportTrackValue(TrackTag::Brightness, 500), 2.5F);
    EXPECT_FLOAT_EQ(ImportTrackValue(TrackTag::Gamma, 0), -0.5F);
    EXPECT_FLOAT_EQ(ImportTrackValue(TrackTag::RedGain, 500), 5.0F);
    EXPECT_FLOAT_EQ(ImportTrackValue(TrackTag::BlueGain, 0), -3.0F);
    // The preview's sharpness bar is centred on 0, unlike the imager preview's.
    EXPECT_FLOAT_EQ(ImportTrackValue(TrackTag::Sharpness, 250), 0.0F);
    EXPECT_FLOAT_EQ(ImportTrackValue(TrackTag::Sharpness, 500), 4.0F);
    for (TrackTag tag : { TrackTag::Brightness, TrackTag::GreenGain, TrackTag::Gamma, TrackTag::Sharpness })
        for (int position : { 0, 1, 125, 249, 250, 377, 500 })
            EXPECT_EQ(ImportTrackPosition(tag, ImportTrackValue(tag, position)), position);
    EXPECT_EQ(ImportTrackPosition(TrackTag::Brightness, 1e9F), 500);
    EXPECT_EQ(ImportTrackPosition(TrackTag::Brightness, -1e9F), 0);
    EXPECT_EQ(ImportTrackPosition(TrackTag::Gamma, std::numeric_limits<float>::quiet_NaN()), 250);
}

TEST(ImportPreviewValues, DefaultsWithoutStoredValues)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("s.ini"));
    const ImportPreviewValues values = ReadImportPreviewValues(store, kSection, 64, 48, false, Qt::green);
    EXPECT_FALSE(values.range_stored);
    EXPECT_EQ(values.interval, 1);
    EXPECT_EQ(values.filter_index, 1);
    for (int32_t position : values.positions)
        EXPECT_EQ(position, 250);
    EXPECT_TRUE(values.crop.allowed);
    EXPECT_FALSE(values.crop.cropping);
    EXPECT_EQ(values.crop.border_color, QColor(Qt::green));
    EXPECT_EQ(values.crop.rect.right, 63);
    EXPECT_EQ(values.crop.rect.bottom, 47);
    EXPECT_EQ(values.SavedWidth(64), 64);
    EXPECT_EQ(values.SavedHeight(48), 48);
}

TEST(ImportPreviewValues, RoundTripThroughTheStore)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("s.ini"));
    ImportPreviewValues values = ReadImportPreviewValues(store, kSection, 64, 48, false, Qt::red);
    values.first_number = 3;
    values.last_number = 9;
    values.interval = 2;
    values.filter_index = 3;
    values.SetPosition(TrackTag::Brightness, 300);
    values.SetPosition(TrackTag::Sharpness, 400);
    values.crop.cropping = true;
    values.crop.rect = FrameRect { 4, 8, 35, 39 };
    values.crop.resizing = true;
    values.crop.new_width = 16;
    values.crop.new_height = 100;
    WriteImportPreviewValues(store, kSection, values);

    const ImportPreviewValues read = ReadImportPreviewValues(store, kSection, 64, 48, false, Qt::red);
    EXPECT_TRUE(read.range_stored);
    EXPECT_EQ(read.first_number, 3);
    EXPECT_EQ(read.last_number, 9);
    EXPECT_EQ(read.interval, 2);
    EXPECT_EQ(read.filter_index, 3);
    EXPECT_EQ(read.positions, values.positions);
    EXPECT_TRUE(read.crop.cropping);
    EXPECT_EQ(read.crop.rect.left, 4);
    EXPECT_EQ(read.crop.rect.bottom, 39);
    // Resizing never enlarges: the saved height is limited to the crop height.
    EXPECT_EQ(read.SavedWidth(64), 16);
    EXPECT_EQ(read.SavedHeight(48), 32);
    EXPECT_EQ(store.readInteger(kSection, "Brightness", 0), 1300);
}

TEST(ImportPreviewValues, HostileStoredValuesLandInRange)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("s.ini"));
    store.writeString(kSection, "FirstFrame", "abc");
    store.writeString(kSection, "EndFrame", "99999999999999");
    store.writeString(kSection, "FrameInterval", "-4");
    store.writeString(kSection, "Filter", "77");
    store.writeString(kSection, "Brightness", "2147483647");
    store.writeString(kSection, "Gamma", "not a number");
    store.writeString(kSection, "CropLeft", "-50");
    store.writeString(kSection, "CropRight", "100000");
    store.writeString(kSection, "CropTop", "47");
    store.writeString(kSection, "CropBottom", "3");
    store.writeString(kSection, "SaveWidth", "0");
    store.writeString(kSection, "CropColor", "\x01\x02garbage");
    store.writeBool(kSection, "Cropping", true);
    const ImportPreviewValues values = ReadImportPreviewValues(store, kSection, 64, 48, false, Qt::red);
    EXPECT_FALSE(values.range_stored);
    EXPECT_EQ(values.interval, 1);
    EXPECT_EQ(values.filter_index, 3);
    EXPECT_EQ(values.Position(TrackTag::Brightness), 500);
    EXPECT_EQ(values.Position(TrackTag::Gamma), 250);
    EXPECT_EQ(values.crop.rect.left, 0);
    EXPECT_EQ(values.crop.rect.right, 63);
    EXPECT_EQ(values.crop.rect.top, 47);
    EXPECT_EQ(values.crop.rect.bottom, 47);
    EXPECT_EQ(values.crop.new_width, kMinCropSide);
    EXPECT_EQ(values.crop.border_color, QColor(Qt::red));
}

TEST(ImportPreviewValues, ColourPicturesAreNeverCropped)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("s.ini"));
    store.writeBool(kSection, "Cropping", true);
    store.writeBool(kSection, "Resizing", true);
    const ImportPreviewValues values = ReadImportPreviewValues(store, kSection, 64, 48, true, Qt::red);
    EXPECT_FALSE(values.crop.allowed);
    EXPECT_FALSE(values.crop.cropping);
    EXPECT_EQ(values.SavedWidth(64), 64);

    // The settings window cannot switch it on either.
    ProcessingSettings settings = HandOverImportValues(values);
    settings.SetChecked(SettingsCheck::CroppingCB, true);
    ImportPreviewValues back = values;
    TakeBackImportValues(settings, back, 64, 48);
    EXPECT_FALSE(back.crop.cropping);
}

TEST(ImportPreviewValues, TheSettingsWindowHandsBarsAndCropBack)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("s.ini"));
    ImportPreviewValues values = ReadImportPreviewValues(store, kSection, 64, 48, false, Qt::red);
    ProcessingSettings settings = HandOverImportValues(values);
    EXPECT_TRUE(settings.IsEnabled(SettingsNumber::Sharpness));
    EXPECT_FALSE(settings.IsEnabled(SettingsChoice::ColorTemp));
    settings.SetNumber(SettingsNumber::Red, 400);
    settings.SetChecked(SettingsCheck::CroppingCB, true);
    settings.SetNumber(SettingsNumber::CropLeft, 60);
    settings.SetNumber(SettingsNumber::CropWidth, 32); // runs past the picture's right edge
    TakeBackImportValues(settings, values, 64, 48);
    EXPECT_EQ(values.Position(TrackTag::RedGain), 400);
    EXPECT_TRUE(values.crop.cropping);
    EXPECT_EQ(values.crop.rect.left, 60);
    EXPECT_EQ(values.crop.rect.right, 63);
}
