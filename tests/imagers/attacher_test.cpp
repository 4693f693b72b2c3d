#include "imagers/attacher.h"

#include <gtest/gtest.h>

#include "imagers/hg/shared_driver.h"
#include "imagers/imager_test_support.h"

namespace fw {
namespace {

class AttacherTest : public ::testing::Test {
protected:
    TAttacher Parse(const QString& value, const QString& name = "Cam") const
    {
        return TAttacher::Parsed(name, value, *ports_);
    }

    std::unique_ptr<TPortList> ports_ = test::MakePorts();
};

TEST_F(AttacherTest, AFullValueParsesAndFormatsBackUnchanged)
{
    const TAttacher entry = Parse("Kodak HG 2000;Ethernet;10.1.2.3;7;38400");
    EXPECT_EQ(entry.kind, ikHG2000);
    EXPECT_EQ(entry.port, ports_->Find("Ethernet"));
    EXPECT_EQ(entry.ip_address, "10.1.2.3");
    EXPECT_EQ(entry.identifier, 7);
    EXPECT_EQ(entry.baud_rate, 38400);
    EXPECT_EQ(entry.Value(), "Kodak HG 2000;Ethernet;10.1.2.3;7;38400");
    EXPECT_EQ(
        TAttacher::Parsed("x", DefaultImagerValue(), *ports_).Value(), "Kodak RO;Ethernet;100.0.0.1;1;9600");
}

TEST_F(AttacherTest, MissingFieldsAreEmpty)
{
    TAttacher entry = Parse("Kodak HG 2000;Ethernet");
    EXPECT_EQ(entry.kind, ikHG2000);
    EXPECT_TRUE(entry.OnNetworkPort());
    EXPECT_EQ(entry.identifier, -1);
    EXPECT_EQ(entry.baud_rate, -1);
    EXPECT_EQ(entry.ip_address, "");
    EXPECT_EQ(entry.Value(), "Kodak HG 2000;Ethernet;;;");

    entry = Parse("Roper CR 2000");
    EXPECT_EQ(entry.kind, ikCR2000);
    EXPECT_EQ(entry.port, nullptr);
    EXPECT_EQ(entry.PortText(), "");

    // An empty baud rate on a serial port is the line's default rate.
    entry = Parse("Kodak RO;Direct to ttyS0;;3");
    EXPECT_TRUE(entry.OnSerialPort());
    EXPECT_EQ(entry.identifier, 3);
    EXPECT_EQ(entry.baud_rate, 9600);

    entry = Parse("");
    EXPECT_EQ(entry.kind, ikUnknown);
    EXPECT_EQ(entry.Value(), "Unknown;;;;");
}

TEST_F(AttacherTest, FieldsAreTrimmedAndOddTextIsTakenApart)
{
    TAttacher entry = Parse("  Kodak RO ; Ethernet ;  10. 0 .0.1 ; 12 ; 19200 ;extra");
    EXPECT_EQ(entry.kind, ikRO);
    EXPECT_EQ(entry.PortText(), "Ethernet");
    EXPECT_EQ(entry.ip_address, "10.0.0.1");
    EXPECT_EQ(entry.identifier, 12);
    EXPECT_EQ(entry.baud_rate, 19200);

    // Kind names match exactly; numbers that are none count as missing.
    entry = Parse("kodak ro;Ethernet;1.2.3.4;one;fast");
    EXPECT_EQ(entry.kind, ikUnknown);
    EXPECT_EQ(entry.identifier, -1);
    EXPECT_EQ(entry.baud_rate, -1);
}

TEST_F(AttacherTest, APortMissingFromThisRunKeepsItsStoredName)
{
    const TAttacher entry = Parse("Kodak RO;Direct to ttyUSB7;10.0.0.9;4;19200");
    EXPECT_EQ(entry.port, nullptr);
    EXPECT_EQ(entry.PortText(), "Direct to ttyUSB7");
    EXPECT_FALSE(entry.Attachable());
    EXPECT_FALSE(entry.HasValidPort());
    EXPECT_EQ(entry.Value(), "Kodak RO;Direct to ttyUSB7;10.0.0.9;4;19200");
}

TEST_F(AttacherTest, OnlyHGKindsCarryIdentifierAndBaudAndOnlyTheyOrNetworkPortsAnAddress)
{
    const TAttacher on_gpib = Parse("Kodak EM 1012;GPIB0;10.0.0.5;3;9600");
    EXPECT_EQ(on_gpib.IdentifierText(), "");
    EXPECT_EQ(on_gpib.BaudText(), "");
    EXPECT_EQ(on_gpib.IPText(), "");
    EXPECT_EQ(on_gpib.Value(), "Kodak EM 1012;GPIB0;;;");

    const TAttacher on_enet = Parse("Kodak 4540;GPIB-ENET;10.0.0.5");
    EXPECT_EQ(on_enet.IPText(), "10.0.0.5");
    EXPECT_EQ(on_enet.Description(), "GPIB-ENET at IP 10.0.0.5");

    const TAttacher serial = Parse("Roper HG 2000-TX;Direct to ttyUSB0;10.0.0.6;2;115200");
    EXPECT_EQ(serial.IPText(), "10.0.0.6");
    EXPECT_EQ(serial.Description(), "Direct to ttyUSB0 at 115200 baud");
    EXPECT_EQ(Parse("Kodak EM 1012;GPIB2").Description(), "GPIB2");
}

TEST_F(AttacherTest, HGImagersAttachOverTheNetworkOnly)
{
    EXPECT_TRUE(Parse("Kodak HG 2000;Ethernet;10.0.0.1;1").Attachable());
    EXPECT_FALSE(Parse("Kodak HG 2000;Direct to ttyS0;10.0.0.1;1").Attachable());
    EXPECT_FALSE(Parse("Kodak HG 2000;;10.0.0.1;1").Attachable());
    EXPECT_TRUE(Parse("Kodak EM 1012;GPIB0").Attachable());
    EXPECT_TRUE(Parse("Kodak EM 1012").Attachable()); // attachable, but without a port it is never flagged
    // A port that does not take the kind is no valid port for it.
    EXPECT_FALSE(Parse("Kodak EM 1012;Ethernet").HasValidPort());
    EXPECT_TRUE(Parse("NI-IMAQ;img0").HasValidPort());
}

TEST_F(AttacherTest, AttachTextsNameTheEntryAndItsConnection)
{
    const TAttacher entry = Parse("Kodak HG 2000;Ethernet;10.0.0.8;5;9600", "Bench");
    EXPECT_EQ(entry.CheckingText(), "Checking for Bench - Kodak HG 2000 on Ethernet at IP 10.0.0.8");
    EXPECT_EQ(entry.DownloadTitle(), "(Kodak HG 2000) Bench");
    EXPECT_EQ(entry.LinkText(), "Ethernet:10.0.0.8");
    EXPECT_EQ(Parse("Kodak HG 2000;Ethernet", "Kodak HG 2000 #5").DownloadTitle(), "Kodak HG 2000 #5");
}

TEST_F(AttacherTest, ProcessorsAreAddressedOnTheirEntrysBoard)
{
    EXPECT_EQ(Parse("Kodak EM 1012;GPIB0").GpibAddress(), "GPIB0:DEV7");
    EXPECT_EQ(Parse("Kodak 4540;GPIB2").GpibAddress(), "GPIB2:DEV8");
    // A GPIB-ENET box is the first board of the driver.
    EXPECT_EQ(Parse("Kodak 4540;GPIB-ENET;10.0.0.4").GpibAddress(), "GPIB0:DEV8");
}

TEST(ImagerKinds, TableNamesAndFamily)
{
    EXPECT_EQ(ImagerKindName(ikHS4540), "Kodak 4540");
    EXPECT_EQ(ImagerKindName(42), "Unknown");
    EXPECT_EQ(ImagerKindOfName("Roper HG 2000-TX"), ikHG2000TX);
    EXPECT_EQ(ImagerKindOfName("Unknown"), ikUnknown);
    EXPECT_EQ(ImagerBaudTextAt(3), "115200");
    EXPECT_EQ(ImagerBaudTextAt(4), "");
    EXPECT_EQ(ImagerBaudTextAt(-1), "");
}

} // namespace
} // namespace fw
