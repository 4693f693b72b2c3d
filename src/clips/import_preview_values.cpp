#include "clips/import_preview_values.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include <QStringList>

#include "clips/base_avi.h"
#include "clips/sharpen.h"
#include "support/settings_store.h"

namespace fw {

namespace {

// Per bar: the value at the centre and the change over the whole bar.
struct TrackScale {
    float centre;
    float span;
};

TrackScale scaleOf(TrackTag tag)
{
    switch (tag) {
    case TrackTag::Brightness:
    case TrackTag::Gamma:
        return { 1.0F, 3.0F };
    case TrackTag::RedGain:
    case TrackTag::GreenGain:
    case TrackTag::BlueGain:
        return { 1.0F, 8.0F };
    case TrackTag::Sharpness:
        return { 0.0F, 8.0F };
    }
    return { 1.0F, 1.0F };
}

constexpr std::array<TrackTag, 6> kTags = { TrackTag::Brightness, TrackTag::RedGain, TrackTag::GreenGain,
    TrackTag::BlueGain, TrackTag::Gamma, TrackTag::Sharpness };
constexpr std::array<const char*, 6> kStoredNames
    = { "Brightness", "Red Gain", "Green Gain", "Blue Gain", "Gamma", "Sharpness" };
// The settings window's field for each bar, in the same order.
constexpr std::array<SettingsNumber, 6> kSettingsFields = { SettingsNumber::Brightness, SettingsNumber::Red,
    SettingsNumber::Green, SettingsNumber::Blue, SettingsNumber::Gamma, SettingsNumber::Sharpness };

int32_t clampTo(int64_t value, int32_t low, int32_t high)
{
    return int32_t(std::clamp<int64_t>(value, low, std::max(low, high)));
}

// A stored "FirstFrame" is text; anything that is not a whole number counts as absent.
std::optional<int32_t> storedNumber(const SettingsStore& store, const QString& section, const char* name)
{
    if (!store.valueExists(section, QString::fromLatin1(name)))
        return std::nullopt;
    bool ok = false;
    const qlonglong value = store.readString(section, QString::fromLatin1(name)).trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return clampTo(value, INT32_MIN, INT32_MAX);
}

FrameRect readCrop(const SettingsStore& store, const QString& section, int32_t width, int32_t height)
{
    FrameRect rect;
    rect.left = clampTo(store.readInteger(section, QStringLiteral("CropLeft"), 0), 0, width - 1);
    rect.top = clampTo(store.readInteger(section, QStringLiteral("CropTop"), 0), 0, height - 1);
    rect.right
        = clampTo(store.readInteger(section, QStringLiteral("CropRight"), width - 1), rect.left, width - 1);
    rect.bottom
        = clampTo(store.readInteger(section, QStringLiteral("CropBottom"), height - 1), rect.top, height - 1);
    return rect;
}

} // namespace

float ImportTrackValue(TrackTag tag, int32_t position, int32_t max)
{
    const TrackScale scale = scaleOf(tag);
    max = std::max(max, 1);
    return scale.centre + scale.span * float(position - max / 2) / float(max);
}

int32_t ImportTrackPosition(TrackTag tag, float value, int32_t max)
{
    const TrackScale scale = scaleOf(tag);
    max = std::max(max, 1);
    const double position = double(max / 2) + double(value - scale.centre) * double(max) / double(scale.span);
    if (!std::isfinite(position))
        return max / 2;
    return int32_t(std::clamp(std::lround(position), 0L, long(max)));
}

void ImportPreviewValues::SetPosition(TrackTag tag, int32_t position)
{
    positions[size_t(tag)] = std::clamp(position, 0, kTrackMax);
}

void ImportPreviewValues::Balance()
{
    for (TrackTag tag : kTags)
        SetPosition(tag, kTrackMax / 2);
}

int32_t ImportPreviewValues::SavedWidth(int32_t image_width) const
{
    if (!crop.cropping)
        return image_width;
    return crop.resizing ? std::clamp(crop.new_width, 1, crop.rect.Width()) : crop.rect.Width();
}

int32_t ImportPreviewValues::SavedHeight(int32_t image_height) const
{
    if (!crop.cropping)
        return image_height;
    return crop.resizing ? std::clamp(crop.new_height, 1, crop.rect.Height()) : crop.rect.Height();
}

ImportPreviewValues ReadImportPreviewValues(const SettingsStore& store, const QString& section,
    int32_t image_width, int32_t image_height, bool colour, const QColor& crop_colour)
{
    ImportPreviewValues values;
    const auto first = storedNumber(store, section, "FirstFrame");
    const auto last = storedNumber(store, section, "EndFrame");
    values.range_stored = first && last;
    values.first_number = first.value_or(1);
    values.last_number = last.value_or(1);
    values.interval = std::max(store.readInteger(section, QStringLiteral("FrameInterval"), 1), 1);
    values.filter_index
        = clampTo(store.readInteger(section, QStringLiteral("Filter"), 1), 0, kSharpenFilterCount - 1);
    for (size_t i = 0; i < kTags.size(); ++i) {
        const bool sharpness = kTags[i] == TrackTag::Sharpness;
        const int stored
            = store.readInteger(section, QString::fromLatin1(kStoredNames[i]), sharpness ? 0 : 1000);
        values.SetPosition(kTags[i], ImportTrackPosition(kTags[i], float(stored) / 1000.0F));
    }
    values.settings_file = store.readString(section, QStringLiteral("Settings"));

    CropState& crop = values.crop;
    // Only grey pictures can be cropped and resized.
    crop.allowed = !colour;
    crop.cropping = crop.allowed && store.readBool(section, QStringLiteral("Cropping"), false);
    crop.resizing = crop.allowed && store.readBool(section, QStringLiteral("Resizing"), false);
    const QColor stored_colour(store.readString(section, QStringLiteral("CropColor")));
    crop.border_color = stored_colour.isValid() ? stored_colour : crop_colour;
    crop.rect = readCrop(store, section, image_width, image_height);
    crop.new_width = clampTo(store.readInteger(section, QStringLiteral("SaveWidth"), image_width - 1),
        kMinCropSide, std::max(image_width, kMinCropSide));
    crop.new_height = clampTo(store.readInteger(section, QStringLiteral("SaveHeight"), image_height - 1),
        kMinCropSide, std::max(image_height, kMinCropSide));
    return values;
}

void WriteImportPreviewValues(SettingsStore& store, const QString& section, const ImportPreviewValues& values)
{
    store.writeString(section, QStringLiteral("FirstFrame"), QString::number(values.first_number));
    store.writeString(section, QStringLiteral("EndFrame"), QString::number(values.last_number));
    store.writeInteger(section, QStringLiteral("FrameInterval"), values.interval);
    store.writeInteger(section, QStringLiteral("Filter"), values.filter_index);
    for (size_t i = 0; i < kTags.size(); ++i)
        store.writeInteger(section, QString::fromLatin1(kStoredNames[i]),
            int(std::lround(values.Value(kTags[i]) * 1000.0F)));
    store.writeBool(section, QStringLiteral("Cropping"), values.crop.cropping);
    store.writeString(section, QStringLiteral("CropColor"), values.crop.border_color.name());
    store.writeInteger(section, QStringLiteral("CropLeft"), values.crop.rect.left);
    store.writeInteger(section, QStringLiteral("CropRight"), values.crop.rect.right);
    store.writeInteger(section, QStringLiteral("CropTop"), values.crop.rect.top);
    store.writeInteger(section, QStringLiteral("CropBottom"), values.crop.rect.bottom);
    store.writeString(section, QStringLiteral("Settings"), values.settings_file);
    store.writeBool(section, QStringLiteral("Resizing"), values.crop.resizing);
    store.writeInteger(section, QStringLiteral("SaveWidth"), values.crop.new_width);
    store.writeInteger(section, QStringLiteral("SaveHeight"), values.crop.new_height);
}

void ApplyImportProcessing(const ImportPreviewValues& values, TBaseAVI& source)
{
    ApplyImportProcessing(values, source.Pipeline());
}

void ApplyImportProcessing(const ImportPreviewValues& values, ProcessingPipeline& pipeline)
{
    const float brightness = values.Value(TrackTag::Brightness);
    pipeline.SetGains(brightness * values.Value(TrackTag::RedGain),
        brightness * values.Value(TrackTag::GreenGain), brightness * values.Value(TrackTag::BlueGain));
    pipeline.SetGamma(values.Value(TrackTag::Gamma));
    pipeline.Sharpen().SetSharpness(values.Value(TrackTag::Sharpness));
    pipeline.Sharpen().SetFilterIndex(values.filter_index);
}

void ApplyImportCropping(const ImportPreviewValues& values, TBaseAVI& source)
{
    if (values.crop.cropping)
        source.SetCrop(values.crop.rect);
    else
        source.SetCrop(FrameRect { 0, 0, source.ImageWidth() - 1, source.ImageHeight() - 1 });
    source.SetOutputSize(values.SavedWidth(source.ImageWidth()), values.SavedHeight(source.ImageHeight()));
}

ProcessingSettings HandOverImportValues(const ImportPreviewValues& values)
{
    ProcessingSettings settings;
    HandOverBarsAndFilter(settings, values.positions, values.filter_index);
    settings.HandOverCheck(SettingsCheck::SettingsLock, values.settings_locked);
    settings.HandOverCrop(values.crop);
    if (!values.settings_file.isEmpty())
        settings.Connect(values.settings_file);
    return settings;
}

void TakeBackImportValues(const ProcessingSettings& settings, ImportPreviewValues& values,
    int32_t image_width, int32_t image_height)
{
    for (size_t i = 0; i < kTags.size(); ++i)
        values.SetPosition(kTags[i], settings.Number(kSettingsFields[i]));
    if (settings.ChoiceIndex(SettingsChoice::Filter) >= 0)
        values.filter_index = settings.ChoiceIndex(SettingsChoice::Filter);
    values.settings_locked = settings.Checked(SettingsCheck::SettingsLock);
    const bool allowed = values.crop.allowed;
    values.crop = settings.Crop();
    values.crop.allowed = allowed;
    FrameRect& rect = values.crop.rect;
    rect.left = clampTo(rect.left, 0, image_width - 1);
    rect.top = clampTo(rect.top, 0, image_height - 1);
    rect.right = clampTo(rect.right, rect.left, image_width - 1);
    rect.bottom = clampTo(rect.bottom, rect.top, image_height - 1);
    values.settings_file = settings.ConnectedPath();
}

} // namespace fw
