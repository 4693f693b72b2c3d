#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

#include "e2e/imager_sim_probe.h"
#include "imagers/attacher.h"
#include "imagers/forms/attach_form.h"
#include "imagers/forms/hg_form.h"
#include "imagers/forms/hg_form_controls.h"
#include "imagers/forms/hg_form_datetime.h"
#include "imagers/forms/hg_form_download.h"
#include "imagers/forms/hg_form_identification.h"
#include "imagers/forms/hg_form_recording.h"
#include "imagers/forms/hg_form_snapshot.h"
#include "imagers/forms/hg_form_video.h"
#include "imagers/forms/imager_attach.h"
#include "imagers/forms/ro_browser_form.h"
#include "imagers/hg/hg_protocol.h"
#include "imagers/hg/ro_tcpip.h"
#include "imagers/imager_links.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;

namespace {

constexpr char kImagerAddress[] = "127.0.0.31";
// The comm layer polls the state every two seconds when idle; a few polls may be waited for.
constexpr int kStatePollWait_ms = 10000;

enum Page { kControls, kRecording, kDownload, kIdentification, kDateTime, kVideo };

} // namespace

// The setup window over a UDP link to a simulated HG 2000 with a recording of frames -5 .. 14.
class HGFormTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void opensOnTheRecordingPageWithTheImagersState();
    void recordingPageWritesEachSettingAndShowsWhatTheImagerKept();
    void controlsPageDrivesTheImagerAndTheRearPanel();
    void downloadPageKeepsPathSavingAndRangeAndCopiesToTheCard();
    void identificationPageRenumbersTheImagerAndReportsTheChange();
    void dateTimePageSetsTheImagersClockAndTheIrigTime();
    void videoPageSnapshotsThroughTheColourBalanceAndSetsTheWhitePatch();
    void closingWhileCopyingToTheCardAsksFirst();
    void attachWindowSetupOpensTheWindowAndKeepsWhatItChanged();

