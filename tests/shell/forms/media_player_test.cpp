#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <memory>
#include <numeric>
#include <optional>
#include <vector>

#include "shell/forms/media_player.h"
#include "shell/manual_clock.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

using namespace fw;
using fw::test::ManualPlayTimer;
using fw::test::UseManualPlayTimer;
using namespace std::chrono_literals;
using B = TMPBtnType;

namespace {

constexpr std::uint32_t Bit(B button)
{
    return 1u << static_cast<int>(button);
}

// The seven buttons a clip window shows.
constexpr std::uint32_t kClipWindowButtons = Bit(B::btRepeat) | Bit(B::btPlay) | Bit(B::btStop)
    | Bit(B::btNext) | Bit(B::btPrev) | Bit(B::btStep) | Bit(B::btBack);

std::vector<int> Frames(const QSignalSpy& spy)
{
    std::vector<int> frames;
    for (const QList<QVariant>& call : spy)
        frames.push_back(call.at(0).toInt());
    return frames;
}

int TimesShown(const QSignalSpy& spy, int frame)
{
    const std::vector<int> frames = Frames(spy);
    return static_cast<int>(std::count(frames.begin(), frames.end(), frame));
}

std::vector<NotifyResult> Results(const QSignalSpy& spy)
{
    std::vector<NotifyResult> results;
    for (const QList<QVariant>& call : spy)
        results.push_back(call.at(0).value<NotifyResult>());
    return results;
}

// Opens the bar and lets the queued "player is open" notification through, so later spies see
// only what the test itself causes.
void OpenSettled(TFWMediaPlayer& bar, int length_frames, double frames_per_second)
{
    QSignalSpy opened(&bar, &TFWMediaPlayer::notified);
    bar.Open(length_frames, frames_per_second);
    QVERIFY(opened.wait(10000));
    QCOMPARE(opened.count(), 1);
}

std::vector<int> Range(int from, int to)
{
    std::vector<int> frames(std::size_t(to - from + 1));
    std::iota(frames.begin(), frames.end(), from);
    return frames;
}

// Centre of the n-th visible cell of a 240-pixel bar showing seven buttons.
QPoint CellCentre(int slot)
{
    const int cell = 240 / 7;
    return { (240 - 7 * cell) / 2 + slot * cell + cell / 2, 15 };
}

} // namespace

class MediaPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { installPrompt(nullptr); }
    void playReachesTheEndOnTimeAndNotifies();
    void repeatingPlayWrapsToTheLoopStart();
    void stepsAndSeeksShowExactlyTheFrame();
    void slowListenerMakesThePlaySkipButFinishOnTime();
    void minimumSpacingThinsOutFastPlays();
    void pauseResumesWhereItStoppedAndStopAborts();
    void keyboardMovesFocusAndSpaceRunsTheButton();
    void mouseRunsTheCellReleasedOn();
    void hiddenDisabledOrCancelledButtonsDoNothing();
    void closedPlayerSaysSo();
};

void MediaPlayerTest::playReachesTheEndOnTimeAndNotifies()
{
    TFWMediaPlayer bar;
    QCOMPARE(bar.size(), QSize(240, 30));
    ManualPlayTimer& timer = UseManualPlayTimer(bar);
    OpenSettled(bar, 20, 100.0);
    bar.SetPlayRate(8000); // 800 frames a second: 25 ms for the clip
    bar.SetMinimumFrameSpacing(0);
    bar.Seek(19); // at the end: the play rewinds to the start
    QSignalSpy positions(&bar, &TFWMediaPlayer::positionChanged);
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    const auto start = timer.Now();
    QVERIFY(bar.Press(B::btPlay));
    QCOMPARE(bar.Mode(), PlayerMode::Playing);
    QVERIFY(!bar.State().Button(B::btPlay).enabled);
    QVERIFY(bar.State().Button(B::btStop).enabled);
    // The last frame is due at 23.75 ms and has its full interval: the play never ends early.
    timer.RunUntil(start + 25ms - 1us);
    QCOMPARE(Frames(positions), Range(0, 19));
    QCOMPARE(notified.count(), 0);
    QCOMPARE(bar.Mode(), PlayerMode::Playing);
    timer.RunFor(1us);
    QCOMPARE(Results(notified), std::vector { NotifyResult::Successful });
    QVERIFY(!timer.Pending());

    QCOMPARE(bar.Position(), 19);
    QCOMPARE(bar.Mode(), PlayerMode::Stopped);
    // Every shot came on time, so every frame was shown at its due time.
    QCOMPARE(bar.Stats().shown, 20);
    QCOMPARE(bar.Stats().skipped, 0);
    QCOMPARE(bar.Stats().max_late_us, 0.0);
    // The bar is ready for the next play.
    QVERIFY(bar.State().Button(B::btPlay).enabled);
    QVERIFY(!bar.State().Button(B::btStop).enabled);

    // On the system's clock the same play runs to its end too.
    bar.SetPlayTimer(std::make_unique<SteadyPlayTimer>());
    positions.clear();
    notified.clear();
    QVERIFY(bar.Press(B::btPlay));
    QVERIFY(notified.wait(30000));
    QCOMPARE(Results(notified), std::vector { NotifyResult::Successful });
    QCOMPARE(Frames(positions).back(), 19);
    QCOMPARE(bar.Stats().shown + bar.Stats().skipped, 20);
}

