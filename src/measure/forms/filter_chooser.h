#pragma once

#include <QWidget>

#include "measure/filter_choice.h"

class QComboBox;
class QLineEdit;

namespace fw {

// Chooses a filter: a list of the filters and, for the Butterworth low-pass, its cut-off in Hz.
// The controls are named `prefix` + "FilterCB" and `prefix` + "CutoffEN".
class FilterChooser : public QWidget {
    Q_OBJECT
public:
    FilterChooser(const QString& prefix, QWidget* parent = nullptr);

    FilterChoice Choice() const;
    // Shows a choice without signalling a change.
    void SetChoice(const FilterChoice& choice);

signals:
    // The user chose another filter or cut-off.
    void Changed();

private:
    void KindChosen();

    QComboBox* kinds_ = nullptr;
    QLineEdit* cutoff_ = nullptr;
    bool filling_ = false;
};

} // namespace fw
