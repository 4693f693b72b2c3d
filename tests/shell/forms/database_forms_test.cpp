#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "shell/database_lists.h"
#include "shell/forms/assign_db_form.h"
#include "shell/forms/default_titles_form.h"
#include "shell/forms/titles_grid.h"
#include "support/user_prompt.h"

using namespace fw;

class DatabaseFormsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void defaultTitlesTakeValuesFromDatabaseEntries();
    void assignmentWorksOnACopyUntilOk();
    void editedDatabaseTextIsWrittenAndReread();

private:
    QString writeIni(const QString& name, const QByteArray& text);

    QTemporaryDir dir_;
    ScriptedPrompt prompt_;
};

void DatabaseFormsTest::init()
{
    QVERIFY(dir_.isValid());
    prompt_.clear();
    installPrompt(&prompt_);
}

void DatabaseFormsTest::cleanup()
{
    installPrompt(nullptr);
}

QString DatabaseFormsTest::writeIni(const QString& name, const QByteArray& text)
{
    QFile file(dir_.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return file.fileName();
}

void DatabaseFormsTest::defaultTitlesTakeValuesFromDatabaseEntries()
{
    const QString staff
        = writeIni("Staff.ini", "[Operators]\nop7=Night Shift\nop8=Day Shift\n[Lenses]\nL1=50mm\n");
    DatabaseLists databases;
    QVERIFY(databases.AddFile(staff));
    databases.RefreshSectionNames(0);
    databases.SetChecked(0, "Operators", true);

    TDefaultTitlesForm form;
    form.Begin(databases);
    auto* grid = form.findChild<TitlesGrid*>("DefaultTitlesGrid");
    QCOMPARE(grid->rowCount(), 2); // Title=?, Imager Name=?
    // The menu offers static text and the entries of checked sections only.
    const QList<QAction*> items = form.FieldMenu()->actions();
    QCOMPARE(items.first()->text(), QString("&Static Text"));
    QStringList sections;
    for (QAction* item : items) {
        if (item->menu())
            sections << item->text();
    }
    QCOMPARE(sections, QStringList({ "Operators", "Timing", "Camera" }));

    grid->setCurrentCell(0, 1);
    form.ChooseField(*DatabaseItemTag({ 0, 1, 1 })); // sections are sorted: Lenses, Operators
    QCOMPARE(grid->Entries()[0].value, QString("(staff.ini)[Operators]op8"));
    QVERIFY(!(grid->item(0, 1)->flags() & Qt::ItemIsEditable));
    QVERIFY(form.Finish(true));
    QCOMPARE(databases.ResolveDefaultTitle(0), QString("Day Shift"));

    // Static text turns a reference back into a value to type.
    form.Begin(databases);
    QVERIFY(!(grid->item(0, 1)->flags() & Qt::ItemIsEditable));
    grid->setCurrentCell(0, 1);
    form.ChooseStaticText();
    QCOMPARE(grid->Entries()[0].value, QString("?"));
    QVERIFY(grid->item(0, 1)->flags() & Qt::ItemIsEditable);
    // Cancel keeps the defaults as they were.
    QVERIFY(!form.Finish(false));
    QCOMPARE(databases.ResolveDefaultTitle(0), QString("Day Shift"));
}

void DatabaseFormsTest::assignmentWorksOnACopyUntilOk()
{
    const QString staff = writeIni("staff.ini", "[Operators]\nop7=Night Shift\n[Lenses]\nL1=50mm\n");
    const QString sites = writeIni("sites.ini", "[Sites]\nA=North\n");
    DatabaseLists databases;
    QVERIFY(databases.AddFile(staff));

    TAssignDBForm form;
    form.Begin(databases);
    auto* sections = form.findChild<QListWidget*>("SectionList");
    QCOMPARE(sections->count(), 2); // the last file is selected and its sections read
    QCOMPARE(sections->item(0)->text(), QString("Lenses"));
    sections->item(1)->setCheckState(Qt::Checked);
    QVERIFY(form.Working().Files()[0].sections[1].checked);
    QCOMPARE(form.Working().Files()[0].sections[1].entries.size(), size_t(1));

    form.AddFile(sites);
    form.AddFile(sites); // listed once only
    QCOMPARE(form.findChild<QListWidget*>("FileList")->count(), 2);
    QCOMPARE(form.findChild<QListWidget*>("FileList")->currentRow(), 1);
    // The original lists are untouched until OK.
    QCOMPARE(databases.Files().size(), size_t(2));
    QVERIFY(databases.Files()[0].sections.empty());

    // Removing the selected file selects the one before it; the built-in entry stays last.
    form.RemoveSelected();
    QCOMPARE(form.Working().Files().size(), size_t(2));
    QCOMPARE(form.findChild<QListWidget*>("FileList")->count(), 1);
    QCOMPARE(form.findChild<QListWidget*>("FileList")->currentRow(), 0);
    form.RemoveSelected();
    QCOMPARE(form.Working().Files().size(), size_t(1));
    QVERIFY(!form.findChild<QPushButton*>("RemoveBtn")->isEnabled());
}

void DatabaseFormsTest::editedDatabaseTextIsWrittenAndReread()
{
    const QString staff = writeIni("staff.ini", "[Operators]\nop7=Night Shift\n");
    DatabaseLists databases;
    QVERIFY(databases.AddFile(staff));
    TAssignDBForm form;
    form.Begin(databases);
    QVERIFY(form.SaveFileText("[Operators]\nop7=Weekend\n[Sites]\nA=North\n"));
    QFile file(staff);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[Operators]\r\nop7=Weekend\r\n[Sites]\r\nA=North\r\n"));
    // The section list follows the new text.
    QCOMPARE(form.findChild<QListWidget*>("SectionList")->count(), 2);
}

QTEST_MAIN(DatabaseFormsTest)
#include "database_forms_test.moc"
