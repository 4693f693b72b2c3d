// The capture window against the simulated frame grabber (64 x 48 pixels). The thread's pauses
// return at once and the simulator hands out every buffer the moment it is asked for, so nothing
// here waits for the clock; the waits below only guard against a thread that hangs.
#include <cstdlib>

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "clips/descriptor_block.h"
#include "imagers/capture/cap_stream.h"
#include "imagers/capture/capture_test_support.h"
#include "imagers/capture/forms/cap_preview.h"
#include "imagers/imaq/imaq.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/save_panel.h"
#include "shell/forms/time_bar.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;

namespace {

constexpr int kHang_ms = 60000;
constexpr int kWidth = 64;
constexpr int kHeight = 48;
const QString kSection = QStringLiteral("CaptureIMAQ");
const QString kCancelledQuestion
    = QStringLiteral("Capture has been cancelled.  Would you like to keep this partial file?");
const QString kRateQuestion = QStringLiteral("Capture rate exceeded your computer's file writing rate.\n"
                                             "Increase Buffers or decrease Capture Rate or Resolution,\n"
                                             "or pick Monochrome or uncheck the Progress box.\n"
                                             "\n"
                                             "      Would you like to keep this partial file?");

// The test's watchdog thread reads the environment: changes go through Qt, which locks it.
void ResetSimulator()
{
    for (const char* name : { "FW_IMAQ_SIM_CHANGES", "FW_IMAQ_SIM_OBJECT", "FW_IMAQ_SIM_FPS",
             "FW_IMAQ_SIM_MAX_BUFFERS", "FW_IMAQ_SIM_NO_OPEN", "FW_IMAQ_SIM_ACQUISITION_ERROR",
             "FW_IMAQ_SIM_LOST_FRAMES", "FW_IMAQ_SIM_TIMEOUT" })
        qunsetenv(name);
    qputenv("FW_IMAQ_SIM_WIDTH", "64");
    qputenv("FW_IMAQ_SIM_HEIGHT", "48");
}

// The capture file as laid out, then the window's descriptor chunk inside the same RIFF form;
// the block's camera section is returned.
std::string CheckClip(const QString& path, const ExpectedCapture& expected)
{
    const QByteArray file = ReadAll(path);
    const QByteArray layout = expected.FileBytes();
    if (file.size() != layout.size() + 8 + 2048) {
        qWarning() << "file of" << file.size() << "bytes, layout of" << layout.size();
        return {};
    }
    if (file.mid(8, layout.size() - 8) != layout.mid(8) || U32At(file, 4) != uint32_t(file.size() - 8)) {
        qWarning() << "the layout or a frame differs";
        return {};
    }
    const QByteArray chunk = file.mid(layout.size());
    if (chunk.left(4) != "ttls")
        return {};
    return DescriptorFromChunk(reinterpret_cast<const uint8_t*>(chunk.constData() + 8), 2048);
}

QByteArray PixelsOf(const FrameImage& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.pixels()), qsizetype(frame.pixelBytes()));
}

void Type(QWidget* window, const char* field, const QString& text)
{
    auto* edit = window->findChild<QLineEdit*>(QString::fromLatin1(field));
    QVERIFY(edit);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

class CapPreviewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensToLiveModeWithTheGrabbersPicture();
    void captureIsOnlyOfferedInLiveMode();
    void capturesTheGrabbersFramesWithTheDescriptorBlock();
    void changedSettingsTakeNewBuffersForTheNextCapture();
    void triggerStartsWithTheFrameBeforeAChangeInTheRegion();
    void aCancelledCaptureAsksAndNoDeletesTheFile();
    void lostFramesAskWithTheRateTextAndLowerTheRate();
    void closingWhileCapturingAsksAndLetsTheGrabberGo();
    void closingStoresTheSettings();

private:
    QPointer<TCapPreview> Open(const char* interface_name = "img0");
    void WaitForLive(TCapPreview& window);
    // Clicks "Capture" until the window asks for the file (it offers it only in "Live Mode"),
    // which is answered with `target`; then waits for the end of the capture.
    void CaptureInto(TCapPreview& window, const QString& target, bool wait_for_end = true);
    void CloseAndWaitForTheGrabber(QPointer<TCapPreview>& window);

    QList<QPointer<TCapPreview>> windows_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<ScriptedPrompt> prompt_;
    std::shared_ptr<TIMAQ> imaq_;
    std::shared_ptr<ImmediateWaits::Log> waits_;
    ChildContext context_;
    QStringList opened_;
    QString save_caption_;
    QString proposed_name_;
    int targets_asked_ = 0;
};

