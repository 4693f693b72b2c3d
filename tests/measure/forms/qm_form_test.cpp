#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>
#include <optional>

#include "clips/descriptor_block.h"
#include "measure/forms/qm_form.h"
#include "measure/measure_settings.h"
#include "measure/sheet_elements.h"
#include "shell/display_layout.h"
#include "shell/forms/display_form.h"
#include "shell/forms/form_test_support.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;
using fw::test::runFfmpeg;

class QMFormTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void scalesFromTwoClicksAndKeepsTheScaleWithTheClip();
    void autoStepMovesOnAfterTheLastObject();
    void frameStepStopsAtTheFirstFrame();
    void exportWritesHeadersAndTheRowsWithSamples();
    void objectsAreNamedRenamedAndDeletedSafely();
    void gridCellsChooseFrameAndTarget();
    void clicksThatCannotBeMeasuredLeaveTheSheetSound();
    void clickStoresWhereTheButtonWentDown();
    void firstClickAfterSwitchingWindowsIsStored();
    void closingWithUnexportedSamplesAsksFirst();
    void columnsHideAndShowAgainFromTheEditMenu();
    void clearingAnObjectEmptiesItsCells();
    void filtersAreChosenPerObjectAndNamedInTheSheet();
    void theDefaultFilterIsStoredAndOldSettingsReadAsNone();

private:
    TQMForm* openMeasure();
    // A form on the Collection page with one point object, measuring from frame 0.
    TQMForm* collectOnePoint();
    QWidget* paintBox() const { return display_->findChild<QWidget*>("PaintBox"); }
    // The image point of a paint box position, as the reticle reads it.
    QPointF imagePoint(QPoint at) const;
    QPointF storedPoint(TQMForm* form, int32_t frame) const;
    void press(QPoint at);
    void move(QPoint at);
    QString clip(const QString& name) const { return dir_->filePath(name); }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> settings_;
    ScriptedPrompt prompt_;
    ChildContext context_;
    std::unique_ptr<TDisplayForm> display_;
};

void QMFormTest::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    settings_ = std::make_unique<SettingsStore>(dir_->filePath("settings.ini"));
    prompt_.clear();
    installPrompt(&prompt_);
    context_ = ChildContext {};
    context_.settings = settings_.get();
    SetMeasurementWindowFactory(
        [this](TDisplayForm& display) { return TQMForm::Create(display, settings_.get()); });
    QVERIFY(runFfmpeg({ "-f", "lavfi", "-i", "testsrc=size=96x64:rate=25", "-frames:v", "12", "-c:v",
        "rawvideo", "-pix_fmt", "bgr24", clip("clip.avi") }));
    QString error;
    display_ = test::OpenClipWindow(context_, clip("clip.avi"), &error);
    QVERIFY2(display_, qPrintable(error));
    display_->EnableQuickMeasure(true);
    display_->show();
}

void QMFormTest::cleanup()
{
    display_.reset();
    SetMeasurementWindowFactory(nullptr);
    TQMForm::SetExportPathChooser(nullptr);
    installPrompt(nullptr);
    settings_.reset();
    dir_.reset();
}

TQMForm* QMFormTest::openMeasure()
{
    display_->OpenQuickMeasure();
    auto* form = dynamic_cast<TQMForm*>(display_->Measurement());
    if (form)
        (void)QTest::qWaitForWindowExposed(form);
    return form;
}

