#pragma once

#include <QString>

class QComboBox;
class QLineEdit;
class QWidget;

namespace fw {

struct UnitEntry;

// Controls the Quick Measure pages share.

// A list of units `first` .. `first + count - 1` of a table, each carrying its index.
QComboBox* UnitBox(QWidget* parent, const char* name, int first, int count, const UnitEntry& (*table)(int));
// Selects the entry carrying a value, or the first.
void SelectData(QComboBox* box, int value);
// An edit for a number written with a decimal point, whatever the locale.
QLineEdit* NumberEdit(QWidget* parent, const char* name);
// The number in such an edit; 0 when it holds none.
double NumberIn(const QLineEdit* edit);
QString GeneralText(double value, int digits = 6);

} // namespace fw
