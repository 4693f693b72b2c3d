#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

#include "shell/forms/child_windows.h"
#include "shell/forms/display_form.h"
#include "shell/forms/form_test_support.h"
#include "shell/forms/wright_viewer.h"
#include "signals/forms/graph_chart.h"
#include "signals/forms/graph_controls_dialog.h"
#include "signals/forms/graph_form.h"
#include "signals/forms/graph_status_bar.h"
#include "signals/forms/graph_test_support.h"
#include "signals/signal_source.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;
using namespace fw::test;

namespace {

// Signals in memory that the test changes at will.
class FakeSource : public SignalSource {
public:
    QString Name() const override { return QStringLiteral("Fake"); }
    std::vector<MemorySignal> Signals() const override { return signals_; }
    void Set(std::vector<MemorySignal> series)
    {
        signals_ = std::move(series);
        emit changed();
    }

private:
    std::vector<MemorySignal> signals_;
};

MemorySignal Ramp(const QString& name, int group, QColor colour, int count, double slope = 1.0)
{
    MemorySignal signal { name, name + QStringLiteral(" (m/s)"), colour, group, { 10.0, 5.0, count }, {} };
    for (int k = 0; k < count; ++k)
        signal.values.push_back(k * slope);
    return signal;
}

int AxisCount(QCPAxisRect* rect)
{
    return int(rect->axes(QCPAxis::atLeft).size());
}

} // namespace

class GraphFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void layoutsStackOverlayAndSeparateAreas();
    void signalsKeepTheirOwnTimes();
    void cursorAndVideoMoveEachOtherBeyondTheTolerance();
    void withoutAClipWindowTheCursorMovesNoVideo();
    void clicksOnTheTimeAxisAboveAndOnTheLegend();
    void minAndMaxTakeTheFirstExtremeOfTheVisibleRange();
    void readoutsShowCursorAndMouse();
    void keysMoveTheCursorAndChangeItsSignal();
    void appearanceAndLastFileSurviveClosing();
    void damagedAppearanceBlocksAreRefused();
    void deletedOrTruncatedFileWhilePlotted();
    void cancelledChoiceLeavesTheChartAlone();
    void signalsWithoutUsableTimingAreLeftOut();
    void clipWindowOpensAGraphOfItsOwn();
    void mainWindowGraphsSignalFilesAndFollowsTheCurrentClip();
    void aSourceInMemoryIsPlottedByGroupAndReadAgainWhenItChanges();

private:
    QString Signal(const QString& name, int count, double step_ms, double first_ms = 0.0);
    // A graph window over the files, all chosen, the first `overlay` of them overlaid.
    std::unique_ptr<TGraphForm> Graph(
        const QStringList& files, int overlay = 0, bool share = false, TChildForm* display = nullptr);
    std::unique_ptr<TDisplayForm> Clip(int frames);
    ChildContext Context();
    // The answers every test starts with: proposals taken, the signal choice as set below.
    void InstallChoosers();

    QTemporaryDir temp_;
    std::unique_ptr<SettingsStore> settings_;
    ScriptedPrompt prompt_;
    int overlay_ = 0;
    bool share_ = false;
    bool accept_ = true;
};

void GraphFormTest::initTestCase()
{
    QVERIFY(temp_.isValid());
}

void GraphFormTest::InstallChoosers()
{
    acceptSignalProposals();
    TGraphForm::SetDialogRunner([this](QDialog& dialog) {
        auto* choice = qobject_cast<TSigSelectDlg*>(&dialog);
        if (!choice || !accept_)
            return false;
        const int total = list(*choice, "SrcList")->count();
        moveInOrder(*choice, "OvlMoveBtn", std::min(overlay_, total));
        moveInOrder(*choice, "SepMoveBtn", total - std::min(overlay_, total));
        choice->findChild<QCheckBox*>(QStringLiteral("ShareAxisCB"))->setChecked(share_);
        return choice->Lists().CanAccept();
    });
}

