// Measures the bundled thrown-ball clip as a user would (scale on the bar, reference on its end,
// clicks on the ball's centre every 30 frames) and checks the sheet against the exact flight.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

#include "../../../samples/thrown_ball.h"
#include "measure/forms/qm_form.h"
#include "shell/forms/display_form.h"
#include "shell/forms/form_test_support.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;
namespace ball = fw::samples::thrown_ball;

namespace {

constexpr int kFrameStep = 30;

// A picture pixel (column, row from the top) as the clip window hands it on: origin at the
// bottom-left.
QPointF imagePoint(double column, double row)
{
    return { column, ball::kHeight - 1 - row };
}

double timeS(int frame)
{
    return double(frame) / ball::kFramesPerSecond;
}

const TSheetElement* columnOf(const TObjDef& def, QuantityKind kind)
{
    for (const auto& column : def.Columns().Columns())
        if (column->Kind() == kind && column->PointIndex() == 0)
            return column.get();
    return nullptr;
}

// Agreement to the six significant digits the sheet shows.
bool nearly(double value, double expected)
{
    return std::fabs(value - expected) <= 1e-5 * std::max(1.0, std::fabs(expected));
}

} // namespace

class ThrownBallMeasureTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void sheetAgreesWithTheExactFlight();
};

void ThrownBallMeasureTest::cleanup()
{
    SetMeasurementWindowFactory(nullptr);
    installPrompt(nullptr);
}

void ThrownBallMeasureTest::sheetAgreesWithTheExactFlight()
{
    const QString sample = QString(FW_BIN_DIR) + "/Samples/Thrown Ball.avi";
    QVERIFY2(QFileInfo::exists(sample), "the build makes the samples");
    // The scale goes into the clip's descriptor block: measure a copy, never the sample.
    QTemporaryDir dir;
    const QString clip = dir.filePath("Thrown Ball.avi");
    QVERIFY(QFile::copy(sample, clip));
    SettingsStore settings(dir.filePath("settings.ini"));
    ScriptedPrompt prompt;
    installPrompt(&prompt);
    SetMeasurementWindowFactory([&](TDisplayForm& display) { return TQMForm::Create(display, &settings); });
    ChildContext context;
    context.settings = &settings;
    QString error;
    auto display = test::OpenClipWindow(context, clip, &error);
    QVERIFY2(display, qPrintable(error));
    display->EnableQuickMeasure(true);
    display->show();
    display->OpenQuickMeasure();
    auto* form = dynamic_cast<TQMForm*>(display->Measurement());
    QVERIFY(form);

    // Scale: 200 mm between the bar's end ticks; metres shown.
    form->findChild<QLineEdit*>("GageLengthEN")->setText("200");
    form->PictureClicked(0, imagePoint(ball::kBarLeft, ball::kBarRow));
    form->PictureClicked(0, imagePoint(ball::kBarRight, ball::kBarRow));
    form->findChild<QPushButton*>("SetFactorBtn")->click();
    QCOMPARE(form->findChild<QLabel*>("ScaleFactorLB")->text(), QString("0.666667 mm/pixel"));
    form->SetPage(QMPage::Units);
    form->findChild<QComboBox*>("LinearUnitsCB")->setCurrentText("m");
    form->findChild<QComboBox*>("LinearVelCB")->setCurrentText("m/s");
    form->findChild<QComboBox*>("AccelerationCB")->setCurrentText("m/s\u00B2");

    // Reference: the bar's left end.
    form->SetPage(QMPage::Reference);
    form->PictureClicked(0, imagePoint(ball::kBarLeft, ball::kBarRow));

    // Columns: position, velocity and acceleration.
    form->SetPage(QMPage::Defaults);
    for (QuantityKind kind : { QuantityKind::XVelocity, QuantityKind::YVelocity, QuantityKind::XAcceleration,
             QuantityKind::YAcceleration })
        form->findChild<QCheckBox*>(QString("Visible%1").arg(int(kind)))->setChecked(true);
    form->findChild<QSpinBox*>("FrameStepEdit")->setValue(kFrameStep);
    form->findChild<QCheckBox*>("AutoStepCB")->setChecked(true);

    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->SetPage(QMPage::Collection);
    display->UserSeek(0);
    for (int frame = 0; frame < ball::kFrameCount; frame += kFrameStep) {
        QCOMPARE(display->CurrentIndex(), frame);
        form->PictureClicked(
            frame, imagePoint(ball::CentreColumn(timeS(frame)), ball::CentreRow(timeS(frame))));
    }

    const TObjDef& def = *form->Database().UserObjects().front();
    const TSheetElement* x = columnOf(def, QuantityKind::ObjectX);
    const TSheetElement* y = columnOf(def, QuantityKind::ObjectY);
    const TSheetElement* vx = columnOf(def, QuantityKind::XVelocity);
    const TSheetElement* vy = columnOf(def, QuantityKind::YVelocity);
    const TSheetElement* ax = columnOf(def, QuantityKind::XAcceleration);
    const TSheetElement* ay = columnOf(def, QuantityKind::YAcceleration);
    QVERIFY(x && y && vx && vy && ax && ay);
    const double g = ball::kGravity;
    for (int frame = 0; frame < ball::kFrameCount; frame += kFrameStep) {
        const double t = timeS(frame);
        QVERIFY2(nearly(*x->Value(frame), ball::CentreXMm(t) / 1000.0), qPrintable(x->Text(frame)));
        QVERIFY2(nearly(*y->Value(frame), ball::CentreYMm(t) / 1000.0), qPrintable(y->Text(frame)));
        if (frame == 0) {
            QVERIFY(!vx->Value(frame));
            continue;
        }
        // The velocity from the previous sample is the exact one half a step earlier.
        const double t_mid = t - timeS(kFrameStep) / 2;
        QVERIFY2(nearly(*vx->Value(frame), ball::kSpeedXMmPerS / 1000.0), qPrintable(vx->Text(frame)));
        QVERIFY2(
            nearly(*vy->Value(frame), ball::kSpeedYMmPerS / 1000.0 - g * t_mid), qPrintable(vy->Text(frame)));
        if (frame + kFrameStep >= ball::kFrameCount) {
            QVERIFY(!ay->Value(frame)); // no later sample
            continue;
        }
        QVERIFY2(nearly(*ax->Value(frame), 0.0), qPrintable(ax->Text(frame)));
        QVERIFY2(nearly(*ay->Value(frame), -g), qPrintable(ay->Text(frame)));
    }
    QCOMPARE(ay->Text(150), QString("-9.80665"));

    // The same acceleration in G.
    form->SetPage(QMPage::Units);
    form->findChild<QComboBox*>("AccelerationCB")->setCurrentText("G");
    QCOMPARE(ay->Text(150), QString("-1"));
    QCOMPARE(ay->UnitLabel(), QString("G"));

    display.reset();
}

QTEST_MAIN(ThrownBallMeasureTest)
#include "thrown_ball_measure_test.moc"
