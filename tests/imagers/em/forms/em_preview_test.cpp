// The EM 1012 / HS 4540 download window against the simulated GPIB driver. The processors' clock
// jumps 10 ms at each reading and the window's a whole second, so pacing waits pass at once and
// every idle tick looks at the processor's state.
#include <dlfcn.h>

#include <chrono>
#include <cstring>
#include <mutex>

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "clips/avi_encoders.h"
#include "clips/avi_stream.h"
#include "clips/descriptor_block.h"
#include "imagers/em/em_frame_conversion.h"
#include "imagers/em/em_stream_open.h"
#include "imagers/em/forms/em_preview.h"
#include "imagers/gpib/gpib.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/spin_buttons.h"
#include "shell/forms/time_bar.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;

namespace {

// What the program wrote to the bus and which descriptors it took off line, seen through the
// driver's entry points.
struct BusLog {
    std::mutex mutex;
    std::vector<std::vector<std::uint8_t>> writes;
    std::vector<std::pair<int, int>> online_calls;
    int (*write)(int, const void*, long) = nullptr;
    int (*online)(int, int) = nullptr;

    bool Wrote(std::uint8_t command)
    {
        const std::lock_guard lock(mutex);
        return std::any_of(writes.begin(), writes.end(),
            [command](const auto& bytes) { return !bytes.empty() && bytes.front() == command; });
    }
    void Clear()
    {
        const std::lock_guard lock(mutex);
        writes.clear();
        online_calls.clear();
    }
};

BusLog& busLog()
{
    static BusLog log;
    return log;
}

int LoggedWrite(int ud, const void* buffer, long count)
{
    {
        const std::lock_guard lock(busLog().mutex);
        const auto* bytes = static_cast<const std::uint8_t*>(buffer);
        busLog().writes.emplace_back(bytes, bytes + count);
    }
    return busLog().write(ud, buffer, count);
}

int LoggedOnline(int ud, int online)
{
    {
        const std::lock_guard lock(busLog().mutex);
        busLog().online_calls.emplace_back(ud, online);
    }
    return busLog().online(ud, online);
}

void* LookUpLogged(void* handle, const char* name)
{
    void* real = dlsym(handle, name);
    if (std::strcmp(name, "ibwrt") == 0) {
        busLog().write = reinterpret_cast<int (*)(int, const void*, long)>(real);
        return reinterpret_cast<void*>(&LoggedWrite);
    }
    if (std::strcmp(name, "ibonl") == 0) {
        busLog().online = reinterpret_cast<int (*)(int, int)>(real);
        return reinterpret_cast<void*>(&LoggedOnline);
    }
    return real;
}

SteadyNow JumpingClock(std::chrono::milliseconds step)
{
    auto now = std::make_shared<std::chrono::steady_clock::time_point>();
    return [now, step] { return *now += step; };
}

// The simulator's frames: background 40 + (x + 2y) mod 128, a bar of 240 twelve columns wide
// starting at column 3 x frame.
int ExpectedPixel(int sensor_width, int x, int y, int frame)
{
    const int bar_left = ((frame * 3) % sensor_width + sensor_width) % sensor_width;
    const int from_bar = ((x - bar_left) % sensor_width + sensor_width) % sensor_width;
    return from_bar < 12 ? 240 : 40 + (x + 2 * y) % 128;
}

// The grey of pixel (x, y) from the top, as the 128-grey pictures show it (entry i is 2i).
int GreyAt(const FrameImage& frame, int x, int y)
{
    const std::uint8_t* row = frame.topDownRow(y);
    if (frame.bitsPerPixel() == 8)
        return frame.colourTable()[row[x]].green;
    return row[x * 3 + 1];
}

// The grey the window shows for a raw sample at its default brightness and gamma.
int ShownGrey(int raw)
{
    static const EmToneTable tone = BuildEmToneTable(1.0, 1.8);
    return 2 * tone[size_t(raw)];
}

void Type(QWidget* window, const char* field, const QString& text)
{
    auto* edit = window->findChild<QLineEdit*>(QString::fromLatin1(field));
    QVERIFY(edit);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Closes the window and waits until it has gone.
void CloseWindow(QPointer<TEMPreview>& window)
{
    QVERIFY(window->close());
    QTRY_VERIFY(window.isNull());
}

QString FieldText(QWidget* window, const char* field)
{
    return window->findChild<QLineEdit*>(QString::fromLatin1(field))->text();
}

constexpr char kEmTitle[] = "(Kodak EM 1012) Bench";

} // namespace

class EMPreviewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensShowingTheProcessorsStateAndRecording();
    void aRangeNeverChosenIsTheWholeRecording();
    void aPreviewThatCannotBeUploadedShowsInTheErrorBar();
    void frameFieldsKeepTheIntervalGrid();
    void hsFieldsSkipFrameZero();
    void recordAsksBeforeReplacingTheRecordingAndStopEndsIt();
    void savedClipHoldsTheProcessorsFramesAndRate();
    void croppedSaveLeavesThePreviewWhole();
    void closingWhileSavingAsksAndStaysOpen();
    void closingStoresTheSettingsAndDisconnects();

private:
    QPointer<TEMPreview> Open(EmModel model, const char* address, const char* title = kEmTitle);
    void SaveTo(TEMPreview& preview, const QString& target);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<ScriptedPrompt> prompt_;
    std::shared_ptr<TGPIB> gpib_;
    ChildContext context_;
    QStringList opened_;
    QStringList variables_;
    QString save_caption_;
    QString proposed_name_;
};

void EMPreviewTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    settings_ = std::make_unique<SettingsStore>(dir_->filePath("settings.ini"));
    for (const char* section : { "EM 1012", "HS 4540" }) {
        for (const char* name : { "InTimePad", "OutTimePad", "CharPad" })
            settings_->writeInteger(QString::fromLatin1(section), QString::fromLatin1(name), 0);
        // No sharpening, so saved pixels are the tone table's.
        settings_->writeInteger(QString::fromLatin1(section), QStringLiteral("Filter"), 0);
        // A range chosen before: frame 1 alone.
        settings_->writeString(
            QString::fromLatin1(section), QStringLiteral("FirstFrame"), QStringLiteral("1"));
        settings_->writeString(QString::fromLatin1(section), QStringLiteral("EndFrame"), QStringLiteral("1"));
    }
    prompt_ = std::make_unique<ScriptedPrompt>();
    installPrompt(prompt_.get());
    gpib_ = std::make_shared<TGPIB>(nullptr, QStringLiteral(FW_GPIB_SIM_LIBRARY));
    gpib_->SetSymbolLookup(&LookUpLogged);
    busLog().Clear();
    opened_.clear();
    context_ = ChildContext {};
    context_.settings = settings_.get();
    context_.open_clip = [this](const QString& file) { opened_ << file; };
}

void EMPreviewTest::cleanup()
{
    DisplaySaver::SetSaveTargetChooser(nullptr);
    for (const QString& name : variables_)
        qunsetenv(name.toLatin1().constData());
    variables_.clear();
    installPrompt(nullptr);
    prompt_.reset();
    gpib_.reset();
    settings_.reset();
    dir_.reset();
}

QPointer<TEMPreview> EMPreviewTest::Open(EmModel model, const char* address, const char* title)
{
    auto stream = OpenEmStream(model, gpib_, QString::fromLatin1(address), settings_.get(),
        JumpingClock(std::chrono::milliseconds(10)));
    return new TEMPreview(context_, std::move(stream), QString::fromLatin1(address),
        QString::fromLatin1(title), JumpingClock(std::chrono::seconds(1)));
}

void EMPreviewTest::SaveTo(TEMPreview& preview, const QString& target)
{
    preview.Source().CompressOptions().fccHandler = kUncompressedCode;
    preview.Source().CompressOptions().options_ok = true;
    DisplaySaver::SetSaveTargetChooser(
        [this, target](QWidget*, const QString& caption, const QStringList&, int,
            const QString& file_name) -> std::optional<DisplaySaver::SaveChoice> {
            save_caption_ = caption;
            proposed_name_ = QFileInfo(file_name).fileName();
            return DisplaySaver::SaveChoice { 1, target };
        });
    preview.findChild<QPushButton*>("OkBtn")->click();
}

