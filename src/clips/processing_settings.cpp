#include "clips/processing_settings.h"

#include <algorithm>
#include <limits>

#include "clips/ips_file.h"
#include "clips/processing_tone.h"
#include "clips/sharpen.h"
#include "support/fw_error.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

template <size_t N> QStringList ItemList(const std::array<const char*, N>& names)
{
    QStringList items;
    for (const char* name : names)
        items << QString::fromLatin1(name);
    return items;
}

int32_t Saturate(int64_t value)
{
    return int32_t(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Down to a multiple of 4, at least 4.
int32_t CropSide(int32_t side)
{
    return std::max(kMinCropSide, side - side % 4);
}

bool IsCropField(SettingsNumber field)
{
    return field == SettingsNumber::CropWidth || field == SettingsNumber::CropLeft
        || field == SettingsNumber::CropHeight || field == SettingsNumber::CropTop;
}

} // namespace

ProcessingSettings::ProcessingSettings()
{
    choices_[size_t(SettingsChoice::Filter)].items = ItemList(kSharpenFilterNames);
    QStringList temperatures;
    for (const ColorTemperature& temperature : kColorTemperatures)
        temperatures << QString::fromLatin1(temperature.name);
    choices_[size_t(SettingsChoice::ColorTemp)].items = temperatures;
}

void ProcessingSettings::HandOverNumber(SettingsNumber field, int32_t position)
{
    numbers_[size_t(field)] = position;
    number_handed_over_[size_t(field)] = true;
}

void ProcessingSettings::HandOverChoice(SettingsChoice choice, const QStringList& items, int index)
{
    Choice& c = choices_[size_t(choice)];
    c.items = items;
    c.handed_over = true;
    SetChoiceIndex(choice, index);
}

void ProcessingSettings::HandOverCheck(SettingsCheck check, bool checked)
{
    checks_[size_t(check)] = { checked, true };
}

void ProcessingSettings::HandOverCrop(const CropState& crop)
{
    crop_allowed_ = crop.allowed;
    crop_color_ = crop.border_color;
    checks_[size_t(SettingsCheck::CroppingCB)].checked = crop.cropping;
    checks_[size_t(SettingsCheck::ResizeCB)].checked = crop.resizing;
    SetCropRect(crop.rect);
    numbers_[size_t(SettingsNumber::NewHeight)] = crop.new_height;
    numbers_[size_t(SettingsNumber::NewWidth)] = crop.new_width;
    ApplyCropRules();
}

void ProcessingSettings::SetChoiceIndex(SettingsChoice choice, int index)
{
    Choice& c = choices_[size_t(choice)];
    c.index = index >= 0 && index < c.items.size() ? index : -1;
}

QString ProcessingSettings::ChoiceText(SettingsChoice choice) const
{
    const Choice& c = choices_[size_t(choice)];
    return c.index >= 0 ? c.items[c.index] : QString();
}

void ProcessingSettings::SelectChoiceText(SettingsChoice choice, const QString& text)
{
    Choice& c = choices_[size_t(choice)];
    c.index = int(c.items.indexOf(text));
}

void ProcessingSettings::SetChecked(SettingsCheck check, bool checked)
{
    checks_[size_t(check)].checked = checked;
    if (check == SettingsCheck::CroppingCB || check == SettingsCheck::ResizeCB)
        ApplyCropRules();
}

bool ProcessingSettings::IsEnabled(SettingsNumber field) const
{
    if (IsCropField(field))
        return Checked(SettingsCheck::CroppingCB);
    if (field == SettingsNumber::NewHeight || field == SettingsNumber::NewWidth)
        return Checked(SettingsCheck::ResizeCB);
    return number_handed_over_[size_t(field)];
}

bool ProcessingSettings::IsEnabled(SettingsCheck check) const
{
    if (check == SettingsCheck::CroppingCB || check == SettingsCheck::ResizeCB)
        return crop_allowed_;
    return checks_[size_t(check)].handed_over;
}

void ProcessingSettings::ApplyCropRules()
{
    if (!crop_allowed_) {
        checks_[size_t(SettingsCheck::CroppingCB)].checked = false;
        checks_[size_t(SettingsCheck::ResizeCB)].checked = false;
    }
    for (SettingsNumber field : { SettingsNumber::NewHeight, SettingsNumber::NewWidth })
        numbers_[size_t(field)] = std::max(numbers_[size_t(field)], kMinCropSide);
}

void ProcessingSettings::LeaveCropWidth()
{
    int32_t& width = numbers_[size_t(SettingsNumber::CropWidth)];
    width = CropSide(width);
    int32_t& new_width = numbers_[size_t(SettingsNumber::NewWidth)];
    new_width = std::max(std::min(new_width, width), kMinCropSide);
}

void ProcessingSettings::LeaveCropHeight()
{
    int32_t& height = numbers_[size_t(SettingsNumber::CropHeight)];
    height = CropSide(height);
    int32_t& new_height = numbers_[size_t(SettingsNumber::NewHeight)];
    new_height = std::max(std::min(new_height, height), kMinCropSide);
}

FrameRect ProcessingSettings::CropRect() const
{
    const int64_t left = Number(SettingsNumber::CropLeft);
    const int64_t top = Number(SettingsNumber::CropTop);
    return { int32_t(left), int32_t(top), Saturate(left + Number(SettingsNumber::CropWidth) - 1),
        Saturate(top + Number(SettingsNumber::CropHeight) - 1) };
}

void ProcessingSettings::SetCropRect(const FrameRect& rect)
{
    SetNumber(SettingsNumber::CropLeft, rect.left);
    SetNumber(SettingsNumber::CropTop, rect.top);
    SetNumber(SettingsNumber::CropWidth, Saturate(int64_t(rect.right) - rect.left + 1));
    SetNumber(SettingsNumber::CropHeight, Saturate(int64_t(rect.bottom) - rect.top + 1));
}

int32_t ProcessingSettings::OutputWidth() const
{
    return Number(Checked(SettingsCheck::ResizeCB) ? SettingsNumber::NewWidth : SettingsNumber::CropWidth);
}

int32_t ProcessingSettings::OutputHeight() const
{
    return Number(Checked(SettingsCheck::ResizeCB) ? SettingsNumber::NewHeight : SettingsNumber::CropHeight);
}

CropState ProcessingSettings::Crop() const
{
    return { Checked(SettingsCheck::CroppingCB), CropRect(), crop_color_, Checked(SettingsCheck::ResizeCB),
        OutputHeight(), OutputWidth(), crop_allowed_ };
}

void ProcessingSettings::Connect(const QString& path)
{
    connected_path_ = path;
    const QString name = IpsFileName(path);
    if (name.isEmpty()) {
        Disconnect();
        return;
    }
    caption_ = QStringLiteral("Image Process Settings file ") + name;
    disconnect_enabled_ = true;
}

void ProcessingSettings::Disconnect()
{
    caption_ = QStringLiteral("Image Process Settings");
    connected_path_ = IpsFolder(connected_path_);
    disconnect_enabled_ = false;
}

bool ProcessingSettings::SaveConnected() const
{
    QString reason;
    if (!SaveIpsFile(connected_path_, *this, &reason) && !reason.isEmpty()) {
        qCWarning(lcClips).noquote() << "Cannot write the settings file" << connected_path_ << "-" << reason;
        showError(QStringLiteral("Settings File ") + connected_path_
            + QStringLiteral(" could not be saved.\r") + reason);
    }
    return false;
}

bool ProcessingSettings::LoadConnected()
{
    try {
        LoadIpsFile(connected_path_, *this);
        return true;
    } catch (const Error& error) {
        showInformation(error.message());
        return false;
    }
}

bool ProcessingSettings::LoadFrom(const QString& path)
{
    Connect(path);
    disconnect_enabled_ = LoadConnected();
    return disconnect_enabled_;
}

void ProcessingSettings::SaveTo(const QString& path)
{
    Connect(path);
    SaveConnected();
}

void HandOverBarsAndFilter(
    ProcessingSettings& settings, const std::array<int32_t, 6>& positions, int filter_index)
{
    // The fields in the order of TrackTag.
    constexpr std::array<SettingsNumber, 6> fields = { SettingsNumber::Brightness, SettingsNumber::Red,
        SettingsNumber::Green, SettingsNumber::Blue, SettingsNumber::Gamma, SettingsNumber::Sharpness };
    for (size_t i = 0; i < fields.size(); ++i)
        settings.HandOverNumber(fields[i], positions[i]);
    QStringList filters;
    for (const char* name : kSharpenFilterNames)
        filters << QString::fromLatin1(name);
    settings.HandOverChoice(SettingsChoice::Filter, filters, filter_index);
}

} // namespace fw