void QMFormTest::scalesFromTwoClicksAndKeepsTheScaleWithTheClip()
{
    TQMForm* form = openMeasure();
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QCOMPARE(form->Page(), QMPage::Scale);
    QCOMPARE(form->windowTitle(), QString("Quick Measure clip.avi"));
    form->findChild<QLineEdit*>("GageLengthEN")->setText("100");
    form->PictureClicked(0, QPointF(10, 20));
    QCOMPARE(form->findChild<QLabel*>("PromptPanel")->text(), QString("click Image Length Point 2"));
    form->PictureClicked(0, QPointF(160, 220)); // 150 x 200: 250 pixels apart
    QCOMPARE(form->findChild<QLineEdit*>("ImageLenEN")->text(), QString("250"));
    QCOMPARE(form->findChild<QLabel*>("NewFactorLB")->text(), QString("0.4"));
    auto* set = form->findChild<QPushButton*>("SetFactorBtn");
    QVERIFY(set->isEnabled());
    set->click();
    QCOMPARE(form->findChild<QLabel*>("ScaleFactorLB")->text(), QString("0.4 mm/pixel"));
    QCOMPARE(form->Database().Scaler().Factor(), 0.4);

    double factor = 0.0;
    QVERIFY(GetDescriptorNumber(display_->TimeBase().Descriptors(), "Scaling", "Factor", factor));
    QCOMPARE(factor, 0.4);
    QVERIFY(display_->DescriptorsChanged());

    // A zero gage length proposes nothing.
    form->findChild<QLineEdit*>("GageLengthEN")->setText("0");
    QVERIFY(!set->isEnabled());
    QVERIFY(form->findChild<QLabel*>("NewFactorLB")->text().isEmpty());
}

void QMFormTest::autoStepMovesOnAfterTheLastObject()
{
    TQMForm* form = openMeasure();
    QVERIFY(form);
    form->findChild<QSpinBox*>("FrameStepEdit")->setValue(5);
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->findChild<QPushButton*>("NewPointBtn")->click();
    QCOMPARE(form->Database().UserObjects().size(), size_t(2));
    form->SetPage(QMPage::Collection);
    display_->UserSeek(0);
    form->PictureClicked(0, QPointF(10, 10));
    QCOMPARE(form->TargetObject(), 2);
    QCOMPARE(display_->CurrentIndex(), 0);
    form->PictureClicked(0, QPointF(20, 10));
    // Both objects done: the clip window moves five frames on, the target back to the first.
    QCOMPARE(display_->CurrentIndex(), 5);
    QCOMPARE(form->TargetObject(), 1);
    form->PictureClicked(5, QPointF(11, 10));
    form->PictureClicked(5, QPointF(21, 10));
    QCOMPARE(display_->CurrentIndex(), 10);
    form->PictureClicked(10, QPointF(12, 10));
    form->PictureClicked(10, QPointF(22, 10));
    // The last frame is 11: the step stops there.
    QCOMPARE(display_->CurrentIndex(), 11);
    form->PictureClicked(11, QPointF(13, 10));
    form->PictureClicked(11, QPointF(23, 10));
    QCOMPARE(display_->CurrentIndex(), 11);
    QCOMPARE(form->Database().UserObjects()[0]->Samples().size(), size_t(4));
}

void QMFormTest::frameStepStopsAtTheFirstFrame()
{
    TQMForm* form = openMeasure();
    QVERIFY(form);
    form->findChild<QSpinBox*>("FrameStepEdit")->setValue(-3);
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->SetPage(QMPage::Collection);
    display_->UserSeek(1);
    QCOMPARE(display_->CurrentIndex(), 1);
    form->PictureClicked(1, QPointF(10, 10));
    QCOMPARE(display_->CurrentIndex(), 0);

    // Without objects a click collects nothing and says what is missing.
    form->SetPage(QMPage::Objects);
    auto* tree = form->findChild<QTreeWidget*>("ObjectTree");
    tree->setCurrentItem(tree->topLevelItem(0));
    prompt_.queueAnswer(PromptButton::Ok);
    form->findChild<QPushButton*>("DeleteBtn")->click();
    QVERIFY(prompt_.texts().last().startsWith("There are 1 samples collected."));
    QVERIFY(form->Database().UserObjects().empty());
    form->SetPage(QMPage::Collection);
    form->PictureClicked(0, QPointF(10, 10));
    for (const auto& frame : form->Database().FrameList().Frames())
        for (const auto& sample : frame->Samples())
            QCOMPARE(sample->ObjDef(), &form->Database().RefObject());
    QVERIFY(!form->findChild<QLabel*>("PromptPanel")->text().isEmpty());
}

