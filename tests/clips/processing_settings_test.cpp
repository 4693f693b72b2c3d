#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "clips/ips_file.h"
#include "clips/processing_settings.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

using namespace fw;

namespace {

CropState AllowedCrop()
{
    CropState crop;
    crop.allowed = true;
    crop.cropping = true;
    crop.rect = { 8, 4, 327, 243 };
    crop.resizing = true;
    crop.new_width = 160;
    crop.new_height = 120;
    return crop;
}

// Settings as a colour preview hands them over, every control present.
ProcessingSettings FullSettings()
{
    ProcessingSettings settings;
    const int32_t positions[] = { 250, 300, 0, 260, 240, 500 };
    for (int i = 0; i < 6; ++i)
        settings.HandOverNumber(SettingsNumber(i), positions[i]);
    settings.HandOverChoice(SettingsChoice::Filter, settings.ChoiceItems(SettingsChoice::Filter), 1);
    settings.HandOverChoice(SettingsChoice::ColorTemp, settings.ChoiceItems(SettingsChoice::ColorTemp), 3);
    for (int i = 0; i < 5; ++i)
        settings.HandOverCheck(SettingsCheck(i), i % 2 == 1);
    settings.HandOverCrop(AllowedCrop());
    return settings;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString LoadError(const QString& path, ProcessingSettings& settings)
{
    try {
        LoadIpsFile(path, settings);
    } catch (const Error& error) {
        return error.message();
    }
    return {};
}

} // namespace

TEST(SettingsCrop, SidesRoundDownToFourAndTheNewSizeFollows)
{
    ProcessingSettings settings;
    settings.HandOverCrop(AllowedCrop());
    EXPECT_EQ(settings.Number(SettingsNumber::CropWidth), 320);
    EXPECT_EQ(settings.CropRect().bottom, 243);
    EXPECT_EQ(settings.OutputWidth(), 160);
    const int32_t widths[][3] = { { -7, 1, 4 }, { 30, 160, 28 }, { 2, 160, 4 }, { 320, 600, 320 } };
    for (const auto& [width, new_width, expected] : widths) {
        settings.SetNumber(SettingsNumber::CropWidth, width);
        settings.SetNumber(SettingsNumber::NewWidth, new_width);
        settings.LeaveCropWidth();
        EXPECT_EQ(settings.Number(SettingsNumber::CropWidth), expected) << width;
        EXPECT_EQ(settings.Number(SettingsNumber::NewWidth), std::min(std::max(new_width, 4), expected))
            << width;
    }
    settings.SetChecked(SettingsCheck::ResizeCB, false);
    EXPECT_EQ(settings.OutputWidth(), 320);
    EXPECT_FALSE(settings.IsEnabled(SettingsNumber::NewWidth));
    settings.SetNumber(SettingsNumber::CropLeft, INT32_MAX);
    EXPECT_EQ(settings.CropRect().right, INT32_MAX);

    // Without the preview's permission neither switch stays on.
    CropState refused = AllowedCrop();
    refused.allowed = false;
    settings.HandOverCrop(refused);
    settings.SetChecked(SettingsCheck::CroppingCB, true);
    EXPECT_FALSE(settings.Checked(SettingsCheck::CroppingCB) || settings.Checked(SettingsCheck::ResizeCB));
    EXPECT_FALSE(settings.IsEnabled(SettingsNumber::CropLeft) || settings.IsEnabled(SettingsCheck::ResizeCB));
}

TEST(SettingsConnection, CaptionAndDisconnect)
{
    ProcessingSettings settings;
    EXPECT_EQ(settings.Caption(), "ProcessingSettings");
    settings.Connect("/data/runs/hot.ips");
    EXPECT_EQ(settings.Caption(), "Image Process Settings file hot.ips");
    EXPECT_TRUE(settings.DisconnectEnabled());
    settings.Disconnect();
    EXPECT_EQ(settings.Caption(), "Image Process Settings");
    EXPECT_EQ(settings.ConnectedPath(), "/data/runs/");
    EXPECT_FALSE(settings.DisconnectEnabled());
}

class IpsFile : public ::testing::Test {
protected:
    void TearDown() override { installPrompt(nullptr); }
};

TEST_F(IpsFile, WritesOnlyEnabledControls)
{
    ProcessingSettings settings;
    settings.HandOverNumber(SettingsNumber::Brightness, 275);
    settings.HandOverNumber(SettingsNumber::Sharpness, 0);
    settings.HandOverChoice(SettingsChoice::Filter, settings.ChoiceItems(SettingsChoice::Filter), 2);
    settings.HandOverCheck(SettingsCheck::Mirror, true);
    EXPECT_EQ(IpsFileText(settings),
        QByteArray("[Scaling]\r\nTrackMax=500\r\n\r\n[TrackBars]\r\nBrightness=275\r\nSharpness=0\r\n\r\n"
                   "[ComboBoxes]\r\nFilter=Clip\r\n\r\n[CheckBoxes]\r\nMirror=1\r\n"));
}

TEST_F(IpsFile, RoundTripsEveryEnabledValue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("nested/deeper/run.ips");
    const ProcessingSettings written = FullSettings();
    ASSERT_TRUE(SaveIpsFile(path, written));
    ProcessingSettings read;
    read.HandOverCrop(AllowedCrop());
    LoadIpsFile(path, read);
    for (int i = 0; i < kSettingsNumberCount; ++i)
        EXPECT_EQ(read.Number(SettingsNumber(i)), written.Number(SettingsNumber(i)))
            << kSettingsNumberNames[size_t(i)];
    EXPECT_EQ(read.ChoiceText(SettingsChoice::Filter), "Core");
    EXPECT_EQ(read.ChoiceText(SettingsChoice::ColorTemp), "Flourescent");
    for (int i = 0; i < kSettingsCheckCount; ++i)
        EXPECT_EQ(read.Checked(SettingsCheck(i)), written.Checked(SettingsCheck(i)))
            << kSettingsCheckNames[size_t(i)];

    // A path without a file name writes nothing; a folder that cannot be made fails.
    EXPECT_FALSE(SaveIpsFile(dir.filePath("empty/"), written));
    EXPECT_FALSE(QDir(dir.filePath("empty")).exists());
    EXPECT_FALSE(SaveIpsFile(path + "/below.ips", written));
    EXPECT_EQ(LoadError(path, read), QString());
}

TEST_F(IpsFile, AFileThatCannotBeWrittenIsReportedWithItsReason)
{
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    installPrompt(&prompt);
    // A folder where the file should go stops the superuser too.
    const QString path = dir.filePath("taken.ips");
    ASSERT_TRUE(QDir().mkpath(path));
    QString reason;
    EXPECT_FALSE(SaveIpsFile(path, FullSettings(), &reason));
    EXPECT_FALSE(reason.isEmpty());
    FullSettings().SaveTo(path);
    // Nothing to write is no failure.
    FullSettings().SaveTo(dir.filePath("folder/"));
    installPrompt(nullptr);
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_EQ(prompt.texts()[0], "Settings File " + path + " could not be saved.\r" + reason);
}

TEST_F(IpsFile, ScalesBarsAndTakesTextsAsWritten)
{
    ProcessingSettings settings = FullSettings();
    ASSERT_TRUE(
        ReadIpsText("[Scaling]\nTrackMax=100\n[TrackBars]\nBrightness=50\nCropWidth=$40\n", settings));
    EXPECT_EQ(settings.Number(SettingsNumber::Brightness), 250);
    EXPECT_EQ(settings.Number(SettingsNumber::CropWidth), 320);
    // Names ignore case, values are trimmed and unquoted, halves round to even, combo texts
    // must match exactly.
    ASSERT_TRUE(ReadIpsText("[trackbars]\n Gamma = 3 \nRed=\"1\"\n[Scaling]\nTrackMax=1000\n[ComboBoxes]\n"
                            "Filter=Linear\nColorTemp=daylight\n[CheckBoxes]\nInvert=-3\nMirror=0\n",
        settings));
    EXPECT_EQ(settings.Number(SettingsNumber::Gamma), 2);
    EXPECT_EQ(settings.Number(SettingsNumber::Red), 0);
    EXPECT_EQ(settings.ChoiceText(SettingsChoice::Filter), "Linear");
    EXPECT_EQ(settings.ChoiceIndex(SettingsChoice::ColorTemp), -1);
    EXPECT_TRUE(settings.Checked(SettingsCheck::Invert));
    EXPECT_FALSE(settings.Checked(SettingsCheck::Mirror));

    ProcessingSettings no_crop;
    ASSERT_TRUE(ReadIpsText("[CheckBoxes]\nCroppingCB=1\nResizeCB=1\n", no_crop));
    EXPECT_FALSE(no_crop.Checked(SettingsCheck::CroppingCB) || no_crop.Checked(SettingsCheck::ResizeCB));
}

TEST_F(IpsFile, HostileFilesFailCleanlyAndKeepWhatWasRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.ips");
    const QString message = "Settings File " + path + " could not be loaded.";
    const QByteArray failing[] = { "[TrackBars]\nBrightness=10\nGamma=abc\n",
        "[TrackBars]\nBrightness=10\nGamma=99999999999999999999\n",
        "[Scaling]\nTrackMax=1\n[TrackBars]\nGamma=2147483647\n", "[Scaling]\nTrackMax=0\n",
        "[Scaling]\nTrackMax=-100\n", "[TrackBars]\nBrightness=10\n[CheckBoxes]\nInvert=yes\n",
        "[TrackBars]\nBrightness=10\nGamma=--4\n", "[TrackBars]\nBrightness=10\nGamma=$\n" };
    for (const QByteArray& text : failing) {
        WriteFile(path, text);
        ProcessingSettings settings;
        settings.SetNumber(SettingsNumber::Gamma, 77);
        EXPECT_EQ(LoadError(path, settings), message) << text.toStdString();
        if (text.contains("Brightness")) {
            EXPECT_EQ(settings.Number(SettingsNumber::Brightness), 50) << text.toStdString();
        }
        EXPECT_EQ(settings.Number(SettingsNumber::Gamma), 77);
    }

    ProcessingSettings settings;
    WriteFile(path, QByteArray(kMaxIpsFileBytes + 1, '\n'));
    EXPECT_EQ(LoadError(path, settings), message);

    // Garbage and files without the sections load and change nothing.
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 7919) % 251);
    for (const QByteArray& text :
        { garbage, QByteArray("[TrackBars"), QByteArray("Brightness=3\n[]\n=\n[x]y=z") }) {
        WriteFile(path, text);
        ProcessingSettings untouched = FullSettings();
        EXPECT_EQ(LoadError(path, untouched), QString());
        EXPECT_EQ(untouched.Number(SettingsNumber::Brightness), 250);
    }
}

TEST_F(IpsFile, WindowlessRunsAndButtonsUseTheConnectedFile)
{
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    installPrompt(&prompt);
    FullSettings().SaveTo(dir.filePath("a/b.ips"));
    ProcessingSettings loaded;
    EXPECT_TRUE(loaded.LoadFrom(dir.filePath("a/b.ips")));
    EXPECT_EQ(loaded.Number(SettingsNumber::Gamma), 300);
    // A failed load keeps the path but offers no disconnect.
    EXPECT_FALSE(loaded.LoadFrom(dir.filePath("a/none.ips")));
    EXPECT_EQ(loaded.ConnectedPath(), dir.filePath("a/none.ips"));
    EXPECT_FALSE(loaded.DisconnectEnabled());
    installPrompt(nullptr);
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_EQ(prompt.texts()[0], "Settings File " + dir.filePath("a/none.ips") + " could not be loaded.");
}