void MediaPlayerTest::repeatingPlayWrapsToTheLoopStart()
{
    TFWMediaPlayer bar;
    ManualPlayTimer& timer = UseManualPlayTimer(bar);
    OpenSettled(bar, 30, 1000.0);
    bar.SetMinimumFrameSpacing(0);
    bar.SetLoopStart(5);
    bar.SetLoopEnd(9);
    QSignalSpy positions(&bar, &TFWMediaPlayer::positionChanged);
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    const auto start = timer.Now();
    bar.PlayRepeat(3);
    QVERIFY(timer.RunUntilIdle());
    QCOMPARE(Results(notified), std::vector { NotifyResult::Successful });
    // Each pass shows the whole loop, the loop end included, and passes do not drift.
    std::vector<int> three_passes;
    for (int pass = 0; pass < 3; ++pass) {
        const std::vector<int> loop = Range(5, 9);
        three_passes.insert(three_passes.end(), loop.begin(), loop.end());
    }
    QCOMPARE(Frames(positions), three_passes);
    QCOMPARE(timer.Now() - start, 15ms);
    QCOMPARE(bar.Mode(), PlayerMode::Stopped);

    // The button repeats until stopped; stopping aborts the play where it is.
    positions.clear();
    notified.clear();
    QVERIFY(bar.Press(B::btRepeat));
    QCOMPARE(bar.LastButton(), B::btRepeat);
    timer.RunFor(17ms);
    QCOMPARE(TimesShown(positions, 9), 3);
    QVERIFY(timer.Pending());
    bar.Stop();
    QCOMPARE(Results(notified), std::vector { NotifyResult::Aborted });
    QCOMPARE(bar.Mode(), PlayerMode::Stopped);
    QCOMPARE(bar.Position(), positions.last().at(0).toInt());
    QVERIFY(!timer.Pending());
}

void MediaPlayerTest::stepsAndSeeksShowExactlyTheFrame()
{
    TFWMediaPlayer bar;
    ManualPlayTimer& timer = UseManualPlayTimer(bar);
    OpenSettled(bar, 50, 25.0);
    QSignalSpy positions(&bar, &TFWMediaPlayer::positionChanged);
    bar.Seek(17);
    bar.Seek(17); // already shown: nothing to repaint
    bar.SetStepSize(1);
    bar.Step();
    bar.SetStepSize(5);
    bar.Step();
    bar.Back();
    bar.Next();
    bar.Previous();
    bar.Seek(999);
    bar.Seek(-3);
    QCOMPARE(Frames(positions), (std::vector { 17, 18, 23, 18, 49, 0, 49, 0 }));

    // A seek during a play supersedes it and lands on exactly the frame asked for.
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    bar.Play();
    timer.RunFor(80ms);
    QCOMPARE(bar.Position(), 2);
    positions.clear();
    bar.Seek(30);
    QCOMPARE(Results(notified), std::vector { NotifyResult::Superseded });
    QCOMPARE(Frames(positions), std::vector { 30 });
    QVERIFY(!timer.Pending());
    timer.RunFor(120ms);
    QCOMPARE(positions.count(), 1);
    QCOMPARE(bar.Position(), 30);
}

