#include "imagers/devices/demo_devices.h"

#include <algorithm>

#include <QFileInfo>
#include <QUdpSocket>

#include "imagers/attacher.h"
#include "imagers/devices/demo_files.h"
#include "imagers/devices/device_libraries.h"
#include "imagers/imager_list.h"
#include "imagers/port_list.h"
#include "support/fw_error.h"
#include "support/log.h"

namespace fw {

namespace {

// Two imagers as the simulator takes them (ADDRESS:TYPE:ID[:mono]) with their entries' fields.
struct DemoImager {
    const char* name;
    int kind;
    const char* address;
    int identifier;
    const char* simulator_spec;
};
constexpr DemoImager kDemoImagers[] {
    { "Demo HG 2000", ikHG2000, "127.0.0.21", 1, "127.0.0.21:4:1" },
    { "Demo RO", ikRO, "127.0.0.22", 2, "127.0.0.22:2:2:mono" },
};
// Frames before the trigger as well as after it, as a triggered recording holds them.
constexpr int kFirstFrame = -20;
// Tries with a fresh port when the simulator cannot bind the one it was given.
constexpr int kPortAttempts = 3;
constexpr int kBindFailureExit = 1;
// The grabber simulator delivers every frame at once unless paced; a camera's pace spares the
// processor and makes the live picture look like one.
constexpr const char* kGrabberFramesPerSecond = "30";

quint16 FreeUdpPort()
{
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::LocalHost, 0))
        throw Error(QStringLiteral("No free UDP port for the imager simulator: ") + socket.errorString());
    return socket.localPort();
}

QString Counted(qsizetype count, const QString& singular, const QString& plural)
{
    static const char* const kNumbers[] { "no", "a", "two", "three", "four" };
    const QString number = count < 5 ? QLatin1String(kNumbers[count]) : QString::number(count);
    return number + QLatin1Char(' ') + (count == 1 ? singular : plural);
}

QString Joined(const QStringList& parts)
{
    if (parts.size() < 2)
        return parts.join(QString());
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + parts.last();
}

} // namespace

QString DemoDevicesText(const TDemoSummary& summary)
{
    QStringList parts;
    auto add = [&parts](const QStringList& names, const char* singular, const char* plural) {
        if (!names.isEmpty())
            parts << Counted(names.size(), QLatin1String(singular), QLatin1String(plural))
                    + QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QLatin1Char(')');
    };
    add(summary.imagers, "simulated imager on this computer", "simulated imagers on this computer");
    add(summary.processors, "simulated GPIB processor", "simulated GPIB processors");
    add(summary.grabbers, "simulated frame grabber", "simulated frame grabbers");
    QString text = QStringLiteral("Demo devices are running: ") + Joined(parts) + QLatin1Char('.');
    for (const QString& sentence : summary.not_running)
        text += QLatin1Char(' ') + sentence;
    return text
        + QStringLiteral(
            " Choose File > Attach Imager... to attach them. They stop when you choose Tools > Demo "
            "Devices again or close Framewright; the demo entries are not kept.");
}

TDemoDevices::TDemoDevices(
    TImagerList& list, TPortList& ports, TDeviceLibraries& libraries, QString program_dir)
    : list_(list)
    , ports_(ports)
    , libraries_(libraries)
    , program_dir_(std::move(program_dir))
{
}

TDemoDevices::~TDemoDevices()
{
    Shutdown(false);
}

QString TDemoDevices::Start()
{
    if (running_)
        throw Error(QStringLiteral("The demo devices are running already."));
    const TDemoFiles files = TDemoFiles::Find(program_dir_);
    try {
        StartSimulator(files.simulator);
    } catch (const Error&) {
        environment_.Restore();
        throw;
    }
    running_ = true;
    TDemoSummary summary;
    SetLibraries(files, summary);
    libraries_.Relist(ports_, list_);
    AddEntries(summary);
    const QString text = DemoDevicesText(summary);
    qCInfo(lcImagers).noquote() << text;
    return text;
}

void TDemoDevices::StartSimulator(const QString& program)
{
    if (!QFileInfo(program).isFile())
        throw Error(QStringLiteral("The imager simulator was not found: there is no %1.").arg(program));
    QStringList arguments;
    for (const DemoImager& imager : kDemoImagers)
        arguments << QStringLiteral("--udp") << QLatin1String(imager.simulator_spec);
    arguments << QStringLiteral("--first") << QString::number(kFirstFrame);
    for (int attempt = 1;; ++attempt) {
        imager_port_ = FreeUdpPort();
        // The imager links read the port when they are made; the simulator is told it too.
        environment_.Set("FRAMEWRIGHT_IMAGER_PORT", QByteArray::number(imager_port_));
        try {
            simulator_.Start(
                program, arguments + QStringList { QStringLiteral("--port"), QString::number(imager_port_) });
            return;
        } catch (const Error&) {
            if (attempt == kPortAttempts || simulator_.LastExitCode() != kBindFailureExit)
                throw;
        }
    }
}

