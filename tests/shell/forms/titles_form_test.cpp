#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "clips/descriptor_block.h"
#include "shell/database_lists.h"
#include "shell/forms/child_form.h"
#include "shell/forms/titles_form.h"
#include "shell/forms/titles_grid.h"
#include "support/user_prompt.h"

using namespace fw;

class TitlesFormTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newClipShowsResolvedDefaultTitlesAndPlainTiming();
    void timingReachesTheClipAtOnceAndCancelTakesItBack();
    void confirmedChangesBecomeTheClipsBlock();
    void duplicateNamesAreRefused();
    void markFrameSkipsZeroWhereTheClipHasNone();

private:
    void setRate(const QString& rate);

    QTemporaryDir dir_;
    ScriptedPrompt prompt_;
    DatabaseLists databases_;
    std::unique_ptr<TChildForm> child_;
    std::unique_ptr<TTitlesForm> form_;
};

void TitlesFormTest::init()
{
    QVERIFY(dir_.isValid());
    QFile staff(dir_.filePath("staff.ini"));
    QVERIFY(staff.open(QIODevice::WriteOnly));
    staff.write("[Operators]\nop7=Night Shift\n");
    staff.close();
    prompt_.clear();
    installPrompt(&prompt_);
    databases_ = DatabaseLists();
    QVERIFY(databases_.AddFile(staff.fileName()));
    databases_.RefreshSectionNames(0);
    databases_.SetChecked(0, "Operators", true);
    databases_.SetBuiltIn(
        DatabaseLists::kDefaultTitles, { { "Operator", "(staff.ini)[Operators]Op7" }, { "Title", "?" } });
    child_ = std::make_unique<TChildForm>(ChildContext {}, nullptr, QString(), QStringLiteral("drop.avi"));
    form_ = std::make_unique<TTitlesForm>();
}

void TitlesFormTest::cleanup()
{
    form_.reset();
    child_.reset();
    installPrompt(nullptr);
}

void TitlesFormTest::setRate(const QString& rate)
{
    auto* field = form_->findChild<QLineEdit*>("FrameRateEdit");
    field->setText(rate);
    field->setModified(true);
    emit field->editingFinished();
}

void TitlesFormTest::newClipShowsResolvedDefaultTitlesAndPlainTiming()
{
    QVERIFY(form_->Begin(*child_, databases_));
    QCOMPARE(form_->windowTitle(), QString("Descriptors for drop.avi"));
    const auto titles = form_->findChild<TitlesGrid*>("TitlesGrid")->Entries();
    QCOMPARE(titles, (std::vector<IniEntry> { { "Operator", "Night Shift" }, { "Title", "?" } }));
    QCOMPARE(form_->findChild<TitlesGrid*>("CameraGrid")->Entries().size(), size_t(6));
    QCOMPARE(form_->findChild<QLineEdit*>("FrameRateEdit")->text(), QString("1000"));
    QCOMPARE(form_->findChild<QSpinBox*>("MarkFrameEdit")->value(), 1);
    // Timing is locked until the user unlocks it.
    QVERIFY(!form_->findChild<QLineEdit*>("FrameRateEdit")->isEnabled());
    QVERIFY(!form_->Finish(true)); // nothing changed
}

void TitlesFormTest::timingReachesTheClipAtOnceAndCancelTakesItBack()
{
    child_->ChangeDescriptors("[Timing]\rFrame Rate=500\rMark Frame=0\rTime at Mark Frame=-10\r");
    const std::string block_before = child_->TimeBase().Descriptors();
    QVERIFY(form_->Begin(*child_, databases_));
    QCOMPARE(form_->findChild<QLineEdit*>("FrameRateEdit")->text(), QString("500"));
    form_->findChild<QCheckBox*>("TimingLockedCB")->setChecked(false);
    setRate("2000");
    QCOMPARE(child_->FramePeriodMs(), 0.5f);
    auto* time = form_->findChild<QLineEdit*>("TimeEdit");
    time->setText("-3.5");
    time->setModified(true);
    emit time->editingFinished();
    QCOMPARE(child_->FirstFrameTimeMs(), -3.5f);
    // A rate that is no rate becomes 1000 in the field.
    setRate("fast");
    QCOMPARE(form_->findChild<QLineEdit*>("FrameRateEdit")->text(), QString("1000.0000"));
    QCOMPARE(child_->FramePeriodMs(), 1.0f);
    setRate("250");
    QVERIFY(!form_->Finish(false));
    QCOMPARE(child_->FramePeriodMs(), 2.0f);
    QCOMPARE(child_->FirstFrameTimeMs(), -10.0f);
    QCOMPARE(child_->TimeBase().Descriptors(), block_before);
}