void MediaPlayerTest::slowListenerMakesThePlaySkipButFinishOnTime()
{
    TFWMediaPlayer bar;
    ManualPlayTimer& timer = UseManualPlayTimer(bar);
    OpenSettled(bar, 50, 100.0); // 10 ms a frame: 500 ms for the clip
    bar.SetMinimumFrameSpacing(16);
    // Showing a frame takes the listener 25 ms.
    connect(&bar, &TFWMediaPlayer::positionChanged, this, [&timer] { timer.Pass(25ms); });
    std::optional<ManualPlayTimer::TimePoint> finished_at;
    connect(&bar, &TFWMediaPlayer::notified, this, [&] { finished_at = timer.Now(); });
    const auto start = timer.Now();
    bar.Play();
    QVERIFY(timer.RunUntilIdle());
    QVERIFY(finished_at);
    // Painting every frame would take 50 × 25 ms; the play keeps its 500 ms by leaving frames
    // out, overrunning by at most the frame being shown when its time was up.
    const auto took = *finished_at - start;
    QVERIFY2(took >= 500ms && took <= 525ms,
        qPrintable(QString::number(std::chrono::duration<double, std::milli>(took).count())));
    QVERIFY(bar.Stats().skipped > 0);
    QCOMPARE(bar.Stats().shown + bar.Stats().skipped, 49); // frame 0 was on screen already
    QCOMPARE(bar.Position(), 49);
}

void MediaPlayerTest::minimumSpacingThinsOutFastPlays()
{
    TFWMediaPlayer bar;
    ManualPlayTimer& timer = UseManualPlayTimer(bar);
    OpenSettled(bar, 100, 1000.0); // 1 ms a frame
    bar.SetMinimumFrameSpacing(20);
    std::vector<ManualPlayTimer::TimePoint> shown_at;
    connect(&bar, &TFWMediaPlayer::positionChanged, this, [&] { shown_at.push_back(timer.Now()); });
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    bar.Play();
    QVERIFY(timer.RunUntilIdle());
    QCOMPARE(Results(notified), std::vector { NotifyResult::Successful });
    QCOMPARE(bar.Position(), 99);
    // 100 ms of clip at one frame every 20 ms at most.
    QVERIFY(shown_at.size() >= 5 && shown_at.size() <= 6);
    for (std::size_t i = 1; i < shown_at.size(); ++i)
        QVERIFY(shown_at[i] - shown_at[i - 1] >= 20ms);
    QCOMPARE(bar.Stats().shown + bar.Stats().skipped, 99);
}

void MediaPlayerTest::pauseResumesWhereItStoppedAndStopAborts()
{
    TFWMediaPlayer bar;
    ManualPlayTimer& timer = UseManualPlayTimer(bar);
    OpenSettled(bar, 200, 100.0);
    bar.SetMinimumFrameSpacing(0);
    QSignalSpy positions(&bar, &TFWMediaPlayer::positionChanged);
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    bar.Play();
    timer.RunFor(30ms);
    bar.Pause();
    QCOMPARE(bar.Mode(), PlayerMode::Paused);
    const int paused_at = bar.Position();
    QCOMPARE(paused_at, 3);
    const qsizetype shown = positions.count();
    timer.RunFor(100ms);
    QCOMPARE(positions.count(), shown);

    bar.Pause(); // resumes from the frame on screen, not from where the clock would be by now
    QCOMPARE(bar.Mode(), PlayerMode::Playing);
    timer.RunFor(10ms - 1us);
    QCOMPARE(positions.count(), shown); // the frame on screen gets its full interval
    timer.RunFor(1us);
    QCOMPARE(positions.count(), shown + 1);
    const int resumed_with = positions.at(shown).at(0).toInt();
    QCOMPARE(resumed_with, paused_at + 1);

    bar.SetPlayRate(2000); // re-timed, not restarted from the play's first frame
    QCOMPARE(Results(notified), std::vector { NotifyResult::Superseded });
    const int before_stop = bar.Position();
    QVERIFY(before_stop >= resumed_with);
    bar.Stop();
    QCOMPARE(Results(notified), (std::vector { NotifyResult::Superseded, NotifyResult::Aborted }));
    QCOMPARE(bar.State().LastNotifyResult(), NotifyResult::Aborted);
    QVERIFY(bar.State().Button(B::btPlay).enabled);
    QVERIFY(!bar.State().Button(B::btStop).enabled);
    const int stopped_at = bar.Position();
    QVERIFY(!timer.Pending());
    timer.RunFor(60ms);
    QCOMPARE(bar.Position(), stopped_at);
}