void GraphFormTest::init()
{
    settings_ = std::make_unique<SettingsStore>(temp_.filePath(QStringLiteral("settings.ini")));
    prompt_.clear();
    installPrompt(&prompt_);
    InstallChoosers();
    accept_ = true;
}

void GraphFormTest::cleanup()
{
    installPrompt(nullptr);
    TGraphForm::SetDialogRunner(nullptr);
    TGraphControlsDlg::SetColorChooser(nullptr);
    SetSigInfoAsker({});
    SetSignalGraphFactory(nullptr);
    settings_.reset();
    QFile::remove(temp_.filePath(QStringLiteral("settings.ini")));
}

QString GraphFormTest::Signal(const QString& name, int count, double step_ms, double first_ms)
{
    const QString path = temp_.filePath(name);
    return writeSignalFile(path, count, step_ms, wavy, first_ms) ? path : QString();
}

ChildContext GraphFormTest::Context()
{
    ChildContext context;
    context.settings = settings_.get();
    return context;
}

std::unique_ptr<TGraphForm> GraphFormTest::Graph(
    const QStringList& files, int overlay, bool share, TChildForm* display)
{
    overlay_ = overlay;
    share_ = share;
    auto graph = std::make_unique<TGraphForm>(nullptr, display, settings_.get());
    graph->resize(800, 600);
    if (!graph->ChooseAndPlot(files))
        return nullptr;
    graph->Chart()->replot();
    return graph;
}

std::unique_ptr<TDisplayForm> GraphFormTest::Clip(int frames)
{
    const QString path = temp_.filePath(QStringLiteral("clip%1.avi").arg(frames));
    if (!QFile::exists(path)
        && !runFfmpeg({ "-f", "lavfi", "-i", "testsrc=size=32x24:rate=25", "-frames:v",
            QString::number(frames), "-c:v", "mjpeg", path }))
        return nullptr;
    auto clip = OpenClipWindow(Context(), path);
    if (!clip)
        return nullptr;
    // 25 frames a second, as the clip was made.
    clip->SetTiming(40.0, 0.0);
    clip->EnableSignalGraph(true);
    return clip;
}

void GraphFormTest::layoutsStackOverlayAndSeparateAreas()
{
    QStringList files;
    for (int i = 0; i < 5; ++i)
        files << Signal(QStringLiteral("l%1.txt").arg(i), 50, 1.0);

    const auto shared = Graph(files, 3, true);
    QVERIFY(shared);
    TGraphChart* chart = shared->Chart();
    QCOMPARE(chart->AreaCount(), 3);
    QCOMPARE(AxisCount(chart->Area(0)), 1);
    for (int signal = 0; signal < 3; ++signal)
        QCOMPARE(chart->ValueAxisOf(signal), chart->Area(0)->axis(QCPAxis::atLeft));
    QCOMPARE(chart->AreaOf(3), 1);
    QCOMPARE(chart->AreaOf(4), 2);
    const int height = chart->Area(0)->outerRect().height();
    QVERIFY(height > 50);
    for (int area = 1; area < 3; ++area)
        QVERIFY2(std::abs(chart->Area(area)->outerRect().height() - height) <= 2,
            qPrintable(QString::number(area)));
    QCOMPARE(chart->Plan().AreaHeight(), 1.0 / 3.0);

    const auto overlapping = Graph(files, 3, false);
    QVERIFY(overlapping);
    chart = overlapping->Chart();
    QCOMPARE(chart->AreaCount(), 3);
    QCOMPARE(AxisCount(chart->Area(0)), 3);
    QVERIFY(chart->ValueAxisOf(0) != chart->ValueAxisOf(1));
    QCOMPARE(AxisCount(chart->Area(1)), 1);

    const auto separate = Graph(files.mid(0, 4));
    QVERIFY(separate);
    QCOMPARE(separate->Chart()->AreaCount(), 4);
    QCOMPARE(separate->Chart()->ValueAxisOf(0)->labelColor(), SignalColor(0));
    QCOMPARE(separate->Chart()->GraphOf(3)->pen().color(), QColor(0, 0, 255));
    QCOMPARE(separate->Chart()->Area(3)->axis(QCPAxis::atBottom)->label(), QStringLiteral("Time (mS)"));
    QCOMPARE(separate->Chart()->ValueAxisOf(0)->label(), QStringLiteral("Force"));
}

