#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "clips/forms/processing_settings_form.h"
#include "clips/ips_file.h"
#include "clips/processing_controls.h"
#include "support/user_prompt.h"

using namespace fw;

class ProcessingSettingsFormTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void handedOverValuesShowAndEditsComeBack();
    void interactiveRunTakesValuesBackOnlyWhenAccepted();
    void cropFieldsFollowTheCropRules();
    void settingsFilesSaveLoadAndDisconnect();

private:
    static ProcessingSettings previewSettings();

    QTemporaryDir dir_;
    ScriptedPrompt prompt_;
};

void ProcessingSettingsFormTest::init()
{
    QVERIFY(dir_.isValid());
    prompt_.clear();
    installPrompt(&prompt_);
}

void ProcessingSettingsFormTest::cleanup()
{
    installPrompt(nullptr);
}

// What a colour preview hands over: no sharpness bar, no invert or mirror box.
ProcessingSettings ProcessingSettingsFormTest::previewSettings()
{
    ProcessingSettings settings;
    settings.HandOverNumber(SettingsNumber::Brightness, 250);
    settings.HandOverNumber(SettingsNumber::Gamma, 310);
    settings.HandOverNumber(SettingsNumber::Red, 123);
    settings.HandOverNumber(SettingsNumber::Green, 250);
    settings.HandOverNumber(SettingsNumber::Blue, 377);
    settings.HandOverChoice(SettingsChoice::Filter, settings.ChoiceItems(SettingsChoice::Filter), 2);
    settings.HandOverChoice(SettingsChoice::ColorTemp, settings.ChoiceItems(SettingsChoice::ColorTemp), 1);
    settings.HandOverCheck(SettingsCheck::Monochrome, false);
    settings.HandOverCheck(SettingsCheck::ToneCurve, true);
    settings.HandOverCheck(SettingsCheck::SettingsLock, false);
    return settings;
}

void ProcessingSettingsFormTest::handedOverValuesShowAndEditsComeBack()
{
    TProcessingSettings dialog(previewSettings());
    QCOMPARE(dialog.windowTitle(), QString("ProcessingSettings"));

    auto* brightness = dialog.findChild<QSpinBox*>("Brightness");
    auto* red = dialog.findChild<QSpinBox*>("Red");
    auto* sharpness = dialog.findChild<QSpinBox*>("Sharpness");
    auto* filter = dialog.findChild<QComboBox*>("Filter");
    auto* temperature = dialog.findChild<QComboBox*>("ColorTemp");
    auto* tone_curve = dialog.findChild<QCheckBox*>("ToneCurve");
    auto* invert = dialog.findChild<QCheckBox*>("Invert");
    QVERIFY(brightness && red && sharpness && filter && temperature && tone_curve && invert);
    QCOMPARE(brightness->value(), 250);
    QCOMPARE(red->value(), 123);
    QVERIFY(brightness->isEnabled());
    QVERIFY(!sharpness->isEnabled());
    QVERIFY(!invert->isEnabled());
    QVERIFY(!dialog.findChild<QCheckBox*>("Mirror")->isEnabled());
    QCOMPARE(filter->count(), 4);
    QCOMPARE(filter->currentText(), QString("Clip"));
    QCOMPARE(temperature->currentText(), QString("Daylight"));
    QVERIFY(tone_curve->isChecked());
    QVERIFY(tone_curve->isEnabled());

    brightness->setValue(400);
    filter->setCurrentIndex(3);
    temperature->setCurrentIndex(0);
    tone_curve->click();
    const ProcessingSettings& shown = dialog.Settings();
    QCOMPARE(shown.Number(SettingsNumber::Brightness), 400);
    QCOMPARE(shown.Number(SettingsNumber::Red), 123);
    QCOMPARE(shown.ChoiceText(SettingsChoice::Filter), QString("Linear"));
    QCOMPARE(shown.ChoiceText(SettingsChoice::ColorTemp), QString("None"));
    QVERIFY(!shown.Checked(SettingsCheck::ToneCurve));

    // A position beyond the bars is shown at the end of the bar and taken back as shown.
    ProcessingSettings beyond = previewSettings();
    beyond.SetNumber(SettingsNumber::Green, 900);
    beyond.SetChoiceIndex(SettingsChoice::Filter, -1);
    TProcessingSettings clamped(beyond);
    QCOMPARE(clamped.findChild<QSpinBox*>("Green")->value(), kTrackMax);
    QCOMPARE(clamped.Settings().Number(SettingsNumber::Green), kTrackMax);
    QCOMPARE(clamped.findChild<QComboBox*>("Filter")->currentIndex(), -1);
    QCOMPARE(clamped.Settings().ChoiceIndex(SettingsChoice::Filter), -1);
}

