#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "clips/descriptor_block.h"
#include "shell/forms/child_form.h"
#include "support/settings_store.h"

using namespace fw;

namespace {

// Opens the protected time-base and placement operations to the test.
class TestChild : public TChildForm {
public:
    TestChild(const ChildContext& context)
        : TChildForm(context, nullptr, "/clips/a.avi", "a.avi")
    {
        setObjectName("TestChild");
        setAttribute(Qt::WA_DeleteOnClose, false);
    }
    using TChildForm::RegisterChild;
    using TChildForm::RestorePlacement;
    using TChildForm::SetFirstFrameTime;
    using TChildForm::SetFramePeriod;
    int updates = 0;

protected:
    void TimeBaseUpdated() override { ++updates; }
};

} // namespace

class ChildFormTest : public QObject {
    Q_OBJECT

private slots:
    void seekingRedrawsOnlyWhatChanged();
    void pollReportsStaleRangeOnlyOnceTimed();
    void timeBaseSettersRewriteTheBlockAndTellListeners();
    void registrationAndPlacementFollowTheWindowsLife();
};

void ChildFormTest::seekingRedrawsOnlyWhatChanged()
{
    TestChild child({});
    child.SetFramePeriod(2.0);
    child.SetFirstFrameTime(10.0);
    QVERIFY(child.Redraw()); // the first redraw always happens
    child.Seek(3);
    QCOMPARE(child.CurrentIndex(), 3);
    QCOMPARE(child.CurrentTime(), 16.0f);
    QVERIFY(!child.Redraw());
    child.SeekTime(20.1);
    QCOMPARE(child.CurrentIndex(), 5);

    float time_ms = 0;
    QVERIFY(!child.UserMovedTime(time_ms));
    child.UserSeekTime(14.0);
    QCOMPARE(child.CurrentIndex(), 2);
    QVERIFY(child.UserMovedTime(time_ms));
    QCOMPARE(time_ms, 14.0f);
    QVERIFY(!child.UserMovedTime(time_ms));

    QCOMPARE(child.EndTime(), 0.0f);
    QCOMPARE(child.LastIndex(), 0);
    QCOMPARE(child.DeviceKind(), 0);
    child.CopyFrame(); // without a stream there is nothing to copy, and nothing breaks
}

void ChildFormTest::pollReportsStaleRangeOnlyOnceTimed()
{
    TestChild child({});
    bool stale = false, closing = true;
    QVERIFY(!child.Poll(stale, closing));
    QVERIFY(!stale);
    QVERIFY(!closing);
    child.SetFramePeriod(1.0);
    QVERIFY(!child.Poll(stale, closing));
    QVERIFY(stale);

    child.Seek(2);
    QVERIFY(child.close());
    QVERIFY(child.IsClosing());
    child.Seek(4);
    QCOMPARE(child.CurrentIndex(), 2); // a closing window no longer draws
    QVERIFY(!child.Poll(stale, closing));
    QVERIFY(!stale);
    QVERIFY(closing);
}

void ChildFormTest::timeBaseSettersRewriteTheBlockAndTellListeners()
{
    TestChild child({});
    QSignalSpy changed(&child, &TChildForm::timeBaseChanged);
    child.SetFramePeriod(2.0);
    child.SetFirstFrameTime(-4.0);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(child.updates, 2);
    QVERIFY(child.TimeBaseSet());
    double rate = 0, mark = -1, time = 0;
    QVERIFY(GetDescriptorNumber(child.TimeBase().Descriptors(), "Timing", "Frame Rate", rate));
    QVERIFY(GetDescriptorNumber(child.TimeBase().Descriptors(), "Timing", "Mark Frame", mark));
    QVERIFY(GetDescriptorNumber(child.TimeBase().Descriptors(), "Timing", "Time at Mark Frame", time));
    QCOMPARE(rate, 500.0);
    QCOMPARE(mark, 0.0);
    QCOMPARE(time, -4.0);
    QVERIFY(!child.DescriptorsChanged());

    // An edited block with the same timing changes nothing but the flag.
    child.ChangeDescriptors(child.TimeBase().Descriptors() + "[Titles]\rTitle=x\r");
    QCOMPARE(changed.count(), 2);
    QVERIFY(child.DescriptorsChanged());
}

void ChildFormTest::registrationAndPlacementFollowTheWindowsLife()
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("s.ini"));
    store.writeString("Desktop", "TestChild", "100,200,300,150,77");
    QList<TChildForm*> children;
    ChildContext context;
    context.settings = &store;
    context.register_child = [&](TChildForm* child) { children.append(child); };
    context.unregister_child = [&](TChildForm* child) { children.removeAll(child); };

    auto child = std::make_unique<TestChild>(context);
    QVERIFY(children.isEmpty());
    child->RestorePlacement(true);
    QCOMPARE(child->Options(), 77u);
    QCOMPARE(child->size(), QSize(300, 150));
    QCOMPARE(child->pos(), QPoint(200, 100));
    child->RegisterChild();
    child->RegisterChild();
    QCOMPARE(children.size(), 1);
    child->move(50, 60);
    child.reset();
    QVERIFY(children.isEmpty());
    QCOMPARE(store.readString("Desktop", "TestChild"), QString("60,50,300,150,77"));

    // A window that never restored its placement leaves the stored one alone.
    TestChild* plain = new TestChild(context);
    delete plain;
    QCOMPARE(store.readString("Desktop", "TestChild"), QString("60,50,300,150,77"));
}

QTEST_MAIN(ChildFormTest)
#include "child_form_test.moc"
