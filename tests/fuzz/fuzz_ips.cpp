// Reads arbitrary bytes as a processing settings file. Whatever was taken in must survive being
// written and read back unchanged, and the crop rules must hold afterwards.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "clips/ips_file.h"
#include "clips/processing_settings.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

fw::ProcessingSettings HandedOver(bool crop_allowed)
{
    fw::ProcessingSettings settings;
    for (int i = 0; i < 6; ++i)
        settings.HandOverNumber(fw::SettingsNumber(i), 250);
    settings.HandOverChoice(fw::SettingsChoice::Filter, settings.ChoiceItems(fw::SettingsChoice::Filter), 2);
    settings.HandOverChoice(
        fw::SettingsChoice::ColorTemp, settings.ChoiceItems(fw::SettingsChoice::ColorTemp), 0);
    for (int i = 0; i < 5; ++i)
        settings.HandOverCheck(fw::SettingsCheck(i), false);
    fw::CropState crop;
    crop.allowed = crop_allowed;
    crop.cropping = true;
    crop.rect = { 0, 0, 511, 383 };
    settings.HandOverCrop(crop);
    return settings;
}

bool SameValues(const fw::ProcessingSettings& a, const fw::ProcessingSettings& b)
{
    for (int i = 0; i < fw::kSettingsNumberCount; ++i)
        if (a.Number(fw::SettingsNumber(i)) != b.Number(fw::SettingsNumber(i)))
            return false;
    for (int i = 0; i < fw::kSettingsChoiceCount; ++i)
        if (a.ChoiceIndex(fw::SettingsChoice(i)) != b.ChoiceIndex(fw::SettingsChoice(i)))
            return false;
    for (int i = 0; i < fw::kSettingsCheckCount; ++i)
        if (a.Checked(fw::SettingsCheck(i)) != b.Checked(fw::SettingsCheck(i)))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const bool crop_allowed : { true, false }) {
        fw::ProcessingSettings settings = HandedOver(crop_allowed);
        fw::ReadIpsText(bytes, settings);
        if (!crop_allowed)
            Check(!settings.Checked(fw::SettingsCheck::CroppingCB)
                && !settings.Checked(fw::SettingsCheck::ResizeCB));
        Check(settings.Number(fw::SettingsNumber::NewWidth) >= fw::kMinCropSide);
        settings.CropRect();

        fw::ProcessingSettings copy = settings;
        Check(fw::ReadIpsText(fw::IpsFileText(settings), copy));
        Check(SameValues(settings, copy));
    }
    fw::IpsIniText::Parse(bytes).ToBytes();
    return 0;
}
