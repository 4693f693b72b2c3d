#include "imagers/port_list.h"

#include <algorithm>
#include <tuple>

#include <QSerialPortInfo>

#include "imagers/hg/shared_driver.h"
#include "imagers/serial_port_entry.h"
#include "support/log.h"

namespace fw {

namespace {

constexpr int kGpibBoardCount = 4;

// "ttyUSB10" -> ("ttyUSB", 10): ports of one family sort by their number.
std::tuple<QString, qlonglong, QString> NaturalKey(const QString& name)
{
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit())
        --digits;
    const QString stem = name.left(digits);
    return { stem, digits < name.size() ? name.mid(digits).toLongLong() : -1, name };
}

} // namespace

TPortList::TPortList(Sources sources)
    : imaq_interfaces_(std::move(sources.imaq_interfaces))
{
    Add(std::make_unique<TSharedDriver>(QStringLiteral("Ethernet"), kHGFamilyKinds, true));
    for (const QString& system_name : sources.serial_ports) {
        const QString name = SerialPortName(system_name);
        if (Find(name))
            continue;
        if (!sources.make_serial_driver) {
            Add(std::make_unique<TSerialPortEntry>(name));
            continue;
        }
        std::unique_ptr<TSharedDriver> driver = sources.make_serial_driver(name, system_name);
        if (!driver || driver->PortName() != name || !driver->IsSerial()) {
            qCWarning(lcImagers).noquote() << "No usable driver for serial port" << system_name;
            continue;
        }
        Add(std::move(driver));
    }
    if (sources.gpib_available)
        AddGpibPorts();
    AddImaqPorts();
}

TPortList::~TPortList() = default;

std::vector<QString> TPortList::SystemSerialPorts()
{
    std::vector<QString> names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names.push_back(info.portName());
    std::sort(names.begin(), names.end(),
        [](const QString& a, const QString& b) { return NaturalKey(a) < NaturalKey(b); });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

QString TPortList::SerialPortName(const QString& system_port_name)
{
    return QStringLiteral("Direct to ") + system_port_name;
}

void TPortList::RelistDevices(bool gpib_available, std::vector<QString> imaq_interfaces)
{
    std::vector<std::unique_ptr<TSharedDriver>> kept;
    for (std::unique_ptr<TSharedDriver>& driver : drivers_) {
        const bool device = driver->Kinds() == kGpibKinds || driver->Kinds() == kImaqKinds;
        (device ? unlisted_ : kept).push_back(std::move(driver));
    }
    drivers_ = std::move(kept);
    imaq_interfaces_ = std::move(imaq_interfaces);
    if (gpib_available)
        AddGpibPorts();
    AddImaqPorts();
}

std::unique_ptr<TSharedDriver> TPortList::DeviceDriver(const QString& port_name, uint16_t kinds, bool network)
{
    const auto found = std::find_if(unlisted_.begin(), unlisted_.end(), [&](const auto& driver) {
        return driver->PortName() == port_name && driver->Kinds() == kinds && driver->IsNetwork() == network;
    });
    if (found == unlisted_.end())
        return std::make_unique<TSharedDriver>(port_name, kinds, network);
    std::unique_ptr<TSharedDriver> driver = std::move(*found);
    unlisted_.erase(found);
    return driver;
}

void TPortList::AddGpibPorts()
{
    Add(DeviceDriver(QStringLiteral("GPIB-ENET"), kGpibKinds, true));
    for (int board = 0; board < kGpibBoardCount; ++board)
        Add(DeviceDriver(QStringLiteral("GPIB") + QString::number(board), kGpibKinds, false));
}

void TPortList::AddImaqPorts()
{
    for (const QString& interface_name : imaq_interfaces_) {
        if (!Find(interface_name))
            Add(DeviceDriver(interface_name, kImaqKinds, false));
    }
}

void TPortList::Add(std::unique_ptr<TSharedDriver> driver)
{
    drivers_.push_back(std::move(driver));
}

TSharedDriver* TPortList::Find(const QString& port_name) const
{
    for (const auto& driver : drivers_) {
        if (driver->PortName() == port_name)
            return driver.get();
    }
    return nullptr;
}

std::vector<TSharedDriver*> TPortList::Accepting(int kind) const
{
    std::vector<TSharedDriver*> ports;
    for (const auto& driver : drivers_) {
        if (driver->Accepts(kind))
            ports.push_back(driver.get());
    }
    return ports;
}

std::vector<TSharedDriver*> TPortList::SearchPorts() const
{
    std::vector<TSharedDriver*> ports;
    for (const auto& driver : drivers_) {
        if ((driver->Kinds() & kHGFamilyKinds) != 0)
            ports.push_back(driver.get());
    }
    return ports;
}

} // namespace fw