private:
    template <typename T> T* Find(const char* name) const
    {
        T* found = form_->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    template <typename T> T* Page() const { return form_->findChild<T*>(); }
    void Open(int page);
    int32_t Register(int command) { return link_->ReadRegister(command); }
    QString StatePanel() const { return Find<QLabel>("StatePanel")->text(); }
    // Chooses an item as the user would: the current index and the "activated" signal.
    static void Choose(QComboBox* list, int index)
    {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    std::unique_ptr<e2e::SimProcess> sim_;
    ScriptedPrompt prompt_;
    std::unique_ptr<TROTCPIP> link_;
    std::unique_ptr<THGForm> form_;
    TAttacher entry_;
};

void HGFormTest::init()
{
    sim_ = std::make_unique<e2e::SimProcess>();
    QVERIFY(sim_->start({ "--udp", QStringLiteral("%1:4:1").arg(kImagerAddress), "--first", "-5", "--frames",
        "20", "--rate", "1000" }));
    qputenv("FRAMEWRIGHT_IMAGER_PORT", QByteArray::number(sim_->port()));
    prompt_.clear();
    installPrompt(&prompt_);
    link_ = std::make_unique<TROTCPIP>(
        1, QString::fromLatin1(kImagerAddress), QStringLiteral("127.255.255.255"));
    QVERIFY(link_->Identify(false));
    entry_ = TAttacher {};
    entry_.name = "HG #1";
    entry_.identifier = 1;
    form_ = std::make_unique<THGForm>(*link_);
    form_->SetEntry(&entry_);
}

void HGFormTest::cleanup()
{
    form_.reset();
    link_.reset();
    installPrompt(nullptr);
    sim_.reset();
}

void HGFormTest::Open(int page)
{
    form_->Begin();
    form_->show();
    Find<QTabWidget>("PageControl")->setCurrentIndex(page);
}

void HGFormTest::opensOnTheRecordingPageWithTheImagersState()
{
    Open(kRecording);
    QCOMPARE(form_->windowTitle(), QString("Imager Control and Setup"));
    auto* pages = Find<QTabWidget>("PageControl");
    QCOMPARE(pages->currentIndex(), int(kRecording));
    QCOMPARE(pages->count(), 6);
    QCOMPARE(StatePanel(), QString("Recording Done"));
    QCOMPARE(Find<QLabel>("TemperaturePanel")->text(), QString("30") + QChar(0xBA) + " C");
    QCOMPARE(Find<QLineEdit>("LengthEdit")->text(), QString("20"));
    QCOMPARE(Find<QSpinBox>("SessionEdit")->value(), 1);
    QCOMPARE(Find<QComboBox>("RateCB")->currentText(), QString("1000 fps"));
    QCOMPARE(Find<QSlider>("NormalTrack")->maximum(), 983);
    QCOMPARE(Find<QLabel>("NormalLabel")->text(), QString("100"));
    QCOMPARE(Find<QSpinBox>("PostFramesEdit")->value(), 15);
    QCOMPARE(Find<QComboBox>("DelayCB")->count(), 101);
    QCOMPARE(Find<QComboBox>("FirstFrameCB")->itemText(0), QString("-5"));
    QCOMPARE(form_->End(), 0);
}

void HGFormTest::recordingPageWritesEachSettingAndShowsWhatTheImagerKept()
{
    Open(kRecording);
    auto* session = Find<QSpinBox>("SessionEdit");
    session->setValue(300);
    Page<THGRecordingPage>()->SessionExit();
    QCOMPARE(Register(hgcmd::kSessionId), 255);
    QCOMPARE(session->value(), 255);

    Choose(Find<QComboBox>("DelayCB"), 3);
    QCOMPARE(Register(hgcmd::kRecordDelay), 3);

    // A new rate clears the recording first (the question is answered OK).
    Choose(Find<QComboBox>("RateCB"), 7);
    QCOMPARE(prompt_.texts(), QStringList({ "Images Present in Memory.\nClear All Recorded Images?" }));
    QCOMPARE(Register(hgcmd::kFrameRate), 7);
    auto* normal = Find<QSlider>("NormalTrack");
    QCOMPARE(normal->maximum(), 483);
    QTRY_COMPARE(StatePanel(), QString("Standby"));

    normal->setValue(10);
    QCOMPARE(normal->value(), 23);
    Page<THGRecordingPage>()->NormalTrackExit();
    QCOMPARE(Register(hgcmd::kNormalExposure), 23);
    normal->setValue(1);
    QCOMPARE(Find<QLabel>("NormalLabel")->text(), QString("External"));
    Page<THGRecordingPage>()->NormalTrackExit();
    QCOMPARE(Register(hgcmd::kNormalExposure), 1);
    normal->setValue(300);
    Page<THGRecordingPage>()->NormalTrackExit();

    auto* low = Find<QSlider>("LowLightTrack");
    QCOMPARE(low->minimum(), 23);
    low->setValue(5000);
    Page<THGRecordingPage>()->LowLightTrackExit();
    QCOMPARE(Register(hgcmd::kLowLightExposure), 5000);

    auto* pre = Find<QSpinBox>("PreFramesEdit");
    pre->setValue(30);
    Page<THGRecordingPage>()->PreFramesExit();
    QCOMPARE(Register(hgcmd::kPreTrigFrames), 30);
    QCOMPARE(Find<QSpinBox>("PostFramesEdit")->value(), Register(hgcmd::kPostTrigFrames));

    // Split frames: the larger trigger count is shown 8/3 times, as the imager now holds it.
    Find<QCheckBox>("SplitCheck")->click();
    QCOMPARE(Register(hgcmd::kSplits), 1);
    QVERIFY(link_->SplitFrames());
    QCOMPARE(pre->value(), 80);
    QCOMPARE(Register(hgcmd::kPreTrigFrames), 80);

    prompt_.clear();
    prompt_.queueAnswer(PromptButton::No);
    Find<QCheckBox>("FrameSyncCheck")->click();
    QCOMPARE(prompt_.texts(), QStringList({ "Imager will not Record without Sync Signal.  Proceed?" }));
    QVERIFY(!Find<QCheckBox>("FrameSyncCheck")->isChecked());
    QCOMPARE(Register(hgcmd::kFrameSync), 0);
    Find<QCheckBox>("FrameSyncCheck")->click();
    QCOMPARE(Register(hgcmd::kFrameSync), 1);
    Find<QCheckBox>("FrameSyncCheck")->click();
    QCOMPARE(Register(hgcmd::kFrameSync), 0);

    // Auto exposure: 2000 fps leaves too little time for target 128; target 100 fits.
    prompt_.clear();
    Find<QSpinBox>("TargetEdit")->setValue(128);
    Find<QPushButton>("AutoExposureBtn")->click();
    QCOMPARE(prompt_.texts(),
        QStringList({ "Auto Exposure Failed - Probably not enough Light.\r"
                      "Open Aperture or Reduce Target Brightness and Try Again" }));
    Find<QSpinBox>("TargetEdit")->setValue(100);
    Find<QPushButton>("AutoExposureBtn")->click();
    QCOMPARE(normal->value(), 400);
}

void HGFormTest::controlsPageDrivesTheImagerAndTheRearPanel()
{
    Open(kControls);
    Find<QPushButton>("LiveNorBtn")->click();
    QCOMPARE(prompt_.texts(), QStringList({ "Images Present in Memory.\nClear All Recorded Images?" }));
    QTRY_COMPARE(StatePanel(), QString("Live - Normal"));
    QVERIFY(Find<QPushButton>("LiveNorBtn")->isChecked());
    QVERIFY(!Find<QPushButton>("RecordBtn")->isEnabled());

    Find<QPushButton>("ReadyBtn")->click();
    QTRY_COMPARE(StatePanel(), QString("Ready to Record"));
    QVERIFY(Find<QPushButton>("RecordBtn")->isEnabled());
    Find<QPushButton>("RecordBtn")->click();
    // The recording's frames reach the lists once it is done: -pre .. post - 1.
    QTRY_COMPARE_WITH_TIMEOUT(StatePanel(), QString("Recording Done"), kStatePollWait_ms);
    QTRY_COMPARE(Find<QComboBox>("FrameNumCB")->count(), 20);

    Find<QPushButton>("PlayFwdBtn")->click();
    QTRY_COMPARE(StatePanel(), QString("Playing"));
    QVERIFY(Find<QPushButton>("PlayFwdBtn")->isChecked());
    Find<QPushButton>("FasterBtn")->click();
    QCOMPARE(Find<QComboBox>("PlayRateCB")->currentIndex(), 6);
    Choose(Find<QComboBox>("PlayRateCB"), 4);
    QCOMPARE(Register(hgcmd::kPlayRate), 4);
    Choose(Find<QComboBox>("FrameNumCB"), 7);
    QCOMPARE(Register(hgcmd::kGoToFrame), 2);
    QTRY_COMPARE(StatePanel(), QString("Recording Done"));

    auto* mode = Find<QComboBox>("OneButtonCB");
    QVERIFY(!Find<QCheckBox>("PanelAutoExpCheck")->isEnabled());
    Choose(mode, 2);
    QCOMPARE(Register(hgcmd::kAutoAcq), 256);
    QCOMPARE(Register(hgcmd::kAutoSave), 1);
    QVERIFY(Find<QCheckBox>("PanelAutoExpCheck")->isEnabled());
    Find<QCheckBox>("PanelAutoExpCheck")->click();
    QCOMPARE(Register(hgcmd::kAutoAcq), 257);
    Find<QCheckBox>("PanelDisabledCheck")->click();
    QCOMPARE(Register(hgcmd::kDisableBtns), 1);

    Find<QPushButton>("StopBtn")->click();
    QTRY_VERIFY(Find<QPushButton>("StopBtn")->isChecked());
}

void HGFormTest::downloadPageKeepsPathSavingAndRangeAndCopiesToTheCard()
{
    Open(kDownload);
    auto* path = Find<QLineEdit>("PathEdit");
    QCOMPARE(path->text(), QString("\\"));
    path->setText("SESS1");
    Page<THGDownloadPage>()->PathExit();
    QCOMPARE(link_->ReadStringRegister(hgcmd::kCardPath), QString("\\SESS1\\"));
    QCOMPARE(path->text(), QString("SESS1"));

    auto* saving = Find<QComboBox>("AutoSaveCB");
    QCOMPARE(saving->currentText(), QString("disabled"));
    Choose(saving, 1);
    QCOMPARE(Register(hgcmd::kDownloadStart), 1);
    QCOMPARE(Register(hgcmd::kAutoSave), 1);
    Choose(saving, 3);
    QCOMPARE(Register(hgcmd::kAutoSave), 0);

    auto* first = Find<QComboBox>("FirstFrameCB");
    auto* last = Find<QComboBox>("LastFrameCB");
    Choose(last, 5);
    Choose(first, 2);
    QCOMPARE(Register(hgcmd::kDLFrRange), 0x00020005);
    Choose(first, 7);
    QCOMPARE(last->currentIndex(), 7);
    QCOMPARE(Register(hgcmd::kDLFrRange), 0x00070007);

    Find<QPushButton>("DownloadBtn")->click();
    QCOMPARE(StatePanel(), QString("PCMCIA Downloading"));
    QVERIFY(Find<QPushButton>("DownloadBtn")->isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(StatePanel(), QString("Recording Done"), kStatePollWait_ms);
    QVERIFY(!Find<QPushButton>("DownloadBtn")->isChecked());

    // "Browse..." picks the download path in the card browser.
    bool browsed = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&browsed, &watch] {
        auto* browser = qobject_cast<TROBrowserForm*>(QApplication::activeModalWidget());
        auto* tree = browser ? browser->findChild<QTreeWidget*>("DirTree") : nullptr;
        const QList<QTreeWidgetItem*> found = tree
            ? tree->findItems("DOWNLOAD", Qt::MatchStartsWith | Qt::MatchRecursive)
            : QList<QTreeWidgetItem*>();
        if (found.isEmpty())
            return;
        watch.stop();
        browsed = true;
        tree->setCurrentItem(found.front());
        browser->findChild<QPushButton*>("OkBtn")->click();
    });
    watch.start(10);
    Find<QPushButton>("BrowseBtn")->click();
    QVERIFY(browsed);
    QCOMPARE(link_->ReadStringRegister(hgcmd::kCardPath), QString("\\DOWNLOAD\\"));
    QCOMPARE(path->text(), QString("DOWNLOAD"));

    prompt_.clear();
    Find<QRadioButton>("TiffRadio")->click();
    QCOMPARE(prompt_.texts(), QStringList({ "TIFF downloads disabled pending Imager Firmware fix." }));
    QVERIFY(Find<QRadioButton>("BayerRadio")->isChecked());
}