void EMPreviewTest::opensShowingTheProcessorsStateAndRecording()
{
    QPointer<TEMPreview> em = Open(EmModel::Em1012, ":DEV7");
    QCOMPARE(em->findChild<QLabel*>("StatusBar")->text(), QString("Status: Stopped"));
    QCOMPARE(em->DeviceKind(), 1);
    auto* bar = em->findChild<TimeBarSlider*>("FrameRangeTB");
    QCOMPARE(bar->minimum(), -20);
    QCOMPARE(bar->maximum(), 79);
    QCOMPARE(em->Frames().RecordedFrames(), 100);
    // The stored range is frame 1 alone; frame 1 is previewed.
    QCOMPARE(FieldText(em, "PreviewEN"), QString("1"));
    QVERIFY(em->findChild<QPushButton*>("OkBtn")->isEnabled());
    const FrameImage& picture = em->PreviewPicture();
    QCOMPARE(picture.width(), 240);
    QCOMPARE(picture.height(), 192);
    for (const auto& [x, y] : { std::pair { 0, 0 }, { 3, 10 }, { 100, 50 }, { 238, 191 } })
        QCOMPARE(GreyAt(picture, x, y), ShownGrey(ExpectedPixel(239, x, y, 1)));
    QCOMPARE(em->findChild<QLabel*>("ErrorBar")->text(), QString());
    CloseWindow(em);

    QPointer<TEMPreview> hs = Open(EmModel::Hs4540, ":DEV8", "(Kodak 4540) Bench");
    QCOMPARE(hs->findChild<QLabel*>("StatusBar")->text(), QString("Status: Stopped"));
    bar = hs->findChild<TimeBarSlider*>("FrameRangeTB");
    QCOMPARE(bar->minimum(), 1);
    QCOMPARE(bar->maximum(), 1024);
    QCOMPARE(hs->PreviewPicture().width(), 256);
    QCOMPARE(GreyAt(hs->PreviewPicture(), 5, 7), ShownGrey(ExpectedPixel(256, 5, 7, 1)));
    CloseWindow(hs);
    QVERIFY(prompt_->texts().isEmpty());
}

void EMPreviewTest::aRangeNeverChosenIsTheWholeRecording()
{
    for (const char* section : { "EM 1012", "HS 4540" }) {
        settings_->deleteValue(QString::fromLatin1(section), QStringLiteral("FirstFrame"));
        settings_->deleteValue(QString::fromLatin1(section), QStringLiteral("EndFrame"));
    }
    QPointer<TEMPreview> em = Open(EmModel::Em1012, ":DEV7");
    QCOMPARE(FieldText(em, "FirstEN"), QString("-20"));
    QCOMPARE(FieldText(em, "LastEN"), QString("79"));
    QCOMPARE(FieldText(em, "PreviewEN"), QString("-20"));
    CloseWindow(em);

    QPointer<TEMPreview> hs = Open(EmModel::Hs4540, ":DEV8", "(Kodak 4540) Bench");
    QCOMPARE(FieldText(hs, "FirstEN"), QString("1"));
    QCOMPARE(FieldText(hs, "LastEN"), QString("1024"));
    CloseWindow(hs);
}

void EMPreviewTest::aPreviewThatCannotBeUploadedShowsInTheErrorBar()
{
    qputenv("FW_GPIB_SIM_UPLOAD_TIMEOUT", "EM");
    variables_ << "FW_GPIB_SIM_UPLOAD_TIMEOUT";
    QPointer<TEMPreview> em = Open(EmModel::Em1012, ":DEV7");
    QVERIFY(!em->findChild<QLabel*>("ErrorBar")->text().isEmpty());
    // The window asks nothing while previewing.
    QVERIFY(prompt_->texts().isEmpty());
    CloseWindow(em);
}

