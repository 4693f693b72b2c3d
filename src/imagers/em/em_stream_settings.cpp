#include "imagers/em/em_stream_settings.h"

#include <algorithm>
#include <cmath>

#include "support/settings_store.h"

namespace fw {

namespace {

constexpr double kThousandths = 1000.0;

double Thousandths(const SettingsStore& store, const QString& section, const char* name, double fallback)
{
    return store.readInteger(section, QString::fromLatin1(name), static_cast<int>(fallback * kThousandths))
        / kThousandths;
}

void WriteThousandths(SettingsStore& store, const QString& section, const char* name, double value)
{
    store.writeInteger(
        section, QString::fromLatin1(name), static_cast<int>(std::lround(value * kThousandths)));
}

} // namespace

bool EmStreamSettings::RangeStored(const SettingsStore& store, const QString& section)
{
    return store.valueExists(section, QStringLiteral("FirstFrame"));
}

EmStreamSettings EmStreamSettings::Read(
    const SettingsStore& store, const QString& section, int width, int height)
{
    EmStreamSettings s;
    const auto integer = [&](const char* name, int fallback) {
        return store.readInteger(section, QString::fromLatin1(name), fallback);
    };
    const auto flag
        = [&](const char* name) { return store.readBool(section, QString::fromLatin1(name), false); };
    s.timing.reply_delay_ms = integer("InTimePad", s.timing.reply_delay_ms);
    s.timing.command_spacing_ms = integer("OutTimePad", s.timing.command_spacing_ms);
    s.timing.byte_spacing_ms
        = std::min(integer("CharPad", s.timing.byte_spacing_ms), EmTiming::kLongestByteSpacing_ms);
    s.timing.use_dma = flag("UseDMA");
    s.filter = integer("Filter", s.filter);
    s.first_frame = store.readString(section, QStringLiteral("FirstFrame"), s.first_frame);
    s.end_frame = store.readString(section, QStringLiteral("EndFrame"), s.end_frame);
    s.frame_interval = std::max(integer("FrameInterval", 1), 1);
    s.brightness = Thousandths(store, section, "Brightness", s.brightness);
    s.gamma = Thousandths(store, section, "Gamma", s.gamma);
    s.sharpness = Thousandths(store, section, "Sharpness", s.sharpness);
    s.invert = flag("Invert");
    s.mirror = flag("Mirror");
    s.cropping = flag("Cropping");
    const QColor stored(store.readString(section, QStringLiteral("CropColor"), s.crop_color.name()));
    if (stored.isValid())
        s.crop_color = stored;
    s.crop = FrameRect { integer("CropLeft", 0), integer("CropTop", 0), integer("CropRight", width - 1),
        integer("CropBottom", height - 1) };
    s.settings_file = store.readString(section, QStringLiteral("Settings"));
    return s;
}

void EmStreamSettings::Write(SettingsStore& store, const QString& section) const
{
    const auto integer
        = [&](const char* name, int value) { store.writeInteger(section, QString::fromLatin1(name), value); };
    const auto flag
        = [&](const char* name, bool value) { store.writeBool(section, QString::fromLatin1(name), value); };
    integer("InTimePad", timing.reply_delay_ms);
    integer("OutTimePad", timing.command_spacing_ms);
    integer("CharPad", timing.byte_spacing_ms);
    flag("UseDMA", timing.use_dma);
    integer("Filter", filter);
    store.writeString(section, QStringLiteral("FirstFrame"), first_frame);
    store.writeString(section, QStringLiteral("EndFrame"), end_frame);
    integer("FrameInterval", frame_interval);
    WriteThousandths(store, section, "Brightness", brightness);
    WriteThousandths(store, section, "Gamma", gamma);
    WriteThousandths(store, section, "Sharpness", sharpness);
    flag("Invert", invert);
    flag("Mirror", mirror);
    flag("Cropping", cropping);
    store.writeString(section, QStringLiteral("CropColor"), crop_color.name());
    integer("CropLeft", crop.left);
    integer("CropRight", crop.right);
    integer("CropTop", crop.top);
    integer("CropBottom", crop.bottom);
    store.writeString(section, QStringLiteral("Settings"), settings_file);
}

} // namespace fw
