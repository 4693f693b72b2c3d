#include <QElapsedTimer>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "shell/forms/media_player.h"
#include "support/fw_error.h"
#include "support/user_prompt.h"

using namespace fw;
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
    QVERIFY(opened.wait(1000));
    QCOMPARE(opened.count(), 1);
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
    OpenSettled(bar, 20, 100.0);
    bar.SetPlayRate(8000); // 800 frames a second: 25 ms for the clip
    bar.SetMinimumFrameSpacing(0);
    bar.Seek(19); // at the end: the play rewinds to the start
    QSignalSpy positions(&bar, &TFWMediaPlayer::positionChanged);
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(bar.Press(B::btPlay));
    QCOMPARE(bar.Mode(), PlayerMode::Playing);
    QVERIFY(!bar.State().Button(B::btPlay).enabled);
    QVERIFY(bar.State().Button(B::btStop).enabled);
    QVERIFY(notified.wait(2000));
    QVERIFY(elapsed.nsecsElapsed() >= 25'000'000); // never ends before its time

    QCOMPARE(Results(notified), std::vector { NotifyResult::Successful });
    const std::vector<int> frames = Frames(positions);
    QVERIFY(!frames.empty());
    QCOMPARE(frames.front(), 0);
    QCOMPARE(frames.back(), 19);
    QVERIFY(std::is_sorted(frames.begin(), frames.end()));
    QCOMPARE(bar.Position(), 19);
    QCOMPARE(bar.Mode(), PlayerMode::Stopped);
    QCOMPARE(bar.Stats().shown, static_cast<int>(frames.size()));
    QCOMPARE(bar.Stats().shown + bar.Stats().skipped, 20);
    QVERIFY(bar.Stats().max_late_us >= 0);
    // The bar is ready for the next play.
    QVERIFY(bar.State().Button(B::btPlay).enabled);
    QVERIFY(!bar.State().Button(B::btStop).enabled);
}

void MediaPlayerTest::repeatingPlayWrapsToTheLoopStart()
{
    TFWMediaPlayer bar;
    OpenSettled(bar, 30, 1000.0);
    bar.SetMinimumFrameSpacing(0);
    bar.SetLoopStart(5);
    bar.SetLoopEnd(9);
    QSignalSpy positions(&bar, &TFWMediaPlayer::positionChanged);
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    bar.PlayRepeat(3);
    QVERIFY(notified.wait(2000));
    QCOMPARE(Results(notified), std::vector { NotifyResult::Successful });
    const std::vector<int> frames = Frames(positions);
    int wraps = 0;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        if (frames[i] < frames[i - 1]) {
            ++wraps;
            QCOMPARE(frames[i - 1], 9); // each pass shows the loop end before wrapping
        }
    }
    QCOMPARE(wraps, 2);
    QCOMPARE(*std::min_element(frames.begin(), frames.end()), 5);
    QCOMPARE(frames.back(), 9);
    QCOMPARE(bar.Mode(), PlayerMode::Stopped);

    // The button repeats until stopped; stopping aborts the play where it is.
    positions.clear();
    notified.clear();
    QVERIFY(bar.Press(B::btRepeat));
    QCOMPARE(bar.LastButton(), B::btRepeat);
    QTRY_VERIFY_WITH_TIMEOUT(TimesShown(positions, 9) >= 3, 3000);
    bar.Stop();
    QCOMPARE(Results(notified), std::vector { NotifyResult::Aborted });
    QCOMPARE(bar.Mode(), PlayerMode::Stopped);
    QCOMPARE(bar.Position(), positions.last().at(0).toInt());
}

void MediaPlayerTest::stepsAndSeeksShowExactlyTheFrame()
{
    TFWMediaPlayer bar;
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
    QTRY_VERIFY_WITH_TIMEOUT(bar.Position() >= 2, 2000);
    positions.clear();
    bar.Seek(30);
    QCOMPARE(Results(notified), std::vector { NotifyResult::Superseded });
    QCOMPARE(Frames(positions), std::vector { 30 });
    QTest::qWait(120);
    QCOMPARE(positions.count(), 1);
    QCOMPARE(bar.Position(), 30);
}

void MediaPlayerTest::slowListenerMakesThePlaySkipButFinishOnTime()
{
    TFWMediaPlayer bar;
    OpenSettled(bar, 50, 100.0); // 10 ms a frame: 500 ms for the clip
    connect(&bar, &TFWMediaPlayer::positionChanged, this,
        [] { std::this_thread::sleep_for(std::chrono::milliseconds(25)); });
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    QElapsedTimer elapsed;
    elapsed.start();
    bar.Play();
    QVERIFY(notified.wait(5000));
    const qint64 took_ms = elapsed.elapsed();
    // Painting every frame would take 50 × 25 ms; the play keeps its 500 ms by leaving frames out.
    QVERIFY2(took_ms >= 500 && took_ms < 1000, qPrintable(QString::number(took_ms)));
    QVERIFY(bar.Stats().skipped > 0);
    QCOMPARE(bar.Stats().shown + bar.Stats().skipped, 49); // frame 0 was on screen already
    QCOMPARE(bar.Position(), 49);
}

void MediaPlayerTest::minimumSpacingThinsOutFastPlays()
{
    TFWMediaPlayer bar;
    OpenSettled(bar, 100, 1000.0); // 1 ms a frame
    bar.SetMinimumFrameSpacing(20);
    std::vector<qint64> shown_ns;
    QElapsedTimer clock;
    clock.start();
    connect(&bar, &TFWMediaPlayer::positionChanged, this, [&] { shown_ns.push_back(clock.nsecsElapsed()); });
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    bar.Play();
    QVERIFY(notified.wait(2000));
    QCOMPARE(bar.Position(), 99);
    QVERIFY(shown_ns.size() >= 2);
    for (std::size_t i = 1; i < shown_ns.size(); ++i)
        QVERIFY(shown_ns[i] - shown_ns[i - 1] >= 19'500'000);
    QCOMPARE(bar.Stats().shown + bar.Stats().skipped, 99);
}

void MediaPlayerTest::pauseResumesWhereItStoppedAndStopAborts()
{
    TFWMediaPlayer bar;
    OpenSettled(bar, 200, 100.0);
    QSignalSpy positions(&bar, &TFWMediaPlayer::positionChanged);
    QSignalSpy notified(&bar, &TFWMediaPlayer::notified);
    bar.Play();
    QTRY_VERIFY_WITH_TIMEOUT(bar.Position() >= 3, 2000);
    bar.Pause();
    QCOMPARE(bar.Mode(), PlayerMode::Paused);
    const int paused_at = bar.Position();
    const qsizetype shown = positions.count();
    QTest::qWait(100);
    QCOMPARE(positions.count(), shown);

    bar.Pause(); // resumes from the frame on screen, not from where the clock would be by now
    QCOMPARE(bar.Mode(), PlayerMode::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(positions.count() > shown, 2000);
    const int resumed_with = positions.at(shown).at(0).toInt();
    QVERIFY(resumed_with > paused_at && resumed_with < paused_at + 6);

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
    QTest::qWait(60);
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
    QTest::qWait(20);
    QCOMPARE(notified.count(), 0);
    QVERIFY_THROWS_EXCEPTION(Error, bar.Open(0, 25.0));
    QVERIFY(!bar.IsOpen());
}

QTEST_MAIN(MediaPlayerTest)
#include "media_player_test.moc"
