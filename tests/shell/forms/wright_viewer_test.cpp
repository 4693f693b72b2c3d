#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHelpEvent>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include "clips/descriptor_block.h"
#include "clips/riff_file.h"
#include "shell/forms/child_form.h"
#include "shell/forms/wright_viewer.h"
#include "shell/manual_clock.h"
#include "support/fw_error.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;
using namespace std::chrono_literals;

// Sees the hint requests that reach a control (the program-wide filter runs first).
class HintWatcher : public QObject {
public:
    bool seen = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip)
            seen = true;
        return false;
    }
};

class WrightViewerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void commandsCarryTheirCaptionsAndHints();
    void unavailableFeaturesAreDisabled();
    void attachImagerRunsTheInstalledCommand();
    void demoDevicesItemFollowsWhatRuns();
    void queuedClipOpensATimedChild();
    void playAdvancesTheChildAndStopHolds();
    void unrecognizedAndMissingFilesAreReported();
    void closingWritesTheSettings();
    void settingsThatCannotBeWrittenAreReportedOnClosing();
    void cleanupCommandFollowsTheList();
    void hintsCanBeSwitchedOff();
    void helpTopicsShowTheManual();
    void firstStartNoteShowsUntilSomethingOpensOrItIsTurnedOff();
    void sampleClipsAreOfferedFromTheSamplesFolder();
    void activatedChildBecomesCurrentAndAllFollowTheTimeBar();
    void clipsOfDifferentRatesPlayInStep();

private:
    QString MakeClip(const QString& name, int frames);
    void MakeViewer();
    // Ticks until the condition holds or the tick budget runs out. Each tick comes 30 ms of
    // the test's clock after the last, more than the master clock's spacing of advances.
    template <typename Condition> bool TickUntil(Condition condition, int ticks = 50);

    QTemporaryDir temp_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<ScriptedPrompt> prompt_;
    std::unique_ptr<TWrightViewer> viewer_;
    test::ManualClock clock_;
    QString clip_;
};

QString WrightViewerTest::MakeClip(const QString& name, int frames)
{
    const QString path = temp_.filePath(name);
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
        { QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
            QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("testsrc=size=64x48:rate=25"),
            QStringLiteral("-frames:v"), QString::number(frames), QStringLiteral("-c:v"),
            QStringLiteral("mjpeg"), path });
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return {};
    return path;
}