void QMFormTest::exportWritesHeadersAndTheRowsWithSamples()
{
    TQMForm* form = openMeasure();
    QVERIFY(form);
    form->findChild<QCheckBox*>("AutoStepCB")->setChecked(false);
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->SetPage(QMPage::Collection);
    for (int frame : { 5, 9 }) {
        display_->UserSeek(frame);
        form->PictureClicked(frame, QPointF(10 + frame, 30));
    }
    QVERIFY(form->ExportVisibleColumns(clip("sheet.csv")));
    QFile file(clip("sheet.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5);
    QVERIFY2(lines[0].startsWith(",Point"), qPrintable(lines[0]));
    QVERIFY2(lines[1].startsWith("Time,"), qPrintable(lines[1]));
    // 25 frames/s without a block is 1000 frames/s here: frame 5 is at 5 ms.
    QVERIFY2(lines[3].startsWith("5.") && lines[3].contains(",15,"), qPrintable(lines[3]));
    QVERIFY2(lines[4].startsWith("9.") && lines[4].contains(",19,"), qPrintable(lines[4]));

    const QString all = form->CopyText(true, false);
    QCOMPARE(all.count("\r\n"), 5);
    const QString grid = form->CopyText(true, true);
    QCOMPARE(grid.count('\r'), 3 + 12);
    // Every line: a cell and a tab per column, the last tab turned into the line end.
    const int columns = form->Database().Sheet().ColumnCount();
    for (const QString& line : grid.split('\r', Qt::SkipEmptyParts))
        QCOMPARE(line.count('\t'), columns - 1);
}

void QMFormTest::objectsAreNamedRenamedAndDeletedSafely()
{
    TQMForm* form = openMeasure();
    QVERIFY(form);
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->findChild<QPushButton*>("NewLineBtn")->click();
    auto objects = form->Database().UserObjects();
    QCOMPARE(objects.size(), size_t(2));
    QVERIFY(objects[1]->Name().startsWith("Line"));

    // A name another object has is refused and the old one kept.
    auto* tree = form->findChild<QTreeWidget*>("ObjectTree");
    QVERIFY(tree);
    QTreeWidgetItem* line_item = tree->findItems(objects[1]->Name(), Qt::MatchExactly).value(0);
    QVERIFY(line_item);
    line_item->setText(0, objects[0]->Name().toLower());
    QVERIFY(prompt_.texts().last().startsWith("Another object already has the name \""));
    QCOMPARE(line_item->text(0), objects[1]->Name());

    // The line becomes the moving reference; deleting it asks and falls back to the image point.
    form->SetPage(QMPage::Collection);
    form->PictureClicked(0, QPointF(5, 5));
    form->PictureClicked(0, QPointF(15, 25));
    form->PictureClicked(0, QPointF(35, 45));
    form->SetPage(QMPage::Reference);
    form->findChild<QRadioButton*>("RelativeRB")->setChecked(true);
    form->findChild<QComboBox*>("ReferenceCB")->setCurrentText(objects[1]->Name());
    QVERIFY(form->Database().Referencer().Moving());
    form->SetPage(QMPage::Objects);
    tree->setCurrentItem(tree->findItems(objects[1]->Name(), Qt::MatchExactly).value(0));
    prompt_.queueAnswer(PromptButton::Ok);
    form->findChild<QPushButton*>("DeleteBtn")->click();
    QCOMPARE(form->Database().UserObjects().size(), size_t(1));
    QVERIFY(!form->Database().Referencer().Moving());
    QVERIFY(prompt_.texts().join('|').contains("Referencing has changed to image point fixed"));
    QVERIFY(form->findChild<QRadioButton*>("ImagePointRB")->isChecked());
    // The sheet still reads.
    QVERIFY(!form->CopyText(true, false).isEmpty());
}

void QMFormTest::gridCellsChooseFrameAndTarget()
{
    TQMForm* form = openMeasure();
    QVERIFY(form);
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->findChild<QPushButton*>("NewAngleBtn")->click();
    form->SetPage(QMPage::Collection);
    auto* grid = form->findChild<QTableView*>("SheetGrid");
    QVERIFY(grid);
    grid->clicked(grid->model()->index(7, 0));
    QCOMPARE(display_->CurrentIndex(), 7);
    // The last column belongs to the angle's fourth point.
    const int last = grid->model()->columnCount() - 1;
    grid->clicked(grid->model()->index(7, last));
    QCOMPARE(form->TargetObject(), 2);
    QCOMPARE(form->TargetPoint(), 3);
}

void QMFormTest::clicksThatCannotBeMeasuredLeaveTheSheetSound()
{
    TQMForm* form = openMeasure();
    QVERIFY(form);
    form->findChild<QCheckBox*>("AutoStepCB")->setChecked(false);
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->findChild<QPushButton*>("NewPointBtn")->click();
    const auto objects = form->Database().UserObjects();
    form->SetPage(QMPage::Collection);

    // A frame the clip does not have.
    form->PictureClicked(12, QPointF(5, 5));
    QCOMPARE(prompt_.texts(),
        QStringList({ "Data Point not Created\rFrame 13 is not in the clip, whose frames are 1 to 12" }));
    QVERIFY(objects[0]->Samples().empty());

    // The second point moves the reference; on a frame where it has no sample the first point's
    // cells stay empty and the user is told why.
    form->SetPage(QMPage::Reference);
    form->findChild<QRadioButton*>("RelativeRB")->setChecked(true);
    form->findChild<QComboBox*>("ReferenceCB")->setCurrentText(objects[1]->Name());
    form->SetPage(QMPage::Collection);
    display_->UserSeek(3);
    form->PictureClicked(3, QPointF(30, 40));
    QCOMPARE(objects[0]->Samples().size(), size_t(1));
    const TSheetElement* x = nullptr;
    for (const auto& column : objects[0]->Columns().Columns())
        if (column->Kind() == QuantityKind::ObjectX)
            x = column.get();
    QVERIFY(x);
    QVERIFY(!x->Value(3));
    QVERIFY(form->findChild<QLabel*>("PromptPanel")->text().contains("not found"));
    // With the reference's sample on the frame the value appears.
    form->PictureClicked(3, QPointF(10, 10));
    QVERIFY(x->Value(3));
    QCOMPARE(double(*x->Value(3)), 20.0);
}

TQMForm* QMFormTest::collectOnePoint()
{
    TQMForm* form = openMeasure();
    if (!form)
        return nullptr;
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    form->SetPage(QMPage::Collection);
    display_->UserSeek(0);
    return form;
}

QPointF QMFormTest::imagePoint(QPoint at) const
{
    const ReticlePoint point = ReticleAt(at.x(), at.y(), paintBox()->width(), paintBox()->height(),
        display_->Layout().FrameWidth(), display_->Layout().FrameHeight());
    return { point.x, point.y };
}

QPointF QMFormTest::storedPoint(TQMForm* form, int32_t frame) const
{
    const auto& samples = form->Database().UserObjects().at(0)->Samples();
    const auto found = samples.find(frame);
    if (found == samples.end())
        return { -1, -1 };
    const ImagePoint point = found->second->GetPoint(0);
    return { point.u, point.v };
}

// Events go straight to the paint box, so nothing else (a move the platform would make up)
// happens between them.
void QMFormTest::press(QPoint at)
{
    QWidget* box = paintBox();
    QMouseEvent down(QEvent::MouseButtonPress, at, box->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(box, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, box->mapToGlobal(at), Qt::LeftButton, {}, {});
    QApplication::sendEvent(box, &up);
}

void QMFormTest::move(QPoint at)
{
    QWidget* box = paintBox();
    QMouseEvent moved(QEvent::MouseMove, at, box->mapToGlobal(at), Qt::NoButton, {}, {});
    QApplication::sendEvent(box, &moved);
}

void QMFormTest::clickStoresWhereTheButtonWentDown()
{
    TQMForm* form = collectOnePoint();
    QVERIFY(form);
    const QPoint first(20, 20);
    press(first);
    QCOMPARE(storedPoint(form, 0), imagePoint(first));
    // Auto step moved on, and the next point is predicted where the first one was.
    QCOMPARE(display_->CurrentIndex(), 1);

    // The pointer arrives (and is pulled to the prediction) just as the button goes down
    // somewhere else: the click's own point counts.
    move(QPoint(50, 40));
    const QPoint second(70, 30);
    press(second);
    QCOMPARE(storedPoint(form, 1), imagePoint(second));
    QVERIFY(imagePoint(second) != imagePoint(first));
    QCOMPARE(display_->Reticle(), imagePoint(second));
}

void QMFormTest::firstClickAfterSwitchingWindowsIsStored()
{
    TQMForm* form = collectOnePoint();
    QVERIFY(form);
    form->findChild<QCheckBox*>("AutoStepCB")->setChecked(false);
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));

    // The click that brings the clip window forward arrives before its activation.
    const QPoint first(30, 25);
    press(first);
    QCOMPARE(storedPoint(form, 0), imagePoint(first));

    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    display_->UserSeek(2);
    // And after it: the activation arms the pointer pull, the click still counts where it is.
    display_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(display_.get()));
    move(QPoint(10, 10));
    const QPoint second(60, 35);
    press(second);
    QCOMPARE(storedPoint(form, 2), imagePoint(second));
}

