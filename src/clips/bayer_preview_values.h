#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "clips/processing_controls.h"
#include "clips/processing_settings.h"

namespace fw {

class SettingsStore;
class TBayer;

// What the Bayer preview keeps in the settings section "Bayer" between sessions: the frame range
// as labels, the interval, the processing bars, the sharpen filter, the light source, the tone
// curve, "Save Bayer Files" and the connected settings file.
struct BayerPreviewValues {
    QString first_frame = QStringLiteral("1");
    QString end_frame = QStringLiteral("1");
    int32_t interval = 1;
    // Bar positions by TrackTag: Brightness, RedGain, GreenGain, BlueGain, Gamma, Sharpness.
    std::array<int32_t, 6> positions {};
    int filter_index = 2; // "Clip"
    int color_temperature = 2; // "Tungsten"
    bool tone_curve = false;
    bool save_bayer_files = false;
    // Kept in the connected settings file, not in the section.
    bool settings_locked = false;
    QString settings_file;

    BayerPreviewValues();
    int32_t Position(TrackTag tag) const { return positions[size_t(tag)]; }
    void SetPosition(TrackTag tag, int32_t position);
    float Value(TrackTag tag) const { return TrackValue(tag, Position(tag)); }
    // "Original": brightness and gains 1, gamma 1.8, sharpness 1.
    void SetOriginal();
};

// Values are stored x 1000 for the bars; anything out of range is brought onto its range.
BayerPreviewValues ReadBayerPreviewValues(const SettingsStore& store);
// Whether a frame range was ever stored; the defaults stand for none chosen yet.
bool BayerRangeStored(const SettingsStore& store);
void WriteBayerPreviewValues(SettingsStore& store, const BayerPreviewValues& values);

// The settings window's view of the values (bars, filter, light source, tone curve; no crop),
// and the values taken back from it with the file it is connected to.
ProcessingSettings HandOverBayerValues(const BayerPreviewValues& values);
void TakeBackBayerValues(const ProcessingSettings& settings, BayerPreviewValues& values);

// Hands the values to the source's pipeline (gains = brightness x channel gain) and to the
// processing words written with saved BAY files.
void ApplyBayerProcessing(const BayerPreviewValues& values, TBayer& source);

} // namespace fw
