#include "clips/bayer_preview_values.h"

#include <algorithm>
#include <cmath>

#include <QStringList>

#include "clips/bayer.h"
#include "clips/processing_tone.h"
#include "clips/sharpen.h"
#include "support/settings_store.h"

namespace fw {

namespace {

const QString kSection = QStringLiteral("Bayer");

constexpr std::array<TrackTag, 6> kTags = { TrackTag::Brightness, TrackTag::RedGain, TrackTag::GreenGain,
    TrackTag::BlueGain, TrackTag::Gamma, TrackTag::Sharpness };
constexpr std::array<const char*, 6> kStoredNames
    = { "Brightness", "Red Gain", "Green Gain", "Blue Gain", "Gamma", "Sharpness" };
// Brightness, gains 1; gamma 1.8; sharpness 1.
constexpr std::array<int, 6> kOriginalMilli = { 1000, 1000, 1000, 1000, 1800, 1000 };
// The processing word that carries each bar in a written BAY file.
// The settings window's field for each bar, in the same order.
constexpr std::array<SettingsNumber, 6> kSettingsFields = { SettingsNumber::Brightness, SettingsNumber::Red,
    SettingsNumber::Green, SettingsNumber::Blue, SettingsNumber::Gamma, SettingsNumber::Sharpness };
constexpr std::array<BayWord, 6> kWords = { BayWord::Brightness, BayWord::RedGain, BayWord::GreenGain,
    BayWord::BlueGain, BayWord::Gamma, BayWord::Sharpness };

int16_t milli(float value)
{
    return int16_t(std::clamp(std::lround(value * 1000.0F), -32768L, 32767L));
}

} // namespace

BayerPreviewValues::BayerPreviewValues()
{
    SetOriginal();
}

void BayerPreviewValues::SetPosition(TrackTag tag, int32_t position)
{
    positions[size_t(tag)] = std::clamp(position, 0, kTrackMax);
}

void BayerPreviewValues::SetOriginal()
{
    for (size_t i = 0; i < kTags.size(); ++i)
        SetPosition(kTags[i], TrackPosition(kTags[i], float(kOriginalMilli[i]) / 1000.0F));
}

bool BayerRangeStored(const SettingsStore& store)
{
    return store.valueExists(kSection, QStringLiteral("FirstFrame"));
}

BayerPreviewValues ReadBayerPreviewValues(const SettingsStore& store)
{
    BayerPreviewValues values;
    values.first_frame = store.readString(kSection, QStringLiteral("FirstFrame"), QStringLiteral("1"));
    values.end_frame = store.readString(kSection, QStringLiteral("EndFrame"), QStringLiteral("1"));
    values.interval = std::max(store.readInteger(kSection, QStringLiteral("FrameInterval"), 1), 1);
    for (size_t i = 0; i < kTags.size(); ++i) {
        const int stored
            = store.readInteger(kSection, QString::fromLatin1(kStoredNames[i]), kOriginalMilli[i]);
        values.SetPosition(kTags[i], TrackPosition(kTags[i], float(stored) / 1000.0F));
    }
    values.filter_index
        = std::clamp(store.readInteger(kSection, QStringLiteral("Filter"), 2), 0, kSharpenFilterCount - 1);
    values.color_temperature
        = std::clamp(store.readInteger(kSection, QStringLiteral("ColorTemp"), kTungstenIndex), 0,
            kColorTemperatureCount - 1);
    values.tone_curve = store.readBool(kSection, QStringLiteral("ApplyToneCurve"), false);
    values.save_bayer_files = store.readBool(kSection, QStringLiteral("Scatter"), false);
    values.settings_file = store.readString(kSection, QStringLiteral("Settings"));
    return values;
}

void WriteBayerPreviewValues(SettingsStore& store, const BayerPreviewValues& values)
{
    store.writeString(kSection, QStringLiteral("FirstFrame"), values.first_frame);
    store.writeString(kSection, QStringLiteral("EndFrame"), values.end_frame);
    store.writeInteger(kSection, QStringLiteral("FrameInterval"), values.interval);
    for (size_t i = 0; i < kTags.size(); ++i)
        store.writeInteger(kSection, QString::fromLatin1(kStoredNames[i]), milli(values.Value(kTags[i])));
    store.writeInteger(kSection, QStringLiteral("Filter"), values.filter_index);
    store.writeInteger(kSection, QStringLiteral("ColorTemp"), values.color_temperature);
    store.writeBool(kSection, QStringLiteral("ApplyToneCurve"), values.tone_curve);
    store.writeBool(kSection, QStringLiteral("Scatter"), values.save_bayer_files);
    store.writeString(kSection, QStringLiteral("Settings"), values.settings_file);
}

ProcessingSettings HandOverBayerValues(const BayerPreviewValues& values)
{
    ProcessingSettings settings;
    HandOverBarsAndFilter(settings, values.positions, values.filter_index);
    QStringList lights;
    for (const ColorTemperature& light : kColorTemperatures)
        lights << QString::fromLatin1(light.name);
    settings.HandOverChoice(SettingsChoice::ColorTemp, lights, values.color_temperature);
    settings.HandOverCheck(SettingsCheck::ToneCurve, values.tone_curve);
    settings.HandOverCheck(SettingsCheck::SettingsLock, values.settings_locked);
    settings.HandOverCrop(CropState {});
    if (!values.settings_file.isEmpty())
        settings.Connect(values.settings_file);
    return settings;
}

void TakeBackBayerValues(const ProcessingSettings& settings, BayerPreviewValues& values)
{
    for (size_t i = 0; i < kTags.size(); ++i)
        values.SetPosition(kTags[i], settings.Number(kSettingsFields[i]));
    if (settings.ChoiceIndex(SettingsChoice::Filter) >= 0)
        values.filter_index = settings.ChoiceIndex(SettingsChoice::Filter);
    if (settings.ChoiceIndex(SettingsChoice::ColorTemp) >= 0)
        values.color_temperature = settings.ChoiceIndex(SettingsChoice::ColorTemp);
    values.tone_curve = settings.Checked(SettingsCheck::ToneCurve);
    values.settings_locked = settings.Checked(SettingsCheck::SettingsLock);
    values.settings_file = settings.ConnectedPath();
}

void ApplyBayerProcessing(const BayerPreviewValues& values, TBayer& source)
{
    ProcessingPipeline& pipeline = source.Pipeline();
    const float brightness = values.Value(TrackTag::Brightness);
    pipeline.SetGains(brightness * values.Value(TrackTag::RedGain),
        brightness * values.Value(TrackTag::GreenGain), brightness * values.Value(TrackTag::BlueGain));
    pipeline.SetGamma(values.Value(TrackTag::Gamma));
    pipeline.SetColorTemperature(values.color_temperature);
    pipeline.SetToneCurve(values.tone_curve);
    pipeline.Sharpen().SetSharpness(values.Value(TrackTag::Sharpness));
    pipeline.Sharpen().SetFilterIndex(values.filter_index);

    source.SetWord(size_t(BayWord::Magic), kBayProcessingMagic);
    source.SetWord(size_t(BayWord::Version), 1);
    for (size_t i = 0; i < kTags.size(); ++i)
        source.SetWord(size_t(kWords[i]), milli(values.Value(kTags[i])));
    source.SetWord(size_t(BayWord::FilterIndex), int16_t(values.filter_index));
    source.SetWord(size_t(BayWord::ColorTemperatureIndex), int16_t(values.color_temperature));
    source.SetWord(size_t(BayWord::Monochrome), int16_t(pipeline.ColorInterpolation() ? 0 : 1));
    source.SetWord(size_t(BayWord::ToneCurve), int16_t(values.tone_curve ? 1 : 0));
}

} // namespace fw