void MediaPlayerTest::keyboardMovesFocusAndSpaceRunsTheButton()
{
    TFWMediaPlayer bar;
    bar.SetVisibleButtons(kClipWindowButtons);
    OpenSettled(bar, 40, 25.0);
    bar.SetStepSize(4);
    QTest::keyClick(&bar, Qt::Key_Right); // Play
    QTest::keyClick(&bar, Qt::Key_Right); // Stop: the hidden Pause is passed over
    QTest::keyClick(&bar, Qt::Key_Right); // Next
    QTest::keyClick(&bar, Qt::Key_Space);
    QCOMPARE(bar.LastButton(), B::btNext);
    QCOMPARE(bar.Position(), 39);

    for (int i = 0; i < 10; ++i)
        QTest::keyClick(&bar, Qt::Key_Right); // stops at Step Backward, the last one shown
    QTest::keyClick(&bar, Qt::Key_Space);
    QCOMPARE(bar.LastButton(), B::btBack);
    QCOMPARE(bar.Position(), 35);

    QTest::keyClick(&bar, Qt::Key_Left); // Step Forward
    QTest::keyClick(&bar, Qt::Key_Space);
    QCOMPARE(bar.LastButton(), B::btStep);
    QCOMPARE(bar.Position(), 39);
}

void MediaPlayerTest::mouseRunsTheCellReleasedOn()
{
    TFWMediaPlayer bar;
    bar.SetVisibleButtons(kClipWindowButtons);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    OpenSettled(bar, 40, 25.0);
    QSignalSpy clicked(&bar, &TFWMediaPlayer::clicked);
    QSignalSpy post(&bar, &TFWMediaPlayer::postClicked);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, CellCentre(3)); // Next
    QCOMPARE(bar.LastButton(), B::btNext);
    QCOMPARE(bar.Position(), 39);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(post.count(), 1);

    // Pressed on one cell and released on another: nothing runs.
    QTest::mousePress(&bar, Qt::LeftButton, {}, CellCentre(4));
    QTest::mouseMove(&bar, CellCentre(5));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, CellCentre(5));
    QCOMPARE(bar.LastButton(), B::btNext);
    QCOMPARE(bar.Position(), 39);

    QTest::mouseClick(&bar, Qt::LeftButton, {}, CellCentre(4)); // Previous
    QCOMPARE(bar.LastButton(), B::btPrev);
    QCOMPARE(bar.Position(), 0);

    QHelpEvent hover(QEvent::ToolTip, CellCentre(6), bar.mapToGlobal(CellCentre(6)));
    QApplication::sendEvent(&bar, &hover);
    QCOMPARE(QToolTip::text(), QString("Step Backward"));
}

void MediaPlayerTest::hiddenDisabledOrCancelledButtonsDoNothing()
{
    TFWMediaPlayer bar;
    bar.SetVisibleButtons(kClipWindowButtons);
    OpenSettled(bar, 40, 25.0);
    QSignalSpy clicked(&bar, &TFWMediaPlayer::clicked);
    QVERIFY(!bar.Press(B::btPause));
    QVERIFY(!bar.State().Button(B::btRecord).enabled); // clips are never recorded
    bar.SetVisibleButtons(0xFFF);
    QVERIFY(!bar.Press(B::btRecord));
    QCOMPARE(clicked.count(), 0);

    // The owner may cancel a click: the post-click event still comes, the command does not run.
    connect(&bar, &TFWMediaPlayer::clicked, this, [](TMPBtnType button, bool* cancel) {
        if (button == B::btStep)
            *cancel = true;
    });
    QSignalSpy post(&bar, &TFWMediaPlayer::postClicked);
    QVERIFY(bar.Press(B::btStep));
    QCOMPARE(bar.Position(), 0);
    QCOMPARE(post.count(), 1);
    QVERIFY(!bar.LastButton().has_value());

    bar.SetEnabledButtons(0);
    QVERIFY(!bar.Press(B::btPlay));
    QCOMPARE(bar.Mode(), PlayerMode::Stopped);
}

void MediaPlayerTest::closedPlayerSaysSo()
{
    ScriptedPrompt prompt;
    installPrompt(&prompt);
    TFWMediaPlayer bar;
    bar.SetVisibleButtons(kClipWindowButtons);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QVERIFY_THROWS_EXCEPTION(Error, bar.Play());
    try {
        bar.Press(B::btPlay);
        QFAIL("no error");
    } catch (const Error& error) {
        QCOMPARE(error.message(), QString("Player Not Open"));
    }
    QTest::mouseClick(&bar, Qt::LeftButton, {}, CellCentre(1)); // Play
    QCOMPARE(prompt.texts(), QStringList { "Player Not Open" });
    installPrompt(nullptr);

    // Closed before the "open" notification was delivered: it is dropped with the clip.
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    bar.Open(10, 25.0);
    bar.Close();
    QCoreApplication::processEvents(); // delivers what was queued
    QCOMPARE(notified.count(), 0);
    QVERIFY_THROWS_EXCEPTION(Error, bar.Open(0, 25.0));
    QVERIFY(!bar.IsOpen());
}

QTEST_MAIN(MediaPlayerTest)
#include "media_player_test.moc"
