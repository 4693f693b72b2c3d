#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

#include "imagers/forms/card_tree_items.h"
#include "imagers/forms/ro_browser_form.h"
#include "imagers/hg/card_names.h"
#include "imagers/hg/ro_tcpip.h"
#include "imagers/unused_udp_port.h"
#include "support/user_prompt.h"

using namespace fw;

namespace {

constexpr char kImagerAddress[] = "127.0.0.31";
constexpr int kSimStartMs = 20000;

// The names a listing of the imager holds (its entries, without the first line or two).
QStringList EntryNames(const QStringList& listing)
{
    QStringList names;
    const int first = listing.value(0).contains("[ROOT]") ? 2 : 1;
    for (int i = first; i < listing.size(); ++i)
        names << CardEntryName(listing[i]);
    return names;
}

QStringList ChildNames(const QTreeWidgetItem* item)
{
    QStringList names;
    for (int i = 0; item && i < item->childCount(); ++i)
        names << CardNodeName(item->child(i)->text(0));
    return names;
}

} // namespace

// The browser on one simulated HG 2000 over UDP: what the tree shows and what the card holds
// afterwards, read back through a plain listing.
class ROBrowserFormTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void exploringListsTheCardAndExpandsDirectories();
    void newFolderIsMadeAndTakesTheTypedName();
    void renamingFilesAndFullDirectoriesIsRefused();
    void deletingADirectoryRemovesEverythingBelowIt();
    void deletingTheCardLeavesItEmpty();
    void browsingStartsAtThePathAndReturnsTheChosenDirectory();

private:
    QTreeWidget* Tree() { return form_->findChild<QTreeWidget*>("DirTree"); }
    QPushButton* Button(const char* name) { return form_->findChild<QPushButton*>(name); }
    // The item at a card path ("" for the card itself).
    QTreeWidgetItem* Item(const QString& path);
    void Select(const QString& path) { Tree()->setCurrentItem(Item(path)); }
    QStringList CardNames(const QString& path) { return EntryNames(link_->ListDirectory(path)); }
    // Runs `act` once the modal window is up (its listing done).
    void WhenShown(const std::function<void()>& act);

    QProcess sim_;
    std::unique_ptr<TROTCPIP> link_;
    std::unique_ptr<TROBrowserForm> form_;
    ScriptedPrompt prompt_;
};

void ROBrowserFormTest::init()
{
    const QByteArray port = QByteArray::number(test::UnusedUdpPort());
    qputenv("FRAMEWRIGHT_IMAGER_PORT", port);
    sim_.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    sim_.start(QStringLiteral(FW_BIN_DIR "/fw-imager-sim"), { "--udp", QString(kImagerAddress) + ":4:1" });
    bool ready = false;
    while (!ready && sim_.waitForReadyRead(kSimStartMs)) {
        while (sim_.canReadLine())
            ready = ready || sim_.readLine().trimmed() == "ready";
    }
    QVERIFY2(ready, sim_.readAllStandardError().constData());
    link_ = std::make_unique<TROTCPIP>(1, kImagerAddress, "127.255.255.255");
    QVERIFY(link_->Identify(false));
    prompt_.clear();
    installPrompt(&prompt_);
    form_ = std::make_unique<TROBrowserForm>();
    form_->ConnectTo(*link_);
}

void ROBrowserFormTest::cleanup()
{
    form_.reset();
    installPrompt(nullptr);
    link_.reset();
    sim_.terminate();
    if (!sim_.waitForFinished(5000))
        sim_.kill();
    sim_.waitForFinished();
}

QTreeWidgetItem* ROBrowserFormTest::Item(const QString& path)
{
    QTreeWidgetItem* item = Tree()->topLevelItem(0);
    for (const QString& name : CardPathComponents(path)) {
        QTreeWidgetItem* child = nullptr;
        for (int i = 0; item && i < item->childCount() && !child; ++i) {
            if (CardNodeName(item->child(i)->text(0)) == name)
                child = item->child(i);
        }
        item = child;
    }
    return item;
}

