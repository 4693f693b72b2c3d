#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "imagers/forms/attach_form.h"
#include "imagers/forms/attaching_form.h"
#include "imagers/forms/find_form.h"
#include "imagers/forms/imager_attach.h"
#include "imagers/forms/imager_name_form.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;

class AttachFormTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fieldsFollowTheSelection();
    void editsGoIntoTheEntryWithTheirRules();
    void newRenameAndDelete();
    void theNameWindowRefusesEmptyAndTakenNames();
    void doubleClickAttachesTheEntry();
    void closeStoresTheFieldsAndCancelDoesNot();
    void withoutAGpibDriverAProcessorKeepsItsPort();
    void settingsLoadAndSave();
    void findSelectsTheImagersThatAnswered();
    void attachOpensTheDownloadOfEachChosenHGEntry();

private:
    template <typename T> T* Control(const char* name) const
    {
        T* control = attach_->Form().findChild<T*>(QLatin1String(name));
        if (!control)
            qFatal("no control %s", name);
        return control;
    }
    QListWidget* List() const { return Control<QListWidget>("ImagerList"); }
    void SelectOnly(const QString& name);
    QStringList EnabledControls() const;
    QStringList ListedNames() const;
    // Runs `step` on the modal window that the next command opens.
    template <typename Step> void OnNextModal(Step step);

    QTemporaryDir dir_;
    std::unique_ptr<SettingsStore> settings_;
    ScriptedPrompt prompt_;
    std::unique_ptr<TImagerAttach> attach_;
};

void AttachFormTest::init()
{
    QVERIFY(dir_.isValid());
    QFile::remove(dir_.filePath("settings.ini"));
    settings_ = std::make_unique<SettingsStore>(dir_.filePath("settings.ini"));
    settings_->writeString("Imagers", "Net HG", "Kodak HG 2000;Ethernet;10.0.0.2;2;9600");
    settings_->writeString("Imagers", "Line RO", "Kodak RO;Direct to ttyS0;;;");
    settings_->writeString("Imagers", "Processor", "Kodak EM 1012;GPIB0");
    prompt_.clear();
    installPrompt(&prompt_);
    TPortList::Sources ports;
    ports.serial_ports = { "ttyS0", "ttyUSB0" };
    ports.gpib_available = true;
    attach_ = std::make_unique<TImagerAttach>(std::move(ports));
    attach_->Load(*settings_);
}

void AttachFormTest::cleanup()
{
    attach_.reset();
    installPrompt(nullptr);
    settings_.reset();
}

void AttachFormTest::SelectOnly(const QString& name)
{
    List()->clearSelection();
    const QList<QListWidgetItem*> items = List()->findItems(name, Qt::MatchExactly);
    QVERIFY(items.size() == 1);
    items.front()->setSelected(true);
}

QStringList AttachFormTest::EnabledControls() const
{
    QStringList names;
    for (const char* name : { "TypeCombo", "InterfaceCombo", "IPAddressEdit", "ImagerIDEdit", "BaudRateCombo",
             "DeleteBtn", "RenameBtn", "SetupBtn", "AttachBtn" }) {
        if (Control<QWidget>(name)->isEnabled())
            names << name;
    }
    return names;
}

QStringList AttachFormTest::ListedNames() const
{
    QStringList names;
    for (int row = 0; row < List()->count(); ++row)
        names << List()->item(row)->text();
    return names;
}

template <typename Step> void AttachFormTest::OnNextModal(Step step)
{
    QTimer::singleShot(0, this, [step] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        step(*modal);
    });
}

