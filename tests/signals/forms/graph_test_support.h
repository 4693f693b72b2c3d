#pragma once

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTextStream>

#include <cmath>
#include <functional>

#include "signals/forms/sig_select_dlg.h"
#include "signals/signal_file.h"

namespace fw::test {

// A signal file with a time column in ms (first column) under a two-word header, so it opens
// without questions at 1000 ÷ step_ms Hz.
inline bool writeSignalFile(const QString& path, int count, double step_ms,
    const std::function<double(int)>& value, double first_ms = 0.0)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << "Time Force\n";
    for (int k = 0; k < count; ++k)
        out << QString::number(first_ms + k * step_ms, 'f', 3) << ' ' << QString::number(value(k), 'g', 10)
            << '\n';
    return true;
}

// Values that are never evenly spaced, so the value column is never taken for time.
inline double wavy(int k)
{
    return 10.0 + std::sin(k * 0.37) * 5.0 + (k % 3) * 0.25;
}

// Takes every proposal as it is; a file without timing gets 1000 Hz.
inline void acceptSignalProposals()
{
    SetSigInfoAsker([](SigInfo& info) {
        if (!(info.frequency_hz > 0.0))
            info.frequency_hz = 1000.0;
        return true;
    });
}

inline QPushButton* button(const QWidget& parent, const char* name)
{
    return parent.findChild<QPushButton*>(QLatin1String(name));
}

inline QListWidget* list(const QWidget& parent, const char* name)
{
    return parent.findChild<QListWidget*>(QLatin1String(name));
}

inline QStringList names(const QListWidget* widget)
{
    QStringList out;
    for (int row = 0; row < widget->count(); ++row)
        out << widget->item(row)->text();
    return out;
}

// Moves the first source signal to a target list, count times, so the order stays the same.
inline void moveInOrder(TSigSelectDlg& dialog, const char* move_button, int count)
{
    for (int i = 0; i < count; ++i) {
        QListWidget* source = list(dialog, "SrcList");
        source->clearSelection();
        source->item(0)->setSelected(true);
        button(dialog, move_button)->click();
    }
}

} // namespace fw::test
