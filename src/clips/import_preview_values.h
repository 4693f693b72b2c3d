#pragma once

#include <array>
#include <cstdint>

#include <QColor>
#include <QString>

#include "clips/processing_controls.h"
#include "clips/processing_settings.h"

namespace fw {

class ProcessingPipeline;
class SettingsStore;
class TBaseAVI;

// The import preview's own track-bar scale: brightness and gamma 1 + 3 (p - Max/2) / Max, the
// colour gains 1 + 8 (p - Max/2) / Max, sharpness 8 (p - Max/2) / Max.
float ImportTrackValue(TrackTag tag, int32_t position, int32_t max = kTrackMax);
// The position that shows a value: the inverse, rounded to nearest and kept on the bar.
int32_t ImportTrackPosition(TrackTag tag, float value, int32_t max = kTrackMax);

// What an import preview holds between sessions and hands to its source: the frame range, the
// processing bars, the sharpen filter, cropping and the saved size.
struct ImportPreviewValues {
    int32_t first_number = 1;
    int32_t last_number = 1;
    bool range_stored = false; // false: no stored range, the whole source is taken
    int32_t interval = 1;
    // Bar positions by TrackTag: Brightness, RedGain, GreenGain, BlueGain, Gamma, Sharpness.
    std::array<int32_t, 6> positions {};
    int filter_index = 1; // "Core"
    bool settings_locked = false;
    CropState crop;
    QString settings_file;

    int32_t Position(TrackTag tag) const { return positions[size_t(tag)]; }
    void SetPosition(TrackTag tag, int32_t position);
    float Value(TrackTag tag) const { return ImportTrackValue(tag, Position(tag)); }
    // "Balance": brightness, gains and gamma 1, sharpness 0.
    void Balance();
    // The size frames are saved at: the crop size, or with resizing the chosen size limited to
    // it; the whole picture when cropping is off.
    int32_t SavedWidth(int32_t image_width) const;
    int32_t SavedHeight(int32_t image_height) const;
};

// Reads the values of a preview over a picture of the given size from `section` (values x 1000
// for the bars; anything out of range is brought onto its range).
ImportPreviewValues ReadImportPreviewValues(const SettingsStore& store, const QString& section,
    int32_t image_width, int32_t image_height, bool colour, const QColor& crop_colour);
void WriteImportPreviewValues(
    SettingsStore& store, const QString& section, const ImportPreviewValues& values);

// Sends the bars and filter to the source's pipeline (gains = brightness x channel gain).
void ApplyImportProcessing(const ImportPreviewValues& values, TBaseAVI& source);
void ApplyImportProcessing(const ImportPreviewValues& values, ProcessingPipeline& pipeline);
// Sets the source's crop rectangle and output size for a save.
void ApplyImportCropping(const ImportPreviewValues& values, TBaseAVI& source);

// The settings window's view of the values, and the values taken back from it.
ProcessingSettings HandOverImportValues(const ImportPreviewValues& values);
// The crop rectangle is kept inside the picture.
void TakeBackImportValues(const ProcessingSettings& settings, ImportPreviewValues& values,
    int32_t image_width, int32_t image_height);

} // namespace fw
