// The Bayer preview over an attached imager, against the imager simulator over loopback.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "clips/avi_encoders.h"
#include "clips/avi_stream.h"
#include "imagers/hg/ro_tcpip.h"
#include "imagers/ro.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/ro_preview.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;

namespace {

constexpr char kAddress[] = "127.0.0.61";

quint16 FreeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

} // namespace

class ROPreviewImagerTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void groupShowsStateAndTemperatureAndDrivesTheRecorder();
    void savingDownloadsTheRangeWithBayerFilesBeside();
    void theStoredRangeIsRestored();

private:
    QProcess simulator_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<ScriptedPrompt> prompt_;
};

void ROPreviewImagerTest::init()
{
    const QString port = QString::number(FreeUdpPort());
    qputenv("FRAMEWRIGHT_IMAGER_PORT", port.toLatin1());
    simulator_.setProgram(QStringLiteral(FW_BIN_DIR "/fw-imager-sim"));
    simulator_.setArguments({ "--udp", QStringLiteral("%1:4:1").arg(kAddress), "--frames", "8", "--first",
        "-3", "--temp", "33" });
    simulator_.start();
    QVERIFY(simulator_.waitForStarted());
    QByteArray started;
    while (!started.contains("ready") && simulator_.waitForReadyRead(5000))
        started += simulator_.readAllStandardOutput();
    QVERIFY2(started.contains("ready"), simulator_.readAllStandardError().constData());
    dir_ = std::make_unique<QTemporaryDir>();
    settings_ = std::make_unique<SettingsStore>(dir_->filePath("settings.ini"));
    prompt_ = std::make_unique<ScriptedPrompt>();
    installPrompt(prompt_.get());
}

void ROPreviewImagerTest::cleanup()
{
    installPrompt(nullptr);
    prompt_.reset();
    settings_.reset();
    dir_.reset();
    simulator_.kill();
    simulator_.waitForFinished();
}

void ROPreviewImagerTest::groupShowsStateAndTemperatureAndDrivesTheRecorder()
{
    auto source = std::make_unique<TRO>(std::make_unique<TROTCPIP>(1, kAddress, "127.255.255.255"), false,
        QStringLiteral("Ethernet at IP %1").arg(kAddress), QStringLiteral("Kodak HG 2000 #1"));
    TRO* imager = source.get();
    source->Open(kAddress);
    QCOMPARE(source->EntryCount(), 8);
    QCOMPARE(source->EntryLabel(0), QString("-3"));

    ChildContext context;
    context.settings = settings_.get();
    QPointer<TROPreview> preview = new TROPreview(context, std::move(source), kAddress, "Kodak HG 2000 #1");
    // Nothing stored yet: the whole recording, although it holds a frame numbered 1.
    QCOMPARE(preview->Range().Count(), 8);
    QVERIFY(preview->findChild<QWidget*>("ImagerGB")->isVisibleTo(preview));
    auto* state = preview->findChild<QLabel*>("StatePanel");
    QCOMPARE(state->text(), QString("Recording Done"));
    QTRY_COMPARE(preview->findChild<QLabel*>("TemperaturePanel")->text(), QString::fromUtf8("33\u00BA C"));
    QCOMPARE(preview->DeviceKind(), 1);

    // Arming over a recording asks first; No leaves the recorder alone.
    prompt_->queueAnswer(PromptButton::No);
    auto* record = preview->findChild<QPushButton*>("RecordBtn");
    record->setChecked(true);
    QVERIFY(!record->isChecked());
    QCOMPARE(prompt_->texts().last(), QString("Images are Present in Memory.\nRecord Over Imager Memory?"));
    QVERIFY(imager->HasRecording());

    // Yes arms it: the imager is ready to record, and the stop button triggers it.
    prompt_->queueAnswer(PromptButton::Yes);
    record->setChecked(true);
    QTRY_COMPARE(state->text(), QString("Ready to Record"));
    QCOMPARE(preview->DeviceKind(), 2);
    QCOMPARE(preview->findChild<QPushButton*>("StopBtn")->toolTip(), QString("Stop/Trigger Record"));
    preview->findChild<QPushButton*>("StopBtn")->click();
    QTRY_COMPARE(state->text(), QString("Recording Done"));
    QCOMPARE(preview->DeviceKind(), 1);

    preview->close();
    QTRY_VERIFY(preview.isNull());
}

void ROPreviewImagerTest::savingDownloadsTheRangeWithBayerFilesBeside()
{
    auto source = std::make_unique<TRO>(std::make_unique<TROTCPIP>(1, kAddress, "127.255.255.255"), false,
        QStringLiteral("Ethernet at IP %1").arg(kAddress), QStringLiteral("Kodak HG 2000 #1"));
    source->Open(kAddress);
    ChildContext context;
    context.settings = settings_.get();
    QString opened;
    context.open_clip = [&opened](const QString& file) { opened = file; };
    QPointer<TROPreview> preview = new TROPreview(context, std::move(source), kAddress, "Kodak HG 2000 #1");
    auto* scatter = preview->findChild<QCheckBox*>("ScatterCB");
    QVERIFY(scatter->isEnabled());
    scatter->setChecked(true);
    // Frames -3 to 4, every third: -3, 0, 3.
    preview->findChild<QComboBox*>("FirstFrameCB")->setCurrentIndex(0);
    preview->findChild<QComboBox*>("LastFrameCB")->setCurrentIndex(7);
    preview->findChild<QSpinBox*>("IntervalSpin")->setValue(3);
    QCOMPARE(preview->Range().Count(), 3);
    preview->Display()->Stream()->CompressOptions().fccHandler = kUncompressedCode;
    preview->Display()->Stream()->CompressOptions().options_ok = true;
    const QString target = dir_->filePath("download");
    DisplaySaver::SetSaveTargetChooser([target](QWidget*, const QString&, const QStringList&, int,
                                           const QString&) -> std::optional<DisplaySaver::SaveChoice> {
        return DisplaySaver::SaveChoice { 1, target };
    });
    preview->Save();
    QTRY_VERIFY_WITH_TIMEOUT(preview.isNull(), 60000);
    DisplaySaver::SetSaveTargetChooser(nullptr);
    QCOMPARE(opened, target + ".avi");
    TAVISTREAM saved("AVI");
    saved.Open(opened);
    QCOMPARE(saved.FrameCount(), 3);
    QCOMPARE(QDir(dir_->path()).entryList({ "*.bay" }, QDir::Files),
        QStringList({ "F 00000.bay", "F 00003.bay", "F-00003.bay" }));
    QVERIFY(prompt_->texts().isEmpty());
}

void ROPreviewImagerTest::theStoredRangeIsRestored()
{
    settings_->writeString("Bayer", "FirstFrame", "0");
    settings_->writeString("Bayer", "EndFrame", "2");
    auto source = std::make_unique<TRO>(std::make_unique<TROTCPIP>(1, kAddress, "127.255.255.255"), false,
        QStringLiteral("Ethernet at IP %1").arg(kAddress), QStringLiteral("Kodak HG 2000 #1"));
    source->Open(kAddress);
    ChildContext context;
    context.settings = settings_.get();
    QPointer<TROPreview> preview = new TROPreview(context, std::move(source), kAddress, "Kodak HG 2000 #1");
    QCOMPARE(preview->Range().Count(), 3);
    QCOMPARE(preview->findChild<QComboBox*>("FirstFrameCB")->currentText(), QString("0"));
    preview->close();
    QTRY_VERIFY(preview.isNull());
}

QTEST_MAIN(ROPreviewImagerTest)
#include "ro_preview_imager_test.moc"
