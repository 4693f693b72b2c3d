#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

#include "measure/forms/measured_plot.h"
#include "measure/forms/plot_columns_dlg.h"
#include "measure/forms/qm_form.h"
#include "measure/measured_signals.h"
#include "measure/sheet_elements.h"
#include "shell/forms/display_form.h"
#include "shell/forms/form_test_support.h"
#include "shell/window_placement.h"
#include "signals/forms/graph_chart.h"
#include "signals/forms/graph_form.h"
#include "signals/forms/graph_status_bar.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;
using fw::test::runFfmpeg;

namespace {

constexpr double kPeriodMs = 40.0;

TSheetElement* Column(TObjDef& def, const QString& caption)
{
    for (const auto& column : def.Columns().Columns())
        if (column->Caption() == caption)
            return column.get();
    return nullptr;
}

QStringList ItemTexts(const QListWidget& list, Qt::CheckState state)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        if (list.item(row)->checkState() == state)
            texts << list.item(row)->text();
    return texts;
}

} // namespace

class MeasuredPlotTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void plotOpensAGraphOfTheChosenColumnsBoundToTheClipWindow();
    void graphCursorAndClipFrameMoveEachOther();
    void newPointsUpdateTheCurvesAndKeepTheZoom();
    void selectedColumnsArePreCheckedAndTheChoiceIsLimited();
    void hiddenColumnsAndDeletedObjectsLeaveThePlot();
    void signalsButtonChoosesAgainAndTheGraphGoesWithTheClipWindow();

private:
    // Quick Measure on the Collection page with a point object whose X, Y, X Velocity and
    // Y Acceleration are shown, clicked on frames 0..count-1 at (10 + 2k, 60 - k²/2).
    TQMForm* measure(int count);
    void click(TQMForm* form, int32_t frame);
    // Plots through the Edit menu, checking the listed columns.
    TGraphForm* plot(TQMForm* form, const QStringList& captions);
    TObjDef& object(TQMForm* form, int index = 0) const
    {
        return *form->Database().UserObjects().at(size_t(index));
    }

    bool AnswerColumnChoice(QDialog& dialog);

    QTemporaryDir dir_;
    int run_ = 0;
    std::unique_ptr<SettingsStore> settings_;
    ScriptedPrompt prompt_;
    std::unique_ptr<TDisplayForm> display_;
    // What the column choice showed checked when it opened, and whether it was accepted.
    QStringList prechecked_;
    bool accept_ = true;
    QStringList to_check_;
};

void MeasuredPlotTest::initTestCase()
{
    QVERIFY(dir_.isValid());
    QVERIFY(runFfmpeg({ "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-frames:v", "20", "-c:v",
        "rawvideo", "-pix_fmt", "bgr24", dir_.filePath("clip.avi") }));
    TGraphForm::SetDialogRunner([this](QDialog& dialog) { return AnswerColumnChoice(dialog); });
}

void MeasuredPlotTest::cleanupTestCase()
{
    TGraphForm::SetDialogRunner(nullptr);
}

bool MeasuredPlotTest::AnswerColumnChoice(QDialog& dialog)
{
    auto* list = dialog.findChild<QListWidget*>("PlotColumnsList");
    if (!list)
        return false;
    prechecked_ = ItemTexts(*list, Qt::Checked);
    for (int row = 0; !to_check_.isEmpty() && row < list->count(); ++row)
        list->item(row)->setCheckState(
            to_check_.contains(list->item(row)->text()) ? Qt::Checked : Qt::Unchecked);
    return accept_ && dialog.findChild<QPushButton*>("OKBtn")->isEnabled();
}

