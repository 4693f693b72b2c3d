#pragma once

#include <array>

#include <QDialog>

#include "clips/processing_settings.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace fw {

// How a preview runs the settings window.
enum class SettingsRun {
    Interactive, // shown modally; true when accepted
    SaveOnly, // writes the connected file; false
    LoadOnly, // reads the connected file without showing; true when it loaded
};

// The processing settings a preview hands over, shown as numbers, choices and checks, with the
// crop and resize fields and loading and saving of settings files. Every edit goes straight into
// a copy of the values, which the preview takes back when the window is accepted.
class TProcessingSettings : public QDialog {
    Q_OBJECT
public:
    explicit TProcessingSettings(const ProcessingSettings& settings, QWidget* parent = nullptr);

    // Runs the window over the preview's values; they are replaced only when accepted, or, for
    // LoadOnly, by what was read.
    static bool Run(ProcessingSettings& settings, SettingsRun run, QWidget* parent = nullptr);

    const ProcessingSettings& Settings() const { return settings_; }

    // What the Load and Save buttons do once their file dialogs have answered.
    bool LoadFile(const QString& path);
    void SaveFile(const QString& path);

    // The file dialogs' filter in the form Qt's file dialogs take.
    static QString FileDialogFilter();

private:
    QWidget* BuildValuesBox();
    QWidget* BuildCropBox();
    QSpinBox* NumberBox(SettingsNumber field, int maximum);
    QCheckBox* CheckBox(SettingsCheck check, const QString& caption);
    QComboBox* ChoiceBox(SettingsChoice choice);
    void ConnectEdits();
    // Shows the values and the enabled states of the settings.
    void Refresh();
    void ShowCropColor();
    void PickCropColor();
    void LoadClicked();
    void SaveClicked();
    void DisconnectClicked();

    ProcessingSettings settings_;
    std::array<QSpinBox*, kSettingsNumberCount> numbers_ {};
    std::array<QComboBox*, kSettingsChoiceCount> choices_ {};
    std::array<QCheckBox*, kSettingsCheckCount> checks_ {};
    QPushButton* crop_color_panel_ = nullptr;
    QPushButton* disconnect_button_ = nullptr;
    bool refreshing_ = false;
};

} // namespace fw