void CapPreviewTest::init()
{
    ResetSimulator();
    dir_ = std::make_unique<QTemporaryDir>();
    settings_ = std::make_unique<SettingsStore>(dir_->filePath("settings.ini"));
    prompt_ = std::make_unique<ScriptedPrompt>();
    installPrompt(prompt_.get());
    imaq_ = std::make_shared<TIMAQ>(nullptr, QStringLiteral(FW_IMAQ_SIM_LIBRARY));
    GrabberLedger::Reset();
    GrabberLedger::Install(*imaq_);
    waits_ = std::make_shared<ImmediateWaits::Log>();
    opened_.clear();
    targets_asked_ = 0;
    context_ = ChildContext {};
    context_.settings = settings_.get();
    context_.open_clip = [this](const QString& file) { opened_ << file; };
}

void CapPreviewTest::cleanup()
{
    // A test that failed half way leaves its window: it goes before the grabber is looked at.
    for (const QPointer<TCapPreview>& window : std::as_const(windows_))
        delete window.data();
    windows_.clear();
    DisplaySaver::SetSaveTargetChooser(nullptr);
    installPrompt(nullptr);
    prompt_.reset();
    // Every window of a test has gone by now: nothing of the grabber may still be held.
    QCOMPARE(GrabberLedger::OpenBuffers(), 0);
    QCOMPARE(GrabberLedger::OpenSessions(), 0);
    QCOMPARE(GrabberLedger::OpenInterfaces(), 0);
    QCOMPARE(imaq_->LoadCount(), 0);
    imaq_.reset();
    settings_.reset();
    dir_.reset();
}

QPointer<TCapPreview> CapPreviewTest::Open(const char* interface_name)
{
    auto* window = new TCapPreview(context_, imaq_, QString::fromLatin1(interface_name),
        QStringLiteral("NI-IMAQ: ") + QString::fromLatin1(interface_name),
        std::make_unique<ImmediateWaits>(waits_));
    windows_ << window;
    return window;
}

void CapPreviewTest::WaitForLive(TCapPreview& window)
{
    QTRY_VERIFY_WITH_TIMEOUT(
        window.Thread().Stage() == CaptureStage::csLiveMode && !window.LivePicture().isNull(), kHang_ms);
}

void CapPreviewTest::CaptureInto(TCapPreview& window, const QString& target, bool wait_for_end)
{
    DisplaySaver::SetSaveTargetChooser(
        [this, target](QWidget*, const QString& caption, const QStringList&, int,
            const QString& file_name) -> std::optional<DisplaySaver::SaveChoice> {
            ++targets_asked_;
            save_caption_ = caption;
            proposed_name_ = QFileInfo(file_name).fileName();
            return DisplaySaver::SaveChoice { 1, target };
        });
    const int asked = targets_asked_;
    auto* ok = window.findChild<QPushButton*>("OkBtn");
    QTRY_VERIFY_WITH_TIMEOUT((ok->click(), targets_asked_ > asked), kHang_ms);
    QVERIFY(window.Capturing());
    if (wait_for_end)
        QTRY_VERIFY_WITH_TIMEOUT(!window.Capturing(), kHang_ms);
}

void CapPreviewTest::CloseAndWaitForTheGrabber(QPointer<TCapPreview>& window)
{
    QVERIFY(window->close());
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), kHang_ms);
}