template <typename Condition> bool WrightViewerTest::TickUntil(Condition condition, int ticks)
{
    for (int i = 0; i < ticks; ++i) {
        if (condition())
            return true;
        clock_.Pass(30ms);
        viewer_->Timer();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return condition();
}

void WrightViewerTest::MakeViewer()
{
    viewer_ = std::make_unique<TWrightViewer>(*settings_);
    viewer_->SetClock(clock_.Reader());
    viewer_->show();
}

void WrightViewerTest::initTestCase()
{
    // Build folders need not sit inside the source tree.
    qputenv("FRAMEWRIGHT_DOCS_DIR", FW_SOURCE_DIR "/docs");
    QVERIFY(temp_.isValid());
    clip_ = MakeClip(QStringLiteral("ball.avi"), 12);
    QVERIFY2(!clip_.isEmpty(), "ffmpeg could not make the test clip");
}

void WrightViewerTest::init()
{
    QFile::remove(temp_.filePath(QStringLiteral("settings.ini")));
    settings_ = std::make_unique<SettingsStore>(temp_.filePath(QStringLiteral("settings.ini")));
    prompt_ = std::make_unique<ScriptedPrompt>();
    installPrompt(prompt_.get());
    MakeViewer();
}

void WrightViewerTest::cleanup()
{
    viewer_.reset();
    installPrompt(nullptr);
    prompt_.reset();
    settings_.reset();
}

void WrightViewerTest::commandsCarryTheirCaptionsAndHints()
{
    const std::pair<const char*, const char*> items[] = {
        { "Open1", "&Open..." },
        { "OpenSamplesItem", "Open Sa&mple Clips..." },
        { "OpenImager1", "&Attach Imager..." },
        { "CloseItem", "&Close" },
        { "CloseAllItem", "C&lose All" },
        { "SaveAs", "&Save As..." },
        { "AssignDatabaseFiles", "Assign &Database File(s)" },
        { "CompressionOptions", "&Video Save Options" },
        { "DeleteSourceFiles", "Delete Source &File(s)..." },
        { "Exit1", "E&xit" },
        { "CopyFrameItem", "&Copy Frame" },
        { "DefaultTitlesItem", "&Default Titles..." },
        { "DescriptorsItem", "&File Descriptors..." },
        { "QMeasureItem", "Quick &Measure..." },
        { "SGraphItem", "Signal &Graphing..." },
        { "DemoDevicesItem", "&Demo Devices" },
        { "ShowHints", "&Show Hints" },
        { "HelpTopics1", "&Help Topics" },
        { "SetLoopStart", "Set Play Loop &Start" },
        { "SetLoopEnd", "Set Play Loop &End" },
        { "SetFullLoop", "Set F&ull Play Loop" },
    };
    for (const auto& [name, caption] : items) {
        auto* action = viewer_->findChild<QAction*>(QLatin1String(name));
        QVERIFY2(action, name);
        QCOMPARE(action->text(), QString::fromUtf8(caption));
    }
    QCOMPARE(viewer_->findChild<QAction*>(QStringLiteral("CopyFrameItem"))->shortcut(),
        QKeySequence(Qt::CTRL | Qt::Key_C));

    const std::pair<const char*, const char*> buttons[] = {
        { "OpenBtn", "Open" },
        { "AttachBtn", "Attach Imager" },
        { "SaveBtn", "Save Video Clip As" },
        { "CompressionOptionsBtn", "Compression Options" },
        { "CleanupBtn", "Delete Frame Files" },
        { "DescriptorsBtn", "Descriptors" },
        { "QMeasureBtn", "Quick Measurements" },
        { "SGraphBtn", "Signal Graphing" },
        { "RecordBtn", "Master Record Ready" },
        { "PresentationBtn", "Presentation Playback" },
        { "RepeatSB", "Repeating Play" },
        { "PlaySB", "Play" },
        { "StopSB", "Stop" },
        { "TZeroSB", "Stop at Time Zero" },
        { "EndSB", "Jump to End" },
        { "StartSB", "Jump to Start" },
        { "StepSB", "Step Forward" },
        { "BackSB", "Step Backward" },
    };
    for (const auto& [name, hint] : buttons) {
        auto* button = viewer_->findChild<QToolButton*>(QLatin1String(name));
        QVERIFY2(button, name);
        QCOMPARE(button->toolTip(), QString::fromUtf8(hint));
    }
    QCOMPARE(
        viewer_->findChild<QSlider*>(QStringLiteral("TimeBar"))->toolTip(), QStringLiteral("Master Time"));
    QStringList speeds;
    for (QAction* item : viewer_->findChild<QMenu*>(QStringLiteral("PlaybackSpeed"))->actions())
        speeds << item->text() + (item->isChecked() ? QStringLiteral("*") : QString());
    QCOMPARE(speeds, QStringList({ "1/8", "1/4", "1/2", "x1*", "x2" }));
    QCOMPARE(viewer_->windowTitle(), QStringLiteral("Framewright"));
}

void WrightViewerTest::unavailableFeaturesAreDisabled()
{
    for (const char* name :
        { "OpenImager1", "SaveAs", "CompressionOptions", "DescriptorsItem", "QMeasureItem", "SGraphItem",
            "CloseItem", "CloseAllItem", "CopyFrameItem", "DeleteSourceFiles", "DemoDevicesItem" })
        QVERIFY2(!viewer_->findChild<QAction*>(QLatin1String(name))->isEnabled(), name);
    // Titles and database files can be set up before any clip is open.
    for (const char* name : { "AssignDatabaseFiles", "DefaultTitlesItem" })
        QVERIFY2(viewer_->findChild<QAction*>(QLatin1String(name))->isEnabled(), name);
    for (const char* name :
        { "AttachBtn", "SaveBtn", "QMeasureBtn", "SGraphBtn", "RecordBtn", "PresentationBtn" })
        QVERIFY2(!viewer_->findChild<QToolButton*>(QLatin1String(name))->isEnabled(), name);
    QVERIFY(viewer_->findChild<QToolButton*>(QStringLiteral("OpenBtn"))->isEnabled());
    QVERIFY(viewer_->findChild<QToolButton*>(QStringLiteral("PresentationBtn"))->isHidden());
    QVERIFY(viewer_->findChild<QWidget*>(QStringLiteral("TimePanel"))->isHidden());
}

// The item is checked while the devices run: starting tells what runs, stopping asks nothing,
// and a failure either way is shown with the check left as things are.
void WrightViewerTest::demoDevicesItemFollowsWhatRuns()
{
    auto* item = viewer_->findChild<QAction*>(QStringLiteral("DemoDevicesItem"));
    QVERIFY(item->isCheckable());
    auto* tools = viewer_->findChild<QMenu*>(QStringLiteral("Tools1"));
    QCOMPARE(tools->actions().constLast(), item);
    QVERIFY(tools->actions().at(tools->actions().size() - 2)->isSeparator());

    int starts = 0;
    int stops = 0;
    bool refuse = false;
    DemoDevicesCommand command;
    command.start = [&] {
        if (refuse)
            throw Error("The imager simulator was not found.");
        ++starts;
        return QStringLiteral("Demo devices are running.");
    };
    command.stop = [&] {
        if (refuse)
            throw Error("Demo HG 2000 is attached.");
        ++stops;
    };
    viewer_->SetDemoDevicesCommand(command);
    QVERIFY(item->isEnabled());

    item->trigger();
    QVERIFY(item->isChecked());
    QCOMPARE(starts, 1);
    QCOMPARE(prompt_->questions().size(), size_t(1));
    QCOMPARE(prompt_->questions().front().kind, PromptKind::Information);
    QCOMPARE(prompt_->questions().front().caption, QStringLiteral("Demo Devices"));
    QCOMPARE(prompt_->questions().front().text, QStringLiteral("Demo devices are running."));

    refuse = true;
    item->trigger();
    QVERIFY(item->isChecked());
    QCOMPARE(prompt_->questions().back().kind, PromptKind::Warning);
    QCOMPARE(prompt_->questions().back().text, QStringLiteral("Demo HG 2000 is attached."));

    refuse = false;
    prompt_->clear();
    item->trigger();
    QVERIFY(!item->isChecked());
    QCOMPARE(stops, 1);
    QVERIFY(prompt_->questions().empty());

    refuse = true;
    item->trigger();
    QVERIFY(!item->isChecked());
    QCOMPARE(prompt_->texts(), QStringList({ "The imager simulator was not found." }));
    QCOMPARE(prompt_->questions().back().caption, QStringLiteral("Demo Devices"));
}

void WrightViewerTest::attachImagerRunsTheInstalledCommand()
{
    int runs = 0;
    int writes = 0;
    ImagerAttachCommand command;
    command.attach = [&](const ChildContext& context) {
        ++runs;
        QCOMPARE(context.main_window, viewer_.get());
        QCOMPARE(context.settings, settings_.get());
        QVERIFY(bool(context.register_child));
    };
    const auto write_settings = [&](SettingsStore& store) {
        ++writes;
        store.writeString(
            QStringLiteral("Imagers"), QStringLiteral("Bench"), QStringLiteral("Kodak RO;Ethernet"));
    };
    command.write_settings = write_settings;
    viewer_->SetImagerAttachCommand(command);
    auto* item = viewer_->findChild<QAction*>(QStringLiteral("OpenImager1"));
    QVERIFY(item->isEnabled());
    QVERIFY(viewer_->findChild<QToolButton*>(QStringLiteral("AttachBtn"))->isEnabled());
    item->trigger();
    viewer_->findChild<QToolButton*>(QStringLiteral("AttachBtn"))->click();
    QCOMPARE(runs, 2);

    // A failure of the command is shown, and the command stays.
    viewer_->SetImagerAttachCommand({ [](const ChildContext&) { throw Error("No imagers today."); }, {} });
    item->trigger();
    QCOMPARE(prompt_->texts(), QStringList({ "No imagers today." }));
    QVERIFY(item->isEnabled());

    viewer_->SetImagerAttachCommand({ {}, write_settings });
    QVERIFY(!item->isEnabled());
    QVERIFY(viewer_->close());
    QCOMPARE(writes, 1);
    SettingsStore reread(temp_.filePath(QStringLiteral("settings.ini")));
    QCOMPARE(reread.readString(QStringLiteral("Imagers"), QStringLiteral("Bench")),
        QStringLiteral("Kodak RO;Ethernet"));
}

void WrightViewerTest::queuedClipOpensATimedChild()
{
    QSignalSpy opened(viewer_.get(), &TWrightViewer::fileOpened);
    viewer_->QueueFile(clip_);
    QVERIFY(TickUntil([&] { return viewer_->Children().size() == 1; }));
    QCOMPARE(opened.count(), 1);
    TChildForm* child = viewer_->Children().front();
    QCOMPARE(child->Title(), QStringLiteral("ball.avi"));
    QVERIFY(TickUntil([&] { return viewer_->Clock().HasTimedChildren(); }));
    QCOMPARE(viewer_->CurrentChild(), child);
    QVERIFY(!viewer_->findChild<QWidget*>(QStringLiteral("TimePanel"))->isHidden());
    // A clip without timing runs at 1000 frames per second from 0: 12 frames span 0..11 ms.
    QCOMPARE(viewer_->findChild<QSlider*>(QStringLiteral("TimeBar"))->maximum(), 11);
    QVERIFY(viewer_->findChild<QAction*>(QStringLiteral("CloseAllItem"))->isEnabled());
    QVERIFY(prompt_->texts().isEmpty());

    viewer_->findChild<QAction*>(QStringLiteral("CloseItem"))->trigger();
    QVERIFY(TickUntil([&] { return viewer_->Children().empty(); }));
    QVERIFY(!viewer_->findChild<QAction*>(QStringLiteral("CloseItem"))->isEnabled());
}

void WrightViewerTest::playAdvancesTheChildAndStopHolds()
{
    viewer_->QueueFile(clip_);
    QVERIFY(TickUntil([&] { return viewer_->Clock().HasTimedChildren(); }));
    TChildForm* child = viewer_->Children().front();
    QTest::mouseClick(viewer_->findChild<QToolButton*>(QStringLiteral("PlaySB")), Qt::LeftButton);
    QVERIFY(viewer_->findChild<QToolButton*>(QStringLiteral("PlaySB"))->isChecked());
    QVERIFY(TickUntil([&] { return child->CurrentIndex() >= 3; }));
    QTest::mouseClick(viewer_->findChild<QToolButton*>(QStringLiteral("StopSB")), Qt::LeftButton);
    QVERIFY(!viewer_->findChild<QToolButton*>(QStringLiteral("PlaySB"))->isChecked());
    TickUntil([] { return false; }, 3);
    const int32_t stopped_at = child->CurrentIndex();
    TickUntil([] { return false; }, 5);
    QCOMPARE(child->CurrentIndex(), stopped_at);

    QTest::mouseClick(viewer_->findChild<QToolButton*>(QStringLiteral("EndSB")), Qt::LeftButton);
    QVERIFY(TickUntil([&] { return child->CurrentIndex() == 11; }));
    QCOMPARE(viewer_->findChild<QSlider*>(QStringLiteral("TimeBar"))->value(), 11);
    // Play at the end starts over.
    QTest::mouseClick(viewer_->findChild<QToolButton*>(QStringLiteral("PlaySB")), Qt::LeftButton);
    QVERIFY(TickUntil([&] { return child->CurrentIndex() < 11; }, 3));
}

void WrightViewerTest::unrecognizedAndMissingFilesAreReported()
{
    viewer_->QueueFiles({ QStringLiteral("/nowhere/pic.dib"), QStringLiteral("/nowhere/F0000001.bay"),
        QStringLiteral("/nowhere/F0000001.tif"), QStringLiteral("/nowhere/readme") });
    TickUntil([] { return false; }, 4);
    const QStringList texts = prompt_->texts();
    QCOMPARE(texts.size(), 3);
    QCOMPARE(texts.at(0), QStringLiteral("/nowhere/pic.dib is an unrecognized file type."));
    QCOMPARE(texts.at(1), QStringLiteral("File /nowhere/F0000001.bay not found."));
    QVERIFY(texts.at(2).startsWith(QStringLiteral("/nowhere/F0000001.tif\r")));
    QVERIFY(viewer_->Children().empty());
    QCOMPARE(viewer_->Queue().Names(), QStringList { QStringLiteral("/nowhere/readme") });

    prompt_->clear();
    viewer_->QueueFile(temp_.filePath(QStringLiteral("missing.avi")));
    TickUntil([] { return false; }, 2);
    QCOMPARE(prompt_->texts().size(), 1);
    QVERIFY(prompt_->texts().at(0).startsWith(
        QStringLiteral("File ") + temp_.filePath(QStringLiteral("missing.avi"))));
}

void WrightViewerTest::closingWritesTheSettings()
{
    settings_->writeString(
        QStringLiteral("Presentation"), QStringLiteral("Filename"), QStringLiteral("/p/show.txt"));
    settings_->writeString(
        QStringLiteral("Database Files"), QStringLiteral("/db/a.ini"), QStringLiteral("Lab|Car"));
    MakeViewer();
    viewer_->QueueFile(clip_);
    QVERIFY(TickUntil([&] { return viewer_->Children().size() == 1; }));
    viewer_->findChild<QAction*>(QStringLiteral("ShowHints"))->trigger();
    QVERIFY(viewer_->close());
    QVERIFY(viewer_->Children().empty());

    SettingsStore written(temp_.filePath(QStringLiteral("settings.ini")));
    QCOMPARE(written.readBool(QStringLiteral("Preferences"), QStringLiteral("Show Hints"), true), false);
    QCOMPARE(written.readString(QStringLiteral("Open"), QStringLiteral("Directory")),
        temp_.path() + QLatin1Char('/'));
    QCOMPARE(written.readString(QStringLiteral("Open"), QStringLiteral("Filename")), clip_);
    QCOMPARE(written.readString(QStringLiteral("Presentation"), QStringLiteral("Filename")),
        QStringLiteral("/p/show.txt"));
    // A database file that is not there keeps its assignment; its sections are kept sorted.
    QCOMPARE(written.readString(QStringLiteral("Database Files"), QStringLiteral("/db/a.ini")),
        QStringLiteral("Car|Lab"));
    // Default titles keep the order they were given in.
    QCOMPARE(written.valueNames(QStringLiteral("Default Titles")), QStringList({ "Title", "Imager Name" }));
    QVERIFY(written.valueExists(QStringLiteral("Desktop"), QStringLiteral("WrightViewer")));
    QVERIFY(written.valueExists(QStringLiteral("Desktop"), QStringLiteral("DisplayForm")));
}

void WrightViewerTest::settingsThatCannotBeWrittenAreReportedOnClosing()
{
    QFile blocker(temp_.filePath(QStringLiteral("taken")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A file where the store's folder should be stops every user, the superuser too.
    const QString path = temp_.filePath(QStringLiteral("taken/settings.ini"));
    SettingsStore unwritable(path);
    viewer_ = std::make_unique<TWrightViewer>(unwritable);
    viewer_->show();
    QVERIFY(viewer_->close());
    QCOMPARE(
        prompt_->texts(), QStringList { "Could not write the settings to " + path + "\rNot a directory" });
    viewer_.reset();
}

void WrightViewerTest::cleanupCommandFollowsTheList()
{
    auto* cleanup = viewer_->findChild<QToolButton*>(QStringLiteral("CleanupBtn"));
    QVERIFY(!cleanup->isEnabled());
    viewer_->AddSourceFile(QStringLiteral("/frames/F0000001.bay"));
    QVERIFY(cleanup->isEnabled());
    QVERIFY(viewer_->findChild<QAction*>(QStringLiteral("DeleteSourceFiles"))->isEnabled());
}

void WrightViewerTest::hintsCanBeSwitchedOff()
{
    auto* open = viewer_->findChild<QToolButton*>(QStringLiteral("OpenBtn"));
    HintWatcher watcher;
    open->installEventFilter(&watcher);
    auto ask_for_hint = [open, &watcher] {
        watcher.seen = false;
        QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), open->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(open, &tip);
        return watcher.seen;
    };
    QVERIFY(viewer_->HintsShown());
    QVERIFY(ask_for_hint());
    viewer_->findChild<QAction*>(QStringLiteral("ShowHints"))->trigger();
    QVERIFY(!viewer_->HintsShown());
    QVERIFY(!ask_for_hint());
}

void WrightViewerTest::helpTopicsShowTheManual()
{
    viewer_->findChild<QAction*>(QStringLiteral("HelpTopics1"))->trigger();
    QTextBrowser* text = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QStringLiteral("HelpBrowser") && window->isVisible())
            text = window->findChild<QTextBrowser*>();
    }
    QVERIFY(text);
    QCOMPARE(text->documentTitle(), QStringLiteral("Framewright User Manual"));
    QVERIFY(prompt_->texts().isEmpty());
}