void GraphFormTest::signalsKeepTheirOwnTimes()
{
    // 1 kHz from 0 ms and 500 Hz from 100 ms, the second longer than the first.
    const auto graph = Graph({ Signal("fast.txt", 100, 1.0), Signal("slow.txt", 300, 2.0, 100.0) });
    QVERIFY(graph);
    const QCPGraph* slow = graph->Chart()->GraphOf(1);
    QCOMPARE(slow->data()->size(), 300);
    QCOMPARE(slow->data()->at(10)->key, 120.0);
    QCOMPARE(slow->data()->at(299)->key, 698.0);
    QCOMPARE(graph->Chart()->VisibleTimes().upper, 698.0);
}

void GraphFormTest::cursorAndVideoMoveEachOtherBeyondTheTolerance()
{
    auto clip = Clip(25);
    QVERIFY(clip);
    const double period = clip->FramePeriodMs();
    QVERIFY(period > 1.0);
    const auto graph = Graph({ Signal("video.txt", 800, 1.0) }, 0, false, clip.get());
    QVERIFY(graph);
    QCOMPARE(graph->windowTitle(), QStringLiteral("Signals vs ") + clip->Title());
    QCOMPARE(graph->ToleranceMs(), period);
    clip->AdoptSignalGraph(graph.get());
    graph->show();

    // Playing moves the cursor to the sample at the video time.
    clip->Seek(5);
    QCOMPARE(graph->Chart()->CursorX(), 5 * period);
    // The cursor moves the video, which tells the master clock the user moved it.
    graph->MoveCursor(0, int32_t(13 * period));
    QCOMPARE(clip->CurrentIndex(), 13);
    float moved_to = 0.0f;
    QVERIFY(clip->UserMovedTime(moved_to));
    QCOMPARE(double(moved_to), 13 * period);
    // Within one frame of each other neither moves the other.
    graph->MoveCursor(0, int32_t(13 * period + period / 2 - 1));
    QCOMPARE(clip->CurrentIndex(), 13);
    QVERIFY(!clip->UserMovedTime(moved_to));
    const double cursor = graph->Chart()->CursorX();
    clip->Seek(13);
    clip->Seek(12);
    clip->Seek(13);
    QCOMPARE(graph->Chart()->CursorX(), 13 * period);
    graph->MoveCursor(0, int32_t(cursor));
    // A video time beyond the signal puts the cursor on its last sample, without moving the
    // video back.
    clip->Seek(24);
    QCOMPARE(graph->Chart()->CursorPoint(), 799);
    QCOMPARE(clip->CurrentIndex(), 24);

    // A clip window that goes away is no longer followed.
    clip.reset();
    QVERIFY(!graph->Followed());
    QCOMPARE(graph->windowTitle(), QStringLiteral("Signal Graphing"));
    graph->MoveCursor(0, 100);
    QCOMPARE(graph->Chart()->CursorPoint(), 100);
}

void GraphFormTest::withoutAClipWindowTheCursorMovesNoVideo()
{
    auto clip = Clip(25);
    QVERIFY(clip);
    clip->Seek(3);
    const auto graph = Graph({ Signal("alone.txt", 500, 1.0) });
    QVERIFY(graph);
    QCOMPARE(graph->windowTitle(), QStringLiteral("Signal Graphing"));
    QCOMPARE(graph->ToleranceMs(), 0.0);
    graph->VideoTimeChanged(300.0);
    QCOMPARE(graph->Chart()->CursorPoint(), 0);
    graph->MoveCursor(0, 400);
    QCOMPARE(graph->Chart()->CursorX(), 400.0);
    QCOMPARE(clip->CurrentIndex(), 3);

    // Following starts and ends on request.
    graph->Follow(clip.get());
    QCOMPARE(graph->windowTitle(), QStringLiteral("Signals vs ") + clip->Title());
    graph->Follow(nullptr);
    QCOMPARE(graph->windowTitle(), QStringLiteral("Signal Graphing"));
}