void TDemoDevices::SetLibraries(const TDemoFiles& files, TDemoSummary& summary)
{
    gpib_simulated_ = !files.gpib_library.isEmpty();
    imaq_simulated_ = !files.imaq_library.isEmpty();
    if (gpib_simulated_)
        environment_.Set("FRAMEWRIGHT_GPIB_LIBRARY", files.gpib_library.toLocal8Bit());
    else
        summary.not_running << QStringLiteral(
            "No GPIB processor is simulated: libfw-gpib-sim.so was not found.");
    if (imaq_simulated_) {
        environment_.Set("FRAMEWRIGHT_IMAQ_LIBRARY", files.imaq_library.toLocal8Bit());
        environment_.SetUnlessSet("FW_IMAQ_SIM_FPS", kGrabberFramesPerSecond);
    } else {
        summary.not_running << QStringLiteral(
            "No frame grabber is simulated: libfw-imaq-sim.so was not found.");
    }
    for (const QString& sentence : summary.not_running)
        qCWarning(lcImagers).noquote() << "Demo devices:" << sentence;
}

void TDemoDevices::AddEntries(TDemoSummary& summary)
{
    for (const DemoImager& imager : kDemoImagers) {
        const QString fields
            = QStringLiteral("Ethernet;%1;%2;").arg(QLatin1String(imager.address)).arg(imager.identifier);
        summary.imagers << AddEntry(QLatin1String(imager.name), imager.kind, fields);
    }
    if (gpib_simulated_) {
        const struct {
            const char* name;
            int kind;
        } processors[] { { "Demo EM 1012", ikEM1012 }, { "Demo HS 4540", ikHS4540 } };
        for (const auto& processor : processors) {
            TAttacher probe;
            probe.kind = processor.kind;
            probe.port_name = QStringLiteral("GPIB0");
            // The simulator's processors may have been moved or switched off by its settings.
            if (libraries_.GpibDeviceAnswers(probe.GpibAddress()))
                summary.processors << AddEntry(
                    QLatin1String(processor.name), processor.kind, QStringLiteral("GPIB0;;;"));
            else
                qCWarning(lcImagers).noquote() << "Demo devices: nothing answers at" << probe.GpibAddress();
        }
    }
    const std::vector<QString>& interfaces = ports_.ImaqInterfaces();
    if (imaq_simulated_
        && std::find(interfaces.begin(), interfaces.end(), QStringLiteral("img0")) != interfaces.end())
        summary.grabbers << AddEntry(QStringLiteral("Demo Frame Grabber"), ikIMAQ, QStringLiteral("img0;;;"));
}

QString TDemoDevices::AddEntry(const QString& name, int kind, const QString& address_fields)
{
    const int row = list_.Add(name, ImagerKindName(kind) + QLatin1Char(';') + address_fields);
    const std::shared_ptr<TAttacher> entry = list_.SharedEntry(row);
    entry->transient = true;
    entries_.push_back(entry);
    return entry->name;
}

std::vector<std::shared_ptr<TAttacher>> TDemoDevices::Entries() const
{
    std::vector<std::shared_ptr<TAttacher>> entries;
    for (const std::weak_ptr<TAttacher>& weak : entries_) {
        if (std::shared_ptr<TAttacher> entry = weak.lock(); entry && list_.RowOf(*entry) >= 0)
            entries.push_back(std::move(entry));
    }
    return entries;
}

void TDemoDevices::Stop()
{
    QStringList attached;
    for (const std::shared_ptr<TAttacher>& entry : Entries()) {
        if (entry->attached)
            attached << entry->name;
    }
    if (!attached.isEmpty())
        throw Error(QStringLiteral("The demo devices keep running: %1 %2 attached. Close the download window "
                                   "first, then choose Tools > Demo Devices again.")
                        .arg(attached.join(QStringLiteral(", ")),
                            attached.size() == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    Shutdown(true);
}

void TDemoDevices::Shutdown(bool relist_ports)
{
    if (!running_)
        return;
    running_ = false;
    simulator_.Stop();
    for (const std::shared_ptr<TAttacher>& entry : Entries())
        list_.Remove(list_.RowOf(*entry));
    entries_.clear();
    environment_.Restore();
    if (relist_ports)
        libraries_.Relist(ports_, list_);
    qCInfo(lcImagers) << "Demo devices stopped";
}

} // namespace fw