void WrightViewerTest::firstStartNoteShowsUntilSomethingOpensOrItIsTurnedOff()
{
    auto* note = viewer_->findChild<QWidget*>(QStringLiteral("FirstStartNote"));
    QVERIFY(note);
    QVERIFY2(!note->isVisibleTo(viewer_.get()), "a file given with the start may still come");
    viewer_->Timer();
    QVERIFY(note->isVisibleTo(viewer_.get()));
    viewer_->QueueFile(clip_);
    QVERIFY(!note->isVisibleTo(viewer_.get()));
    QVERIFY(TickUntil([&] { return viewer_->Children().size() == 1; }));
    QVERIFY(!note->isVisibleTo(viewer_.get()));
    viewer_->findChild<QAction*>(QStringLiteral("CloseAllItem"))->trigger();
    QVERIFY(TickUntil([&] { return viewer_->Children().empty(); }));
    QVERIFY2(!note->isVisibleTo(viewer_.get()), "the note is for the start of a session");
    QVERIFY(viewer_->close());
    SettingsStore kept(temp_.filePath(QStringLiteral("settings.ini")));
    QCOMPARE(
        kept.readBool(QStringLiteral("Preferences"), QStringLiteral("Show First Start Note"), false), true);

    MakeViewer();
    viewer_->Timer();
    note = viewer_->findChild<QWidget*>(QStringLiteral("FirstStartNote"));
    QVERIFY(note->isVisibleTo(viewer_.get()));
    note->findChild<QPushButton*>(QStringLiteral("NoteOffBtn"))->click();
    QVERIFY(!note->isVisibleTo(viewer_.get()));
    QVERIFY(viewer_->close());
    SettingsStore written(temp_.filePath(QStringLiteral("settings.ini")));
    QCOMPARE(written.readBool(QStringLiteral("Preferences"), QStringLiteral("Show First Start Note"), true),
        false);
    MakeViewer();
    viewer_->Timer();
    QVERIFY(!viewer_->findChild<QWidget*>(QStringLiteral("FirstStartNote"))->isVisibleTo(viewer_.get()));
}

