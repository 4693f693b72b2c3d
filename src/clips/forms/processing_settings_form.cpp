#include "clips/forms/processing_settings_form.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "clips/ips_file.h"
#include "clips/processing_controls.h"

namespace fw {

namespace {

// Crop and size fields count pixels of a frame.
constexpr int kMaxPixels = 99999;

QString NameOf(SettingsNumber field)
{
    return QString::fromLatin1(kSettingsNumberNames[size_t(field)]);
}

} // namespace

TProcessingSettings::TProcessingSettings(const ProcessingSettings& settings, QWidget* parent)
    : QDialog(parent)
    , settings_(settings)
{
    setObjectName(QStringLiteral("ProcessingSettings"));
    // Created in the order the settings file lists the controls.
    QWidget* values = BuildValuesBox();
    QWidget* crop = BuildCropBox();

    auto* load_button = new QPushButton(QStringLiteral("Load Settings..."), this);
    load_button->setObjectName(QStringLiteral("LoadBtn"));
    connect(load_button, &QPushButton::clicked, this, &TProcessingSettings::LoadClicked);
    auto* save_button = new QPushButton(QStringLiteral("Save Settings..."), this);
    save_button->setObjectName(QStringLiteral("SaveBtn"));
    connect(save_button, &QPushButton::clicked, this, &TProcessingSettings::SaveClicked);
    disconnect_button_ = new QPushButton(QStringLiteral("Disconnect from File"), this);
    disconnect_button_->setObjectName(QStringLiteral("DisconnectBtn"));
    connect(disconnect_button_, &QPushButton::clicked, this, &TProcessingSettings::DisconnectClicked);
    auto* ok_button = new QPushButton(QStringLiteral("OK"), this);
    ok_button->setObjectName(QStringLiteral("OkBtn"));
    ok_button->setDefault(true);
    connect(ok_button, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel_button = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_button->setObjectName(QStringLiteral("CancelBtn"));
    connect(cancel_button, &QPushButton::clicked, this, &QDialog::reject);

    auto* file_buttons = new QHBoxLayout;
    file_buttons->addWidget(load_button);
    file_buttons->addWidget(save_button);
    file_buttons->addWidget(disconnect_button_);
    file_buttons->addStretch();
    auto* close_buttons = new QHBoxLayout;
    close_buttons->addStretch();
    close_buttons->addWidget(ok_button);
    close_buttons->addWidget(cancel_button);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(values);
    boxes->addWidget(crop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addLayout(file_buttons);
    layout->addLayout(close_buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ConnectEdits();
    Refresh();
}

bool TProcessingSettings::Run(ProcessingSettings& settings, SettingsRun run, QWidget* parent)
{
    switch (run) {
    case SettingsRun::SaveOnly:
        return settings.SaveConnected();
    case SettingsRun::LoadOnly:
        return settings.LoadConnected();
    case SettingsRun::Interactive:
        break;
    }
    TProcessingSettings dialog(settings, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.Settings();
    return true;
}

QWidget* TProcessingSettings::BuildValuesBox()
{
    auto* box = new QGroupBox(QStringLiteral("Image Processing"), this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    for (SettingsNumber field : { SettingsNumber::Brightness, SettingsNumber::Gamma,
             SettingsNumber::Sharpness, SettingsNumber::Red, SettingsNumber::Green, SettingsNumber::Blue })
        form->addRow(NameOf(field) + QLatin1Char(':'), NumberBox(field, kTrackMax));
    form->addRow(QStringLiteral("Sharpening Filter:"), ChoiceBox(SettingsChoice::Filter));
    form->addRow(QStringLiteral("Temperature of Light Source:"), ChoiceBox(SettingsChoice::ColorTemp));
    auto* layout = new QVBoxLayout(box);
    layout->addLayout(form);
    layout->addWidget(CheckBox(SettingsCheck::SettingsLock, QStringLiteral("Settings Locked")));
    layout->addWidget(CheckBox(SettingsCheck::Invert, QStringLiteral("Invert Image")));
    layout->addWidget(CheckBox(SettingsCheck::Mirror, QStringLiteral("Mirror Image")));
    layout->addWidget(CheckBox(SettingsCheck::Monochrome, QStringLiteral("Monochrome Imager")));
    layout->addWidget(CheckBox(SettingsCheck::ToneCurve, QStringLiteral("Tone Curve Applied")));
    layout->addStretch();
    return box;
}

QWidget* TProcessingSettings::BuildCropBox()
{
    auto* box = new QGroupBox(QStringLiteral("Cropping"), this);
    auto* crop_form = new QFormLayout;
    crop_form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    crop_form->addRow(QStringLiteral("Width:"), NumberBox(SettingsNumber::CropWidth, kMaxPixels));
    crop_form->addRow(QStringLiteral("Left:"), NumberBox(SettingsNumber::CropLeft, kMaxPixels));
    crop_form->addRow(QStringLiteral("Height:"), NumberBox(SettingsNumber::CropHeight, kMaxPixels));
    crop_form->addRow(QStringLiteral("Top:"), NumberBox(SettingsNumber::CropTop, kMaxPixels));
    crop_color_panel_ = new QPushButton(this);
    crop_color_panel_->setObjectName(QStringLiteral("CropColorPanel"));
    crop_color_panel_->setToolTip(QStringLiteral("Crop Border Color"));
    crop_color_panel_->setFixedSize(48, 20);
    connect(crop_color_panel_, &QPushButton::clicked, this, &TProcessingSettings::PickCropColor);
    crop_form->addRow(QStringLiteral("Border Color:"), crop_color_panel_);
    auto* size_form = new QFormLayout;
    size_form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    size_form->addRow(
        QStringLiteral("Resampled Height in Pixels:"), NumberBox(SettingsNumber::NewHeight, kMaxPixels));
    size_form->addRow(
        QStringLiteral("Resampled Width in Pixels:"), NumberBox(SettingsNumber::NewWidth, kMaxPixels));

    auto* layout = new QVBoxLayout(box);
    layout->addWidget(CheckBox(SettingsCheck::CroppingCB, QStringLiteral("Cropping Enabled")));
    layout->addLayout(crop_form);
    layout->addSpacing(8);
    layout->addWidget(CheckBox(SettingsCheck::ResizeCB, QStringLiteral("Resizing Enabled")));
    layout->addLayout(size_form);
    layout->addStretch();
    return box;
}

QSpinBox* TProcessingSettings::NumberBox(SettingsNumber field, int maximum)
{
    auto* box = new QSpinBox(this);
    box->setObjectName(NameOf(field));
    box->setRange(0, maximum);
    box->setAlignment(Qt::AlignRight);
    box->setMinimumWidth(80);
    numbers_[size_t(field)] = box;
    return box;
}

QCheckBox* TProcessingSettings::CheckBox(SettingsCheck check, const QString& caption)
{
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(QString::fromLatin1(kSettingsCheckNames[size_t(check)]));
    checks_[size_t(check)] = box;
    return box;
}

QComboBox* TProcessingSettings::ChoiceBox(SettingsChoice choice)
{
    auto* box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(kSettingsChoiceNames[size_t(choice)]));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    choices_[size_t(choice)] = box;
    return box;
}

void TProcessingSettings::ConnectEdits()
{
    for (int i = 0; i < kSettingsNumberCount; ++i) {
        const auto field = SettingsNumber(i);
        connect(numbers_[size_t(i)], &QSpinBox::valueChanged, this, [this, field](int value) {
            if (!refreshing_)
                settings_.SetNumber(field, value);
        });
    }
    connect(numbers_[size_t(SettingsNumber::CropWidth)], &QSpinBox::editingFinished, this, [this] {
        settings_.LeaveCropWidth();
        Refresh();
    });
    connect(numbers_[size_t(SettingsNumber::CropHeight)], &QSpinBox::editingFinished, this, [this] {
        settings_.LeaveCropHeight();
        Refresh();
    });
    for (SettingsNumber field : { SettingsNumber::NewHeight, SettingsNumber::NewWidth })
        connect(numbers_[size_t(field)], &QSpinBox::editingFinished, this, [this] {
            settings_.ApplyCropRules();
            Refresh();
        });
    for (int i = 0; i < kSettingsChoiceCount; ++i) {
        const auto choice = SettingsChoice(i);
        connect(choices_[size_t(i)], &QComboBox::currentIndexChanged, this, [this, choice](int index) {
            if (!refreshing_)
                settings_.SetChoiceIndex(choice, index);
        });
    }
    for (int i = 0; i < kSettingsCheckCount; ++i) {
        const auto check = SettingsCheck(i);
        connect(checks_[size_t(i)], &QCheckBox::toggled, this, [this, check](bool checked) {
            if (refreshing_)
                return;
            settings_.SetChecked(check, checked);
            Refresh();
        });
    }
}

void TProcessingSettings::Refresh()
{
    refreshing_ = true;
    setWindowTitle(settings_.Caption());
    for (int i = 0; i < kSettingsNumberCount; ++i) {
        const auto field = SettingsNumber(i);
        numbers_[size_t(i)]->setValue(settings_.Number(field));
        numbers_[size_t(i)]->setEnabled(settings_.IsEnabled(field));
    }
    for (int i = 0; i < kSettingsChoiceCount; ++i) {
        const auto choice = SettingsChoice(i);
        QComboBox* box = choices_[size_t(i)];
        box->clear();
        box->addItems(settings_.ChoiceItems(choice));
        box->setCurrentIndex(settings_.ChoiceIndex(choice));
        box->setEnabled(settings_.IsEnabled(choice));
    }
    for (int i = 0; i < kSettingsCheckCount; ++i) {
        const auto check = SettingsCheck(i);
        checks_[size_t(i)]->setChecked(settings_.Checked(check));
        checks_[size_t(i)]->setEnabled(settings_.IsEnabled(check));
    }
    ShowCropColor();
    disconnect_button_->setEnabled(settings_.DisconnectEnabled());
    refreshing_ = false;
    // A value beyond a field's range is kept as the field shows it, so what is seen is what is
    // taken back and saved.
    for (int i = 0; i < kSettingsNumberCount; ++i) {
        const auto field = SettingsNumber(i);
        if (settings_.IsEnabled(field))
            settings_.SetNumber(field, numbers_[size_t(i)]->value());
    }
}

void TProcessingSettings::ShowCropColor()
{
    crop_color_panel_->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid palette(dark); }")
            .arg(settings_.CropColor().name()));
}

void TProcessingSettings::PickCropColor()
{
    const QColor color = QColorDialog::getColor(settings_.CropColor(), this);
    if (!color.isValid())
        return;
    settings_.SetCropColor(color);
    ShowCropColor();
}

bool TProcessingSettings::LoadFile(const QString& path)
{
    const bool loaded = settings_.LoadFrom(path);
    Refresh();
    return loaded;
}

void TProcessingSettings::SaveFile(const QString& path)
{
    settings_.SaveTo(path);
    Refresh();
}

QString TProcessingSettings::FileDialogFilter()
{
    const QStringList parts = QString::fromLatin1(kIpsFileFilter).split(QLatin1Char('|'));
    return parts.value(0) + QStringLiteral(" (") + parts.value(1) + QLatin1Char(')');
}

void TProcessingSettings::LoadClicked()
{
    QFileDialog dialog(
        this, QString::fromLatin1(kLoadIpsCaption), IpsFolder(settings_.ConnectedPath()), FileDialogFilter());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    LoadFile(dialog.selectedFiles().constFirst());
}

void TProcessingSettings::SaveClicked()
{
    QFileDialog dialog(
        this, QString::fromLatin1(kSaveIpsCaption), settings_.ConnectedPath(), FileDialogFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("ips"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveFile(dialog.selectedFiles().constFirst());
}

void TProcessingSettings::DisconnectClicked()
{
    settings_.Disconnect();
    Refresh();
}

} // namespace fw