void GraphFormTest::clicksOnTheTimeAxisAboveAndOnTheLegend()
{
    auto clip = Clip(25);
    QVERIFY(clip);
    const double period = clip->FramePeriodMs();
    const auto graph
        = Graph({ Signal("c1.txt", 1000, 1.0), Signal("c2.txt", 500, 2.0) }, 0, false, clip.get());
    QVERIFY(graph);
    graph->show();
    QVERIFY(QTest::qWaitForWindowExposed(graph.get()));
    TGraphChart* chart = graph->Chart();
    chart->replot();

    // Below the lowest plot area: the cursor goes to the nearest sample, the video to the time.
    QCPAxis* time_axis = chart->Area(1)->axis(QCPAxis::atBottom);
    const int x = int(std::lround(time_axis->coordToPixel(10 * period)));
    const int below = chart->Area(1)->bottom() + 10;
    QTest::mouseClick(chart, Qt::LeftButton, Qt::NoModifier, QPoint(x, below));
    QCOMPARE(clip->CurrentIndex(), 10);
    QVERIFY(std::fabs(chart->CursorX() - 10 * period) <= 2.0);

    // A drag inside an area zooms; a click above the areas zooms out again.
    const QRect area = chart->Area(0)->rect();
    const QPoint from = area.topLeft() + QPoint(area.width() / 4, 5);
    const QPoint to = area.topLeft() + QPoint(area.width() / 2, area.height() - 5);
    QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(chart, to);
    QMouseEvent move(
        QEvent::MouseMove, to, chart->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &move);
    QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, to);
    QVERIFY(chart->Zoomed());
    QVERIFY(chart->VisibleTimes().size() < 700.0);
    QCOMPARE(chart->Area(1)->axis(QCPAxis::atBottom)->range(), chart->VisibleTimes());
    const QCPRange zoomed = chart->VisibleTimes();
    QWheelEvent wheel(QPointF(area.center()), chart->mapToGlobal(QPointF(area.center())), QPoint(),
        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart, &wheel);
    QCOMPARE(chart->VisibleTimes().lower, zoomed.lower + zoomed.size() * 0.1);
    QCOMPARE(chart->VisibleTimes().size(), zoomed.size());
    chart->replot();
    QTest::mouseClick(chart, Qt::LeftButton, Qt::NoModifier, QPoint(area.center().x(), area.top() - 2));
    QVERIFY(!chart->Zoomed());
    QCOMPARE(chart->VisibleTimes().upper, 999.0);

    // A legend entry makes its signal the cursor's.
    chart->replot();
    QCPLegend* legend = nullptr;
    for (int i = 0; i < chart->plotLayout()->elementCount(); ++i) {
        if (auto* found = qobject_cast<QCPLegend*>(chart->plotLayout()->elementAt(i)))
            legend = found;
    }
    QVERIFY(legend && legend->itemCount() == 2);
    QTest::mouseClick(chart, Qt::LeftButton, Qt::NoModifier, legend->item(1)->outerRect().center());
    QCOMPARE(chart->CursorSignal(), 1);
}