void EMPreviewTest::frameFieldsKeepTheIntervalGrid()
{
    QPointer<TEMPreview> em = Open(EmModel::Em1012, ":DEV7");
    Type(em, "FirstEN", "5");
    Type(em, "StepEdit", "4");
    Type(em, "LastEN", "18");
    QCOMPARE(FieldText(em, "LastEN"), QString("17"));
    QCOMPARE(em->Frames().Count(), 4);
    // The stream and the clip window follow: four frames, 4 ms apart at 1000 frames a second.
    QCOMPARE(em->Source().FrameCount(), 4);
    QCOMPARE(em->Source().Interval(), 4);
    QCOMPARE(em->Display()->FramePeriodMs(), 4.0F);
    QCOMPARE(em->Display()->TimeBase().ShownNumber(3), 17);

    auto* bar = em->findChild<TimeBarSlider*>("FrameRangeTB");
    QCOMPARE(bar->selectionStart(), 5);
    QCOMPARE(bar->selectionEnd(), 17);
    QCOMPARE(bar->singleStep(), 4);
    QCOMPARE(bar->pageStep(), 40);

    // The preview is kept on the grid and shows the frame it names.
    Type(em, "PreviewEN", "11");
    QCOMPARE(FieldText(em, "PreviewEN"), QString("9"));
    em->IdleTick();
    QCOMPARE(GreyAt(em->PreviewPicture(), 27, 0), ShownGrey(ExpectedPixel(239, 27, 0, 9)));
    QCOMPARE(GreyAt(em->PreviewPicture(), 27, 0), ShownGrey(240));
    CloseWindow(em);
}

void EMPreviewTest::hsFieldsSkipFrameZero()
{
    for (const auto& [name, value] :
        { std::pair { "FW_GPIB_SIM_HS_FIRST", "-1000" }, { "FW_GPIB_SIM_HS_LAST", "1000" } }) {
        qputenv(name, value);
        variables_ << name;
    }
    // The processor tells a recording around the trigger as half its memory either side.
    QPointer<TEMPreview> hs = Open(EmModel::Hs4540, ":DEV8", "(Kodak 4540) Bench");
    QCOMPARE(hs->Frames().Lowest(), -512);
    QCOMPARE(hs->Frames().Highest(), 512);
    Type(hs, "FirstEN", "-100");
    Type(hs, "LastEN", "100");
    QCOMPARE(hs->Frames().Count(), 200);
    QCOMPARE(hs->Source().FrameCount(), 200);
    // The clip window counts the processor's way: -1, then 1.
    QCOMPARE(hs->Display()->TimeBase().ShownNumber(99), -1);
    QCOMPARE(hs->Display()->TimeBase().ShownNumber(100), 1);

    Type(hs, "PreviewEN", "1");
    auto* spin = hs->findChild<SpinButtons*>("PreviewSB");
    spin->DownButton()->click();
    QCOMPARE(FieldText(hs, "PreviewEN"), QString("-1"));
    hs->IdleTick();
    // Frame -1 has its bar across the sensor's edge, frame 1 does not.
    QCOMPARE(GreyAt(hs->PreviewPicture(), 0, 9), ShownGrey(ExpectedPixel(256, 0, 9, -1)));
    QCOMPARE(GreyAt(hs->PreviewPicture(), 0, 9), ShownGrey(240));
    spin->UpButton()->click();
    QCOMPARE(FieldText(hs, "PreviewEN"), QString("1"));
    hs->IdleTick();
    QCOMPARE(GreyAt(hs->PreviewPicture(), 0, 9), ShownGrey(ExpectedPixel(256, 0, 9, 1)));
    QVERIFY(ShownGrey(ExpectedPixel(256, 0, 9, 1)) != ShownGrey(240));
    CloseWindow(hs);
}

