#pragma once

#include <QFrame>

namespace fw {

// The note the main window shows while no clip is open, until the user turns it off: where the
// sample clips and the manual are, and how to try the acquisition windows without hardware.
class TFirstStartNote : public QFrame {
    Q_OBJECT
public:
    explicit TFirstStartNote(QWidget* parent = nullptr);

signals:
    void openSamplesRequested();
    void manualRequested();
    // "Don't Show Again": the note stays hidden from now on.
    void turnedOff();
};

} // namespace fw