void MeasuredPlotTest::init()
{
    // A fresh store for every test: the units are the defaults, no window has a place yet.
    settings_ = std::make_unique<SettingsStore>(dir_.filePath(QStringLiteral("settings%1.ini").arg(++run_)));
    installPrompt(&prompt_);
    prompt_.clear();
    accept_ = true;
    prechecked_.clear();
    SetMeasurementWindowFactory(
        [this](TDisplayForm& display) { return TQMForm::Create(display, settings_.get()); });
    ChildContext context;
    context.settings = settings_.get();
    QString error;
    display_ = test::OpenClipWindow(context, dir_.filePath("clip.avi"), &error);
    QVERIFY2(display_, qPrintable(error));
    display_->SetTiming(kPeriodMs, 0.0);
    display_->EnableQuickMeasure(true);
    display_->show();
}

void MeasuredPlotTest::cleanup()
{
    display_.reset();
    SetMeasurementWindowFactory(nullptr);
    installPrompt(nullptr);
    settings_.reset();
}

void MeasuredPlotTest::click(TQMForm* form, int32_t frame)
{
    display_->UserSeek(frame);
    form->PictureClicked(frame, QPointF(10 + 2 * frame, 60 - frame * frame / 2.0));
}

TQMForm* MeasuredPlotTest::measure(int count)
{
    display_->OpenQuickMeasure();
    auto* form = dynamic_cast<TQMForm*>(display_->Measurement());
    if (!form)
        return nullptr;
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    for (const char* caption : { "X Velocity", "Y Acceleration" })
        Column(object(form), caption)->Show();
    form->SetPage(QMPage::Collection);
    for (int32_t frame = 0; frame < count; ++frame)
        click(form, frame);
    return form;
}

TGraphForm* MeasuredPlotTest::plot(TQMForm* form, const QStringList& captions)
{
    to_check_.clear();
    for (const QString& caption : captions)
        to_check_ << caption + " - " + object(form).Name();
    form->findChild<QAction*>("PlotItem")->trigger();
    TGraphForm* graph = form->Plot().Graph();
    if (graph)
        graph->Chart()->replot();
    return graph;
}

void MeasuredPlotTest::plotOpensAGraphOfTheChosenColumnsBoundToTheClipWindow()
{
    TQMForm* form = measure(8);
    QVERIFY(form);
    TGraphForm* graph = plot(form, { "X Velocity", "Y Acceleration" });
    QVERIFY(graph);
    QVERIFY(graph->isVisible());
    QCOMPARE(graph->windowTitle(), "Measured Data vs " + display_->Title());
    QCOMPARE(graph->Followed(), display_.get());
    QCOMPARE(graph->objectName(), QStringLiteral("MeasuredGraphForm"));

    TGraphChart* chart = graph->Chart();
    QCOMPARE(chart->SignalCount(), 2);
    QCOMPARE(chart->AreaCount(), 2);
    const QString name = object(form).Name();
    QCOMPARE(chart->Signal(0).name, "X Velocity - " + name);
    QCOMPARE(chart->Signal(1).name, "Y Acceleration - " + name);
    QCOMPARE(chart->ValueAxisOf(0)->label(), QStringLiteral("X Velocity (m/s)"));
    QCOMPARE(chart->ValueAxisOf(1)->label(), QString::fromUtf8("Y Acceleration (m/s²)"));
    QCOMPARE(chart->Area(1)->axis(QCPAxis::atBottom)->label(), QStringLiteral("Time (mS)"));
    // The object's aqua.
    QCOMPARE(chart->GraphOf(0)->pen().color(), QColor(0, 255, 255));

    // The velocity starts on frame 1, the acceleration on frame 1 and ends on frame 6.
    const QCPGraph* velocity = chart->GraphOf(0);
    QCOMPARE(velocity->data()->size(), 7);
    QCOMPARE(velocity->data()->at(0)->key, kPeriodMs);
    // 2 pixels (2 mm) a frame of 40 ms: 0.05 m/s.
    QVERIFY(std::fabs(velocity->data()->at(3)->value - 0.05) < 1e-6);
    const QCPGraph* acceleration = chart->GraphOf(1);
    QCOMPARE(acceleration->data()->size(), 6);
    // -1 mm a frame² of (40 ms)²: -0.625 m/s².
    QVERIFY(std::fabs(acceleration->data()->at(2)->value + 0.625) < 1e-4);
}

