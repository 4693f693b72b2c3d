#include <QCheckBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "signals/forms/graph_test_support.h"
#include "support/user_prompt.h"

using namespace fw;
using namespace fw::test;

class SigSelectDlgTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void moveButtonsStopAtSixSignals();
    void severalMovedArriveInReverseAndAllBackKeepsOrder();
    void resultPutsOverlayFirstWithTheChosenOptions();
    void failingFilesAreReportedOneByOne();
    void removeDropsTheSelectedSources();

private:
    QStringList MakeFiles(int count);

    QTemporaryDir temp_;
    ScriptedPrompt prompt_;
    std::unique_ptr<TSigSelectDlg> dialog_;
};

void SigSelectDlgTest::initTestCase()
{
    QVERIFY(temp_.isValid());
}

void SigSelectDlgTest::init()
{
    acceptSignalProposals();
    prompt_.clear();
    installPrompt(&prompt_);
    dialog_ = std::make_unique<TSigSelectDlg>();
}

void SigSelectDlgTest::cleanup()
{
    dialog_.reset();
    installPrompt(nullptr);
    SetSigInfoAsker({});
    TSigSelectDlg::SetFileChooser(nullptr);
}

QStringList SigSelectDlgTest::MakeFiles(int count)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = temp_.filePath(QStringLiteral("s%1.txt").arg(i));
        if (!writeSignalFile(path, 20, 1.0, wavy))
            return {};
        files << path;
    }
    return files;
}

void SigSelectDlgTest::moveButtonsStopAtSixSignals()
{
    dialog_->AddFiles(MakeFiles(8));
    QCOMPARE(list(*dialog_, "SrcList")->count(), 8);
    QVERIFY(!button(*dialog_, "OKBtn")->isEnabled());
    QVERIFY(!button(*dialog_, "SepBackAllBtn")->isEnabled());

    // Four one by one, then ">>" to the other list stops at the limit.
    moveInOrder(*dialog_, "SepMoveBtn", 4);
    QVERIFY(button(*dialog_, "OKBtn")->isEnabled());
    button(*dialog_, "OvlMoveAllBtn")->click();
    QCOMPARE(list(*dialog_, "SeparateList")->count() + list(*dialog_, "OverlayList")->count(), 6);
    QCOMPARE(list(*dialog_, "OverlayList")->count(), 2);
    QCOMPARE(list(*dialog_, "SrcList")->count(), 2);
    list(*dialog_, "SrcList")->item(0)->setSelected(true);
    for (const char* name : { "SepMoveBtn", "SepMoveAllBtn", "OvlMoveBtn", "OvlMoveAllBtn" })
        QVERIFY2(!button(*dialog_, name)->isEnabled(), name);
    // A seventh cannot get in by the button's slot either.
    button(*dialog_, "SepMoveBtn")->click();
    QCOMPARE(dialog_->Lists().ChosenCount(), 6);

    // One back makes room again.
    list(*dialog_, "OverlayList")->item(0)->setSelected(true);
    button(*dialog_, "OvlBackBtn")->click();
    QCOMPARE(dialog_->Lists().ChosenCount(), 5);
    list(*dialog_, "SrcList")->item(0)->setSelected(true);
    QVERIFY(button(*dialog_, "SepMoveBtn")->isEnabled());
    QVERIFY(button(*dialog_, "OvlMoveAllBtn")->isEnabled());
}

void SigSelectDlgTest::severalMovedArriveInReverseAndAllBackKeepsOrder()
{
    dialog_->AddFiles(MakeFiles(4));
    const QStringList loaded = names(list(*dialog_, "SrcList"));
    QCOMPARE(loaded.first(), QStringLiteral("ASCII.s0"));

    QListWidget* source = list(*dialog_, "SrcList");
    source->clearSelection();
    source->item(0)->setSelected(true);
    source->item(2)->setSelected(true);
    button(*dialog_, "OvlMoveBtn")->click();
    QCOMPARE(names(list(*dialog_, "OverlayList")), QStringList({ "ASCII.s2", "ASCII.s0" }));
    QCOMPARE(names(source), QStringList({ "ASCII.s1", "ASCII.s3" }));

    button(*dialog_, "OvlMoveAllBtn")->click();
    QCOMPARE(names(list(*dialog_, "OverlayList")),
        QStringList({ "ASCII.s2", "ASCII.s0", "ASCII.s3", "ASCII.s1" }));

    QListWidget* overlay = list(*dialog_, "OverlayList");
    overlay->item(1)->setSelected(true);
    overlay->item(3)->setSelected(true);
    button(*dialog_, "OvlBackBtn")->click();
    QCOMPARE(names(source), QStringList({ "ASCII.s1", "ASCII.s0" }));

    button(*dialog_, "OvlBackAllBtn")->click();
    QCOMPARE(names(source), QStringList({ "ASCII.s1", "ASCII.s0", "ASCII.s2", "ASCII.s3" }));
    QVERIFY(!button(*dialog_, "OvlBackAllBtn")->isEnabled());
    QVERIFY(!button(*dialog_, "OKBtn")->isEnabled());
}

