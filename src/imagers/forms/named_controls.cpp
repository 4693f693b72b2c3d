#include "imagers/forms/named_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace fw {

QPushButton* MakeNamedButton(QWidget* parent, const char* name, const QString& caption, const QString& hint)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    return button;
}

QCheckBox* MakeNamedCheck(QWidget* parent, const char* name, const QString& caption, const QString& hint)
{
    auto* check = new QCheckBox(caption, parent);
    check->setObjectName(QLatin1String(name));
    check->setToolTip(hint);
    return check;
}

QComboBox* MakeNamedList(QWidget* parent, const char* name, const QStringList& items, const QString& hint)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->addItems(items);
    list->setToolTip(hint);
    return list;
}

QSpinBox* MakeNamedNumber(QWidget* parent, const char* name, int minimum, int maximum, const QString& hint)
{
    auto* number = new QSpinBox(parent);
    number->setObjectName(QLatin1String(name));
    number->setRange(minimum, maximum);
    number->setToolTip(hint);
    number->setKeyboardTracking(false);
    return number;
}

void ShowIndex(QComboBox* list, int index)
{
    const QSignalBlocker block(list);
    list->setCurrentIndex(index);
}

void ShowChecked(QCheckBox* check, bool checked)
{
    const QSignalBlocker block(check);
    check->setChecked(checked);
}

void ShowNumber(QSpinBox* number, int value)
{
    const QSignalBlocker block(number);
    number->setValue(value);
}

} // namespace fw
