// Track Point in the Quick Measure window, on the tracking marker sample: the track runs with
// progress and stops at the card with the reason, tracked samples show their confidence and
// look different in the sheet and on the picture, a click corrects one, the track resumes, and
// cancelling keeps what was found.

#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>
#include <optional>

#include "../../../samples/tracking_marker.h"
#include "measure/forms/qm_form.h"
#include "measure/forms/track_dialog.h"
#include "measure/point_track_plan.h"
#include "measure/sheet_elements.h"
#include "shell/forms/display_form.h"
#include "shell/forms/form_test_support.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;
namespace marker = fw::samples::tracking_marker;

namespace {

// Long enough for a slow machine; the track itself takes a fraction of it.
constexpr int kTrackTimeoutMs = 60000;

// The marker's true centre on a frame as the clip window hands points on: origin bottom-left.
QPointF ImageTruth(int frame)
{
    const marker::Position at = marker::MarkerCentre(frame);
    return { at.x, marker::kHeight - 1 - at.y };
}

double ErrorAt(const TObjDef& def, int frame)
{
    const ImagePoint stored = def.SampleAt(frame)->GetPoint(0);
    const QPointF truth = ImageTruth(frame);
    return std::hypot(stored.u - truth.x(), stored.v - truth.y());
}

// A chooser that answers as given and remembers what it was asked.
struct ChooserLog {
    QString what;
    int32_t from = -1;
    int32_t last = -1;
    TrackChoice proposal;
};

// Answers every question with its first button and counts the progress windows of a window at
// that moment: a modal one left behind would come up over the question and block it.
struct ProgressCountingPrompt : UserPrompt {
    QWidget* window = nullptr;
    int progress_windows = -1;
    PromptButton ask(PromptKind, const QString&, const QString&, PromptButton buttons) override
    {
        progress_windows = int(window->findChildren<QProgressDialog*>().size());
        return firstButton(buttons);
    }
};

// A copy of the sample clip in a clip window that measures, with settings and prompts of the
// test's own. Members go in reverse order: the window before what it uses.
struct Session {
    QTemporaryDir dir;
    SettingsStore settings { dir.filePath("settings.ini") };
    ScriptedPrompt prompt;
    std::unique_ptr<TDisplayForm> display;

    Session()
    {
        installPrompt(&prompt);
        SetMeasurementWindowFactory(
            [this](TDisplayForm& shown) { return TQMForm::Create(shown, &settings); });
    }
    ~Session()
    {
        display.reset();
        SetMeasurementWindowFactory(nullptr);
        TQMForm::SetTrackChooser(nullptr);
        installPrompt(nullptr);
    }
};

} // namespace

class QMTrackTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { session_.reset(); }
    void tracksToTheCardSaysWhyAndIsCorrectedAndResumed();
    void cancellingKeepsWhatWasFoundAndSaysSo();
    void theDialogProposesTheLastChoiceAndTellsTheDirection();
    void theProgressWindowIsGoneBeforeTheTrackSaysWhyItStopped();

private:
    TQMForm* OpenWithTwoPoints();
    void Answer(std::optional<TrackChoice> choice);
    // Aims the collection at an object's first point by its X column's header.
    void Aim(TQMForm* form, const QString& object);
    void Click(TQMForm* form, int frame, QPointF point);
    // Runs a track to its end; the test has failed when it does not end.
    void Track(TQMForm* form);
    QVariant CellData(TQMForm* form, int frame, const QString& object, int role) const;
    TObjDef& Object(TQMForm* form, int index) const { return *form->Database().UserObjects()[size_t(index)]; }
    TDisplayForm& Display() const { return *session_->display; }
    QStringList Said() const { return session_->prompt.texts(); }

    std::unique_ptr<Session> session_;
    ChooserLog asked_;
};

void QMTrackTest::init()
{
    const QString sample = QString(FW_BIN_DIR) + "/Samples/Tracking Marker.avi";
    QVERIFY2(QFileInfo::exists(sample), "the build makes the samples");
    session_ = std::make_unique<Session>();
    const QString clip = session_->dir.filePath("Tracking Marker.avi");
    QVERIFY(QFile::copy(sample, clip));
    ChildContext context;
    context.settings = &session_->settings;
    QString error;
    session_->display = test::OpenClipWindow(context, clip, &error);
    QVERIFY2(session_->display, qPrintable(error));
    Display().EnableQuickMeasure(true);
    Display().show();
}

TQMForm* QMTrackTest::OpenWithTwoPoints()
{
    Display().OpenQuickMeasure();
    auto* form = dynamic_cast<TQMForm*>(Display().Measurement());
    if (!form)
        return nullptr;
    form->SetPage(QMPage::Defaults);
    form->findChild<QCheckBox*>("AutoStepCB")->setChecked(false);
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->SetPage(QMPage::Collection);
    Display().UserSeek(0);
    return form;
}

