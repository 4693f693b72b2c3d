#include "measure/forms/qm_controls.h"

#include <cmath>

#include <QComboBox>
#include <QDoubleValidator>
#include <QLineEdit>

#include "measure/measure_units.h"

namespace fw {

QComboBox* UnitBox(QWidget* parent, const char* name, int first, int count, const UnitEntry& (*table)(int))
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (int i = first; i < first + count; ++i)
        box->addItem(QString::fromUtf8(table(i).name), i);
    return box;
}

void SelectData(QComboBox* box, int value)
{
    const int index = box->findData(value);
    box->setCurrentIndex(index >= 0 ? index : 0);
}

QLineEdit* NumberEdit(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    auto* validator = new QDoubleValidator(edit);
    validator->setLocale(QLocale::c());
    edit->setValidator(validator);
    return edit;
}

double NumberIn(const QLineEdit* edit)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(edit->text().trimmed(), &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

QString GeneralText(double value, int digits)
{
    return QString::number(value, 'g', digits);
}

} // namespace fw