void HGFormTest::identificationPageRenumbersTheImagerAndReportsTheChange()
{
    Open(kIdentification);
    QCOMPARE(Find<QLabel>("TypeLabel")->text(), QString("HG 2000 Color"));
    QCOMPARE(Find<QLabel>("FirmwareLabel")->text(), QString("2.1"));
    QCOMPARE(Find<QLineEdit>("IPAddressEdit")->text(), QString("127.0.0.31"));

    auto* number = Find<QSpinBox>("ImagerNumberEdit");
    QCOMPARE(number->value(), 1);
    number->setValue(300);
    Page<THGIdentificationPage>()->ImagerNumberExit();
    QCOMPARE(int(link_->Identifier()), 255);
    QCOMPARE(number->value(), 255);
    QCOMPARE(Register(hgcmd::kIdentifier), 255);
    QCOMPARE(entry_.identifier, 255);

    Choose(Find<QComboBox>("BaudRateCB"), 2);
    QCOMPARE(Register(hgcmd::kBaudRate), 2);
    QCOMPARE(entry_.baud_rate, 38400);

    auto* mask = Find<QLineEdit>("SubnetMaskEdit");
    mask->setText("255.255.0.0");
    Page<THGIdentificationPage>()->SubnetMaskExit();
    QCOMPARE(link_->GetNetMaskText(), QString("255.255.0.0"));
    QCOMPARE(form_->End(), 1);
}