void WrightViewerTest::sampleClipsAreOfferedFromTheSamplesFolder()
{
    // Both the menu item and the note's button open the file dialog in the samples folder.
    QStringList directories;
    auto answerDialog = [&] {
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                directories << dialog->directory().absolutePath();
                dialog->reject();
            }
        });
    };
    answerDialog();
    viewer_->findChild<QAction*>(QStringLiteral("OpenSamplesItem"))->trigger();
    answerDialog();
    viewer_->findChild<QPushButton*>(QStringLiteral("OpenSamplesBtn"))->click();
    const QString samples
        = QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/Samples")).absolutePath();
    QCOMPARE(directories, QStringList({ samples, samples }));
    QVERIFY(viewer_->Children().empty());
    QVERIFY(prompt_->texts().isEmpty());
}

void WrightViewerTest::activatedChildBecomesCurrentAndAllFollowTheTimeBar()
{
    const QString longer = MakeClip(QStringLiteral("longer.avi"), 20);
    QVERIFY(!longer.isEmpty());
    viewer_->QueueFiles({ clip_, longer });
    QVERIFY(TickUntil([&] { return viewer_->Children().size() == 2; }));
    TChildForm* first = viewer_->Children().at(0);
    TChildForm* second = viewer_->Children().at(1);
    QVERIFY(TickUntil([&] { return viewer_->CurrentChild() != nullptr; }));
    viewer_->ActiveFormChanged(first);
    QCOMPARE(viewer_->CurrentChild(), first);
    viewer_->ActiveFormChanged(viewer_.get());
    QCOMPARE(viewer_->CurrentChild(), first);

    auto* bar = viewer_->findChild<QSlider*>(QStringLiteral("TimeBar"));
    QVERIFY(TickUntil([&] { return bar->maximum() == 19; }));
    bar->setValue(15);
    QVERIFY(TickUntil([&] { return second->CurrentIndex() == 15; }));
    // The shorter clip stays on its last frame.
    QCOMPARE(first->CurrentIndex(), 11);
}

