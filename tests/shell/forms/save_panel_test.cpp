#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "shell/forms/save_panel.h"

using namespace fw;

namespace {

struct Panel {
    SavePanel widget;
    QProgressBar* bar;
    QLabel* label;
    QPushButton* cancel;

    Panel()
        : bar(widget.findChild<QProgressBar*>())
        , label(widget.findChild<QLabel*>())
        , cancel(widget.findChild<QPushButton*>("CancelButton"))
    {
        widget.resize(320, SavePanel::kHeight);
        widget.show();
    }
};

} // namespace

class SavePanelTest : public QObject {
    Q_OBJECT

private slots:
    void estimatesComeOnlyAfterTenSeconds();
    void cancelClickAbortsTheNextReport();
    void cancelButtonStaysCentred();
};

void SavePanelTest::estimatesComeOnlyAfterTenSeconds()
{
    Panel panel;
    QVERIFY(panel.bar && panel.label);
    panel.widget.Begin();
    QCOMPARE(panel.widget.Report(0, 1000), 0);
    QCOMPARE(panel.widget.Report(10, 6000), 0);
    QCOMPARE(panel.bar->value(), 10);
    QCOMPARE(panel.widget.Report(20, 11000), 0);
    QCOMPARE(panel.label->text(), QString());

    // 10.001 s for 20 %: 40 s to go.
    QCOMPARE(panel.widget.Report(20, 11001), 0);
    QCOMPARE(panel.label->text(), QString("40 Seconds Remaining"));
    QCOMPARE(panel.bar->value(), 20);

    // A saver overshooting the end still shows a full bar.
    panel.widget.Report(120, 22000);
    QCOMPARE(panel.bar->value(), 100);

    // The next save starts over, even when its saver never reports 0 first.
    panel.widget.Begin();
    QCOMPARE(panel.bar->value(), 0);
    QCOMPARE(panel.label->text(), QString());
    panel.widget.Report(5, 100000);
    panel.widget.Report(10, 108000);
    QCOMPARE(panel.label->text(), QString());
    panel.widget.Report(5, 110001);
    QCOMPARE(panel.label->text(), QString("Time Remaining 3:10"));
}

void SavePanelTest::cancelClickAbortsTheNextReport()
{
    Panel panel;
    QVERIFY(panel.cancel);
    QCOMPARE(panel.cancel->text(), QString("Cancel"));
    QSignalSpy clicked(&panel.widget, &SavePanel::cancelClicked);
    panel.widget.Begin();
    QCOMPARE(panel.widget.Report(30, 1000), 0);
    QVERIFY(!panel.widget.CancelRequested());

    QTest::mouseClick(panel.cancel, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(panel.widget.CancelRequested());
    QCOMPARE(panel.widget.Report(40, 2000), kAviErrUserAbort);
    QCOMPARE(panel.widget.Report(50, 3000), kAviErrUserAbort);
    QCOMPARE(panel.bar->value(), 30);

    panel.widget.Begin();
    QVERIFY(!panel.widget.CancelRequested());
    QCOMPARE(panel.widget.Report(0, 4000), 0);

    // The window's close query cancels without the button.
    panel.widget.RequestCancel();
    QCOMPARE(panel.widget.Report(10, 5000), kAviErrUserAbort);
    QCOMPARE(clicked.count(), 1);
}

void SavePanelTest::cancelButtonStaysCentred()
{
    Panel panel;
    for (int width : { 320, 225, 641, 1200 }) {
        panel.widget.resize(width, SavePanel::kHeight);
        const QRect button = panel.cancel->geometry();
        const int right_gap = width - (button.left() + button.width());
        QVERIFY2(qAbs(button.left() - right_gap) <= 1, qPrintable(QString::number(width)));
        QVERIFY(panel.widget.rect().contains(button));
        QVERIFY(panel.widget.rect().contains(panel.label->geometry()));
        QVERIFY(!panel.label->geometry().intersects(button));
        QVERIFY(!panel.bar->geometry().intersects(button));
    }
    QCOMPARE(panel.widget.height(), SavePanel::kHeight);
}

QTEST_MAIN(SavePanelTest)
#include "save_panel_test.moc"