void HGFormTest::dateTimePageSetsTheImagersClockAndTheIrigTime()
{
    Open(kDateTime);
    auto* date = Find<QLineEdit>("ImagerDateEdit");
    QCOMPARE(date->text(), QString("01/01/24"));
    QVERIFY(!Find<QLabel>("PCDateLabel")->text().isEmpty());
    date->setText("02/29/24");
    Page<THGDateTimePage>()->ImagerDateExit();
    QCOMPARE(Register(hgcmd::kDate), 0x022924);
    Find<QLineEdit>("ImagerTimeEdit")->setText("08:30:00");
    Page<THGDateTimePage>()->ImagerTimeExit();
    Page<THGDateTimePage>()->Tick();
    QCOMPARE(date->text(), QString("02/29/24"));
    QVERIFY(Find<QLineEdit>("ImagerTimeEdit")->text().startsWith("08:30:"));

    Find<QSpinBox>("IrigDayEdit")->setValue(7);
    Find<QSpinBox>("IrigHourEdit")->setValue(12);
    Find<QSpinBox>("IrigMinEdit")->setValue(30);
    Find<QSpinBox>("IrigSecEdit")->setValue(45);
    Find<QDoubleSpinBox>("IrigMsEdit")->setValue(12.3);
    Find<QPushButton>("SetIrigBtn")->click();
    QCOMPARE(link_->ReadStringRegister(hgcmd::kString47), QString("0000070C1E2D0000300C"));
    QCOMPARE(Find<QDoubleSpinBox>("IrigMsEdit")->value(), 12.3);

    // Without a recording the IRIG time cannot be set.
    link_->StartCommand(csStatus, hgcmd::kErase);
    QTRY_COMPARE(StatePanel(), QString("Standby"));
    Find<QPushButton>("IrigNowBtn")->click();
    QCOMPARE(prompt_.texts(), QStringList({ "There must be a recording present to use this function" }));
}

