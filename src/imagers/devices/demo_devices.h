#pragma once

#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

#include "imagers/devices/environment_override.h"
#include "imagers/devices/sim_process.h"

namespace fw {

class TDeviceLibraries;
class TImagerList;
class TPortList;
struct TAttacher;
struct TDemoFiles;

// What runs of the demo devices, by the names of their entries in the imager list.
struct TDemoSummary {
    QStringList imagers; // HG/RO imagers of the imager simulator
    QStringList processors; // EM 1012 / HS 4540 processors of the GPIB simulator
    QStringList grabbers; // the frame-grabber simulator's grabber
    QStringList not_running; // one sentence for each part that could not run, with the reason
};

// The text the user is told once the demo devices run.
QString DemoDevicesText(const TDemoSummary& summary);

// Simulated devices on this computer for trying the imager windows without hardware: two imagers
// of the imager simulator on loopback addresses, the GPIB simulator's processors and the
// frame-grabber simulator's colour grabber. While they run, this process's environment names the
// simulated libraries and the simulator's imager port, the port list shows their GPIB ports and
// interfaces, and the imager list holds a transient entry for each device. Stopping puts all of
// it back; so does the end of this object.
class TDemoDevices {
public:
    // The simulators are looked for beside a program in program_dir.
    TDemoDevices(TImagerList& list, TPortList& ports, TDeviceLibraries& libraries, QString program_dir);
    ~TDemoDevices();
    TDemoDevices(const TDemoDevices&) = delete;
    TDemoDevices& operator=(const TDemoDevices&) = delete;

    // Starts them and answers what the user is told. Throws fw::Error with the reason, and
    // leaves nothing running, when the imager simulator cannot run.
    QString Start();
    // Stops them. Throws fw::Error, leaving them running, while a demo imager is attached: its
    // download window would lose the imager under it.
    void Stop();
    bool Running() const { return running_; }

    // The demo entries still in the imager list.
    std::vector<std::shared_ptr<TAttacher>> Entries() const;
    quint16 ImagerPort() const { return imager_port_; }
    qint64 SimulatorProcessId() const { return simulator_.ProcessId(); }

private:
    void StartSimulator(const QString& program);
    void SetLibraries(const TDemoFiles& files, TDemoSummary& summary);
    void AddEntries(TDemoSummary& summary);
    QString AddEntry(const QString& name, int kind, const QString& address_fields);
    // Stops whatever is attached. The ports are listed anew unless the program is ending.
    void Shutdown(bool relist_ports);

    TImagerList& list_;
    TPortList& ports_;
    TDeviceLibraries& libraries_;
    QString program_dir_;
    TSimProcess simulator_;
    TEnvironmentOverride environment_;
    std::vector<std::weak_ptr<TAttacher>> entries_;
    quint16 imager_port_ = 0;
    bool gpib_simulated_ = false;
    bool imaq_simulated_ = false;
    bool running_ = false;
};

} // namespace fw
