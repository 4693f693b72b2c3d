#pragma once

#include <vector>

#include <QColor>
#include <QObject>
#include <QString>

#include "signals/graph_layout.h"

namespace fw {

// One signal held in memory, ready to plot.
struct MemorySignal {
    QString name;
    QString y_label;
    // Invalid: the chart's colour for the signal's position.
    QColor colour;
    // Signals of one group share a plot area and its axis.
    int group = 0;
    SampleTimes times;
    // One value per sample time; NaN where there is none (a gap).
    std::vector<double> values;
};

// Signals the program makes itself instead of reading them from files, and that change while
// they are plotted. A graph reads them whenever `changed` is emitted; many changes in a row may
// be read once.
class SignalSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // What the signals are, for the graph's caption ("Measured Data").
    virtual QString Name() const = 0;
    virtual std::vector<MemorySignal> Signals() const = 0;

signals:
    void changed();
};

} // namespace fw