void QMFormTest::closingWithUnexportedSamplesAsksFirst()
{
    TQMForm* form = collectOnePoint();
    QVERIFY(form);
    int chooser_calls = 0;
    std::optional<QString> chosen;
    TQMForm::SetExportPathChooser([&](QWidget*, const QString&) {
        ++chooser_calls;
        return chosen;
    });
    // Nothing collected: nothing to ask.
    QVERIFY(display_->CanClose());
    QVERIFY(prompt_.texts().isEmpty());

    form->PictureClicked(0, QPointF(10, 10));
    form->PictureClicked(1, QPointF(12, 10));

    prompt_.queueAnswer(PromptButton::Cancel);
    QVERIFY(!display_->close());
    QVERIFY(display_->isVisible());
    QCOMPARE(prompt_.questions().size(), size_t(1));
    QCOMPARE(prompt_.questions()[0].buttons, PromptButton::Yes | PromptButton::No | PromptButton::Cancel);
    QVERIFY2(prompt_.texts()[0].startsWith("Quick Measure holds 2 samples that have not been exported."),
        qPrintable(prompt_.texts()[0]));
    QCOMPARE(chooser_calls, 0);

    // Export, but the save dialog is cancelled: the window stays with its samples.
    prompt_.queueAnswer(PromptButton::Yes);
    QVERIFY(!display_->close());
    QCOMPARE(chooser_calls, 1);
    QCOMPARE(form->Database().UserObjects()[0]->Samples().size(), size_t(2));

    // Export to a file: written, then the window closes.
    chosen = clip("closing.csv");
    prompt_.queueAnswer(PromptButton::Yes);
    QVERIFY(display_->close());
    QVERIFY(!display_->isVisible());
    QFile file(*chosen);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()).count("\r\n"), 3 + 2);
    // Exported: closing asks no more, until something new is collected.
    display_->show();
    prompt_.clear();
    QVERIFY(display_->CanClose());
    QVERIFY(prompt_.texts().isEmpty());
    form->PictureClicked(2, QPointF(14, 10));
    prompt_.queueAnswer(PromptButton::No);
    QVERIFY(display_->close());
    QCOMPARE(prompt_.texts().size(), 1);
    QVERIFY(prompt_.texts()[0].startsWith("Quick Measure holds 3 samples"));
    QCOMPARE(chooser_calls, 2);
}