void AttachFormTest::fieldsFollowTheSelection()
{
    TAttachForm& form = attach_->Form();
    QCOMPARE(form.windowTitle(), QString("Imager Attach and Setup"));
    QCOMPARE(ListedNames(), QStringList({ "Line RO", "Net HG", "Processor" }));
    QCOMPARE(Control<QPushButton>("SetupBtn")->toolTip(), QString("Display Imager Setup Controls"));
    QCOMPARE(Control<QPushButton>("FindBtn")->toolTip(), QString("Search Interface for Imagers"));
    QCOMPARE(Control<QCheckBox>("AutoDetachCheck")->toolTip(), QString("Detach After Download"));
    QCOMPARE(Control<QCheckBox>("UpdateClockCheck")->toolTip(), QString("Set Imager Date/Time on Attach"));
    QCOMPARE(EnabledControls(), QStringList());

    SelectOnly("Net HG");
    QCOMPARE(EnabledControls(),
        QStringList({ "TypeCombo", "InterfaceCombo", "IPAddressEdit", "ImagerIDEdit", "DeleteBtn",
            "RenameBtn", "SetupBtn", "AttachBtn" }));
    QCOMPARE(Control<QComboBox>("TypeCombo")->currentText(), QString("Kodak HG 2000"));
    QCOMPARE(Control<QComboBox>("InterfaceCombo")->currentText(), QString("Ethernet"));
    QCOMPARE(Control<QComboBox>("InterfaceCombo")->count(), 3);
    QCOMPARE(Control<QLineEdit>("IPAddressEdit")->text(), QString("10.0.0.2"));
    QCOMPARE(Control<QLineEdit>("ImagerIDEdit")->text(), QString("2"));
    QVERIFY(Control<QLabel>("AttachedLabel")->isHidden());

    // An HG imager on a serial line is set up there, not attached.
    SelectOnly("Line RO");
    QCOMPARE(EnabledControls(),
        QStringList({ "TypeCombo", "InterfaceCombo", "ImagerIDEdit", "BaudRateCombo", "DeleteBtn",
            "RenameBtn", "SetupBtn" }));
    QCOMPARE(Control<QLineEdit>("ImagerIDEdit")->text(), QString("???"));
    QCOMPARE(Control<QComboBox>("BaudRateCombo")->currentText(), QString("9600"));

    attach_->List().Entry(attach_->List().RowOf("Processor")).attached = true;
    SelectOnly("Processor");
    QCOMPARE(EnabledControls(),
        QStringList({ "TypeCombo", "InterfaceCombo", "DeleteBtn", "RenameBtn", "AttachBtn" }));
    QVERIFY(!Control<QLabel>("AttachedLabel")->isHidden());
    QCOMPARE(Control<QComboBox>("InterfaceCombo")->currentText(), QString("GPIB0"));

    // Several entries: only "Attach".
    List()->item(0)->setSelected(true);
    QCOMPARE(EnabledControls(), QStringList({ "AttachBtn" }));
    QCOMPARE(Control<QComboBox>("TypeCombo")->currentIndex(), -1);
    QCOMPARE(Control<QLineEdit>("IPAddressEdit")->text(), QString("..."));
}

void AttachFormTest::editsGoIntoTheEntryWithTheirRules()
{
    SelectOnly("Net HG");
    auto* ip = Control<QLineEdit>("IPAddressEdit");
    ip->setText("10.0.300.");
    emit ip->editingFinished();
    QCOMPARE(ip->text(), QString("10.0.255.0"));
    QCOMPARE(prompt_.texts(),
        QStringList({ "The IP Address for Imager Net HG was invalid and has been adjusted." }));
    QCOMPARE(prompt_.questions().front().kind, PromptKind::Warning);

    auto* id = Control<QLineEdit>("ImagerIDEdit");
    id->setText("3");
    emit id->editingFinished();
    QCOMPARE(id->text(), QString("3"));
    id->setText("300");
    emit id->editingFinished();
    QCOMPARE(id->text(), QString("255"));
    const TImagerList& list = attach_->List();
    QCOMPARE(list.Entry(list.RowOf("Net HG")).Value(), QString("Kodak HG 2000;Ethernet;10.0.255.0;255;9600"));

    // Moving the imager to a serial line: the address is kept and no longer checked.
    auto* interface_combo = Control<QComboBox>("InterfaceCombo");
    interface_combo->setCurrentIndex(interface_combo->findText("Direct to ttyUSB0"));
    emit interface_combo->activated(interface_combo->currentIndex());
    QVERIFY(!ip->isEnabled());
    QVERIFY(Control<QComboBox>("BaudRateCombo")->isEnabled());
    QVERIFY(!Control<QPushButton>("AttachBtn")->isEnabled());
    QCOMPARE(list.Entry(list.RowOf("Net HG")).Value(),
        QString("Kodak HG 2000;Direct to ttyUSB0;10.0.255.0;255;9600"));
    QCOMPARE(prompt_.texts().size(), 1);
}

