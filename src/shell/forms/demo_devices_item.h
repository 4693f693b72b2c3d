#pragma once

#include <functional>

#include <QString>

class QAction;

namespace fw {

// The demo devices command. The program installs it, the devices being built above the shell;
// "Demo Devices" is enabled once it is.
struct DemoDevicesCommand {
    // Starts the devices and answers what the user is told; throws fw::Error with the reason.
    std::function<QString()> start;
    // Stops them; throws fw::Error when they must keep running.
    std::function<void()> stop;
};

// "Tools | Demo Devices" was chosen: the item's check state says whether the devices are to run.
// Starting tells the user what runs; a failure to start or to stop is shown, and the item's
// check goes back to what runs.
void ToggleDemoDevices(QAction& item, const DemoDevicesCommand& command);

} // namespace fw
