#include "imagers/forms/advanced_form.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "imagers/hg/hg_comm_layer.h"
#include "support/log.h"
#include "support/user_prompt.h"

namespace fw {

TAdvancedForm::TAdvancedForm(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AdvancedForm"));
    setWindowTitle(QStringLiteral("Advanced Imager Communications"));
    command_box_ = new QComboBox(this);
    command_box_->setObjectName(QStringLiteral("CommandCB"));
    command_box_->setEditable(true);
    command_box_->setInsertPolicy(QComboBox::NoInsert);
    command_box_->setEditText(QStringLiteral("STP"));
    auto* send = new QPushButton(QStringLiteral("Send"), this);
    send->setObjectName(QStringLiteral("SendBtn"));
    send->setDefault(true);
    auto* clear = new QPushButton(QStringLiteral("Clear Buffer"), this);
    clear->setObjectName(QStringLiteral("ClearBtn"));
    responses_ = new QPlainTextEdit(this);
    responses_->setObjectName(QStringLiteral("ResponseMemo"));
    responses_->setReadOnly(true);
    responses_->setMinimumSize(360, 200);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Command"), this), 0, 0);
    grid->addWidget(command_box_, 0, 1);
    grid->addWidget(send, 0, 2);
    grid->addWidget(clear, 0, 3);
    grid->addWidget(responses_, 1, 0, 1, 4);
    connect(send, &QPushButton::clicked, this, &TAdvancedForm::Send);
    connect(clear, &QPushButton::clicked, this, &TAdvancedForm::ClearResponses);
}

void TAdvancedForm::Send()
{
    const QString text = command_box_->currentText();
    if (text.isEmpty() || !link_)
        return;
    if (command_box_->findText(text) != 0) {
        command_box_->removeItem(command_box_->findText(text));
        command_box_->insertItem(0, text);
        command_box_->setCurrentIndex(0);
    }
    try {
        link_->SendRaw(text, [this](const QString& line) { responses_->appendPlainText(line); });
    } catch (const Error& busy) {
        qCInfo(lcImagers) << "raw command" << text << "not sent:" << busy.message();
        showError(busy.message());
    }
}

void TAdvancedForm::ClearResponses()
{
    responses_->clear();
}

} // namespace fw