void ProcessingSettingsFormTest::interactiveRunTakesValuesBackOnlyWhenAccepted()
{
    for (const char* button : { "CancelBtn", "OkBtn" }) {
        ProcessingSettings settings = previewSettings();
        QTimer::singleShot(0, this, [button] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            dialog->findChild<QSpinBox*>("Gamma")->setValue(42);
            dialog->findChild<QPushButton*>(button)->click();
        });
        const bool accepted = TProcessingSettings::Run(settings, SettingsRun::Interactive);
        QCOMPARE(accepted, QByteArray(button) == "OkBtn");
        QCOMPARE(settings.Number(SettingsNumber::Gamma), accepted ? 42 : 310);
    }

    // Without a window: save-only answers false, load-only whether the file loaded.
    ProcessingSettings settings = previewSettings();
    settings.Connect(dir_.filePath("run.ips"));
    QVERIFY(!TProcessingSettings::Run(settings, SettingsRun::SaveOnly));
    QVERIFY(QFile::exists(dir_.filePath("run.ips")));
    settings.SetNumber(SettingsNumber::Blue, 1);
    QVERIFY(TProcessingSettings::Run(settings, SettingsRun::LoadOnly));
    QCOMPARE(settings.Number(SettingsNumber::Blue), 377);
    QVERIFY(prompt_.texts().isEmpty());
}

void ProcessingSettingsFormTest::cropFieldsFollowTheCropRules()
{
    const QStringList crop_fields = { "CropWidth", "CropLeft", "CropHeight", "CropTop" };
    ProcessingSettings refused = previewSettings();
    CropState crop;
    crop.cropping = true;
    crop.resizing = true;
    crop.rect = { 8, 4, 327, 243 };
    crop.allowed = false;
    refused.HandOverCrop(crop);
    TProcessingSettings locked(refused);
    for (const char* name : { "CroppingCB", "ResizeCB" }) {
        QVERIFY(!locked.findChild<QCheckBox*>(name)->isEnabled());
        QVERIFY(!locked.findChild<QCheckBox*>(name)->isChecked());
    }
    for (const QString& name : crop_fields)
        QVERIFY(!locked.findChild<QSpinBox*>(name)->isEnabled());

    ProcessingSettings allowed = previewSettings();
    crop.cropping = false;
    crop.resizing = false;
    crop.allowed = true;
    allowed.HandOverCrop(crop);
    TProcessingSettings dialog(allowed);
    auto* cropping = dialog.findChild<QCheckBox*>("CroppingCB");
    auto* resize = dialog.findChild<QCheckBox*>("ResizeCB");
    auto* width = dialog.findChild<QSpinBox*>("CropWidth");
    auto* new_width = dialog.findChild<QSpinBox*>("NewWidth");
    QVERIFY(cropping->isEnabled() && resize->isEnabled());
    QCOMPARE(width->value(), 320);
    QCOMPARE(dialog.findChild<QSpinBox*>("CropLeft")->value(), 8);
    QCOMPARE(new_width->value(), 4);
    QVERIFY(!width->isEnabled());
    QVERIFY(!new_width->isEnabled());

    cropping->click();
    for (const QString& name : crop_fields)
        QVERIFY(dialog.findChild<QSpinBox*>(name)->isEnabled());
    QVERIFY(!new_width->isEnabled());
    resize->click();
    QVERIFY(new_width->isEnabled());

    new_width->setValue(600);
    width->setValue(30);
    emit width->editingFinished();
    QCOMPARE(width->value(), 28);
    QCOMPARE(new_width->value(), 28);
    width->setValue(2);
    emit width->editingFinished();
    QCOMPARE(width->value(), 4);

    auto* height = dialog.findChild<QSpinBox*>("CropHeight");
    auto* new_height = dialog.findChild<QSpinBox*>("NewHeight");
    new_height->setValue(1);
    emit new_height->editingFinished();
    QCOMPARE(new_height->value(), 4);
    height->setValue(101);
    emit height->editingFinished();
    QCOMPARE(height->value(), 100);

    const CropState back = dialog.Settings().Crop();
    QVERIFY(back.cropping && back.resizing);
    QCOMPARE(back.rect.left, 8);
    QCOMPARE(back.rect.right, 8 + 4 - 1);
    QCOMPARE(back.rect.bottom, 4 + 100 - 1);
    QCOMPARE(back.new_width, 4);
    QCOMPARE(back.new_height, 4);

    cropping->click();
    QVERIFY(!width->isEnabled());
    QVERIFY(!dialog.Settings().Crop().cropping);
}