void QMFormTest::columnsHideAndShowAgainFromTheEditMenu()
{
    TQMForm* form = collectOnePoint();
    QVERIFY(form);
    const QString name = form->Database().UserObjects().at(0)->Name();
    auto* grid = form->findChild<QTableView*>("SheetGrid");
    QCOMPARE(grid->model()->columnCount(), 3); // Time, X, Y
    grid->selectionModel()->select(grid->model()->index(4, 1), QItemSelectionModel::Select);
    QAction* hide = nullptr;
    for (QAction* action : form->findChild<QMenu*>("EditMenu")->actions())
        if (action->text() == "&Hide Columns")
            hide = action;
    QVERIFY(hide);
    hide->trigger();
    QCOMPARE(grid->model()->columnCount(), 2);
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), name + "\nY\nmm");

    auto* show = form->findChild<QMenu*>("ShowMenu");
    emit show->aboutToShow();
    QStringList captions;
    for (QAction* action : show->actions())
        if (!action->isSeparator())
            captions << action->text();
    QVERIFY2(captions.contains("X - " + name), qPrintable(captions.join('|')));
    QVERIFY(!captions.contains("Y - " + name));
    show->actions().first()->trigger();
    QCOMPARE(grid->model()->columnCount(), 3);
    emit show->aboutToShow();
    show->actions().last()->trigger(); // "&All": the default set, which has X and Y
    QCOMPARE(grid->model()->columnCount(), 3);
}