void QMTrackTest::Answer(std::optional<TrackChoice> choice)
{
    TQMForm::SetTrackChooser([this, choice](QWidget*, const QString& what, int32_t from, int32_t last,
                                 const TrackChoice& proposal) {
        asked_ = { what, from, last, proposal };
        return choice;
    });
}

void QMTrackTest::Aim(TQMForm* form, const QString& object)
{
    const MeasureSheet& sheet = form->Database().Sheet();
    for (int column = 1; column < sheet.ColumnCount(); ++column)
        if (sheet.CellText(column, 0) == object && sheet.CellText(column, 1) == "X")
            emit form->findChild<QTableView*>("SheetGrid")->horizontalHeader()->sectionClicked(column);
}

void QMTrackTest::Click(TQMForm* form, int frame, QPointF point)
{
    Display().UserSeek(frame);
    form->PictureClicked(frame, point);
}

void QMTrackTest::Track(TQMForm* form)
{
    form->TrackPoint();
    QTRY_VERIFY_WITH_TIMEOUT(!form->TrackRunning(), kTrackTimeoutMs);
}

QVariant QMTrackTest::CellData(TQMForm* form, int frame, const QString& object, int role) const
{
    auto* grid = form->findChild<QTableView*>("SheetGrid");
    const MeasureSheet& sheet = form->Database().Sheet();
    for (int column = 1; column < sheet.ColumnCount(); ++column)
        if (sheet.CellText(column, 0) == object && sheet.CellText(column, 1) == "X")
            return grid->model()->data(grid->model()->index(frame, column), role);
    return {};
}