void GraphFormTest::minAndMaxTakeTheFirstExtremeOfTheVisibleRange()
{
    const QString path = temp_.filePath(QStringLiteral("extremes.txt"));
    const std::vector<double> values { 5, 2, 9, 2, 7, 9, 1.5, 3, 8, 1.5, 6 };
    QVERIFY(writeSignalFile(path, int(values.size()), 1.0, [&](int k) { return values[size_t(k)]; }));
    const auto graph = Graph({ path });
    QVERIFY(graph);
    graph->MinClick();
    QCOMPARE(graph->Chart()->CursorPoint(), 6);
    graph->MaxClick();
    QCOMPARE(graph->Chart()->CursorPoint(), 2);

    // Zoomed to points 0 .. 4: the smallest there is the earlier 2.
    TGraphChart* chart = graph->Chart();
    QCPAxis* time_axis = chart->Area(0)->axis(QCPAxis::atBottom);
    const int left = int(std::ceil(time_axis->coordToPixel(-0.2)));
    const int right = int(std::floor(time_axis->coordToPixel(4.2)));
    chart->ZoomTo(QRect(QPoint(left, chart->Area(0)->top()), QPoint(right, chart->Area(0)->bottom())), 0);
    graph->MinClick();
    QCOMPARE(chart->CursorPoint(), 1);
    graph->MaxClick();
    QCOMPARE(chart->CursorPoint(), 2);

    QCOMPARE(ExtremePoint(values, 3, 2, false), 0);
    QCOMPARE(ExtremePoint({ NAN, 4.0, NAN, 4.0 }, 0, 3, true), 1);
}

void GraphFormTest::readoutsShowCursorAndMouse()
{
    const auto graph = Graph({ Signal("r.txt", 100, 1.0) });
    QVERIFY(graph);
    graph->MoveCursor(0, 12);
    const double value = graph->Chart()->CursorY();
    QCOMPARE(graph->StatusBar()->XText(), QStringLiteral("12.000 Time (mS)"));
    QCOMPARE(graph->StatusBar()->YText(), ReadoutNumber(value) + QStringLiteral(" Force"));

    QCOMPARE(ReadoutNumber(1234.5678), QStringLiteral("1234.570"));
    QCOMPARE(ReadoutNumber(-0.0004), QStringLiteral("0.000"));
    QCOMPARE(ReadoutNumber(2.5e7), QStringLiteral("2.50000E+07"));
    const double mouse = 15.5;
    QCOMPARE(XReadout(12.0, &mouse, "Time (mS)"), QStringLiteral("12.000 (3.500) Time (mS)"));
    QCOMPARE(YReadout(1.0, &mouse, "N"), QStringLiteral("1.000 (14.500) N"));

    // The status bar's buttons act as their captions say.
    graph->StatusBar()->Panel(QStringLiteral("Max"))->click();
    QCOMPARE(graph->Chart()->CursorY(),
        *std::max_element(graph->Chart()->Signal(0).values.begin(), graph->Chart()->Signal(0).values.end()));
}

void GraphFormTest::keysMoveTheCursorAndChangeItsSignal()
{
    const auto graph = Graph({ Signal("k1.txt", 200, 1.0), Signal("k2.txt", 100, 2.0) });
    QVERIFY(graph);
    TGraphChart* chart = graph->Chart();
    graph->MoveCursor(0, 50);
    QTest::keyClick(chart, Qt::Key_Right);
    QCOMPARE(chart->CursorPoint(), 51);
    QTest::keyClick(chart, Qt::Key_PageUp);
    QCOMPARE(chart->CursorPoint(), 31);
    QTest::keyClick(chart, Qt::Key_End);
    QCOMPARE(chart->CursorPoint(), 199);
    QTest::keyClick(chart, Qt::Key_Right);
    QCOMPARE(chart->CursorPoint(), 199);
    // The next signal takes the cursor at the same time, on its own samples.
    QTest::keyClick(chart, Qt::Key_Down);
    QCOMPARE(chart->CursorSignal(), 1);
    QCOMPARE(chart->CursorPoint(), 99);
    QTest::keyClick(chart, Qt::Key_Down);
    QCOMPARE(chart->CursorSignal(), 0);
}