void EMPreviewTest::recordAsksBeforeReplacingTheRecordingAndStopEndsIt()
{
    QPointer<TEMPreview> em = Open(EmModel::Em1012, ":DEV7");
    auto* record = em->findChild<QPushButton*>("RecordBtn");
    auto* status = em->findChild<QLabel*>("StatusBar");
    busLog().Clear();

    prompt_->queueAnswer(PromptButton::No);
    record->click();
    QCOMPARE(prompt_->texts(), QStringList({ "CAUTION: Do you wish to replace existing recording?" }));
    QVERIFY(!record->isChecked());
    QCOMPARE(em->Frames().RecordedFrames(), 100);
    QCOMPARE(em->Frames().Count(), 1);
    QVERIFY(!busLog().Wrote(em_command::kRecord));
    em->IdleTick();
    QVERIFY(em->ProcessorState() != 12);
    QVERIFY(status->text() != "Status: Trig Wait");

    prompt_->queueAnswer(PromptButton::Yes);
    record->click();
    QVERIFY(record->isChecked());
    QVERIFY(busLog().Wrote(em_command::kRecord));
    QCOMPARE(em->Frames().Count(), 0);
    QVERIFY(!em->findChild<QPushButton*>("OkBtn")->isEnabled());
    em->IdleTick();
    QCOMPARE(em->ProcessorState(), 12);
    QCOMPARE(status->text(), QString("Status: Trig Wait"));
    QCOMPARE(em->DeviceKind(), 2);

    // Stopping a processor that waits for its trigger asks first; the recording it ends is read.
    prompt_->queueAnswer(PromptButton::Yes);
    em->findChild<QPushButton*>("StopBtn")->click();
    QCOMPARE(prompt_->texts().last(),
        QString("Processor is waiting for Record Stop Trigger, do you want to Stop It?"));
    em->IdleTick();
    QCOMPARE(em->ProcessorState(), 4);
    QVERIFY(!record->isChecked());
    QCOMPARE(em->DeviceKind(), 1);
    QCOMPARE(em->Frames().RecordedFrames(), 100);
    QVERIFY(em->findChild<QPushButton*>("OkBtn")->isEnabled());
    CloseWindow(em);
}

void EMPreviewTest::savedClipHoldsTheProcessorsFramesAndRate()
{
    QPointer<TEMPreview> em = Open(EmModel::Em1012, ":DEV7");
    Type(em, "LastEN", "4");
    Type(em, "FirstEN", "2");
    QCOMPARE(em->Frames().Count(), 3);
    const int counter = TEMPreview::SaveCounter();
    SaveTo(*em, dir_->filePath("download"));
    QTRY_VERIFY_WITH_TIMEOUT(!opened_.isEmpty(), 60000);
    QCOMPARE(opened_, QStringList({ dir_->filePath("download.avi") }));
    QCOMPARE(save_caption_, QString("Save ") + kEmTitle + " Images As");
    QCOMPARE(proposed_name_, QString(kEmTitle) + "(" + QString::number(counter) + ")");
    QCOMPARE(TEMPreview::SaveCounter(), counter + 1);
    // The window stays for the next download.
    QTRY_VERIFY(em->isVisible());

    TAVISTREAM saved("AVI");
    saved.Open(opened_.first());
    QCOMPARE(saved.FrameCount(), 3);
    FrameAccess* access = nullptr;
    QVERIFY(saved.BeginFrameAccess(access));
    for (int index = 0; index < 3; ++index) {
        std::int32_t size = 0;
        const std::uint8_t* bytes = nullptr;
        QVERIFY(saved.GetFrame(access, index, size, bytes));
        const FrameImage frame = FrameImage::fromPacked(bytes, size_t(size));
        QCOMPARE(frame.width(), 240);
        QCOMPARE(frame.height(), 192);
        for (int y = 0; y < 192; y += 7)
            for (int x = 0; x < 240; x += 5)
                QCOMPARE(GreyAt(frame, x, y), ShownGrey(ExpectedPixel(239, std::min(x, 238), y, 2 + index)));
    }
    saved.EndFrameAccess(access);
    const std::string block = ReadStreamDescriptors(saved);
    std::string rate;
    QVERIFY(GetDescriptorValue(block, "Camera", "Recording Rate", rate));
    QCOMPARE(rate, std::string("1000"));
    QVERIFY(GetDescriptorValue(block, "Timing", "Frame Rate", rate));
    QCOMPARE(rate, std::string("1000"));
    std::string mark_time;
    QVERIFY(GetDescriptorValue(block, "Timing", "Time at Mark Frame", mark_time));
    double mark_time_ms = -1.0;
    QVERIFY(ParseDescriptorNumber(mark_time, mark_time_ms));
    QCOMPARE(mark_time_ms, 0.0);
    QVERIFY(prompt_->texts().isEmpty());
    CloseWindow(em);
}

