#pragma once

#include <array>
#include <cstdint>

#include <QColor>
#include <QString>
#include <QStringList>

#include "clips/image_filer.h"

namespace fw {

// The numeric fields of the settings window, in creation order (the order a settings file
// lists them). The first six hold track-bar positions.
enum class SettingsNumber {
    Brightness,
    Gamma,
    Sharpness,
    Red,
    Green,
    Blue,
    CropWidth,
    CropLeft,
    CropHeight,
    CropTop,
    NewHeight,
    NewWidth
};
inline constexpr int kSettingsNumberCount = 12;
inline constexpr std::array<const char*, kSettingsNumberCount> kSettingsNumberNames
    = { "Brightness", "Gamma", "Sharpness", "Red", "Green", "Blue", "CropWidth", "CropLeft", "CropHeight",
          "CropTop", "NewHeight", "NewWidth" };

enum class SettingsChoice { Filter, ColorTemp };
inline constexpr int kSettingsChoiceCount = 2;
inline constexpr std::array<const char*, kSettingsChoiceCount> kSettingsChoiceNames
    = { "Filter", "ColorTemp" };

enum class SettingsCheck { SettingsLock, Invert, Mirror, Monochrome, ToneCurve, CroppingCB, ResizeCB };
inline constexpr int kSettingsCheckCount = 7;
inline constexpr std::array<const char*, kSettingsCheckCount> kSettingsCheckNames
    = { "SettingsLock", "Invert", "Mirror", "Monochrome", "ToneCurve", "CroppingCB", "ResizeCB" };

inline constexpr int32_t kMinCropSide = 4;

// What a preview hands over about cropping and takes back afterwards.
struct CropState {
    bool cropping = false;
    FrameRect rect; // inclusive
    QColor border_color = Qt::red;
    bool resizing = false;
    int32_t new_height = 0;
    int32_t new_width = 0;
    bool allowed = false;
};

// The values of the processing settings window and the rules between them, so the window only
// mirrors them. A preview hands over the controls it has; the others stay disabled and are
// neither written to nor taken from a settings file's point of view.
class ProcessingSettings {
public:
    ProcessingSettings();

    // Handing over from a preview enables the control.
    void HandOverNumber(SettingsNumber field, int32_t position);
    void HandOverChoice(SettingsChoice choice, const QStringList& items, int index);
    void HandOverCheck(SettingsCheck check, bool checked);
    void HandOverCrop(const CropState& crop);

    int32_t Number(SettingsNumber field) const { return numbers_[size_t(field)]; }
    void SetNumber(SettingsNumber field, int32_t value) { numbers_[size_t(field)] = value; }
    QStringList ChoiceItems(SettingsChoice choice) const { return choices_[size_t(choice)].items; }
    // -1: nothing selected.
    int ChoiceIndex(SettingsChoice choice) const { return choices_[size_t(choice)].index; }
    void SetChoiceIndex(SettingsChoice choice, int index);
    QString ChoiceText(SettingsChoice choice) const;
    // Selects the item with exactly this text; nothing is selected when there is none.
    void SelectChoiceText(SettingsChoice choice, const QString& text);
    bool Checked(SettingsCheck check) const { return checks_[size_t(check)].checked; }
    // Cropping and resizing only switch on while the preview allows cropping.
    void SetChecked(SettingsCheck check, bool checked);

    bool IsEnabled(SettingsNumber field) const;
    bool IsEnabled(SettingsChoice choice) const { return choices_[size_t(choice)].handed_over; }
    bool IsEnabled(SettingsCheck check) const;

    // Unchecks cropping and resizing where the preview does not allow them and raises the new
    // size to the minimum side.
    void ApplyCropRules();
    // Leaving the crop width (height): down to a multiple of 4, at least 4; the new width
    // (height) then stays within it.
    void LeaveCropWidth();
    void LeaveCropHeight();

    bool CropAllowed() const { return crop_allowed_; }
    QColor CropColor() const { return crop_color_; }
    void SetCropColor(const QColor& color) { crop_color_ = color; }
    // Left = CropLeft, Top = CropTop, right and bottom inclusive.
    FrameRect CropRect() const;
    void SetCropRect(const FrameRect& rect);
    // The new size while resizing, else the crop size.
    int32_t OutputWidth() const;
    int32_t OutputHeight() const;
    // What the preview takes back.
    CropState Crop() const;

    // The connected settings file; a path without a file name part disconnects.
    QString ConnectedPath() const { return connected_path_; }
    // Connects and offers to disconnect again.
    void Connect(const QString& path);
    // Keeps only the folder of the connected path.
    void Disconnect();
    QString Caption() const { return caption_; }
    bool DisconnectEnabled() const { return disconnect_enabled_; }
    void SetDisconnectEnabled(bool enabled) { disconnect_enabled_ = enabled; }

    // The runs without a window: writes the connected file and answers false, or loads it and
    // answers whether that worked (a failure either way is shown to the user).
    bool SaveConnected() const;
    bool LoadConnected();
    // The Load and Save buttons, after their file dialogs: the chosen file becomes the connected
    // one and is read (Disconnect is offered only when that worked) or written.
    bool LoadFrom(const QString& path);
    void SaveTo(const QString& path);

private:
    struct Choice {
        QStringList items;
        int index = -1;
        bool handed_over = false;
    };
    struct Check {
        bool checked = false;
        bool handed_over = false;
    };

    std::array<int32_t, kSettingsNumberCount> numbers_ {};
    std::array<bool, kSettingsNumberCount> number_handed_over_ {};
    std::array<Choice, kSettingsChoiceCount> choices_;
    std::array<Check, kSettingsCheckCount> checks_;
    bool crop_allowed_ = false;
    QColor crop_color_ = Qt::red;
    QString connected_path_;
    QString caption_ = QStringLiteral("ProcessingSettings");
    bool disconnect_enabled_ = false;
};

// Hands over the six processing bars (positions by TrackTag: brightness, red, green and blue
// gain, gamma, sharpness) and the sharpening filter, as every preview with those controls does.
void HandOverBarsAndFilter(
    ProcessingSettings& settings, const std::array<int32_t, 6>& positions, int filter_index);

} // namespace fw
