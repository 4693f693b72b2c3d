#pragma once

#include <functional>

#include <QString>
#include <QStringList>

class QWidget;

namespace fw {

class SettingsStore;
class TChildForm;

// A signal graph window as the clip windows and the main window drive it. The graphing library
// sits above the shell, so the shell reaches its windows only through this interface and the
// factory the program installs.
class SignalGraphWindow {
public:
    virtual ~SignalGraphWindow() = default;

    virtual QWidget* Window() = 0;
    // Follows a clip window's time, or none.
    virtual void Follow(TChildForm* display) = 0;
    virtual TChildForm* Followed() const = 0;
    // Loads the files into the signal choice, lets the user choose and plots; false when the
    // user cancels.
    virtual bool ChooseAndPlot(const QStringList& file_names) = 0;
    // The followed window's video time moved.
    virtual void VideoTimeChanged(double time_ms) = 0;
    // Whether a chart is shown (a closed window keeps no chart).
    virtual bool HasSignals() const = 0;
};

// Makes a signal graph window owned by parent, following display (or none), with its settings
// in the store (which may be null).
using SignalGraphFactory
    = std::function<SignalGraphWindow*(QWidget* parent, TChildForm* display, SettingsStore* settings)>;

void SetSignalGraphFactory(SignalGraphFactory factory);
bool SignalGraphAvailable();
// Null when no factory is installed.
SignalGraphWindow* CreateSignalGraph(QWidget* parent, TChildForm* display, SettingsStore* settings);

} // namespace fw