void CapPreviewTest::opensToLiveModeWithTheGrabbersPicture()
{
    QPointer<TCapPreview> colour = Open("img0");
    WaitForLive(*colour);
    QCOMPARE(colour->windowTitle(), QString("NI-IMAQ: img0"));
    QTRY_COMPARE_WITH_TIMEOUT(
        colour->findChild<QLabel*>("StatusBar1")->text(), QString("Live Mode "), kHang_ms);
    // The picture is a frame of the grabber as it delivered it, its number in its first pixels.
    const FrameImage& picture = colour->LivePicture();
    QCOMPARE(picture.width(), kWidth);
    QCOMPARE(picture.height(), kHeight);
    QCOMPARE(picture.bitsPerPixel(), 24);
    const uint32_t number = StampOf(picture.pixels(), 3);
    QCOMPARE(PixelsOf(picture), StoredSimFrame("img0", false, 0, number));
    QCOMPARE(colour->Display()->Layout().FrameWidth(), kWidth);
    QVERIFY(colour->Display()->isVisible());
    QVERIFY(colour->findChild<QRadioButton*>("ColorXB")->isEnabled());
    QVERIFY(colour->findChild<QRadioButton*>("ColorXB")->isChecked());
    // The trigger level shows as the start of the band of thresholds that would fire.
    colour->IdleTick();
    QCOMPARE(colour->findChild<TimeBarSlider*>("TrigLevel")->selectionStart(), colour->Thread().Level());
    CloseAndWaitForTheGrabber(colour);

    // A monochrome-only grabber cannot be asked for colour.
    QPointer<TCapPreview> grey = Open("img1");
    WaitForLive(*grey);
    QTRY_VERIFY_WITH_TIMEOUT(!grey->findChild<QRadioButton*>("ColorXB")->isEnabled(), kHang_ms);
    QVERIFY(grey->findChild<QRadioButton*>("MonochromeXB")->isChecked());
    QCOMPARE(grey->LivePicture().bitsPerPixel(), 8);
    QCOMPARE(PixelsOf(grey->LivePicture()),
        StoredSimFrame("img1", false, 0, StampOf(grey->LivePicture().pixels(), 1)));
    CloseAndWaitForTheGrabber(grey);
    QVERIFY(prompt_->texts().isEmpty());
}

void CapPreviewTest::captureIsOnlyOfferedInLiveMode()
{
    qputenv("FW_IMAQ_SIM_NO_OPEN", "img0");
    waits_->hold_idle = true;
    QPointer<TCapPreview> window = Open("img0");
    auto* status = window->findChild<QLabel*>("StatusBar1");
    QTRY_VERIFY_WITH_TIMEOUT(
        status->text().endsWith(" The interface could not be opened: the board does not respond."), kHang_ms);
    window->IdleTick();
    auto* ok = window->findChild<QPushButton*>("OkBtn");
    QVERIFY(!ok->isEnabled());
    // Asked all the same, the window does not capture.
    DisplaySaver::SetSaveTargetChooser(
        [this](QWidget*, const QString&, const QStringList&, int, const QString&) {
            ++targets_asked_;
            return std::optional<DisplaySaver::SaveChoice>();
        });
    window->Capture();
    QCOMPARE(targets_asked_, 0);
    QVERIFY(!window->Capturing());
    CloseAndWaitForTheGrabber(window);

    qunsetenv("FW_IMAQ_SIM_NO_OPEN");
    waits_->hold_idle = false;
    window = Open("img0");
    WaitForLive(*window);
    ok = window->findChild<QPushButton*>("OkBtn");
    QTRY_VERIFY_WITH_TIMEOUT((window->IdleTick(), ok->isEnabled()), kHang_ms);
    // A file dialog given up on brings the live picture back.
    window->Capture();
    QCOMPARE(targets_asked_, 1);
    QVERIFY(!window->Capturing());
    QVERIFY(window->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!window->Thread().PauseAcknowledged(), kHang_ms);
    WaitForLive(*window);
    CloseAndWaitForTheGrabber(window);
    QVERIFY(prompt_->texts().isEmpty());
}

