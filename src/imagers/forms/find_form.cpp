#include "imagers/forms/find_form.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "imagers/hg/shared_driver.h"
#include "imagers/imager_list.h"
#include "imagers/port_list.h"

namespace fw {

namespace {

// The kinds a find can look for: the HG/RO family and the frame grabber.
constexpr int kFindKinds[] = { ikRO, ikHG2000, ikIMAQ, ikCR2000, ikHG2000TX };

} // namespace

TFindForm::TFindForm(TImagerList& list, TImagerSearch search, QWidget* parent)
    : QDialog(parent)
    , list_(list)
    , search_(std::move(search))
{
    setObjectName(QStringLiteral("FindForm"));
    setWindowTitle(QStringLiteral("Find Imagers"));
    type_combo_ = new QComboBox(this);
    type_combo_->setObjectName(QStringLiteral("TypeCombo"));
    for (int kind : kFindKinds)
        type_combo_->addItem(ImagerKindName(kind), kind);
    interface_combo_ = new QComboBox(this);
    interface_combo_->setObjectName(QStringLiteral("InterfaceCombo"));
    for (const TSharedDriver* port : list.Ports().SearchPorts())
        interface_combo_->addItem(port->PortName());
    baud_combo_ = new QComboBox(this);
    baud_combo_->setObjectName(QStringLiteral("BaudRateCombo"));
    for (int rate : kImagerBaudRates)
        baud_combo_->addItem(QString::number(rate), rate);
    auto* find_button = new QPushButton(QStringLiteral("Find Now"), this);
    find_button->setObjectName(QStringLiteral("FindNowBtn"));
    find_button->setDefault(true);
    auto* cancel_button = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_button->setObjectName(QStringLiteral("CancelBtn"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Type"), type_combo_);
    fields->addRow(QStringLiteral("Interface"), interface_combo_);
    fields->addRow(QStringLiteral("Baud Rate"), baud_combo_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(find_button);
    buttons->addWidget(cancel_button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(type_combo_, &QComboBox::currentIndexChanged, this, &TFindForm::TypeComboChange);
    connect(find_button, &QPushButton::clicked, this, &TFindForm::FindNowBtnClick);
    connect(cancel_button, &QPushButton::clicked, this, &QDialog::reject);
    TypeComboChange();
}

TFindRequest TFindForm::Request() const
{
    TFindRequest request;
    request.kind = type_combo_->currentData().toInt();
    request.port = list_.Ports().Find(interface_combo_->currentText());
    request.baud_rate = baud_combo_->currentData().toInt();
    return request;
}

void TFindForm::TypeComboChange()
{
    const bool imaq = type_combo_->currentData().toInt() == ikIMAQ;
    interface_combo_->setEnabled(!imaq);
    baud_combo_->setEnabled(!imaq);
}

void TFindForm::FindNowBtnClick()
{
    if (RunImagerFind(list_, Request(), search_, found_listed_) == FindOutcome::Searched)
        accept();
}

} // namespace fw
