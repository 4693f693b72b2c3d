#pragma once

#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;
class QWidget;

namespace fw {

// Controls made the way the imager windows make them: named for the tests and the window
// placement, with their hint.
QPushButton* MakeNamedButton(
    QWidget* parent, const char* name, const QString& caption, const QString& hint = {});
QCheckBox* MakeNamedCheck(
    QWidget* parent, const char* name, const QString& caption, const QString& hint = {});
QComboBox* MakeNamedList(
    QWidget* parent, const char* name, const QStringList& items, const QString& hint = {});
// A number written when it is left, not at each key.
QSpinBox* MakeNamedNumber(
    QWidget* parent, const char* name, int minimum, int maximum, const QString& hint = {});

// Shows a value without telling the control's handlers.
void ShowIndex(QComboBox* list, int index);
void ShowChecked(QCheckBox* check, bool checked);
void ShowNumber(QSpinBox* number, int value);

} // namespace fw