void CapPreviewTest::capturesTheGrabbersFramesWithTheDescriptorBlock()
{
    settings_->writeString("Save", "FileName", dir_->filePath("runs/old.avi"));
    QPointer<TCapPreview> window = Open("img0");
    WaitForLive(*window);
    window->findChild<QComboBox*>("CaptureRateCB")->setCurrentIndex(0);
    Type(window, "TotalFramesEN", "6");
    CaptureInto(*window, dir_->filePath("clip"));

    QCOMPARE(save_caption_, QString("Save Captured Images As"));
    QCOMPARE(proposed_name_, QString("runs")); // the folder of the last clip saved
    const QString clip = dir_->filePath("clip.avi");
    QCOMPARE(opened_, QStringList { clip });
    QVERIFY(prompt_->texts().isEmpty());
    // The file starts with the frame before the one that started the capture: the ring's first.
    const std::string block = CheckClip(clip,
        ExpectedCapture {
            kWidth, kHeight, true, 6, StoredSimFrames("img0", false, 0, { 0, 1, 2, 3, 4, 5 }) });
    std::string value;
    QVERIFY(GetDescriptorValue(block, "Camera", "Camera Type", value));
    QCOMPARE(value, std::string("Capture Card"));
    QVERIFY(GetDescriptorValue(block, "Camera", "Recording Rate", value));
    QCOMPARE(value, std::string("?"));
    QCOMPARE(settings_->readString("Save", "FileName"), clip);
    QCOMPARE(window->CaptureStream().LastCompletion()->frames_written, 6);

    // The window comes back to live pictures, its clip window to the live title.
    QVERIFY(window->isVisible());
    QCOMPARE(window->Display()->windowTitle(), QString("Live Video"));
    QVERIFY(!window->Display()->IsSaving());
    WaitForLive(*window);
    CloseAndWaitForTheGrabber(window);
}

void CapPreviewTest::changedSettingsTakeNewBuffersForTheNextCapture()
{
    QPointer<TCapPreview> window = Open("img0");
    WaitForLive(*window);
    window->findChild<QComboBox*>("CaptureRateCB")->setCurrentIndex(2);
    window->findChild<QComboBox*>("ResolutionCB")->setCurrentIndex(1);
    window->findChild<QRadioButton*>("MonochromeXB")->setChecked(true);
    Type(window, "BuffersEN", "600");
    QCOMPARE(window->Thread().BuffersWanted(), 512);
    QTRY_VERIFY_WITH_TIMEOUT(
        window->LivePicture().width() == kWidth / 2 && window->LivePicture().bitsPerPixel() == 8, kHang_ms);
    QTRY_COMPARE_WITH_TIMEOUT(window->Display()->Layout().FrameWidth(), kWidth / 2, kHang_ms);
    Type(window, "TotalFramesEN", "4");
    CaptureInto(*window, dir_->filePath("half"));
    // Every third camera frame, half size, grey.
    QVERIFY(!CheckClip(dir_->filePath("half.avi"),
        ExpectedCapture {
            kWidth / 2, kHeight / 2, false, 4, StoredSimFrames("img0", true, 2, { 0, 3, 6, 9 }) })
                 .empty());
    window->IdleTick();
    QCOMPARE(window->findChild<QLineEdit*>("BuffersEN")->text(), QString("512"));
    CloseAndWaitForTheGrabber(window);
}

