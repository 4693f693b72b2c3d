#include "imagers/port_list.h"

#include <gtest/gtest.h>

#include "imagers/attacher.h"
#include "imagers/hg/shared_driver.h"
#include "imagers/imager_test_support.h"

namespace fw {
namespace {

QStringList Names(const std::vector<TSharedDriver*>& ports)
{
    QStringList names;
    for (const TSharedDriver* port : ports)
        names << port->PortName();
    return names;
}

QStringList AllNames(const TPortList& ports)
{
    QStringList names;
    for (size_t index = 0; index < ports.Count(); ++index)
        names << ports.At(index).PortName();
    return names;
}

// A serial driver the program would plug in: it knows its system port.
class RecordingSerialDriver : public TSharedDriver {
public:
    RecordingSerialDriver(QString name, QString system_name)
        : TSharedDriver(std::move(name), kHGFamilyKinds, false)
        , system_name_(std::move(system_name))
    {
    }
    bool IsSerial() const override { return true; }
    QString system_name_;
};

TEST(PortList, PortsComeInTheirOrderWithTheirKinds)
{
    const auto ports = test::MakePorts();
    EXPECT_EQ(AllNames(*ports),
        QStringList({ "Ethernet", "Direct to ttyS0", "Direct to ttyUSB0", "GPIB-ENET", "GPIB0", "GPIB1",
            "GPIB2", "GPIB3", "img0" }));
    const TSharedDriver& ethernet = *ports->Find("Ethernet");
    EXPECT_TRUE(ethernet.IsNetwork());
    EXPECT_FALSE(ethernet.IsSerial());
    EXPECT_TRUE(ports->Find("Direct to ttyS0")->IsSerial());
    EXPECT_FALSE(ports->Find("Direct to ttyS0")->IsNetwork());
    EXPECT_TRUE(ports->Find("GPIB-ENET")->IsNetwork());
    EXPECT_FALSE(ports->Find("GPIB3")->IsNetwork());
    EXPECT_EQ(ports->Find("ethernet"), nullptr);

    EXPECT_EQ(Names(ports->Accepting(ikHG2000)),
        QStringList({ "Ethernet", "Direct to ttyS0", "Direct to ttyUSB0" }));
    EXPECT_EQ(
        Names(ports->Accepting(ikHRC)), QStringList({ "GPIB-ENET", "GPIB0", "GPIB1", "GPIB2", "GPIB3" }));
    EXPECT_EQ(Names(ports->Accepting(ikIMAQ)), QStringList({ "img0" }));
    EXPECT_TRUE(ports->Accepting(ikUnknown).empty());
    EXPECT_EQ(
        Names(ports->SearchPorts()), QStringList({ "Ethernet", "Direct to ttyS0", "Direct to ttyUSB0" }));
}

TEST(PortList, SerialDriversComeFromTheFactoryOncePerPort)
{
    TPortList::Sources sources;
    sources.serial_ports = { "ttyS1", "ttyACM0", "ttyS1", "bad" };
    sources.gpib_available = true;
    sources.make_serial_driver
        = [](const QString& name, const QString& system_name) -> std::unique_ptr<TSharedDriver> {
        // A driver that names itself wrongly is refused; its port is left out.
        if (system_name == "bad")
            return std::make_unique<RecordingSerialDriver>("bad", system_name);
        return std::make_unique<RecordingSerialDriver>(name, system_name);
    };
    const TPortList ports(std::move(sources));
    EXPECT_EQ(AllNames(ports),
        QStringList({ "Ethernet", "Direct to ttyS1", "Direct to ttyACM0", "GPIB-ENET", "GPIB0", "GPIB1",
            "GPIB2", "GPIB3" }));
    const auto* driver = dynamic_cast<RecordingSerialDriver*>(ports.Find("Direct to ttyACM0"));
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->system_name_, "ttyACM0");
}

TEST(PortList, GpibPortsAreListedOnlyWhenAGpibDriverLoads)
{
    const auto ports = test::MakePorts(false);
    EXPECT_EQ(AllNames(*ports), QStringList({ "Ethernet", "Direct to ttyS0", "Direct to ttyUSB0", "img0" }));
    EXPECT_EQ(ports->Find("GPIB0"), nullptr);
    EXPECT_EQ(ports->Find("GPIB-ENET"), nullptr);
    EXPECT_TRUE(ports->Accepting(ikEM1012).empty());
    EXPECT_TRUE(ports->Accepting(ikHS4540).empty());
    EXPECT_EQ(Names(ports->Accepting(ikIMAQ)), QStringList({ "img0" }));
    EXPECT_EQ(
        Names(ports->SearchPorts()), QStringList({ "Ethernet", "Direct to ttyS0", "Direct to ttyUSB0" }));

    // Nothing said about the driver: the GPIB ports stay out.
    EXPECT_EQ(AllNames(TPortList(TPortList::Sources {})), QStringList({ "Ethernet" }));
}

// Relisting changes only the device ports, keeps the list's order, and hands a port listed again
// its old driver, so that pointers held elsewhere stay good.
TEST(PortList, RelistingReplacesOnlyTheDevicePorts)
{
    TPortList::Sources sources;
    sources.serial_ports = { "ttyS0" };
    TPortList ports(std::move(sources));
    TSharedDriver* const serial = ports.Find("Direct to ttyS0");
    EXPECT_EQ(AllNames(ports), QStringList({ "Ethernet", "Direct to ttyS0" }));

    ports.RelistDevices(true, { "img0", "img1" });
    EXPECT_EQ(AllNames(ports),
        QStringList({ "Ethernet", "Direct to ttyS0", "GPIB-ENET", "GPIB0", "GPIB1", "GPIB2", "GPIB3", "img0",
            "img1" }));
    EXPECT_EQ(ports.ImaqInterfaces(), (std::vector<QString> { "img0", "img1" }));
    EXPECT_EQ(ports.Find("Direct to ttyS0"), serial);
    TSharedDriver* const img1 = ports.Find("img1");
    TSharedDriver* const gpib2 = ports.Find("GPIB2");

    ports.RelistDevices(false, { "img1" });
    EXPECT_EQ(AllNames(ports), QStringList({ "Ethernet", "Direct to ttyS0", "img1" }));
    EXPECT_EQ(ports.Find("img1"), img1);
    EXPECT_EQ(gpib2->PortName(), "GPIB2"); // unlisted, still alive

    ports.RelistDevices(true, {});
    EXPECT_EQ(ports.Find("GPIB2"), gpib2);
    EXPECT_EQ(Names(ports.Accepting(ikIMAQ)), QStringList());
}

} // namespace
} // namespace fw
