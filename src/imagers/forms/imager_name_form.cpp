#include "imagers/forms/imager_name_form.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "imagers/imager_list.h"
#include "support/user_prompt.h"

namespace fw {

TImagerNameForm::TImagerNameForm(const TImagerList& list, const QString& caption, QWidget* parent)
    : QDialog(parent)
    , list_(list)
{
    setObjectName(QStringLiteral("ImagerNameForm"));
    setWindowTitle(caption);
    auto* label = new QLabel(QStringLiteral("Enter New Imager Name"), this);
    label->setObjectName(QStringLiteral("NameLabel"));
    name_edit_ = new QLineEdit(this);
    name_edit_->setObjectName(QStringLiteral("NameEdit"));
    name_edit_->setMinimumWidth(260);
    label->setBuddy(name_edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TImagerNameForm::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TImagerNameForm::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(name_edit_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::optional<QString> TImagerNameForm::Ask(const TImagerList& list, const QString& caption, QWidget* parent)
{
    TImagerNameForm form(list, caption, parent);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.Name();
}

QString TImagerNameForm::Name() const
{
    return name_edit_->text().trimmed();
}

void TImagerNameForm::accept()
{
    const QString name = Name();
    if (name.isEmpty()) {
        name_edit_->setFocus();
        return;
    }
    if (const QString taken = list_.NameTakenText(name); !taken.isEmpty()) {
        showError(taken);
        name_edit_->selectAll();
        name_edit_->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace fw