void CapPreviewTest::triggerStartsWithTheFrameBeforeAChangeInTheRegion()
{
    qputenv("FW_IMAQ_SIM_CHANGES", "20");
    settings_->writeBool(kSection, "UseTrig", true);
    settings_->writeInteger(kSection, "TrigLevel", 500);
    settings_->writeInteger(kSection, "CaptureRate", 0);
    settings_->writeBool(kSection, "Cropping", true);
    // Lines 16 to 27 as delivered: rows 20 to 31 of the upright picture.
    settings_->writeInteger(kSection, "CropLeft", 16);
    settings_->writeInteger(kSection, "CropTop", 16);
    settings_->writeInteger(kSection, "CropRight", 47);
    settings_->writeInteger(kSection, "CropBottom", 27);
    QPointer<TCapPreview> window = Open("img1");
    WaitForLive(*window);
    QVERIFY(window->findChild<QRadioButton*>("UseTrigXB")->isChecked());
    QVERIFY(window->findChild<QToolButton*>("TriggerROISB")->isChecked());
    TCropShape* frame = window->Display()->Cropper();
    QVERIFY(frame->isVisible());
    const ClipWindowLayout& layout = window->Display()->Layout();
    const FrameCrop shown = frame->CropInFrame(layout.HorizontalScale(), layout.VerticalScale());
    QCOMPARE(shown, (FrameCrop { 16, 20, 47, 31 }));

    Type(window, "TotalFramesEN", "3");
    window->SetAutoDetach(true);
    CaptureInto(*window, dir_->filePath("triggered"));
    QVERIFY(!CheckClip(dir_->filePath("triggered.avi"),
        ExpectedCapture { kWidth, kHeight, false, 3, StoredSimFrames("img1", false, 0, { 19, 20, 21 }) })
                 .empty());
    QVERIFY(prompt_->texts().isEmpty());
    // A window opened for one capture goes once its clip is kept.
    QCOMPARE(opened_.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), kHang_ms);
}

void CapPreviewTest::aCancelledCaptureAsksAndNoDeletesTheFile()
{
    qputenv("FW_IMAQ_SIM_CHANGES", "none");
    settings_->writeBool(kSection, "UseTrig", true);
    QPointer<TCapPreview> window = Open("img1");
    WaitForLive(*window);
    CaptureInto(*window, dir_->filePath("never"), false);
    TDisplayForm* display = window->Display();
    QTRY_COMPARE_WITH_TIMEOUT(
        (window->IdleTick(), display->windowTitle()), QString("Waiting for Trigger"), kHang_ms);
    QVERIFY(display->Saver().Panel()->isVisible());
    QVERIFY(!window->isVisible());

    prompt_->queueAnswer(PromptButton::No);
    display->Saver().Panel()->findChild<QPushButton*>("CancelButton")->click();
    window->IdleTick();
    QTRY_VERIFY_WITH_TIMEOUT(!window->Capturing(), kHang_ms);
    QCOMPARE(prompt_->questions().size(), size_t(1));
    const ScriptedPrompt::Question question = prompt_->questions().front();
    QCOMPARE(question.caption, QString("Video Capture Stopped After 0 Frames"));
    QCOMPARE(question.text, kCancelledQuestion);
    QCOMPARE(question.buttons, PromptButton::Yes | PromptButton::No);
    QVERIFY(!QFileInfo::exists(dir_->filePath("never.avi")));
    QVERIFY(opened_.isEmpty());
    QVERIFY(window->isVisible());
    CloseAndWaitForTheGrabber(window);
}

void CapPreviewTest::lostFramesAskWithTheRateTextAndLowerTheRate()
{
    qputenv("FW_IMAQ_SIM_LOST_FRAMES", "25");
    settings_->writeInteger(kSection, "CaptureRate", 0);
    QPointer<TCapPreview> window = Open("img1");
    // Frames lost in the live picture slow the grabber down, once for each loss, and the rate
    // box follows.
    auto* rate = window->findChild<QComboBox*>("CaptureRateCB");
    QTRY_COMPARE_WITH_TIMEOUT((window->IdleTick(), rate->currentText()), QString("10 fps"), kHang_ms);
    WaitForLive(*window);
    Type(window, "TotalFramesEN", "40");
    prompt_->queueAnswer(PromptButton::Yes);
    CaptureInto(*window, dir_->filePath("short"));
    QCOMPARE(prompt_->questions().size(), size_t(1));
    QCOMPARE(prompt_->questions().front().caption, QString("Video Capture Stopped After 25 Frames"));
    QCOMPARE(prompt_->questions().front().text, kRateQuestion);
    // Kept, with the frames before the lost one: every third camera frame.
    const QString clip = dir_->filePath("short.avi");
    QCOMPARE(opened_, QStringList { clip });
    std::vector<uint32_t> numbers;
    for (uint32_t i = 0; i < 25; ++i)
        numbers.push_back(3 * i);
    QVERIFY(!CheckClip(
        clip, ExpectedCapture { kWidth, kHeight, false, 40, StoredSimFrames("img1", false, 0, numbers) })
                 .empty());
    QVERIFY(window->isVisible());
    CloseAndWaitForTheGrabber(window);
}