void WrightViewerTest::clipsOfDifferentRatesPlayInStep()
{
    // 1000 and 500 frames per second, both starting at time 0.
    const QString fast = MakeClip(QStringLiteral("fast.avi"), 24);
    const QString slow = MakeClip(QStringLiteral("slow.avi"), 12);
    QVERIFY(!fast.isEmpty() && !slow.isEmpty());
    const auto fast_block
        = DescriptorChunkBytes("[Timing]\rFrame Rate=1000\rMark Frame=0\rTime at Mark Frame=0\r");
    const auto slow_block
        = DescriptorChunkBytes("[Timing]\rFrame Rate=500\rMark Frame=0\rTime at Mark Frame=0\r");
    QVERIFY(TRIFF(fast).AddChunk(kDescriptorChunkId, fast_block.data(), int32_t(fast_block.size())));
    QVERIFY(TRIFF(slow).AddChunk(kDescriptorChunkId, slow_block.data(), int32_t(slow_block.size())));

    viewer_->QueueFiles({ fast, slow });
    QVERIFY(TickUntil([&] { return viewer_->Children().size() == 2; }));
    TChildForm* fast_child = viewer_->Children().at(0);
    TChildForm* slow_child = viewer_->Children().at(1);
    QCOMPARE(slow_child->FramePeriodMs(), 2.0f);
    // The second window opens beside the first, not over it.
    QVERIFY(slow_child->x() > fast_child->frameGeometry().right());
    QCOMPARE(slow_child->y(), fast_child->y());
    QVERIFY(TickUntil([&] { return viewer_->Clock().End() == 23.0f; }));
    QCOMPARE(viewer_->Clock().Step(), 1.0f);

    // Stepping: every master step is a frame of the fast clip and half a frame of the slow one,
    // which shows the frame nearest the master time.
    auto* step = viewer_->findChild<QToolButton*>(QStringLiteral("StepSB"));
    for (int k = 1; k <= 6; ++k) {
        QTest::mouseClick(step, Qt::LeftButton);
        QVERIFY(TickUntil([&] { return fast_child->CurrentIndex() == k; }, 5));
        QCOMPARE(slow_child->CurrentIndex(), (k + 1) / 2);
    }

    // Playing: the slow clip shows each of its frames for two master steps, in step.
    QTest::mouseClick(viewer_->findChild<QToolButton*>(QStringLiteral("StartSB")), Qt::LeftButton);
    QVERIFY(TickUntil([&] { return fast_child->CurrentIndex() == 0 && slow_child->CurrentIndex() == 0; }));
    QList<QPair<int, int>> seen;
    QTest::mouseClick(viewer_->findChild<QToolButton*>(QStringLiteral("PlaySB")), Qt::LeftButton);
    QVERIFY(TickUntil(
        [&] {
            const QPair<int, int> now(fast_child->CurrentIndex(), slow_child->CurrentIndex());
            if (seen.isEmpty() || seen.last() != now)
                seen.append(now);
            return now.first == 23;
        },
        400));
    for (const auto& [fast_index, slow_index] : seen)
        QCOMPARE(slow_index, std::min((fast_index + 1) / 2, 11));
    QMap<int, int> steps_per_slow_frame;
    for (const auto& pair : seen)
        ++steps_per_slow_frame[pair.second];
    // One master step a tick: every step of the fast clip was shown.
    QCOMPARE(seen.size(), 24);
    QCOMPARE(steps_per_slow_frame.value(5), 2);
}

QTEST_MAIN(WrightViewerTest)
#include "wright_viewer_test.moc"