void QMTrackTest::tracksToTheCardSaysWhyAndIsCorrectedAndResumed()
{
    TQMForm* form = OpenWithTwoPoints();
    QVERIFY(form);
    // A still point for the first object, then the target is the second, which has no point yet.
    Click(form, 0, QPointF(5, 5));
    QCOMPARE(form->TargetObject(), 2);
    Answer(TrackChoice { marker::kFrameCount - 1, {} });
    form->TrackPoint();
    QVERIFY(!form->TrackRunning());
    QCOMPARE(Said().value(0), QString("Click point 1 of Point2 on frame 0 before tracking it"));

    Click(form, 0, ImageTruth(0));
    Aim(form, "Point2");
    QCOMPARE(form->TargetObject(), 2);
    session_->prompt.clear();
    Track(form);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(asked_.what, QString("Point2"));
    QCOMPARE(asked_.from, 0);
    QCOMPARE(asked_.last, marker::kFrameCount - 1);
    QVERIFY(asked_.proposal == (TrackChoice { marker::kFrameCount - 1, {} }));

    // Stopped at the card, told why, and shown the frame where it stopped, aimed at the point.
    QCOMPARE(Said().size(), 1);
    const QString why = Said().value(0);
    QVERIFY2(why.startsWith("Tracking stopped at frame 90: confidence "), qPrintable(why));
    QVERIFY2(why.endsWith(" is below the minimum 0.8"), qPrintable(why));
    QCOMPARE(form->findChild<QLabel*>("PromptPanel")->text(), why);
    QCOMPARE(Display().CurrentIndex(), marker::kOcclusionFirst);
    QCOMPARE(form->TargetObject(), 2);

    TObjDef& tracked = Object(form, 1);
    QCOMPARE(int(tracked.Samples().size()), marker::kOcclusionFirst);
    double squares = 0.0;
    for (int frame = 1; frame < marker::kOcclusionFirst; ++frame) {
        QVERIFY(tracked.SampleAt(frame)->IsTracked(0));
        squares += std::pow(ErrorAt(tracked, frame), 2);
    }
    QVERIFY(std::sqrt(squares / (marker::kOcclusionFirst - 1)) <= 0.1);
    QVERIFY(!tracked.SampleAt(0)->IsTracked(0));
    QCOMPARE(form->UnexportedSamples(), marker::kOcclusionFirst + 1);

    // The sheet tells tracked cells apart and shows the confidence.
    QVERIFY(CellData(form, 0, "Point2", Qt::ForegroundRole).isNull());
    QVERIFY(!CellData(form, 40, "Point2", Qt::ForegroundRole).isNull());
    QVERIFY(CellData(form, 40, "Point2", Qt::FontRole).value<QFont>().italic());
    QVERIFY(CellData(form, 40, "Point2", Qt::ToolTipRole).toString().startsWith("Tracked, confidence 0.9"));
    const MeasureSheet& sheet = form->Database().Sheet();
    bool confidence_shown = false;
    for (int column = 1; column < sheet.ColumnCount(); ++column)
        confidence_shown |= sheet.CellText(column, 0) == "Point2" && sheet.CellText(column, 1) == "Confidence"
            && sheet.CellText(column, 40 + kSheetHeaderRows).toDouble() >= 0.8;
    QVERIFY(confidence_shown);

    // On the picture a tracked point looks different from the same point clicked.
    const auto overlay = [&] {
        QImage image(marker::kWidth, marker::kHeight, QImage::Format_ARGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        form->PaintOverlay(painter, image.rect(), marker::kWidth, marker::kHeight);
        return image;
    };
    Display().UserSeek(50);
    const QImage tracked_look = overlay();
    const ImagePoint found = tracked.SampleAt(50)->GetPoint(0);
    Aim(form, "Point2");
    form->PictureClicked(50, QPointF(found.u, found.v));
    QVERIFY(!tracked.SampleAt(50)->IsTracked(0));
    QVERIFY(CellData(form, 50, "Point2", Qt::ForegroundRole).isNull());
    QVERIFY(overlay() != tracked_look);

    // The marker shows again after the card: a click there, and the track resumes to the end.
    const int resume = marker::kOcclusionLast + 1;
    Display().UserSeek(resume);
    Aim(form, "Point2");
    Click(form, resume, ImageTruth(resume));
    Display().UserSeek(resume);
    Aim(form, "Point2");
    session_->prompt.clear();
    Track(form);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(Said().size(), 0);
    QCOMPARE(form->findChild<QLabel*>("PromptPanel")->text(),
        QString("Tracked frames %1 to %2").arg(resume).arg(marker::kFrameCount - 1));
    QVERIFY(!tracked.SampleAt(resume)->IsTracked(0));
    for (int frame = resume + 1; frame < marker::kFrameCount; ++frame)
        QVERIFY2(ErrorAt(tracked, frame) < 0.2, qPrintable(QString::number(frame)));
}

void QMTrackTest::cancellingKeepsWhatWasFoundAndSaysSo()
{
    TQMForm* form = OpenWithTwoPoints();
    QVERIFY(form);
    Click(form, 0, ImageTruth(0));
    Display().UserSeek(0);
    QCOMPARE(form->TargetObject(), 2);
    Aim(form, "Point");
    Answer(TrackChoice { 60, {} });
    form->TrackPoint();
    QVERIFY(form->TrackRunning());
    // Clicks wait while the track writes.
    form->PictureClicked(0, QPointF(1, 1));
    QVERIFY(Object(form, 0).SampleAt(0)->GetPoint(0)
        == (ImagePoint { float(ImageTruth(0).x()), float(ImageTruth(0).y()) }));
    form->CancelTrack();
    QTRY_VERIFY_WITH_TIMEOUT(!form->TrackRunning(), kTrackTimeoutMs);
    const QString said = form->findChild<QLabel*>("PromptPanel")->text();
    QVERIFY2(said.startsWith("Tracking cancelled after frame "), qPrintable(said));
    QVERIFY2(Said().isEmpty(), "no message box for a cancel");
    const int reached = said.section(' ', -1).toInt();
    QCOMPARE(int(Object(form, 0).Samples().size()), reached + 1);

    // What was chosen is proposed next time and kept in the settings.
    Answer(TrackChoice { 60, { 25, 70, 0.65 } });
    Display().UserSeek(0);
    Aim(form, "Point");
    Track(form);
    if (QTest::currentTestFailed())
        return;
    Answer(std::nullopt);
    form->TrackPoint();
    QVERIFY(asked_.proposal.settings == (TrackSettings { 25, 70, 0.65 }));
    form->close();
    QCOMPARE(session_->settings.readString("QuickMeasure\\Collection", "TrackTemplate"), QString("25"));
    QCOMPARE(
        session_->settings.readString("QuickMeasure\\Collection", "TrackMinConfidence"), QString("0.65"));
}

void QMTrackTest::theDialogProposesTheLastChoiceAndTellsTheDirection()
{
    TTrackDialog dialog(nullptr, "Point", 40, 119, TrackChoice { 119, { 21, 64, 0.8 } });
    auto* to = dialog.findChild<QSpinBox*>("TrackToFrameSE");
    auto* direction = dialog.findChild<QLabel*>("DirectionLbl");
    QCOMPARE(to->maximum(), 119);
    QCOMPARE(direction->text(), QString("forward, 79 frames"));
    to->setValue(10);
    QCOMPARE(direction->text(), QString("backward, 30 frames"));
    dialog.findChild<QSpinBox*>("TemplateSE")->setValue(41);
    auto* search = dialog.findChild<QSpinBox*>("SearchSE");
    QCOMPARE(search->minimum(), 43);
    QCOMPARE(search->value(), 64);
    dialog.findChild<QDoubleSpinBox*>("MinConfidenceSE")->setValue(0.9);
    QVERIFY(dialog.Choice() == (TrackChoice { 10, { 41, 64, 0.9 } }));
}

void QMTrackTest::theProgressWindowIsGoneBeforeTheTrackSaysWhyItStopped()
{
    TQMForm* form = OpenWithTwoPoints();
    QVERIFY(form);
    Click(form, 0, ImageTruth(0));
    Display().UserSeek(0);
    Aim(form, "Point");
    Answer(TrackChoice { marker::kFrameCount - 1, {} });
    ProgressCountingPrompt counting;
    counting.window = form;
    installPrompt(&counting);
    Track(form);
    installPrompt(&session_->prompt);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(counting.progress_windows, 0);
}

QTEST_MAIN(QMTrackTest)
#include "qm_track_test.moc"
