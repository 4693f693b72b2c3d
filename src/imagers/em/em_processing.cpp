#include "imagers/em/em_processing.h"

#include <cmath>

#include "clips/sharpen.h"
#include "imagers/em/em1012_avi.h"

namespace fw {

namespace {

constexpr double kSpan = 3.0;
constexpr double kDefaultGamma = 1.8;

double Offset(int position)
{
    return kSpan * (position - kEmTrackMax / 2.0) / kEmTrackMax;
}

int PositionOf(double offset)
{
    return static_cast<int>(std::lround(offset * kEmTrackMax / kSpan + kEmTrackMax / 2.0));
}

} // namespace

double EmBrightnessAt(int position)
{
    return 1.0 + Offset(position);
}

double EmGammaAt(int position)
{
    return kDefaultGamma + Offset(position);
}

double EmSharpnessAt(int position)
{
    return Offset(position);
}

int EmBrightnessPosition(double brightness)
{
    return PositionOf(brightness - 1.0);
}

int EmGammaPosition(double gamma)
{
    return PositionOf(gamma - kDefaultGamma);
}

int EmSharpnessPosition(double sharpness)
{
    return PositionOf(sharpness);
}

ProcessingSettings EmHandOver(const TEM1012AVI& stream, const CropState& crop)
{
    ProcessingSettings settings;
    settings.HandOverNumber(SettingsNumber::Brightness, EmBrightnessPosition(stream.Brightness()));
    settings.HandOverNumber(SettingsNumber::Gamma, EmGammaPosition(stream.Gamma()));
    settings.HandOverNumber(SettingsNumber::Sharpness, EmSharpnessPosition(stream.Sharpen().Sharpness()));
    QStringList filters;
    for (const char* name : kSharpenFilterNames)
        filters << QString::fromLatin1(name);
    settings.HandOverChoice(SettingsChoice::Filter, filters, static_cast<int>(stream.Sharpen().Filter()));
    settings.HandOverCheck(SettingsCheck::Invert, stream.Invert());
    settings.HandOverCheck(SettingsCheck::Mirror, stream.Mirror());
    settings.HandOverCrop(crop);
    return settings;
}

bool EmTakeSettings(const ProcessingSettings& settings, TEM1012AVI& stream)
{
    stream.SetBrightnessGamma(EmBrightnessAt(settings.Number(SettingsNumber::Brightness)),
        EmGammaAt(settings.Number(SettingsNumber::Gamma)));
    stream.Sharpen().SetSharpness(
        static_cast<float>(EmSharpnessAt(settings.Number(SettingsNumber::Sharpness))));
    if (settings.ChoiceIndex(SettingsChoice::Filter) >= 0)
        stream.Sharpen().SetFilterIndex(settings.ChoiceIndex(SettingsChoice::Filter));
    stream.SetInvert(settings.Checked(SettingsCheck::Invert));
    stream.SetMirror(settings.Checked(SettingsCheck::Mirror));
    const bool cropping = settings.Checked(SettingsCheck::CroppingCB);
    stream.SetCrop(cropping ? std::optional(settings.CropRect()) : std::nullopt);
    return cropping;
}

void EmApplyValues(const EmStreamSettings& values, TEM1012AVI& stream)
{
    stream.SetBrightnessGamma(values.brightness, values.gamma);
    stream.Sharpen().SetSharpness(static_cast<float>(values.sharpness));
    stream.Sharpen().SetFilterIndex(values.filter);
    stream.SetInvert(values.invert);
    stream.SetMirror(values.mirror);
}

ProcessingSettings EmWindowHandOver(const TEM1012AVI& stream, const EmStreamSettings& values, bool locked)
{
    CropState crop;
    crop.cropping = values.cropping;
    crop.rect = values.crop;
    crop.border_color = values.crop_color;
    crop.allowed = true;
    ProcessingSettings settings = EmHandOver(stream, crop);
    settings.HandOverCheck(SettingsCheck::SettingsLock, locked);
    if (!values.settings_file.isEmpty())
        settings.Connect(values.settings_file);
    return settings;
}

bool EmWindowTakeBack(const ProcessingSettings& settings, TEM1012AVI& stream, EmStreamSettings& values)
{
    values.cropping = EmTakeSettings(settings, stream);
    stream.SetCrop(std::nullopt);
    values.crop = settings.CropRect();
    values.crop_color = settings.CropColor();
    values.brightness = stream.Brightness();
    values.gamma = stream.Gamma();
    values.sharpness = stream.Sharpen().Sharpness();
    values.filter = static_cast<int>(stream.Sharpen().Filter());
    values.invert = stream.Invert();
    values.mirror = stream.Mirror();
    values.settings_file = settings.ConnectedPath();
    return settings.Checked(SettingsCheck::SettingsLock);
}

} // namespace fw
