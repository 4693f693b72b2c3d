#include "shell/forms/spin_buttons.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace fw {

namespace {

QToolButton* makeArrow(QWidget* parent, Qt::ArrowType arrow, const char* name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFixedSize(18, 12);
    return button;
}

} // namespace

SpinButtons::SpinButtons(QWidget* parent)
    : QWidget(parent)
    , up_(makeArrow(this, Qt::UpArrow, "Up"))
    , down_(makeArrow(this, Qt::DownArrow, "Down"))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    connect(up_, &QToolButton::clicked, this, [this] { emit stepped(1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
}

} // namespace fw
