#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "signals/forms/sig_info_dialog.h"
#include "signals/signal_file.h"
#include "support/fw_error.h"

using namespace fw;

class SigInfoDialogTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void showsProposalsOfATimedSignal();
    void okNeedsFrequencyFirstSampleNameAndLabel();
    void untimedSignalShowsNoTimeColumn();
    void executeReturnsTheEditedFields();
    void openingAFileAsksThroughTheInstalledDialog();

private:
    // Runs `act` on the dialog once it is shown modally.
    static void whenShown(const std::function<void(TSigInfoDlg&)>& act);
    QString writeFile(const QByteArray& text);

    QTemporaryDir dir_;
};

void SigInfoDialogTest::cleanup()
{
    SetSigInfoAsker({});
}

void SigInfoDialogTest::whenShown(const std::function<void(TSigInfoDlg&)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<TSigInfoDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        act(*dialog);
    });
}

QString SigInfoDialogTest::writeFile(const QByteArray& text)
{
    QFile file(dir_.filePath("Drop Test.force.txt"));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return file.fileName();
}

static SigInfo timedInfo()
{
    SigInfo info;
    info.frequency_hz = 10000;
    info.first_sample_ms = -2.5;
    info.signal_name = "Drop";
    info.axis_label = "N";
    info.time_column = TimeColumn::Second;
    return info;
}

void SigInfoDialogTest::showsProposalsOfATimedSignal()
{
    TSigInfoDlg dialog;
    QCOMPARE(dialog.windowTitle(), QString("Signal Information"));
    dialog.SetInfo(timedInfo());
    QCOMPARE(dialog.windowTitle(), QString("Drop Signal Info"));
    QCOMPARE(dialog.FreqEN()->text(), QString("10000"));
    QCOMPARE(dialog.FirstSampMSEN()->text(), QString("-2.5"));
    QCOMPARE(dialog.SigNameEdit()->text(), QString("Drop"));
    QCOMPARE(dialog.AxisEN()->text(), QString("N"));
    QVERIFY(dialog.TimeSpin()->isEnabled());
    QVERIFY(dialog.TimeLB()->isEnabled());
    QCOMPARE(dialog.TimeSpin()->text(), QString("2"));
    QVERIFY(dialog.OKBtn()->isEnabled());
    for (const char* name :
        { "FreqEN", "FirstSampMSEN", "SigNameEdit", "AxisEN", "TimeSpin", "OKBtn", "CancelBtn" })
        QVERIFY2(dialog.findChild<QWidget*>(name), name);
}

void SigInfoDialogTest::okNeedsFrequencyFirstSampleNameAndLabel()
{
    TSigInfoDlg dialog;
    dialog.SetInfo(timedInfo());
    struct Case {
        QLineEdit* edit;
        QString text;
        bool ok;
    };
    const Case cases[] = {
        { dialog.FreqEN(), "0", false },
        { dialog.FreqEN(), "", false },
        { dialog.FreqEN(), "-3", false },
        { dialog.FreqEN(), "1e-3", true },
        { dialog.FirstSampMSEN(), "", false },
        { dialog.FirstSampMSEN(), "-", false },
        { dialog.FirstSampMSEN(), "0", true },
        { dialog.SigNameEdit(), "", false },
        { dialog.AxisEN(), "", false },
    };
    for (const Case& c : cases) {
        const QString before = c.edit->text();
        c.edit->setText(c.text);
        QVERIFY2(dialog.OKBtn()->isEnabled() == c.ok, qPrintable(c.edit->objectName() + "=" + c.text));
        c.edit->setText(before);
        QVERIFY(dialog.OKBtn()->isEnabled());
    }
}

void SigInfoDialogTest::untimedSignalShowsNoTimeColumn()
{
    TSigInfoDlg dialog;
    dialog.SetInfo(timedInfo());
    SigInfo info = timedInfo();
    info.time_column = TimeColumn::None;
    info.frequency_hz = 0;
    dialog.SetInfo(info);
    QVERIFY(!dialog.TimeSpin()->isEnabled());
    QVERIFY(!dialog.TimeLB()->isEnabled());
    QVERIFY(dialog.TimeSpin()->text().isEmpty());
    // No frequency proposed: the user has to enter one.
    QVERIFY(!dialog.OKBtn()->isEnabled());
    dialog.FreqEN()->setText("250");
    QVERIFY(dialog.OKBtn()->isEnabled());
    QCOMPARE(dialog.Info().time_column, TimeColumn::None);
}

void SigInfoDialogTest::executeReturnsTheEditedFields()
{
    TSigInfoDlg dialog;
    SigInfo info = timedInfo();
    whenShown([](TSigInfoDlg& shown) {
        shown.FreqEN()->setText("2000");
        shown.AxisEN()->setText("kN");
        QTest::mouseClick(shown.OKBtn(), Qt::LeftButton);
    });
    QVERIFY(dialog.Execute(info));
    QCOMPARE(info.frequency_hz, 2000.0);
    QCOMPARE(info.first_sample_ms, -2.5);
    QCOMPARE(info.axis_label, QString("kN"));

    SigInfo untouched = timedInfo();
    whenShown([](TSigInfoDlg& shown) {
        shown.FreqEN()->setText("5");
        QTest::mouseClick(shown.findChild<QPushButton*>("CancelBtn"), Qt::LeftButton);
    });
    QVERIFY(!dialog.Execute(untouched));
    QCOMPARE(untouched.frequency_hz, 10000.0);
}

void SigInfoDialogTest::openingAFileAsksThroughTheInstalledDialog()
{
    const QString path = writeFile("Time Force\ns N\n0.000 1.5\n0.001 1.7\n0.002 1.6\n");
    QVERIFY(!path.isEmpty());
    InstallSigInfoDialog();

    QString title;
    QString spin;
    whenShown([&](TSigInfoDlg& shown) {
        title = shown.windowTitle();
        spin = shown.TimeSpin()->text();
        QCOMPARE(shown.FreqEN()->text(), QString("1000"));
        QCOMPARE(shown.AxisEN()->text(), QString("Force"));
        shown.FirstSampMSEN()->setText("-1");
        QTest::mouseClick(shown.OKBtn(), Qt::LeftButton);
    });
    TASCIIColumn signal(path);
    QCOMPARE(title, QString("Drop Test Signal Info"));
    QCOMPARE(spin, QString("1"));
    QCOMPARE(signal.FirstSampleMs(), -1.0);
    QCOMPARE(signal.SamplePeriodMs(), 1.0);
    QCOMPARE(signal.SampleCount(), 3);

    whenShown([](TSigInfoDlg& shown) { shown.reject(); });
    QString error;
    try {
        TASCIIColumn cancelled(path);
    } catch (const Error& failure) {
        error = failure.message();
    }
    QCOMPARE(error, QString("Add Canceled"));
}

QTEST_MAIN(SigInfoDialogTest)
#include "sig_info_dialog_test.moc"