void HGFormTest::videoPageSnapshotsThroughTheColourBalanceAndSetsTheWhitePatch()
{
    Open(kVideo);
    auto* balance = Find<QComboBox>("ColorBalanceCB");
    QCOMPARE(balance->currentText(), QString("Daylight"));
    QVERIFY(!Find<QLabel>("WhitePatchLabel")->isVisibleTo(form_.get()));

    Choose(balance, 1);
    QCOMPARE(Register(hgcmd::kWhiteBalance), 1);
    const QImage snapshot = Find<THGSnapshotView>("PictureBox")->Image();
    QCOMPARE(snapshot.size(), QSize(512, 384));
    QVERIFY(Page<THGVideoPage>()->SnapshotRecorded());

    Choose(balance, 3);
    QVERIFY(Find<QLabel>("WhitePatchLabel")->isVisibleTo(form_.get()));
    QCOMPARE(Find<THGSnapshotView>("PictureBox")->toolTip(),
        QString("Click on white area in image to set balance"));
    Page<THGVideoPage>()->PictureClick(QPoint(300, 100));
    QCOMPARE(Register(hgcmd::kPatchMove), (300 - 8) + (100 - 8) * 65536);

    prompt_.clear();
    prompt_.queueAnswer(PromptButton::Yes);
    Choose(Find<QComboBox>("VideoModeCB"), 1);
    QCOMPARE(prompt_.texts(), QStringList({ "Changing Video Mode Requires an Imager Re-boot.  Continue?" }));
    QCOMPARE(Register(hgcmd::kVideoMode), 2);
    Find<QCheckBox>("VideoOutCheck")->click();
    QCOMPARE(Register(hgcmd::kVideoOut), 1);

    // An external rate stops colour balancing before anything is sent.
    link_->WriteRegister(hgcmd::kFrameRate, 0);
    prompt_.clear();
    Find<QPushButton>("SnapShotBtn")->click();
    QCOMPARE(prompt_.texts().size(), 1);
    QVERIFY(prompt_.texts().front().contains("2.  Frame Rate may not be External."));
}

