#include "imagers/forms/hg_form_identification.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "imagers/attacher.h"
#include "imagers/forms/advanced_form.h"
#include "imagers/forms/hg_form_session.h"
#include "imagers/hg/hg_identifier_change.h"
#include "imagers/hg/hg_setup_values.h"
#include "support/user_prompt.h"

namespace fw {

namespace {

QLineEdit* MakeAddressEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    // Four fields of up to three digits; blanks stand for places not typed.
    edit->setInputMask(QStringLiteral("000.000.000.000; "));
    return edit;
}

QString WithoutBlanks(QString text)
{
    return text.remove(QLatin1Char(' '));
}

} // namespace

THGIdentificationPage::THGIdentificationPage(THGSetupSession& session, QWidget* parent)
    : THGSetupPage(session, "IdentificationPage", parent)
{
    auto* group = new QGroupBox(QStringLiteral("Imager Identification"), this);
    type_label_ = new QLabel(group);
    type_label_->setObjectName(QStringLiteral("TypeLabel"));
    firmware_label_ = new QLabel(group);
    firmware_label_->setObjectName(QStringLiteral("FirmwareLabel"));
    number_edit_ = MakeNamedNumber(group, "ImagerNumberEdit", 0, 999);
    QStringList rates;
    for (int rate : kImagerBaudRates)
        rates << QString::number(rate);
    baud_list_ = MakeNamedList(group, "BaudRateCB", rates);
    ip_edit_ = MakeAddressEdit(group, "IPAddressEdit");
    mask_edit_ = MakeAddressEdit(group, "SubnetMaskEdit");
    auto* advanced = MakeNamedButton(group, "AdvancedBtn", QStringLiteral("Advanced..."));

    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Imager Type"), type_label_);
    form->addRow(QStringLiteral("Firmware Ver."), firmware_label_);
    form->addRow(QStringLiteral("Imager Number"), number_edit_);
    form->addRow(QStringLiteral("RS-485 Baud Rate"), baud_list_);
    form->addRow(QStringLiteral("Ethernet IP Address"), ip_edit_);
    form->addRow(QStringLiteral("Subnet Mask"), mask_edit_);
    form->addRow(advanced);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(number_edit_, &QSpinBox::editingFinished, this, &THGIdentificationPage::ImagerNumberExit);
    connect(baud_list_, &QComboBox::activated, this, &THGIdentificationPage::BaudRateChange);
    connect(ip_edit_, &QLineEdit::editingFinished, this, &THGIdentificationPage::IPAddressExit);
    connect(mask_edit_, &QLineEdit::editingFinished, this, &THGIdentificationPage::SubnetMaskExit);
    connect(advanced, &QPushButton::clicked, this, &THGIdentificationPage::AdvancedBtnClick);
}

void THGIdentificationPage::Enter()
{
    type_label_->setText(session_.Link().KindName());
    firmware_label_->setText(session_.Link().FirmwareText());
    session_.Guarded([this] {
        ShowIdentifier();
        ShowBaudRate();
        shown_ip_ = session_.Link().GetIPText();
        ip_edit_->setText(shown_ip_);
        shown_mask_ = session_.Link().GetNetMaskText();
        mask_edit_->setText(shown_mask_);
    });
}

void THGIdentificationPage::ShowIdentifier()
{
    ShowNumber(number_edit_, session_.Read(hgcmd::kIdentifier));
}

void THGIdentificationPage::ShowBaudRate()
{
    const int32_t index = session_.Read(hgcmd::kBaudRate);
    ShowIndex(baud_list_, index >= 0 && index < baud_list_->count() ? int(index) : -1);
}

void THGIdentificationPage::ImagerNumberExit()
{
    if (number_edit_->value() == session_.Link().Identifier())
        return;
    session_.Guarded([this] {
        const int wanted = CapRegisterByte(number_edit_->value());
        switch (ChangeHGIdentifier(session_.Link(), wanted)) {
        case HGIdentifierChange::Taken:
            showError(HGIdentifierTakenText(wanted, session_.InterfaceName()));
            break;
        case HGIdentifierChange::Changed:
            if (TAttacher* entry = session_.Entry())
                entry->identifier = wanted;
            session_.NoteEntryChanged();
            break;
        case HGIdentifierChange::Unchanged:
        case HGIdentifierChange::Failed:
            break;
        }
        ShowIdentifier();
    });
}

void THGIdentificationPage::BaudRateChange()
{
    session_.Guarded([this] {
        const int index = baud_list_->currentIndex();
        switch (session_.Link().SetBaudIndex(index)) {
        case 0:
            if (TAttacher* entry = session_.Entry())
                entry->baud_rate = kImagerBaudRates.at(size_t(index));
            session_.NoteEntryChanged();
            break;
        case 1:
            showError(QStringLiteral("Cannot change Baud Rate while other Imagers are Attached"));
            break;
        default:
            showError(QStringLiteral("Baud Rate Beyond Hardware Capabilities"));
            break;
        }
        ShowBaudRate();
    });
}

void THGIdentificationPage::IPAddressExit()
{
    const QString address = WithoutBlanks(ip_edit_->text());
    if (address == shown_ip_)
        return;
    session_.Guarded([this, address] {
        session_.Link().SetIPText(address);
        if (!session_.Link().WaitIdle() || session_.Link().LastError() != hgresult::kSuccess)
            return;
        shown_ip_ = address;
        if (TAttacher* entry = session_.Entry())
            entry->ip_address = address;
        session_.NoteEntryChanged();
    });
}

void THGIdentificationPage::SubnetMaskExit()
{
    const QString mask = WithoutBlanks(mask_edit_->text());
    if (mask == shown_mask_)
        return;
    session_.Guarded([this, mask] {
        session_.Link().SetNetMaskText(mask);
        if (session_.Link().WaitIdle() && session_.Link().LastError() == hgresult::kSuccess)
            session_.NoteEntryChanged();
        shown_mask_ = session_.Link().GetNetMaskText();
        mask_edit_->setText(shown_mask_);
    });
}

void THGIdentificationPage::AdvancedBtnClick()
{
    TAdvancedForm advanced(this);
    advanced.SetLink(&session_.Link());
    advanced.exec();
}

} // namespace fw