void GraphFormTest::appearanceAndLastFileSurviveClosing()
{
    const QString file = Signal("look.txt", 30, 1.0);
    GraphAppearance chosen;
    {
        const auto graph = Graph({ file });
        QVERIFY(graph);
        TGraphForm::SetDialogRunner([&](QDialog& dialog) {
            auto* controls = qobject_cast<TGraphControlsDlg*>(&dialog);
            if (!controls)
                return false;
            TGraphControlsDlg::SetColorChooser(
                [](QWidget*, const QColor&, const QString&) { return QColor(10, 20, 30); });
            controls->findChild<QPushButton*>(QStringLiteral("GraphColorBtn"))->click();
            TGraphControlsDlg::SetColorChooser(nullptr);
            controls->findChild<QCheckBox*>(QStringLiteral("GridCB"))->setChecked(true);
            controls->findChild<QSpinBox*>(QStringLiteral("FontSizeEdit"))->setValue(11);
            controls->findChild<QDoubleSpinBox*>(QStringLiteral("LineWidthEdit"))->setValue(2.5);
            return true;
        });
        graph->StatusBar()->Panel(QStringLiteral("Controls"))->click();
        InstallChoosers();
        chosen = graph->Chart()->Appearance();
        QCOMPARE(chosen.graph_color, QColor(10, 20, 30));
        QVERIFY(chosen.grid);
        QCOMPARE(graph->Chart()->Area(0)->backgroundBrush().color(), QColor(10, 20, 30));
        QCOMPARE(graph->Chart()->GraphOf(0)->pen().widthF(), 2.5);
        graph->show();
        graph->move(40, 50);
        graph->close();
        QVERIFY(!graph->HasSignals());
    }
    TGraphForm again(nullptr, nullptr, settings_.get());
    QCOMPARE(again.Chart()->Appearance(), chosen);
    QCOMPARE(again.SelectDialog()->LastFileName(), file);
    QVERIFY(settings_->valueExists(QStringLiteral("Desktop"), QStringLiteral("GraphForm")));
}

void GraphFormTest::damagedAppearanceBlocksAreRefused()
{
    GraphAppearance look = GraphAppearance::Defaults();
    look.font_family = QStringLiteral("Some Family");
    look.line_width = 3.5;
    const QByteArray block = look.Encode();
    QCOMPARE(GraphAppearance::Decode(block), look);
    for (int cut = 0; cut < block.size(); ++cut)
        QVERIFY2(!GraphAppearance::Decode(block.left(cut)), qPrintable(QString::number(cut)));
    QVERIFY(!GraphAppearance::Decode(block + "x"));
    QByteArray long_family = block;
    long_family[long_family.size() - 12] = char(200);
    QVERIFY(!GraphAppearance::Decode(long_family));
    QByteArray tiny_font = block;
    tiny_font[26] = 1;
    QVERIFY(!GraphAppearance::Decode(tiny_font));
    QVERIFY(!GraphAppearance::Decode(QByteArray(64, '\xff')));

    // A store holding rubbish gives the default look.
    settings_->writeString(
        QStringLiteral("Graph Signals"), QStringLiteral("Settings"), QStringLiteral("%%not base64"));
    TGraphForm graph(nullptr, nullptr, settings_.get());
    QCOMPARE(graph.Chart()->Appearance(), GraphAppearance::Defaults());
}

void GraphFormTest::deletedOrTruncatedFileWhilePlotted()
{
    const QString path = Signal("vanishing.txt", 400, 1.0);
    const auto graph = Graph({ path });
    QVERIFY(graph);
    const std::vector<double> before = graph->Chart()->Signal(0).values;

    // The open file still reads after its name is gone.
    QVERIFY(QFile::remove(path));
    graph->SignalsClick();
    QVERIFY(graph->HasSignals());
    QCOMPARE(graph->Chart()->Signal(0).values, before);
    graph->MaxClick();

    // Cut short under the window: the lost samples become gaps, never values.
    QVERIFY(writeSignalFile(path, 400, 1.0, wavy));
    const auto cut = Graph({ path });
    QVERIFY(cut);
    {
        QFile file(path);
        QVERIFY(file.resize(file.size() / 2));
    }
    cut->SignalsClick();
    const std::vector<double>& after = cut->Chart()->Signal(0).values;
    QCOMPARE(int(after.size()), 400);
    QVERIFY(std::isnan(after.back()));
    cut->MoveCursor(0, 399);
    QVERIFY(cut->StatusBar()->YText().startsWith(QStringLiteral("NaN")));
    cut->MaxClick();
    QVERIFY(!std::isnan(cut->Chart()->CursorY()));
}