void QMFormTest::clearingAnObjectEmptiesItsCells()
{
    TQMForm* form = collectOnePoint();
    QVERIFY(form);
    form->findChild<QCheckBox*>("AutoStepCB")->setChecked(false);
    form->PictureClicked(0, QPointF(10, 10));
    auto* grid = form->findChild<QTableView*>("SheetGrid");
    QVERIFY(!grid->model()->index(0, 1).data().toString().isEmpty());

    form->SetPage(QMPage::Objects);
    auto* tree = form->findChild<QTreeWidget*>("ObjectTree");
    tree->setCurrentItem(tree->topLevelItem(0));
    // Cancelled: the samples stay.
    prompt_.queueAnswer(PromptButton::Cancel);
    form->findChild<QPushButton*>("ClearBtn")->click();
    QVERIFY(prompt_.texts().last().startsWith("There are 1 samples collected."));
    QCOMPARE(form->Database().UserObjects()[0]->Samples().size(), size_t(1));
    prompt_.queueAnswer(PromptButton::Ok);
    form->findChild<QPushButton*>("ClearBtn")->click();
    QVERIFY(form->Database().UserObjects()[0]->Samples().empty());
    QVERIFY(grid->model()->index(0, 1).data().toString().isEmpty());
    QCOMPARE(form->Database().UserObjects().size(), size_t(1));
}

