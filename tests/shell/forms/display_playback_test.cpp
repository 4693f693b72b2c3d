#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <numeric>

#include "clips/avi_encoders.h"
#include "shell/forms/crop_shape.h"
#include "shell/forms/display_controls.h"
#include "shell/forms/display_form.h"
#include "shell/forms/display_saver.h"
#include "shell/forms/form_test_support.h"
#include "shell/forms/frame_view.h"
#include "shell/forms/media_player.h"
#include "shell/forms/time_bar.h"
#include "shell/manual_clock.h"
#include "shell/save_progress.h"
#include "support/fw_error.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;
using fw::test::OtherSource;
using fw::test::runFfmpeg;
using namespace std::chrono_literals;

namespace {

// Black frames with a white bar whose height grows with the frame number, so a picture tells
// which frame it is.
bool makeCountingClip(const QString& path, int frames, int rate = 25)
{
    const QString bar = "255*lt(Y\\,N+1)*lt(X\\,8)";
    return runFfmpeg({ "-f", "lavfi", "-i", QString("color=c=black:size=96x64:rate=%1").arg(rate), "-vf",
        QString("format=rgb24,geq=r='%1':g='%1':b='%1'").arg(bar), "-frames:v", QString::number(frames),
        "-c:v", "rawvideo", "-pix_fmt", "bgr24", path });
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class DisplayPlaybackTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void playingShowsEveryFrameOnTimeAndEndsAtTheLast();
    void stepsAndSeeksShowExactlyTheFrameAsked();
    void loopItemsSetThePlayersLoopFromTheFrameBar();
    void speedItemsKeepTheSpeedInTheOptions();
    void playbackItemsFollowTheVideoControls();
    void imageAndDataBorderHoldsPictureLegendAndCross();
    void cropColourColoursTheRectangleAndThePicture();
    void savedClipReplacesTheOldOnlyOnSuccess();
    void failedAndCancelledSavesLeaveNoFile();
    void closeWhileSavingWaitsForTheSaveToEnd();
    void saveThroughTheWindowWritesClipsAndFrameFiles();

private:
    std::unique_ptr<TDisplayForm> open(const QString& path);
    QString clip(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> settings_;
    ScriptedPrompt prompt_;
    ChildContext context_;
};

void DisplayPlaybackTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    settings_ = std::make_unique<SettingsStore>(dir_->filePath("settings.ini"));
    prompt_.clear();
    installPrompt(&prompt_);
    context_ = ChildContext {};
    context_.settings = settings_.get();
}

void DisplayPlaybackTest::cleanup()
{
    DisplaySaver::SetSaveTargetChooser(nullptr);
    installPrompt(nullptr);
    settings_.reset();
    dir_.reset();
}

std::unique_ptr<TDisplayForm> DisplayPlaybackTest::open(const QString& path)
{
    QString error;
    auto form = test::OpenClipWindow(context_, path, &error);
    if (!form)
        qWarning() << "open failed:" << error;
    return form;
}

void DisplayPlaybackTest::playingShowsEveryFrameOnTimeAndEndsAtTheLast()
{
    QVERIFY(makeCountingClip(clip("play.avi"), 30));
    auto form = open(clip("play.avi"));
    QVERIFY(form);
    QVERIFY(form->Controls()->Player()->IsOpen());
    TFWMediaPlayer* player = form->Controls()->Player();
    QVERIFY(player->isVisible());
    QCOMPARE(player->Length(), 30);

    // 25 frames per second at x4: 30 frames take 0.3 s.
    test::ManualPlayTimer& timer = test::UseManualPlayTimer(*player);
    player->SetMinimumFrameSpacing(0);
    form->SetPlaybackSpeed(4000);
    QList<int> shown;
    connect(
        player, &TFWMediaPlayer::positionChanged, form.get(), [&] { shown.append(form->CurrentIndex()); });
    const auto start = timer.Now();
    QVERIFY(player->Press(TMPBtnType::btPlay));
    timer.RunUntil(start + 300ms - 1us);
    QCOMPARE(player->Mode(), PlayerMode::Playing); // the last frame still has its interval
    QList<int> every_frame(29); // frame 0 is on screen already
    std::iota(every_frame.begin(), every_frame.end(), 1);
    QCOMPARE(shown, every_frame);
    timer.RunFor(1us);
    QCOMPARE(player->Mode(), PlayerMode::Stopped);
    QCOMPARE(form->CurrentIndex(), 29);
    QCOMPARE(form->findChild<QLabel*>("FramePanel")->text(), QString("30"));
    QCOMPARE(form->findChild<TimeBarSlider*>("FrameBar")->value(), 29);
    // The picture is the last frame: its bar is 30 rows high.
    const QImage picture = form->findChild<FrameView*>("PaintBox")->picture();
    QCOMPARE(qGray(picture.pixel(2, 29)), 255);
    QCOMPARE(qGray(picture.pixel(2, 30)), 0);

    // Play at the last frame rewinds to the loop start first.
    QVERIFY(player->Press(TMPBtnType::btPlay));
    timer.RunFor(0ms);
    QCOMPARE(form->CurrentIndex(), 0);
    QVERIFY(timer.RunUntilIdle());
    QCOMPARE(player->Mode(), PlayerMode::Stopped);
    QCOMPARE(form->CurrentIndex(), 29);
}

void DisplayPlaybackTest::stepsAndSeeksShowExactlyTheFrameAsked()
{
    QVERIFY(makeCountingClip(clip("step.avi"), 12));
    auto form = open(clip("step.avi"));
    QVERIFY(form);
    TFWMediaPlayer* player = form->Controls()->Player();
    auto* frame_bar = form->findChild<TimeBarSlider*>("FrameBar");
    auto* view = form->findChild<FrameView*>("PaintBox");
    for (int expected = 1; expected <= 4; ++expected) {
        QVERIFY(player->Press(TMPBtnType::btStep));
        QCOMPARE(form->CurrentIndex(), expected);
        QCOMPARE(frame_bar->value(), expected);
        QCOMPARE(qGray(view->picture().pixel(2, expected)), 255);
        QCOMPARE(qGray(view->picture().pixel(2, expected + 1)), 0);
    }
    frame_bar->setValue(9);
    QCOMPARE(form->CurrentIndex(), 9);
    QCOMPARE(player->Position(), 9);
    float time_ms = 0;
    QVERIFY(form->UserMovedTime(time_ms));
    QVERIFY(player->Press(TMPBtnType::btBack));
    QCOMPARE(form->CurrentIndex(), 8);
    // Step Backward at the loop start wraps to the last frame; Step Forward there to the start.
    form->Seek(0);
    QVERIFY(player->Press(TMPBtnType::btBack));
    QCOMPARE(form->CurrentIndex(), 11);
    QVERIFY(player->Press(TMPBtnType::btStep));
    QCOMPARE(form->CurrentIndex(), 0);
    // Seeks outside the clip stop at its ends.
    form->Seek(500);
    QCOMPARE(form->CurrentIndex(), 11);
    form->Seek(-3);
    QCOMPARE(form->CurrentIndex(), 0);
}

void DisplayPlaybackTest::loopItemsSetThePlayersLoopFromTheFrameBar()
{
    QVERIFY(makeCountingClip(clip("loop.avi"), 40));
    auto form = open(clip("loop.avi"));
    QVERIFY(form);
    TFWMediaPlayer* player = form->Controls()->Player();
    auto* frame_bar = form->findChild<TimeBarSlider*>("FrameBar");
    form->Seek(20);
    form->findChild<QAction*>("SetPlayLoopEnd")->trigger();
    form->Seek(5);
    form->findChild<QAction*>("SetPlayLoopStart")->trigger();
    QCOMPARE(frame_bar->selectionStart(), 5);
    QCOMPARE(frame_bar->selectionEnd(), 20);
    QCOMPARE(player->State().LoopStart(), 5);
    QCOMPARE(player->State().LoopEnd(), 20);

    form->SetPlaybackSpeed(8000);
    QVERIFY(player->Press(TMPBtnType::btPlay));
    QTRY_COMPARE_WITH_TIMEOUT(player->Mode(), PlayerMode::Stopped, 30000);
    QCOMPARE(form->CurrentIndex(), 20);

    // A start after the end is not a loop: the player keeps its loop.
    form->Seek(30);
    form->findChild<QAction*>("SetPlayLoopStart")->trigger();
    QCOMPARE(player->State().LoopStart(), 5);

    form->findChild<QAction*>("SetFullPlayLoop")->trigger();
    QCOMPARE(frame_bar->selectionEnd(), frame_bar->selectionStart());
    QCOMPARE(player->State().LoopStart(), 0);
    QCOMPARE(player->State().LoopEnd(), 39);
}

void DisplayPlaybackTest::speedItemsKeepTheSpeedInTheOptions()
{
    QVERIFY(makeCountingClip(clip("speed.avi"), 8));
    auto form = open(clip("speed.avi"));
    QVERIFY(form);
    QCOMPARE(form->PlaybackSpeed(), 1000);
    QCOMPARE(form->Controls()->Player()->PlayRate(), 1000);
    const uint32_t view_bits = form->Options() & 0xFFFFu;
    auto* speeds = form->findChild<QMenu*>("PlaybackSpeed");
    QVERIFY(speeds);
    QStringList captions;
    for (QAction* action : speeds->actions())
        captions << action->text();
    QCOMPARE(captions, QStringList({ "1/8", "1/4", "1/2", "x1", "x2", "x4", "x8" }));
    speeds->actions()[1]->trigger();
    QCOMPARE(form->Controls()->Player()->PlayRate(), 250);
    QCOMPARE(form->Options() >> 16, 250u);
    QCOMPARE(form->Options() & 0xFFFFu, view_bits);
    form.reset();

    // The next window of that name plays at the stored speed.
    form = open(clip("speed.avi"));
    QVERIFY(form);
    QCOMPARE(form->PlaybackSpeed(), 250);
    QCOMPARE(form->Controls()->Player()->PlayRate(), 250);
    QVERIFY(form->findChild<QMenu*>("PlaybackSpeed")->actions()[1]->isChecked());
}

void DisplayPlaybackTest::playbackItemsFollowTheVideoControls()
{
    QVERIFY(makeCountingClip(clip("controls.avi"), 8));
    auto form = open(clip("controls.avi"));
    QVERIFY(form);
    auto* controls = form->findChild<QAction*>("VideoControls");
    auto* speeds = form->findChild<QMenu*>("PlaybackSpeed")->menuAction();
    auto* loop_start = form->findChild<QAction*>("SetPlayLoopStart");
    QVERIFY(controls->isVisible());
    QVERIFY(controls->isChecked());
    QVERIFY(speeds->isVisible());
    QVERIFY(loop_start->isVisible());
    const int picture_height = form->Layout().Picture().height();
    const int window_height = form->height();

    controls->trigger();
    QVERIFY(!form->Controls()->Player()->isVisible());
    QVERIFY(!speeds->isVisible());
    QVERIFY(!loop_start->isVisible());
    // The picture keeps its size; the window gives back the controls' height.
    QCOMPARE(form->Layout().Picture().height(), picture_height);
    QVERIFY(form->height() < window_height);

    controls->trigger();
    QVERIFY(form->Controls()->Player()->isVisible());
    QCOMPARE(form->height(), window_height);
    // Windows without a player of their own offer no video controls at all.
    TDisplayForm preview(context_, std::make_unique<OtherSource>(), QString(), "preview");
    QVERIFY(!preview.findChild<QAction*>("VideoControls")->isVisible());
}

void DisplayPlaybackTest::imageAndDataBorderHoldsPictureLegendAndCross()
{
    QVERIFY(makeCountingClip(clip("border.avi"), 4));
    auto form = open(clip("border.avi"));
    QVERIFY(form);
    form->findChild<QAction*>("DoubleSize")->trigger();
    form->findChild<QAction*>("ReticlePosition")->trigger();
    form->SetCropColor(QColor(255, 0, 255));
    const QRect picture = form->Layout().Picture();
    const QWidget* legend = form->findChild<QWidget*>("LegendPanel");

    const QPoint aim(100, 50);
    const QImage image = form->ImageAndDataBorder(aim);
    // The picture and the legend, not the controls under them.
    QCOMPARE(image.width(), form->width());
    QCOMPARE(image.height(), legend->geometry().bottom() + 1);
    QVERIFY(image.height() < form->height());
    QCOMPARE(image.pixelColor(aim + QPoint(3, 0)), QColor(255, 0, 255));
    QCOMPARE(image.pixelColor(aim + QPoint(0, -3)), QColor(255, 0, 255));
    // Away from the cross it is the frame: black, with the white bar at the left.
    QCOMPARE(qGray(image.pixel(150, picture.height() - 1)), 0);
    QCOMPARE(qGray(image.pixel(4, 1)), 255);

    // Without the reticle no cross is drawn.
    form->findChild<QAction*>("ReticlePosition")->trigger();
    QCOMPARE(qGray(form->ImageAndDataBorder(aim).pixel(aim + QPoint(3, 0))), 0);

    QApplication::clipboard()->clear();
    form->CopyImageAndDataBorder();
    QCOMPARE(QApplication::clipboard()->image().size(), QSize(form->width(), image.height()));
}

void DisplayPlaybackTest::cropColourColoursTheRectangleAndThePicture()
{
    QVERIFY(makeCountingClip(clip("crop.avi"), 4));
    auto form = open(clip("crop.avi"));
    QVERIFY(form);
    form->findChild<QAction*>("DoubleSize")->trigger();
    TCropShape* crop = form->Cropper();
    QCOMPARE(crop->Limit().right, form->Layout().Picture().width());
    QCOMPARE(crop->Limit().bottom, form->Layout().Picture().height());
    form->SetCropColor(Qt::cyan);
    QCOMPARE(crop->Color(), QColor(Qt::cyan));
    QCOMPARE(form->CropColor(), QColor(Qt::cyan));
    // An invalid choice (a cancelled colour dialog) keeps the colour.
    form->SetCropColor(QColor());
    QCOMPARE(crop->Color(), QColor(Qt::cyan));

    // The rectangle follows the picture when the window changes size.
    crop->SetBounds(QRect(20, 10, 40, 30));
    crop->show();
    form->findChild<QAction*>("FullSize")->trigger();
    QVERIFY(crop->isVisible());
    QCOMPARE(crop->Limit().right, form->Layout().Picture().width());
    QVERIFY(crop->Bounds().right() < form->Layout().Picture().width());
}

void DisplayPlaybackTest::savedClipReplacesTheOldOnlyOnSuccess()
{
    QVERIFY(makeCountingClip(clip("source.avi"), 6));
    QVERIFY(makeCountingClip(clip("target.avi"), 3));
    auto form = open(clip("source.avi"));
    QVERIFY(form);
    form->Stream()->CompressOptions().fccHandler = kUncompressedCode;
    form->Stream()->CompressOptions().options_ok = true;
    bool finished_ok = false;
    QString finished_name;
    DisplayOwnerHooks hooks;
    hooks.save_finished = [&](bool ok, bool clip_file, const QString& name) {
        finished_ok = ok && clip_file;
        finished_name = name;
    };
    form->SetHooks(hooks);
    const QString caption = form->windowTitle();
    DisplaySaver::SetSaveTargetChooser(
        [&](QWidget*, const QString&, const QStringList&, int, const QString&) {
            return std::optional<DisplaySaver::SaveChoice>(DisplaySaver::SaveChoice { 1, clip("target") });
        });
    prompt_.queueAnswer(PromptButton::Yes); // overwrite target.avi
    QSignalSpy ended(&form->Saver(), &DisplaySaver::saveEnded);
    form->Saver().SaveThroughWindow("Save As");
    QVERIFY(ended.count() == 1 || ended.wait(20000));
    DisplaySaver::SetSaveTargetChooser(nullptr);

    QVERIFY(!form->IsSaving());
    QVERIFY(finished_ok);
    QCOMPARE(finished_name, clip("target.avi"));
    TAVISTREAM saved("AVI");
    saved.Open(clip("target.avi"));
    QCOMPARE(saved.FrameCount(), 6);
    saved.Close();
    // The saved clip carries its descriptor block; nothing else is left beside it.
    QVERIFY(readAll(clip("target.avi")).contains("ttls"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden),
        QStringList({ "settings.ini", "source.avi", "target.avi" }));
    QCOMPARE(form->windowTitle(), caption);
    QVERIFY(form->Controls()->Player()->isVisible());
}

void DisplayPlaybackTest::failedAndCancelledSavesLeaveNoFile()
{
    QVERIFY(makeCountingClip(clip("source.avi"), 60));
    QVERIFY(makeCountingClip(clip("kept.avi"), 3));
    const QByteArray kept = readAll(clip("kept.avi"));
    auto form = open(clip("source.avi"));
    QVERIFY(form);
    form->Stream()->CompressOptions().fccHandler = kUncompressedCode;
    form->Stream()->CompressOptions().options_ok = true;

    // Cancelled at its first progress report: the old clip stays as it was.
    bool finished_ok = true;
    DisplayOwnerHooks hooks;
    hooks.save_progress = [&](int) { form->Saver().RequestSaveCancel(); };
    hooks.save_finished = [&](bool ok, bool, const QString&) { finished_ok = ok; };
    form->SetHooks(hooks);
    DisplaySaver::SetSaveTargetChooser(
        [&](QWidget*, const QString&, const QStringList&, int, const QString&) {
            return std::optional<DisplaySaver::SaveChoice>(DisplaySaver::SaveChoice { 1, clip("kept") });
        });
    prompt_.queueAnswer(PromptButton::Yes);
    QSignalSpy ended(&form->Saver(), &DisplaySaver::saveEnded);
    form->Saver().SaveThroughWindow("Save As");
    QVERIFY(ended.count() == 1 || ended.wait(20000));
    DisplaySaver::SetSaveTargetChooser(nullptr);
    QVERIFY(!finished_ok);
    QCOMPARE(readAll(clip("kept.avi")), kept);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden),
        QStringList({ "kept.avi", "settings.ini", "source.avi" }));
    QCOMPARE(prompt_.texts(), QStringList({ "Overwrite Video Clip File " + clip("kept.avi") + "?" }));
    form->SetHooks(DisplayOwnerHooks {});

    // A failure reports its code and leaves the old clip alone.
    prompt_.clear();
    form->Saver().BeginSave("AVI Movie", clip("kept.avi"), true);
    form->Saver().FinishSave(int32_t(0x80044066u));
    QCOMPARE(readAll(clip("kept.avi")), kept);
    QCOMPARE(prompt_.texts(),
        QStringList({ "Error creating file " + clip("kept.avi") + "\rAVI Save Error Code: 80044066" }));

    // Scattering into a directory reports its own text and deletes nothing.
    prompt_.clear();
    QDir(dir_->path()).mkdir("frames");
    form->Saver().BeginSave("Bitmap Files", clip("frames"), false);
    form->Saver().FinishSave(7);
    QVERIFY(QFileInfo(clip("frames")).isDir());
    QCOMPARE(prompt_.texts(),
        QStringList({ "Error Scattering files to " + clip("frames") + "\rError Code: 00000007" }));
}

