#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QString>

namespace fw {

class TSharedDriver;

// The ports imagers are reached through, each with its driver, in this order: "Ethernet", one
// "Direct to " entry per serial port the system lists, the GPIB ports (when a GPIB driver library
// can be loaded), then one entry per IMAQ interface. Made once per program run; the GPIB ports
// and IMAQ interfaces are listed anew when the device libraries change. Every driver lives as
// long as the list, listed or not, so that entries and links never point at a freed one.
class TPortList {
public:
    // Makes the driver of one serial port, named `port_name` ("Direct to ttyS0") for the
    // system's port `system_port_name` ("ttyS0"). The program plugs the RS-485 line driver in
    // here; the driver's PortName() must be `port_name` and IsSerial() true.
    using SerialDriverFactory = std::function<std::unique_ptr<TSharedDriver>(
        const QString& port_name, const QString& system_port_name)>;

    struct Sources {
        // The system's names of its serial ports ("ttyS0", "ttyUSB0").
        std::vector<QString> serial_ports;
        // Empty: plain serial entries without a line behind them (TSerialPortEntry).
        SerialDriverFactory make_serial_driver;
        // Whether a GPIB driver library could be loaded: "GPIB-ENET" and "GPIB0".."GPIB3" are
        // listed only then.
        bool gpib_available = false;
        // The interfaces the frame-grabber library reports.
        std::vector<QString> imaq_interfaces;
    };

    explicit TPortList(Sources sources);
    ~TPortList();
    TPortList(const TPortList&) = delete;
    TPortList& operator=(const TPortList&) = delete;

    // The serial ports the system reports, in natural order (ttyS2 before ttyS10).
    static std::vector<QString> SystemSerialPorts();
    static QString SerialPortName(const QString& system_port_name);

    size_t Count() const { return drivers_.size(); }
    TSharedDriver& At(size_t index) const { return *drivers_[index]; }
    // The driver of that exact name, or null.
    TSharedDriver* Find(const QString& port_name) const;
    // Ports whose kind sets take the kind, in list order.
    std::vector<TSharedDriver*> Accepting(int kind) const;
    // Ports a find can search: the network port and the serial ports of the HG/RO family.
    std::vector<TSharedDriver*> SearchPorts() const;
    const std::vector<QString>& ImaqInterfaces() const { return imaq_interfaces_; }

    // Lists the GPIB ports and IMAQ interfaces anew, as the constructor does from the same
    // sources; the network and serial ports stay. A port listed before and again keeps its driver.
    void RelistDevices(bool gpib_available, std::vector<QString> imaq_interfaces);

private:
    void AddGpibPorts();
    void AddImaqPorts();
    void Add(std::unique_ptr<TSharedDriver> driver);
    // The unlisted driver of that name and kinds, taken back, or a new one.
    std::unique_ptr<TSharedDriver> DeviceDriver(const QString& port_name, uint16_t kinds, bool network);

    std::vector<std::unique_ptr<TSharedDriver>> drivers_;
    // Drivers of ports no longer listed.
    std::vector<std::unique_ptr<TSharedDriver>> unlisted_;
    std::vector<QString> imaq_interfaces_;
};

} // namespace fw