void HGFormTest::closingWhileCopyingToTheCardAsksFirst()
{
    Open(kDownload);
    Find<QPushButton>("DownloadBtn")->click();
    QCOMPARE(StatePanel(), QString("PCMCIA Downloading"));
    prompt_.queueAnswer(PromptButton::No);
    form_->reject();
    QVERIFY(form_->isVisible());
    QCOMPARE(prompt_.texts(), QStringList({ "Downloading in progress.  Stop Download and Exit?" }));
    prompt_.queueAnswer(PromptButton::Yes);
    form_->reject();
    QVERIFY(!form_->isVisible());
    QCOMPARE(Register(hgcmd::kState), 5);
}

void HGFormTest::attachWindowSetupOpensTheWindowAndKeepsWhatItChanged()
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath("settings.ini"));
    settings.writeString(
        "Imagers", "Bench", QStringLiteral("Kodak HG 2000;Ethernet;%1;1;").arg(kImagerAddress));
    settings.writeString("Imagers", "Nobody", "Kodak HG 2000;Ethernet;127.0.0.32;1;");
    TImagerAttach attach(TPortList::Sources {});
    attach.Load(settings);
    attach.List().Preferences().broadcast_address = QStringLiteral("127.255.255.255");
    attach.SetLinks(HGImagerLinks(HGLinkFactory(attach.List().Preferences(), {})));
    TAttachForm& window = attach.Form();
    auto* list = window.findChild<QListWidget*>("ImagerList");
    auto* identifier = window.findChild<QLineEdit*>("ImagerIDEdit");

    list->setCurrentRow(0);
    bool shown = false;
    // The setup window opens once the imager has been identified: the step waits for it.
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&shown, &watch] {
        auto* setup = qobject_cast<THGForm*>(QApplication::activeModalWidget());
        if (!setup)
            return;
        watch.stop();
        shown = true;
        QCOMPARE(setup->findChild<QLabel*>("StatePanel")->text(), QString("Recording Done"));
        setup->findChild<QTabWidget*>("PageControl")->setCurrentIndex(kIdentification);
        setup->findChild<QSpinBox*>("ImagerNumberEdit")->setValue(5);
        setup->findChild<THGIdentificationPage*>()->ImagerNumberExit();
        setup->findChild<QPushButton*>("CloseBtn")->click();
    });
    watch.start(10);
    window.findChild<QPushButton*>("SetupBtn")->click();
    QVERIFY(shown);
    QCOMPARE(attach.List().Entry(0).identifier, 5);
    QCOMPARE(identifier->text(), QString("5"));
    QCOMPARE(
        attach.List().Entry(0).Value(), QStringLiteral("Kodak HG 2000;Ethernet;%1;5;").arg(kImagerAddress));
    QVERIFY(!attach.List().Entry(0).attached);

    list->setCurrentRow(1);
    window.findChild<QPushButton*>("SetupBtn")->click();
    QCOMPARE(prompt_.texts(), QStringList({ "Imager is not Responding" }));
}

QTEST_MAIN(HGFormTest)
#include "hg_form_test.moc"