void ProcessingSettingsFormTest::settingsFilesSaveLoadAndDisconnect()
{
    QCOMPARE(TProcessingSettings::FileDialogFilter(), QString("IPS  -  Image Process Settings (*.ips)"));
    TProcessingSettings dialog(previewSettings());
    auto* disconnect = dialog.findChild<QPushButton*>("DisconnectBtn");
    auto* brightness = dialog.findChild<QSpinBox*>("Brightness");
    auto* temperature = dialog.findChild<QComboBox*>("ColorTemp");
    auto* tone_curve = dialog.findChild<QCheckBox*>("ToneCurve");
    QVERIFY(!disconnect->isEnabled());

    const QString path = dir_.filePath("sub/one.ips");
    brightness->setValue(321);
    dialog.SaveFile(path);
    QVERIFY(QFile::exists(path));
    QCOMPARE(dialog.windowTitle(), QString("Image Process Settings file one.ips"));
    QVERIFY(disconnect->isEnabled());

    brightness->setValue(10);
    temperature->setCurrentIndex(3);
    tone_curve->click();
    QVERIFY(dialog.LoadFile(path));
    QCOMPARE(brightness->value(), 321);
    QCOMPARE(temperature->currentText(), QString("Daylight"));
    QVERIFY(tone_curve->isChecked());
    QCOMPARE(dialog.Settings().Number(SettingsNumber::Brightness), 321);

    disconnect->click();
    QCOMPARE(dialog.windowTitle(), QString("Image Process Settings"));
    QVERIFY(!disconnect->isEnabled());
    QCOMPARE(dialog.Settings().ConnectedPath(), IpsFolder(path));

    // A file with a value that does not convert: the message, the values read before it kept,
    // and no offer to disconnect.
    const QString broken = dir_.filePath("broken.ips");
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Scaling]\r\nTrackMax=100\r\n[TrackBars]\r\nBrightness=20\r\nGamma=x\r\n");
    file.close();
    QVERIFY(!dialog.LoadFile(broken));
    QCOMPARE(prompt_.texts().size(), 1);
    QVERIFY(prompt_.texts().constFirst().startsWith("Settings File "));
    QVERIFY(prompt_.texts().constFirst().endsWith(" could not be loaded."));
    QCOMPARE(brightness->value(), 100);
    QVERIFY(!disconnect->isEnabled());
    QCOMPARE(dialog.windowTitle(), QString("Image Process Settings file broken.ips"));
}

QTEST_MAIN(ProcessingSettingsFormTest)
#include "processing_settings_form_test.moc"