void GraphFormTest::cancelledChoiceLeavesTheChartAlone()
{
    const auto graph = Graph({ Signal("kept.txt", 40, 1.0), Signal("kept2.txt", 40, 1.0) });
    QVERIFY(graph);
    accept_ = false;
    QVERIFY(!graph->ChooseAndPlot({}));
    QCOMPARE(graph->Chart()->SignalCount(), 2);
}

void GraphFormTest::signalsWithoutUsableTimingAreLeftOut()
{
    const QString good = Signal("timed.txt", 50, 1.0);
    const QString bad = Signal("untimed.txt", 50, 1.0);
    SetSigInfoAsker([](SigInfo& info) {
        // So slow that its period overflows.
        if (info.signal_name == QStringLiteral("untimed"))
            info.frequency_hz = 1e-320;
        return true;
    });
    const auto graph = Graph({ bad, good });
    acceptSignalProposals();
    QVERIFY(graph);
    QCOMPARE(graph->Chart()->SignalCount(), 1);
    QCOMPARE(graph->Chart()->Signal(0).name, QStringLiteral("timed"));
    QCOMPARE(prompt_.questions().back().caption, QStringLiteral("ASCII.untimed"));
}

void GraphFormTest::clipWindowOpensAGraphOfItsOwn()
{
    InstallSignalGraphing();
    auto clip = Clip(25);
    QVERIFY(clip);
    clip->show();
    clip->OpenSignalGraph();
    SignalGraphWindow* graph = clip->SignalGraph();
    QVERIFY(graph);
    QCOMPARE(graph->Followed(), clip.get());
    QCOMPARE(graph->Window()->parentWidget(), clip.get());
    QVERIFY(graph->Window()->isVisible());
    QVERIFY(!graph->HasSignals());

    QVERIFY(graph->ChooseAndPlot({ Signal("own.txt", 900, 1.0) }));
    clip->Seek(7);
    QCOMPARE(static_cast<TGraphForm*>(graph->Window())->Chart()->CursorX(), 280.0);
    clip->OpenSignalGraph();
    QCOMPARE(clip->SignalGraph(), graph);

    // The graph closes with its clip window and keeps its place.
    QPointer<QWidget> window = graph->Window();
    clip.reset();
    QVERIFY(!window);
    QVERIFY(settings_->valueExists(QStringLiteral("Desktop"), QStringLiteral("GraphForm")));
    SetSignalGraphFactory(nullptr);
}

void GraphFormTest::mainWindowGraphsSignalFilesAndFollowsTheCurrentClip()
{
    InstallSignalGraphing();
    TWrightViewer viewer(*settings_);
    QAction* graph_item = viewer.findChild<QAction*>(QStringLiteral("SGraphItem"));
    QVERIFY(!graph_item->isEnabled());
    const QString file = Signal("queued.txt", 300, 1.0);
    viewer.QueueFile(file);
    viewer.Timer();
    SignalGraphWindow* graph = viewer.MainSignalGraph();
    QVERIFY(graph);
    QVERIFY(graph->HasSignals());
    QCOMPARE(graph->Window()->windowTitle(), QStringLiteral("Signal Graphing"));
    QVERIFY(graph_item->isEnabled());

    QVERIFY(Clip(25));
    viewer.QueueFile(temp_.filePath(QStringLiteral("clip25.avi")));
    for (int tick = 0; tick < 20 && viewer.Children().empty(); ++tick) {
        viewer.Timer();
        QCoreApplication::processEvents();
    }
    QCOMPARE(int(viewer.Children().size()), 1);
    TChildForm* child = viewer.Children().front();
    viewer.ActiveFormChanged(child);
    QCOMPARE(graph->Followed(), child);
    QCOMPARE(child->SignalGraph(), graph);
    QCOMPARE(graph->Window()->windowTitle(), QStringLiteral("Signals vs clip25.avi"));

    // The clip window goes; the main graph stays and follows nothing.
    delete child;
    QCOMPARE(viewer.MainSignalGraph(), graph);
    QVERIFY(!graph->Followed());
    SetSignalGraphFactory(nullptr);
}