void SigSelectDlgTest::resultPutsOverlayFirstWithTheChosenOptions()
{
    dialog_->AddFiles(MakeFiles(3));
    moveInOrder(*dialog_, "SepMoveBtn", 1);
    moveInOrder(*dialog_, "OvlMoveBtn", 2);
    QCOMPARE(dialog_->OverlayCount(), 2);
    QStringList result;
    for (const SignalEntry& entry : dialog_->Result())
        result << entry.name;
    QCOMPARE(result, QStringList({ "ASCII.s1", "ASCII.s2", "ASCII.s0" }));

    QCOMPARE(dialog_->Scaling(), GraphScaling::Linear);
    QVERIFY(!dialog_->ShareFirstAxis());
    dialog_->findChild<QRadioButton*>(QStringLiteral("LogRB"))->setChecked(true);
    dialog_->findChild<QCheckBox*>(QStringLiteral("ShareAxisCB"))->setChecked(true);
    QCOMPARE(dialog_->Scaling(), GraphScaling::Log);
    QVERIFY(dialog_->ShareFirstAxis());
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Signal Graphing Setup"));
}

void SigSelectDlgTest::failingFilesAreReportedOneByOne()
{
    const QString text_only = temp_.filePath(QStringLiteral("notes.txt"));
    {
        QFile file(text_only);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("just words\nand more words\n");
    }
    const QString missing = temp_.filePath(QStringLiteral("gone.txt"));
    const QStringList good = MakeFiles(1);
    TSigSelectDlg::SetFileChooser(
        [&](QWidget*, const QString& caption, const QString&, const QString& filter) {
            if (caption != QStringLiteral("Select Signal File(s)")
                || !filter.startsWith(QStringLiteral("ASCII Column(s)")))
                return QStringList();
            return QStringList({ text_only, missing, good.first() });
        });
    button(*dialog_, "OpenBtn")->click();
    TSigSelectDlg::SetFileChooser(nullptr);

    QCOMPARE(names(list(*dialog_, "SrcList")), QStringList({ "ASCII.s0" }));
    QVERIFY(list(*dialog_, "SrcList")->item(0)->isSelected());
    const auto questions = prompt_.questions();
    QCOMPARE(int(questions.size()), 2);
    QCOMPARE(questions[0].kind, PromptKind::Error);
    QCOMPARE(questions[0].caption, text_only + QStringLiteral(" Signal Not Added"));
    QCOMPARE(questions[0].text, QStringLiteral("Not an ASCII Signal File"));
    QCOMPARE(questions[1].caption, missing + QStringLiteral(" Signal Not Added"));
    QVERIFY(!questions[1].text.isEmpty());
    QCOMPARE(dialog_->LastFileName(), good.first());

    // A cancelled information dialog is a failure of its own.
    SetSigInfoAsker([](SigInfo&) { return false; });
    dialog_->AddFiles(MakeFiles(1));
    acceptSignalProposals();
    QCOMPARE(prompt_.questions().back().text, QStringLiteral("Add Canceled"));
    QCOMPARE(list(*dialog_, "SrcList")->count(), 1);
}

void SigSelectDlgTest::removeDropsTheSelectedSources()
{
    dialog_->AddFiles(MakeFiles(3));
    QListWidget* source = list(*dialog_, "SrcList");
    source->clearSelection();
    QVERIFY(!button(*dialog_, "RemoveBtn")->isEnabled());
    source->item(0)->setSelected(true);
    source->item(2)->setSelected(true);
    button(*dialog_, "RemoveBtn")->click();
    QCOMPARE(names(source), QStringList({ "ASCII.s1" }));
}

QTEST_MAIN(SigSelectDlgTest)
#include "sig_select_dlg_test.moc"
