#pragma once

#include <QWidget>

#include "imagers/forms/named_controls.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace fw {

class THGSetupSession;

// One page of the setup window. The window tells it when it is entered and left, when the
// imager's state changes and when the recording's frames may have changed.
class THGSetupPage : public QWidget {
    Q_OBJECT
public:
    THGSetupPage(THGSetupSession& session, const char* object_name, QWidget* parent);

    virtual void Enter() { }
    virtual void Leave() { }
    virtual void StateChanged(int /*state*/) { }
    virtual void FrameListsChanged(const QStringList& /*frames*/) { }

protected:
    THGSetupSession& session_;
};

} // namespace fw