void CapPreviewTest::closingWhileCapturingAsksAndLetsTheGrabberGo()
{
    qputenv("FW_IMAQ_SIM_CHANGES", "none");
    settings_->writeBool(kSection, "UseTrig", true);
    QPointer<TCapPreview> window = Open("img0");
    WaitForLive(*window);
    CaptureInto(*window, dir_->filePath("closed"), false);
    QTRY_COMPARE_WITH_TIMEOUT(
        (window->IdleTick(), window->Display()->windowTitle()), QString("Waiting for Trigger"), kHang_ms);

    prompt_->queueAnswer(PromptButton::No);
    QVERIFY(!window->close());
    QVERIFY(window->Capturing());
    QCOMPARE(prompt_->texts(), QStringList { "Cancel Video Capture in Progress?" });

    prompt_->queueAnswer(PromptButton::Yes); // cancel
    prompt_->queueAnswer(PromptButton::No); // do not keep
    QVERIFY(window->close());
    QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), kHang_ms);
    QCOMPARE(prompt_->texts(),
        QStringList({ "Cancel Video Capture in Progress?", "Cancel Video Capture in Progress?",
            kCancelledQuestion }));
    QVERIFY(!QFileInfo::exists(dir_->filePath("closed.avi")));
}

void CapPreviewTest::closingStoresTheSettings()
{
    QPointer<TCapPreview> window = Open("img0");
    WaitForLive(*window);
    Type(window, "TotalFramesEN", "77");
    window->findChild<QComboBox*>("CaptureRateCB")->setCurrentIndex(2);
    window->findChild<QComboBox*>("ResolutionCB")->setCurrentIndex(1);
    Type(window, "BuffersEN", "30");
    window->findChild<QCheckBox*>("ProgCB")->setChecked(false);
    window->findChild<QRadioButton*>("UseTrigXB")->setChecked(true);
    window->findChild<TimeBarSlider*>("TrigLevel")->setValue(321);
    window->findChild<QToolButton*>("TriggerROISB")->setChecked(true);
    CloseAndWaitForTheGrabber(window);

    QCOMPARE(settings_->readInteger(kSection, "TotalFrames", 0), 77);
    QCOMPARE(settings_->readInteger(kSection, "CaptureRate", 0), 2);
    QCOMPARE(settings_->readInteger(kSection, "Resolution", 0), 1);
    QCOMPARE(settings_->readInteger(kSection, "BuffersWanted", 0), 30);
    QCOMPARE(settings_->readBool(kSection, "Progress", true), false);
    QCOMPARE(settings_->readBool(kSection, "UseTrig", false), true);
    QCOMPARE(settings_->readInteger(kSection, "TrigLevel", 0), 321);
    QCOMPARE(settings_->readBool(kSection, "Cropping", false), true);
    QCOMPARE(settings_->readInteger(kSection, "CropColor", 0), 255);
    QCOMPARE(settings_->readFloat(kSection, "CaptureIMAQ\\TimePerFrame", 0.0), 1.0);
    QCOMPARE(settings_->readFloat(kSection, "CaptureIMAQ\\TimeAtFrame0", -1.0), 0.0);

    // The next window starts from them.
    window = Open("img0");
    QCOMPARE(window->findChild<QLineEdit*>("TotalFramesEN")->text(), QString("77"));
    QCOMPARE(window->findChild<QComboBox*>("ResolutionCB")->currentIndex(), 1);
    QCOMPARE(window->findChild<TimeBarSlider*>("TrigLevel")->value(), 321);
    QCOMPARE(window->Thread().BuffersWanted(), 30);
    CloseAndWaitForTheGrabber(window);
}

QTEST_MAIN(CapPreviewTest)
#include "cap_preview_test.moc"