void AttachFormTest::newRenameAndDelete()
{
    SelectOnly("Net HG");
    OnNextModal([](QWidget& modal) {
        QCOMPARE(modal.windowTitle(), QString("New Imager"));
        QCOMPARE(modal.findChild<QLabel*>("NameLabel")->text(), QString("Enter New Imager Name"));
        modal.findChild<QLineEdit*>("NameEdit")->setText("Bench");
        modal.findChild<QPushButton*>("OKBtn")->click();
    });
    attach_->Form().NewBtnClick();
    QCOMPARE(ListedNames(), QStringList({ "Bench", "Line RO", "Net HG", "Processor" }));
    QCOMPARE(List()->selectedItems().size(), 1);
    QCOMPARE(List()->selectedItems().front()->text(), QString("Bench"));
    // The new entry takes the fields shown, without the identifier.
    const TImagerList& list = attach_->List();
    QCOMPARE(list.Entry(0).Value(), QString("Kodak HG 2000;Ethernet;10.0.0.2;;9600"));
    QCOMPARE(Control<QLineEdit>("ImagerIDEdit")->text(), QString("???"));

    OnNextModal([](QWidget& modal) {
        QCOMPARE(modal.windowTitle(), QString("Rename Bench"));
        modal.findChild<QLineEdit*>("NameEdit")->setText("Zoo");
        modal.findChild<QPushButton*>("OKBtn")->click();
    });
    attach_->Form().RenameBtnClick();
    QCOMPARE(ListedNames(), QStringList({ "Line RO", "Net HG", "Processor", "Zoo" }));
    QCOMPARE(List()->selectedItems().front()->text(), QString("Zoo"));
    QCOMPARE(list.Entry(3).Value(), QString("Kodak HG 2000;Ethernet;10.0.0.2;;9600"));

    // Deleting selects the entry before, or the first.
    SelectOnly("Net HG");
    Control<QPushButton>("DeleteBtn")->click();
    QCOMPARE(ListedNames(), QStringList({ "Line RO", "Processor", "Zoo" }));
    QCOMPARE(List()->selectedItems().front()->text(), QString("Line RO"));
    Control<QPushButton>("DeleteBtn")->click();
    QCOMPARE(List()->selectedItems().front()->text(), QString("Processor"));

    // Without an entry shown, a new one is the default imager.
    List()->clearSelection();
    OnNextModal([](QWidget& modal) {
        modal.findChild<QLineEdit*>("NameEdit")->setText("Fresh");
        modal.findChild<QPushButton*>("OKBtn")->click();
    });
    Control<QPushButton>("NewBtn")->click();
    QCOMPARE(list.Entry(list.RowOf("Fresh")).Value(), QString("Kodak RO;Ethernet;100.0.0.1;1;9600"));
    QVERIFY(prompt_.texts().isEmpty());
}

void AttachFormTest::theNameWindowRefusesEmptyAndTakenNames()
{
    TImagerNameForm form(attach_->List(), "New Imager");
    auto* name = form.findChild<QLineEdit*>("NameEdit");
    form.show();
    name->setText("   ");
    form.findChild<QPushButton*>("OKBtn")->click();
    QVERIFY(form.isVisible());
    QVERIFY(prompt_.texts().isEmpty());
    name->setText("net hg");
    form.findChild<QPushButton*>("OKBtn")->click();
    QVERIFY(form.isVisible());
    QCOMPARE(prompt_.texts(), QStringList({ "An Imager Named NET HG Already Exists." }));
    QCOMPARE(prompt_.questions().front().kind, PromptKind::Error);
    name->setText("Net HG 2");
    form.findChild<QPushButton*>("OKBtn")->click();
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(form.Name(), QString("Net HG 2"));
}