void ROBrowserFormTest::exploringListsTheCardAndExpandsDirectories()
{
    QCOMPARE(Item("")->text(0), QString("PC Card"));
    QCOMPARE(ChildNames(Item("")), QStringList { "<DRIVE UNAVAILABLE>" });

    form_->StartExploring();
    QCOMPARE(form_->windowTitle(), QString("Exploring Imager Files on HGCARD"));
    QVERIFY(Button("OkBtn")->isHidden());
    QVERIFY(Button("CancelBtn")->isHidden());
    QVERIFY(!Button("CloseBtn")->isHidden());
    QTreeWidgetItem* root = Item("");
    QVERIFY(root->isExpanded());
    QCOMPARE(root->data(0, kCardImageRole).toInt(), 3);
    QCOMPARE(ChildNames(root),
        QStringList({ "DOWNLOAD", "F00000.BAY", "F00001.BAY", "F00002.BAY", "README.TXT", "SESS0001.CFG",
            "SESS0001.DAT" }));
    QCOMPARE(Item("README.TXT")->text(0), QString("README.TXT          412"));
    QCOMPARE(Item("F00000.BAY")->data(0, kCardImageRole).toInt(), 4);
    QCOMPARE(Item("DOWNLOAD")->data(0, kCardImageRole).toInt(), 0);
    QCOMPARE(ChildNames(Item("DOWNLOAD")), QStringList { "<place holder>" });
    Tree()->setCurrentItem(Item("DOWNLOAD")->child(0)); // a place holder stands for its directory
    QCOMPARE(form_->ChosenPath(), QString("DOWNLOAD\\"));

    Item("DOWNLOAD")->setExpanded(true);
    QCOMPARE(ChildNames(Item("DOWNLOAD")), QStringList({ "OLD", "F00000.BAY", "F00001.BAY" }));
    QCOMPARE(Item("DOWNLOAD")->data(0, kCardImageRole).toInt(), 1);
    Item("DOWNLOAD")->setExpanded(false);
    QCOMPARE(Item("DOWNLOAD")->data(0, kCardImageRole).toInt(), 0);
}

void ROBrowserFormTest::newFolderIsMadeAndTakesTheTypedName()
{
    form_->StartExploring();
    Select("DOWNLOAD");
    Button("NewBtn")->click();
    QVERIFY(Item("DOWNLOAD\\FOLDER.1"));
    QVERIFY(CardNames("DOWNLOAD\\").contains("FOLDER.1"));

    // The name is being edited: the typed name is cut to 8.3 and the folder renamed on the card.
    auto* editor = Tree()->findChild<QLineEdit*>();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QString("FOLDER.1"));
    editor->setText("trip one.data");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(Item("DOWNLOAD\\TRIPONE.DAT"));
    QVERIFY(!Item("DOWNLOAD\\FOLDER.1"));
    QCOMPARE(ChildNames(Item("DOWNLOAD")).first(), QString("OLD"));
    const QStringList names = CardNames("DOWNLOAD\\");
    QVERIFY2(names.contains("TRIPONE.DAT") && !names.contains("FOLDER.1"), qPrintable(names.join('|')));

    // The next new folder in the same place is FOLDER.1 again; in the card, FOLDER.1 too.
    Select("DOWNLOAD\\F00000.BAY");
    Button("NewBtn")->click();
    QVERIFY(Item("DOWNLOAD\\FOLDER.1"));
    QTest::keyClick(Tree()->findChild<QLineEdit*>(), Qt::Key_Escape);
    QTRY_VERIFY(!Tree()->findChild<QLineEdit*>());
    QVERIFY(CardNames("DOWNLOAD\\").contains("FOLDER.1"));
}