void DisplayPlaybackTest::closeWhileSavingWaitsForTheSaveToEnd()
{
    QVERIFY(makeCountingClip(clip("source.avi"), 4));
    auto form = open(clip("source.avi"));
    QVERIFY(form);
    const QString written = form->Saver().BeginSave("AVI Movie", clip("out.avi"), true);
    prompt_.queueAnswer(PromptButton::Yes);
    // Runs inside the wait of close(), as the save's own end would.
    QTimer::singleShot(0, form.get(), [&] {
        // The save sees the cancel at its next report and stops.
        QCOMPARE(form->Saver().ReportSaveProgress(10), kAviErrUserAbort);
        form->Saver().FinishSave(kAviErrUserAbort);
    });
    QVERIFY(!form->close());
    QCOMPARE(prompt_.texts(), QStringList({ "Cancel Save in Progress?" }));
    QVERIFY(!form->IsSaving());
    QVERIFY(!QFile::exists(written));
    // With the save over the window closes normally.
    QVERIFY(form->close());
}

void DisplayPlaybackTest::saveThroughTheWindowWritesClipsAndFrameFiles()
{
    QVERIFY(makeCountingClip(clip("source.avi"), 5));
    auto form = open(clip("source.avi"));
    QVERIFY(form);
    form->Stream()->CompressOptions().fccHandler = kUncompressedCode;
    form->Stream()->CompressOptions().options_ok = true;
    QList<DisplaySaver::SaveChoice> answers;
    QStringList offered_filters;
    DisplaySaver::SetSaveTargetChooser([&](QWidget*, const QString&, const QStringList& filters, int,
                                           const QString&) -> std::optional<DisplaySaver::SaveChoice> {
        offered_filters = filters;
        if (answers.isEmpty())
            return std::nullopt;
        return answers.takeFirst();
    });
    bool finished = false;
    bool finished_ok = false;
    DisplayOwnerHooks hooks;
    hooks.save_finished = [&](bool ok, bool, const QString&) {
        finished = true;
        finished_ok = ok;
    };
    form->SetHooks(hooks);

    // A clip: the type's extension replaces whatever was typed.
    answers = { { 1, clip("copy.mov") } };
    form->Saver().SaveThroughWindow("Save Clip");
    QCOMPARE(offered_filters.first(), QString("AVI - Video Clip (*.avi)"));
    QCOMPARE(offered_filters.size(), 6);
    QTRY_VERIFY_WITH_TIMEOUT(finished, 20000);
    QVERIFY(finished_ok);
    QVERIFY(!form->IsSaving());
    TAVISTREAM copy("AVI");
    copy.Open(clip("copy.avi"));
    QCOMPARE(copy.FrameCount(), 5);
    QVERIFY(readAll(clip("copy.avi")).contains("ttls"));
    QCOMPARE(settings_->readString("Save", "FileName"), clip("copy.avi"));
    QCOMPARE(settings_->readInteger("Save", "FilterIndex", 0), 1);

    // Saving over it asks first; No asks for another name, here none: nothing is written.
    finished = false;
    const QByteArray before = readAll(clip("copy.avi"));
    prompt_.queueAnswer(PromptButton::No);
    answers = { { 1, clip("copy") } };
    form->Saver().SaveThroughWindow("Save Clip");
    QVERIFY(finished);
    QVERIFY(!finished_ok);
    QCOMPARE(prompt_.texts(), QStringList({ "Overwrite Video Clip File " + clip("copy.avi") + "?" }));
    QCOMPARE(readAll(clip("copy.avi")), before);

    // Frame files into a directory.
    finished = false;
    answers = { { 5, clip("frames.jpg") } };
    form->Saver().SaveThroughWindow("Save Frames");
    QTRY_VERIFY_WITH_TIMEOUT(finished, 20000);
    QVERIFY(finished_ok);
    QCOMPARE(QDir(clip("frames")).entryList(QDir::Files).size(), 5);
    QVERIFY(QFile::exists(clip("frames/F0000000.jpg")));
    DisplaySaver::SetSaveTargetChooser(nullptr);
}

QTEST_MAIN(DisplayPlaybackTest)
#include "display_playback_test.moc"