void EMPreviewTest::croppedSaveLeavesThePreviewWhole()
{
    const QString section = "EM 1012";
    settings_->writeBool(section, "Cropping", true);
    settings_->writeInteger(section, "CropLeft", 8);
    settings_->writeInteger(section, "CropTop", 4);
    settings_->writeInteger(section, "CropRight", 71);
    settings_->writeInteger(section, "CropBottom", 35);
    QPointer<TEMPreview> em = Open(EmModel::Em1012, ":DEV7");
    QVERIFY(em->findChild<QToolButton*>("CropSB")->isChecked());
    QCOMPARE(em->Source().OutputWidth(), 240);
    SaveTo(*em, dir_->filePath("cropped"));
    QTRY_VERIFY_WITH_TIMEOUT(!opened_.isEmpty(), 60000);

    TAVISTREAM saved("AVI");
    saved.Open(opened_.first());
    FrameAccess* access = nullptr;
    QVERIFY(saved.BeginFrameAccess(access));
    std::int32_t size = 0;
    const std::uint8_t* bytes = nullptr;
    QVERIFY(saved.GetFrame(access, 0, size, bytes));
    const FrameImage frame = FrameImage::fromPacked(bytes, size_t(size));
    saved.EndFrameAccess(access);
    QCOMPARE(frame.width(), 64);
    QCOMPARE(frame.height(), 32);
    for (const auto& [x, y] : { std::pair { 0, 0 }, { 63, 31 }, { 10, 20 } })
        QCOMPARE(GreyAt(frame, x, y), ShownGrey(ExpectedPixel(239, 8 + x, 4 + y, 1)));

    // The preview shows the whole picture again.
    QCOMPARE(em->Source().OutputWidth(), 240);
    QCOMPARE(em->Source().OutputHeight(), 192);
    CloseWindow(em);
}

void EMPreviewTest::closingWhileSavingAsksAndStaysOpen()
{
    QPointer<TEMPreview> em = Open(EmModel::Em1012, ":DEV7");
    Type(em, "LastEN", "40");
    SaveTo(*em, dir_->filePath("cancelled"));
    QVERIFY(em->IsSaving());
    prompt_->queueAnswer(PromptButton::Yes);
    QVERIFY(!em->close());
    QCOMPARE(prompt_->texts().first(), QString("Cancel the Download and Save in Progress?"));
    QTRY_VERIFY_WITH_TIMEOUT(!em->IsSaving(), 60000);
    QVERIFY(!em.isNull());
    QVERIFY(opened_.isEmpty());
    QVERIFY(em->isVisible());
    QVERIFY(!em->Source().Processor().Busy());

    // The window previews again.
    Type(em, "PreviewEN", "30");
    em->IdleTick();
    QCOMPARE(GreyAt(em->PreviewPicture(), 90, 0), ShownGrey(ExpectedPixel(239, 90, 0, 30)));
    QCOMPARE(GreyAt(em->PreviewPicture(), 90, 0), ShownGrey(240));
    CloseWindow(em);
}

void EMPreviewTest::closingStoresTheSettingsAndDisconnects()
{
    QPointer<TEMPreview> em = Open(EmModel::Em1012, ":DEV7");
    Type(em, "FirstEN", "-20");
    Type(em, "LastEN", "30");
    em->findChild<QCheckBox*>("MirrorXB")->setChecked(true);
    busLog().Clear();
    QVERIFY(em->close());
    // The processor was handed back to its keypad and its descriptor taken off line.
    QVERIFY(busLog().Wrote(em_command::kLocal));
    {
        const std::lock_guard lock(busLog().mutex);
        QVERIFY(std::any_of(busLog().online_calls.begin(), busLog().online_calls.end(),
            [](const auto& call) { return call.second == 0; }));
    }
    QTRY_VERIFY(em.isNull());
    const QString section = "EM 1012";
    QCOMPARE(settings_->readString(section, "FirstFrame"), QString("-20"));
    QCOMPARE(settings_->readString(section, "EndFrame"), QString("30"));
    QVERIFY(settings_->readBool(section, "Mirror", false));
    QCOMPARE(settings_->readInteger(section, "Gamma", 0), 1800);

    // The next window starts from the stored range.
    QPointer<TEMPreview> again = Open(EmModel::Em1012, ":DEV7");
    QCOMPARE(again->Frames().First(), -20);
    QCOMPARE(again->Frames().Last(), 30);
    QVERIFY(again->findChild<QCheckBox*>("MirrorXB")->isChecked());
    CloseWindow(again);
}

QTEST_MAIN(EMPreviewTest)
#include "em_preview_test.moc"