void ROBrowserFormTest::renamingFilesAndFullDirectoriesIsRefused()
{
    form_->StartExploring();
    for (const QString& path : { QString(""), QString("README.TXT"), QString("DOWNLOAD") }) {
        Select(path);
        Button("RenameBtn")->click();
    }
    QCOMPARE(prompt_.texts(),
        QStringList({ "Imager cannot rename PC Card Volume", "Imager cannot rename files",
            "Directory must be empty to be Renamed" }));
    QCOMPARE(prompt_.questions().front().caption, QString("Rename not Possible"));
    QVERIFY(!Tree()->findChild<QLineEdit*>());

    // The context menu offers "Rena&me" only where renaming is possible; a right click selects.
    auto* menu = form_->findChild<QMenu*>("TreeMenu");
    auto* rename_item = menu->findChild<QAction*>("RenameItem");
    QCOMPARE(rename_item->text(), QString("Rena&me"));
    const QPoint readme = Tree()->visualItemRect(Item("README.TXT")).center();
    emit Tree()->customContextMenuRequested(readme);
    QCOMPARE(Tree()->currentItem(), Item("README.TXT"));
    QVERIFY(!rename_item->isEnabled());
    menu->hide();
    Item("DOWNLOAD")->setExpanded(true);
    Select("DOWNLOAD\\OLD");
    Button("NewBtn")->click();
    QTest::keyClick(Tree()->findChild<QLineEdit*>(), Qt::Key_Escape);
    QTRY_VERIFY(!Tree()->findChild<QLineEdit*>());
    Item("DOWNLOAD\\OLD\\FOLDER.1")->setExpanded(true); // listed: known to be empty
    emit Tree()->customContextMenuRequested(Tree()->visualItemRect(Item("DOWNLOAD\\OLD\\FOLDER.1")).center());
    QVERIFY(rename_item->isEnabled());
    menu->hide();
}

void ROBrowserFormTest::deletingADirectoryRemovesEverythingBelowIt()
{
    form_->StartExploring();
    Select("README.TXT");
    prompt_.queueAnswer(PromptButton::No);
    Button("DeleteBtn")->click();
    QVERIFY(Item("README.TXT"));

    Select("DOWNLOAD");
    prompt_.queueAnswer(PromptButton::Yes);
    Button("DeleteBtn")->click();
    QCOMPARE(prompt_.texts(), QStringList({ "Delete File README.TXT?", "Delete Directory DOWNLOAD?" }));
    QVERIFY(!Item("DOWNLOAD"));
    // The directory is gone: the imager lists the card instead.
    QVERIFY(CardNames("DOWNLOAD\\OLD\\").contains("README.TXT"));
    QVERIFY(!CardNames("\\").contains("DOWNLOAD"));

    Select("README.TXT");
    prompt_.queueAnswer(PromptButton::Yes);
    form_->findChild<QMenu*>("TreeMenu")->findChild<QAction*>("DeleteItem")->trigger();
    QVERIFY(!Item("README.TXT"));
    QVERIFY(!CardNames("\\").contains("README.TXT"));
}

void ROBrowserFormTest::deletingTheCardLeavesItEmpty()
{
    form_->StartExploring();
    Select("");
    prompt_.queueAnswer(PromptButton::Yes);
    Button("DeleteBtn")->click();
    QCOMPARE(prompt_.texts(), QStringList { "Delete ALL FILES On PC Card Drive HGCARD?" });
    QCOMPARE(Item("")->childCount(), 0);
    QCOMPARE(CardNames("\\"), QStringList());
}

void ROBrowserFormTest::browsingStartsAtThePathAndReturnsTheChosenDirectory()
{
    QString caption;
    bool ok_shown = false, close_shown = true;
    QTreeWidgetItem* start = nullptr;
    WhenShown([&] {
        caption = form_->windowTitle();
        ok_shown = !Button("OkBtn")->isHidden();
        close_shown = !Button("CloseBtn")->isHidden();
        start = Tree()->currentItem();
        Select("DOWNLOAD\\OLD\\NOTES.TXT"); // a file gives its directory
        Button("OkBtn")->click();
    });
    QString chosen;
    QVERIFY(form_->Browse("\\DOWNLOAD\\OLD\\MISSING", chosen));
    QCOMPARE(caption, QString("Browsing for Imager Download Path on HGCARD"));
    QVERIFY(ok_shown && !close_shown);
    QCOMPARE(start, Item("DOWNLOAD\\OLD"));
    QCOMPARE(chosen, QString("DOWNLOAD\\OLD\\"));

    QString card_path;
    WhenShown([&] {
        Select("");
        card_path = form_->ChosenPath();
        Button("CancelBtn")->click();
    });
    chosen.clear();
    QVERIFY(!form_->Browse("\\", chosen));
    QVERIFY(chosen.isEmpty());
    QCOMPARE(card_path, QString("\\"));
}

void ROBrowserFormTest::WhenShown(const std::function<void()>& act)
{
    QTimer::singleShot(10, this, [this, act] {
        if (form_->isVisible())
            act();
        else
            WhenShown(act);
    });
}

QTEST_MAIN(ROBrowserFormTest)
#include "ro_browser_form_test.moc"