void TitlesFormTest::confirmedChangesBecomeTheClipsBlock()
{
    QVERIFY(form_->Begin(*child_, databases_));
    form_->findChild<QCheckBox*>("TimingLockedCB")->setChecked(false);
    setRate("4500");
    auto* grid = form_->findChild<TitlesGrid*>("TitlesGrid");
    grid->item(1, 1)->setText("  Drop test");
    QCOMPARE(grid->item(1, 1)->text(), QString("Drop test"));
    QVERIFY(form_->Finish(true));
    QVERIFY(child_->DescriptorsChanged());
    const std::string block = child_->TimeBase().Descriptors();
    std::string value;
    QVERIFY(GetDescriptorValue(block, "Timing", "Frame Rate", value));
    QCOMPARE(QString::fromStdString(value), QString("4500"));
    QVERIFY(GetDescriptorValue(block, "Titles", "Title", value));
    QCOMPARE(QString::fromStdString(value), QString("Drop test"));
    QVERIFY(GetDescriptorValue(block, "Titles", "Operator", value));
    QCOMPARE(QString::fromStdString(value), QString("Night Shift"));
    QVERIFY(GetDescriptorValue(block, "Camera", "Camera Type", value));
    QCOMPARE(child_->FramePeriodMs(), float(1000.0 / 4500.0));

    // The next dialog on this clip reads its own block back.
    QVERIFY(form_->Begin(*child_, databases_));
    QCOMPARE(grid->Entries()[1], (IniEntry { "Title", "Drop test" }));
    QCOMPARE(form_->findChild<QLineEdit*>("FrameRateEdit")->text(), QString("4500"));
    form_->Finish(false);
}

void TitlesFormTest::duplicateNamesAreRefused()
{
    QVERIFY(form_->Begin(*child_, databases_));
    auto* grid = form_->findChild<TitlesGrid*>("TitlesGrid");
    grid->setCurrentCell(1, 0);
    form_->findChild<QPushButton*>("AddBtn")->click();
    QCOMPARE(grid->rowCount(), 3);
    grid->item(2, 0)->setText("OPERATOR");
    form_->show();
    form_->done(QDialog::Accepted);
    QVERIFY(form_->isVisible());
    QCOMPARE(prompt_.texts(), QStringList({ "The name \"Operator\" is already used on row 3" }));
    grid->item(2, 0)->setText("Shift");
    form_->done(QDialog::Accepted);
    QVERIFY(!form_->isVisible());
    QVERIFY(form_->Finish(true));
    std::string value;
    QVERIFY(GetDescriptorValue(child_->TimeBase().Descriptors(), "Titles", "Shift", value));
    QCOMPARE(QString::fromStdString(value), QString("?"));
}

void TitlesFormTest::markFrameSkipsZeroWhereTheClipHasNone()
{
    child_->TimeBase().SetSkipFrameZero(1);
    child_->TimeBase().SetFirstFrameNumber(1);
    QVERIFY(form_->Begin(*child_, databases_));
    auto* mark = form_->findChild<QSpinBox*>("MarkFrameEdit");
    QCOMPARE(mark->value(), 1);
    mark->stepBy(-1);
    QCOMPARE(mark->value(), -1);
    mark->stepBy(1);
    QCOMPARE(mark->value(), 1);
    form_->Finish(false);
}

QTEST_MAIN(TitlesFormTest)
#include "titles_form_test.moc"