// The clip runs at 1000 frames/s here: CFC 600 is refused, CFC 180 warned about.
void QMFormTest::filtersAreChosenPerObjectAndNamedInTheSheet()
{
    TQMForm* form = collectOnePoint();
    QVERIFY(form);
    // Steady motion with a pixel of jitter, which the filters take out.
    for (int frame = 0; frame < 12; ++frame)
        form->PictureClicked(frame, QPointF(10 + 3 * frame + (frame % 2), 30));
    form->SetPage(QMPage::Defaults);
    form->findChild<QCheckBox*>("Visible7")->setChecked(true); // X Velocity
    const TObjDef& def = *form->Database().UserObjects().front();
    const TSheetElement* vx = nullptr;
    for (const auto& column : def.Columns().Columns())
        if (column->Kind() == QuantityKind::XVelocity)
            vx = column.get();
    QVERIFY(vx && vx->Shown());
    const float plain = *vx->Value(6);
    const auto header = [&] { return form->Database().Sheet().CellText(vx->GridColumn(), 1); };
    auto* table = form->findChild<QTableView*>();
    QVERIFY(table);

    form->SetPage(QMPage::Objects);
    auto* tree = form->findChild<QTreeWidget*>("ObjectTree");
    tree->setCurrentItem(tree->topLevelItem(0));
    auto* kinds = form->findChild<QComboBox*>("FilterCB");
    auto* status = form->findChild<QLabel*>("FilterStatusLbl");
    QVERIFY(kinds && status);
    QCOMPARE(kinds->currentText(), QString("None"));
    kinds->setCurrentText("CFC 600");
    QCOMPARE(def.Filter().kind, FilterKind::Cfc600);
    QVERIFY2(status->text().startsWith("A sample rate of 1000 Hz is too low for CFC 600"),
        qPrintable(status->text()));
    QCOMPARE(header(), QString("X Velocity, CFC 600"));
    QVERIFY(!vx->Value(6));
    QCOMPARE(table->model()->headerData(vx->GridColumn(), Qt::Horizontal, Qt::ToolTipRole).toString(),
        status->text());
    QVERIFY(form->CopyText(true, false).contains("X Velocity, CFC 600"));

    kinds->setCurrentText("CFC 180");
    QVERIFY2(status->text().contains("below 3000 Hz"), qPrintable(status->text()));
    QVERIFY(vx->Value(6));

    kinds->setCurrentText("Butterworth");
    auto* cutoff = form->findChild<QLineEdit*>("CutoffEN");
    QVERIFY(cutoff->isEnabled());
    cutoff->setText("100");
    QTest::keyClick(cutoff, Qt::Key_Return);
    QCOMPARE(def.Filter(), (FilterChoice { FilterKind::Butterworth, 100.0 }));
    QCOMPARE(header(), QString("X Velocity, Butterworth 100 Hz"));
    QVERIFY(status->text().isEmpty());
    QVERIFY(vx->Value(6) && *vx->Value(6) != plain);

    kinds->setCurrentText("None");
    QVERIFY(!cutoff->isEnabled());
    QCOMPARE(header(), QString("X Velocity"));
    QCOMPARE(*vx->Value(6), plain);
}

void QMFormTest::theDefaultFilterIsStoredAndOldSettingsReadAsNone()
{
    settings_->writeInteger(kQuickMeasureCollection, "FrameStep", 2); // written before filters existed
    TQMForm* form = openMeasure();
    QVERIFY(form);
    form->SetPage(QMPage::Defaults);
    auto* kinds = form->findChild<QComboBox*>("DefaultFilterCB");
    auto* cutoff = form->findChild<QLineEdit*>("DefaultCutoffEN");
    QVERIFY(kinds && cutoff);
    QCOMPARE(kinds->currentText(), QString("None"));
    kinds->setCurrentText("Butterworth");
    cutoff->setText("12.5");
    QTest::keyClick(cutoff, Qt::Key_Return);
    form->SetPage(QMPage::Objects);
    form->findChild<QPushButton*>("NewPointBtn")->click();
    QCOMPARE(
        form->Database().UserObjects().front()->Filter(), (FilterChoice { FilterKind::Butterworth, 12.5 }));
    QCOMPARE(form->findChild<QComboBox*>("FilterCB")->currentText(), QString("Butterworth"));
    QCOMPARE(form->findChild<QLineEdit*>("CutoffEN")->text(), QString("12.5"));
    form->close();
    QCOMPARE(settings_->readString(kQuickMeasureCollection, "Filter"), QString("butterworth:12.5"));
    QCOMPARE(LoadQuickMeasureSettings(*settings_).filter, (FilterChoice { FilterKind::Butterworth, 12.5 }));
}

QTEST_MAIN(QMFormTest)
#include "qm_form_test.moc"