void AttachFormTest::doubleClickAttachesTheEntry()
{
    OnNextModal([this](QWidget&) {
        QListWidgetItem* item = List()->findItems("Processor", Qt::MatchExactly).front();
        const QPoint centre = List()->visualItemRect(item).center();
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, centre);
    });
    QVERIFY(attach_->Form().Select());
    const auto flagged = attach_->List().FlaggedForAttach();
    QCOMPARE(flagged.size(), size_t(1));
    QCOMPARE(flagged.front()->name, QString("Processor"));
}

void AttachFormTest::closeStoresTheFieldsAndCancelDoesNot()
{
    const TImagerList& list = attach_->List();
    auto edit_address = [this](const QString& address, const char* button) {
        OnNextModal([this, address, button](QWidget&) {
            SelectOnly("Net HG");
            Control<QLineEdit>("IPAddressEdit")->setText(address);
            Control<QPushButton>(button)->click();
        });
        return attach_->Form().Select();
    };
    QVERIFY(!edit_address("10.0.0.77", "CancelBtn"));
    QCOMPARE(list.Entry(list.RowOf("Net HG")).ip_address, QString("10.0.0.2"));
    QVERIFY(!edit_address("10.0.0.78", "CloseBtn"));
    QCOMPARE(list.Entry(list.RowOf("Net HG")).ip_address, QString("10.0.0.78"));
    QVERIFY(list.FlaggedForAttach().empty());
    QVERIFY(edit_address("10.0.0.79", "AttachBtn"));
    QCOMPARE(list.Entry(list.RowOf("Net HG")).ip_address, QString("10.0.0.79"));
    QCOMPARE(list.FlaggedForAttach().size(), size_t(1));
}

void AttachFormTest::withoutAGpibDriverAProcessorKeepsItsPort()
{
    TPortList::Sources ports;
    ports.serial_ports = { "ttyS0" };
    attach_ = std::make_unique<TImagerAttach>(std::move(ports));
    attach_->Load(*settings_);
    OnNextModal([this](QWidget&) {
        SelectOnly("Processor");
        QCOMPARE(Control<QComboBox>("InterfaceCombo")->currentText(), QString("GPIB0"));
        QVERIFY(!Control<QPushButton>("AttachBtn")->isEnabled());
        Control<QPushButton>("CloseBtn")->click();
    });
    QVERIFY(!attach_->Form().Select());
    attach_->Save(*settings_);
    QCOMPARE(settings_->readString("Imagers", "Processor"), QString("Kodak EM 1012;GPIB0;;;"));
}

void AttachFormTest::settingsLoadAndSave()
{
    settings_->writeBool("Preferences", "Update Clock", false);
    settings_->writeString("Desktop", "AttachForm", "40,50,,,0");
    attach_->Load(*settings_);
    QVERIFY(Control<QCheckBox>("AutoDetachCheck")->isChecked());
    QVERIFY(!Control<QCheckBox>("UpdateClockCheck")->isChecked());
    QCOMPARE(attach_->Form().pos(), QPoint(50, 40));

    Control<QCheckBox>("AutoDetachCheck")->setChecked(false);
    attach_->List().Remove(attach_->List().RowOf("Line RO"));
    attach_->Save(*settings_);
    QVERIFY(!settings_->readBool("Preferences", "Auto Detach", true));
    QCOMPARE(settings_->readString("Preferences", "Broadcast Address"), QString("255.255.255.255"));
    QCOMPARE(settings_->valueNames("Imagers"), QStringList({ "Net HG", "Processor" }));
    QVERIFY(settings_->readString("Desktop", "AttachForm").startsWith("40,50,"));
}