void MeasuredPlotTest::graphCursorAndClipFrameMoveEachOther()
{
    TQMForm* form = measure(10);
    QVERIFY(form);
    TGraphForm* graph = plot(form, { "X" });
    QVERIFY(graph);
    QCOMPARE(graph->ToleranceMs(), kPeriodMs);

    // The graph's cursor moves the clip window, which hands its time to the master clock.
    float moved_to = 0.0f;
    display_->UserMovedTime(moved_to);
    graph->MoveCursor(0, 7);
    QCOMPARE(display_->CurrentIndex(), 7);
    QVERIFY(display_->UserMovedTime(moved_to));
    QCOMPARE(double(moved_to), 7 * kPeriodMs);

    // Stepping or playing the clip moves the cursor.
    display_->Seek(3);
    QCOMPARE(graph->Chart()->CursorX(), 3 * kPeriodMs);
    QCOMPARE(graph->Chart()->CursorPoint(), 3);
    display_->Seek(4);
    QCOMPARE(graph->Chart()->CursorX(), 4 * kPeriodMs);
    // Beyond the measured frames the cursor waits at the last one.
    display_->Seek(15);
    QCOMPARE(graph->Chart()->CursorPoint(), 9);
    QCOMPARE(display_->CurrentIndex(), 15);

    // A click on the time axis takes the clip there.
    TGraphChart* chart = graph->Chart();
    const QCPAxis* time_axis = chart->Area(0)->axis(QCPAxis::atBottom);
    const QPoint below(int(time_axis->coordToPixel(2 * kPeriodMs)), chart->Area(0)->bottom() + 8);
    QTest::mouseClick(chart, Qt::LeftButton, {}, below);
    QCOMPARE(display_->CurrentIndex(), 2);
}

void MeasuredPlotTest::newPointsUpdateTheCurvesAndKeepTheZoom()
{
    TQMForm* form = measure(4);
    QVERIFY(form);
    TGraphForm* graph = plot(form, { "X", "X Velocity" });
    QVERIFY(graph);
    TGraphChart* chart = graph->Chart();
    QCOMPARE(chart->GraphOf(0)->data()->size(), 4);

    click(form, 4);
    QTRY_COMPARE(chart->GraphOf(0)->data()->size(), 5);
    QCOMPARE(chart->GraphOf(0)->data()->at(4)->value, 18.0);
    QCOMPARE(chart->GraphOf(1)->data()->size(), 4);
    QVERIFY(chart->VisibleTimes().upper >= 4 * kPeriodMs);

    // A skipped frame is a gap in the curve.
    click(form, 6);
    QTRY_COMPARE(chart->GraphOf(0)->data()->size(), 7);
    QVERIFY(std::isnan(chart->GraphOf(0)->data()->at(5)->value));

    // A changed point changes its value; the zoomed range and the cursor stay.
    const QRect area = chart->Area(0)->rect();
    chart->ZoomTo(QRect(area.left() + 2, area.top() + 2, area.width() / 2, area.height() - 4), 0);
    QVERIFY(chart->Zoomed());
    const QCPRange zoomed = chart->VisibleTimes();
    form->findChild<QCheckBox*>("AutoStepCB")->setChecked(false);
    display_->Seek(2);
    const int32_t cursor = chart->CursorPoint();
    form->PictureClicked(2, QPointF(40, 0));
    QTRY_COMPARE(chart->GraphOf(0)->data()->at(2)->value, 40.0);
    QVERIFY(chart->Zoomed());
    QCOMPARE(chart->VisibleTimes(), zoomed);
    QCOMPARE(chart->CursorPoint(), cursor);
    QCOMPARE(chart->SignalCount(), 2);
}