void GraphFormTest::aSourceInMemoryIsPlottedByGroupAndReadAgainWhenItChanges()
{
    auto source = std::make_unique<FakeSource>();
    source->Set({ Ramp("a", 7, Qt::blue, 20), Ramp("b", 15, QColor(), 20), Ramp("c", 7, Qt::red, 10) });
    TGraphForm graph(nullptr, nullptr, settings_.get(), QStringLiteral("SourceGraph"));
    graph.resize(800, 600);
    graph.PlotSource(source.get());
    QCOMPARE(graph.windowTitle(), QStringLiteral("Fake"));
    TGraphChart* chart = graph.Chart();
    QCOMPARE(chart->AreaCount(), 2);
    QCOMPARE(chart->AreaOf(0), 0);
    QCOMPARE(chart->AreaOf(2), 0);
    QCOMPARE(chart->ValueAxisOf(0), chart->ValueAxisOf(2));
    QCOMPARE(chart->AreaOf(1), 1);
    QCOMPARE(chart->GraphOf(0)->pen().color(), QColor(Qt::blue));
    QCOMPARE(chart->GraphOf(1)->pen().color(), SignalColor(1));
    QCOMPARE(chart->GraphOf(0)->scatterStyle().shape(), QCPScatterStyle::ssDisc);
    // Axes carrying colours of their own signals' are drawn in the text colour.
    QCOMPARE(chart->ValueAxisOf(0)->labelColor(), chart->Appearance().text_color);
    QCOMPARE(chart->ValueAxisOf(1)->labelColor(), SignalColor(1));
    QCOMPARE(chart->ValueAxisOf(0)->label(), QStringLiteral("a (m/s), c (m/s)"));

    // Many changes in a row are read once, after them; new samples keep the zoom and cursor.
    graph.MoveCursor(0, 4);
    const QRect area = chart->Area(0)->rect();
    chart->ZoomTo(QRect(area.left() + 1, area.top() + 1, area.width() / 2, area.height() - 2), 0);
    const QCPRange zoomed = chart->VisibleTimes();
    for (int count = 21; count <= 25; ++count)
        source->Set(
            { Ramp("a", 7, Qt::blue, count, 2.0), Ramp("b", 15, QColor(), 20), Ramp("c", 7, Qt::red, 10) });
    QCOMPARE(chart->GraphOf(0)->data()->size(), 20);
    QTRY_COMPARE(chart->GraphOf(0)->data()->size(), 25);
    QCOMPARE(chart->GraphOf(0)->data()->at(3)->value, 6.0);
    QVERIFY(chart->Zoomed());
    QCOMPARE(chart->VisibleTimes(), zoomed);
    QCOMPARE(chart->CursorPoint(), 4);

    // Other curves are plotted anew.
    source->Set({ Ramp("d", 3, QColor(), 5) });
    QTRY_COMPARE(chart->SignalCount(), 1);
    QVERIFY(!chart->Zoomed());
    QCOMPARE(chart->Signal(0).name, QStringLiteral("d"));

    // A closed window is not drawn; shown with its source again it reads it.
    graph.close();
    source->Set({ Ramp("e", 3, QColor(), 5), Ramp("f", 4, QColor(), 5) });
    QTest::qWait(1);
    QVERIFY(!graph.HasSignals());
    graph.PlotSource(source.get());
    QCOMPARE(chart->SignalCount(), 2);

    // A source that goes away leaves the chart as it was.
    source.reset();
    QTest::qWait(1);
    QCOMPARE(chart->SignalCount(), 2);
    graph.close();
    QVERIFY(settings_->valueExists(QStringLiteral("Desktop"), QStringLiteral("SourceGraph")));
    QVERIFY(!settings_->valueExists(QStringLiteral("Graph Signals\\Open"), QStringLiteral("Signal")));
}

QTEST_MAIN(GraphFormTest)
#include "graph_form_test.moc"