void AttachFormTest::findSelectsTheImagersThatAnswered()
{
    TImagerLinks links;
    QString searched_port;
    links.find = [&](const TAttacher& scratch, const std::function<void(const HGFoundImager&)>& found) {
        searched_port = scratch.PortText();
        found({ 1, 0, "", "Kodak HG 2000" });
        found({ 2, 0, "", "Kodak HG 2000" });
        return 2;
    };
    attach_->SetLinks(links);
    OnNextModal([](QWidget& modal) {
        QCOMPARE(modal.windowTitle(), QString("Find Imagers"));
        auto* type = modal.findChild<QComboBox*>("TypeCombo");
        auto* interface_combo = modal.findChild<QComboBox*>("InterfaceCombo");
        QCOMPARE(interface_combo->count(), 3);
        type->setCurrentIndex(type->findText("NI-IMAQ"));
        QVERIFY(!interface_combo->isEnabled());
        QVERIFY(!modal.findChild<QComboBox*>("BaudRateCombo")->isEnabled());
        type->setCurrentIndex(type->findText("Kodak HG 2000"));
        QVERIFY(interface_combo->isEnabled());
        interface_combo->setCurrentIndex(interface_combo->findText("Direct to ttyUSB0"));
        modal.findChild<QPushButton*>("FindNowBtn")->click();
    });
    Control<QPushButton>("FindBtn")->click();
    QCOMPARE(searched_port, QString("Direct to ttyUSB0"));
    // Identifier 2 is the HG 2000 listed already: on a serial line the address does not count.
    QCOMPARE(ListedNames(), QStringList({ "Kodak HG 2000 #1", "Line RO", "Net HG", "Processor" }));
    QStringList selected;
    for (const QListWidgetItem* item : List()->selectedItems())
        selected << item->text();
    selected.sort();
    QCOMPARE(selected, QStringList({ "Kodak HG 2000 #1", "Net HG" }));
    QCOMPARE(prompt_.texts(), QStringList({ "2 Imager(s) Found on Direct to ttyUSB0" }));
    // An HG imager found on a serial line can be set up there but not attached.
    QVERIFY(Control<QPushButton>("AttachBtn")->isEnabled());
    SelectOnly("Kodak HG 2000 #1");
    QVERIFY(Control<QPushButton>("SetupBtn")->isEnabled());
    QVERIFY(!Control<QPushButton>("AttachBtn")->isEnabled());
}

void AttachFormTest::attachOpensTheDownloadOfEachChosenHGEntry()
{
    TImagerLinks links;
    QStringList linked;
    links.open = [&](const TAttacher& entry, std::function<void(bool)> attached_changed) {
        linked << entry.name;
        attached_changed(true);
        return std::unique_ptr<THGCommLayer>();
    };
    links.find = [](const TAttacher&, const std::function<void(const HGFoundImager&)>&) { return 0; };
    attach_->SetLinks(links);
    OnNextModal([this](QWidget&) {
        List()->clearSelection();
        for (const char* name : { "Net HG", "Processor", "Line RO" })
            List()->findItems(name, Qt::MatchExactly).front()->setSelected(true);
        Control<QPushButton>("AttachBtn")->click();
    });
    QStringList opened;
    attach_->Run([&](const TAttacher& entry, std::unique_ptr<THGCommLayer>) {
        opened << entry.DownloadTitle();
        QVERIFY(attach_->WaitingForm().isVisible());
        QCOMPARE(attach_->WaitingForm().windowTitle(), QString("Attaching to Imager"));
        QCOMPARE(attach_->WaitingForm().Text(),
            QString("Checking for Net HG - Kodak HG 2000 on Ethernet at IP 10.0.0.2"));
    });
    QCOMPARE(linked, QStringList({ "Net HG" }));
    QCOMPARE(opened, QStringList({ "(Kodak HG 2000) Net HG" }));
    QCOMPARE(prompt_.texts(), QStringList({ "This version cannot attach Kodak EM 1012 imagers yet." }));
    QVERIFY(!attach_->WaitingForm().isVisible());
    QVERIFY(attach_->List().Entry(attach_->List().RowOf("Net HG")).attached);

    // An attached entry shows so, and is not attached again.
    OnNextModal([this](QWidget&) {
        SelectOnly("Net HG");
        QVERIFY(!Control<QLabel>("AttachedLabel")->isHidden());
        Control<QPushButton>("AttachBtn")->click();
    });
    attach_->Run([&](const TAttacher& entry, std::unique_ptr<THGCommLayer>) { opened << entry.name; });
    QCOMPARE(opened.size(), 1);
}

QTEST_MAIN(AttachFormTest)
#include "attach_form_test.moc"