void MeasuredPlotTest::selectedColumnsArePreCheckedAndTheChoiceIsLimited()
{
    TQMForm* form = measure(3);
    QVERIFY(form);
    const QString name = object(form).Name();

    // Nothing selected: nothing checked, and OK stays disabled.
    accept_ = false;
    to_check_.clear();
    form->findChild<QAction*>("PlotItem")->trigger();
    QVERIFY(prechecked_.isEmpty());
    QVERIFY(!form->Plot().Graph());

    auto* grid = form->findChild<QTableView*>("SheetGrid");
    QCOMPARE(grid->model()->columnCount(), 5); // Time, X, Y, X Velocity, Y Acceleration
    grid->selectionModel()->select(
        QItemSelection(grid->model()->index(0, 2), grid->model()->index(2, 3)), QItemSelectionModel::Select);
    form->findChild<QAction*>("PlotItem")->trigger();
    QCOMPARE(prechecked_, QStringList({ "Y - " + name, "X Velocity - " + name }));

    // At most six columns: the others cannot be checked.
    std::vector<const TSheetElement*> all;
    for (const auto& column : object(form).Columns().Columns()) {
        column->Show();
        all.push_back(column.get());
    }
    PlotColumnsDlg dialog(form->Database().Sheet(), all);
    auto* list = dialog.findChild<QListWidget*>("PlotColumnsList");
    QCOMPARE(list->count(), int(all.size()));
    QCOMPARE(ItemTexts(*list, Qt::Checked).size(), kMaxGraphSignals);
    QCOMPARE(dialog.Chosen().size(), size_t(kMaxGraphSignals));
    QVERIFY(!(list->item(kMaxGraphSignals)->flags() & Qt::ItemIsEnabled));
    list->item(0)->setCheckState(Qt::Unchecked);
    QVERIFY(list->item(kMaxGraphSignals)->flags() & Qt::ItemIsEnabled);

    // With no column shown there is nothing to choose from, and the user is told.
    for (const auto& column : object(form).Columns().Columns())
        column->Hide();
    prompt_.clear();
    QVERIFY(!form->Plot().ChooseAndPlot({}));
    QCOMPARE(prompt_.texts().size(), 1);
}

void MeasuredPlotTest::hiddenColumnsAndDeletedObjectsLeaveThePlot()
{
    TQMForm* form = measure(5);
    QVERIFY(form);
    TGraphForm* graph = plot(form, { "X", "X Velocity" });
    QVERIFY(graph);
    Column(object(form), "X")->Hide();
    QTRY_COMPARE(graph->Chart()->SignalCount(), 1);
    QCOMPARE(graph->Chart()->Signal(0).name, "X Velocity - " + object(form).Name());

    form->Database().DeleteObject(object(form));
    QTRY_COMPARE(graph->Chart()->SignalCount(), 0);
    QVERIFY(form->Plot().Signals().Columns().empty());
    // A click on a chart without curves does nothing.
    QTest::mouseClick(graph->Chart(), Qt::LeftButton, {}, QPoint(50, 50));
}

void MeasuredPlotTest::signalsButtonChoosesAgainAndTheGraphGoesWithTheClipWindow()
{
    TQMForm* form = measure(4);
    QVERIFY(form);
    TGraphForm* graph = plot(form, { "X" });
    QVERIFY(graph);
    to_check_ = QStringList({ "Y - " + object(form).Name() });
    prechecked_.clear();
    graph->SignalsClick();
    QCOMPARE(prechecked_, QStringList({ "X - " + object(form).Name() }));
    QCOMPARE(graph->Chart()->SignalCount(), 1);
    QCOMPARE(graph->Chart()->Signal(0).name, "Y - " + object(form).Name());

    // The graph keeps its own place, apart from the file graphs'.
    graph->move(123, 234);
    QPointer<TGraphForm> watched(graph);
    prompt_.queueAnswer(PromptButton::No); // the samples are not exported
    display_->close();
    display_.reset();
    QVERIFY(!watched);
    QVERIFY(settings_->valueExists(desktopSection(), QStringLiteral("MeasuredGraphForm")));
    QVERIFY(!settings_->valueExists(desktopSection(), QStringLiteral("GraphForm")));
}

QTEST_MAIN(MeasuredPlotTest)
#include "measured_plot_test.moc"
