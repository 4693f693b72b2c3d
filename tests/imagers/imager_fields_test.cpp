#include "imagers/imager_fields.h"

#include <gtest/gtest.h>

#include "imagers/imager_test_support.h"

namespace fw {
namespace {

// The controls a view enables, by caption.
QStringList Enabled(const TImagerFieldView& view)
{
    QStringList names;
    const std::pair<bool, const char*> controls[] = { { view.ip_enabled, "IP Address" },
        { view.identifier_enabled, "Imager ID" }, { view.baud_enabled, "Baud Rate" },
        { view.setup_enabled, "Setup" }, { view.attach_enabled, "Attach" } };
    for (const auto& [on, name] : controls) {
        if (on)
            names << name;
    }
    return names;
}

class ImagerFieldsTest : public ::testing::Test {
protected:
    TImagerFieldView ViewOfOnly(const QString& value)
    {
        list_.SelectOnly(list_.Add("Cam", value));
        return FieldViewOf(list_);
    }

    std::unique_ptr<TPortList> ports_ = test::MakePorts();
    TImagerList list_ { *ports_ };
};

TEST(ImagerFieldRules, AnAddressWithAPartTooLargeAndOneEmptyIsAdjusted)
{
    TIPAddressCheck check = CheckIPAddress("10 .0  .300.   ");
    EXPECT_FALSE(check.valid);
    EXPECT_EQ(check.address, "10.0.255.0");

    check = CheckIPAddress("192.168. 1 .20 ");
    EXPECT_TRUE(check.valid);
    EXPECT_EQ(check.address, "192.168.1.20");

    check = CheckIPAddress("10.1");
    EXPECT_FALSE(check.valid);
    EXPECT_EQ(check.address, "10.1.0.0");
    EXPECT_FALSE(CheckIPAddress("1.2.3.4.5").valid);
    EXPECT_EQ(CheckIPAddress("a.-2.3.4").address, "0.0.3.4");
    EXPECT_EQ(
        IPAdjustedWarning("Bench"), "The IP Address for Imager Bench was invalid and has been adjusted.");
}

TEST(ImagerFieldRules, ThreeDigitsAbove255BecomeIt)
{
    EXPECT_EQ(CapImagerId("300"), "255");
    EXPECT_EQ(CapImagerId("256"), "255");
    EXPECT_EQ(CapImagerId("255"), "255");
    EXPECT_EQ(CapImagerId("099"), "099");
    // Places still blank are not compared: "3" may become "30" or "300".
    EXPECT_EQ(CapImagerId("3"), "3");
    EXPECT_EQ(CapImagerId("30 "), "30 ");
    EXPECT_EQ(CapImagerId("???"), "???");
    EXPECT_EQ(CapImagerId(""), "");
}

TEST_F(ImagerFieldsTest, WithoutExactlyOneSelectedEntryTheFieldsAreOff)
{
    list_.Add("a", "Kodak HG 2000;Ethernet;10.0.0.1;1");
    list_.Add("b", "Kodak HG 2000;Direct to ttyS0;;2");
    TImagerFieldView view = FieldViewOf(list_);
    EXPECT_FALSE(view.single);
    EXPECT_EQ(Enabled(view), QStringList());
    EXPECT_TRUE(view.interfaces.isEmpty());
    EXPECT_EQ(view.kind, -1);

    // Several entries may be attached at once, whatever each of them is.
    list_.SetSelected(0, true);
    list_.SetSelected(1, true);
    view = FieldViewOf(list_);
    EXPECT_FALSE(view.single);
    EXPECT_EQ(Enabled(view), QStringList({ "Attach" }));
}

TEST_F(ImagerFieldsTest, AnHGImagerOnTheNetwork)
{
    const TImagerFieldView view = ViewOfOnly("Kodak HG 2000;Ethernet;;;9600");
    EXPECT_TRUE(view.single);
    EXPECT_EQ(view.kind, ikHG2000);
    EXPECT_EQ(view.interfaces, QStringList({ "Ethernet", "Direct to ttyS0", "Direct to ttyUSB0" }));
    EXPECT_EQ(view.interface_row, 0);
    EXPECT_EQ(view.ip_text, "0.0.0.0");
    EXPECT_EQ(view.identifier_text, "???");
    EXPECT_EQ(view.baud_text, "9600");
    EXPECT_EQ(Enabled(view), QStringList({ "IP Address", "Imager ID", "Setup", "Attach" }));
    EXPECT_FALSE(view.attached);
}

TEST_F(ImagerFieldsTest, AnHGImagerOnASerialPortIsSetUpButNotAttached)
{
    const TImagerFieldView view = ViewOfOnly("Roper CR 2000;Direct to ttyUSB0;10.0.0.3;4");
    EXPECT_EQ(view.interface_row, 2);
    EXPECT_EQ(view.identifier_text, "4");
    EXPECT_EQ(view.baud_text, "9600");
    EXPECT_EQ(view.ip_text, "10.0.0.3");
    EXPECT_EQ(Enabled(view), QStringList({ "Imager ID", "Baud Rate", "Setup" }));
}

TEST_F(ImagerFieldsTest, AProcessorOnGpibEnetHasAnAddressOnly)
{
    const int row = list_.Add("Cam", "Kodak EM 1012;GPIB-ENET;10.0.0.9");
    list_.Entry(row).attached = true;
    list_.SelectOnly(row);
    const TImagerFieldView view = FieldViewOf(list_);
    EXPECT_TRUE(view.attached);
    EXPECT_EQ(view.interfaces, QStringList({ "GPIB-ENET", "GPIB0", "GPIB1", "GPIB2", "GPIB3" }));
    EXPECT_EQ(view.interface_row, 0);
    EXPECT_EQ(view.identifier_text, "");
    EXPECT_EQ(Enabled(view), QStringList({ "IP Address", "Attach" }));
}

TEST_F(ImagerFieldsTest, AKindItsPortDoesNotTakeHasNoInterfaceShown)
{
    const TImagerFieldView view = ViewOfOnly("Kodak EM 1012;Ethernet");
    EXPECT_EQ(view.interface_row, -1);
    EXPECT_EQ(Enabled(view), QStringList({ "IP Address" })); // the port is still a network port
}

// Without a GPIB driver the processor's stored port is still shown, so that the fields the
// window stores back keep it; the entry cannot be attached.
TEST_F(ImagerFieldsTest, AStoredPortThisRunDoesNotListIsShownAndKept)
{
    const auto without_gpib = test::MakePorts(false);
    TImagerList list(*without_gpib);
    const int row = list.Add("Cam", "Kodak 4540;GPIB-ENET;10.0.0.9");
    list.SelectOnly(row);
    const TImagerFieldView view = FieldViewOf(list);
    EXPECT_EQ(view.interfaces, QStringList({ "GPIB-ENET" }));
    EXPECT_EQ(view.interface_row, 0);
    EXPECT_EQ(view.ip_text, "10.0.0.9");
    EXPECT_EQ(Enabled(view), QStringList());

    TAttacher& entry = list.Entry(row);
    ApplyFieldTexts(
        entry, { ikHS4540, view.interfaces[view.interface_row], view.ip_text, "", "" }, false, *without_gpib);
    EXPECT_EQ(entry.Value(), "Kodak 4540;GPIB-ENET;10.0.0.9;;");

    // An unplugged serial adapter the same way.
    list.SelectOnly(list.Add("Line", "Kodak RO;Direct to ttyUSB7;;3;19200"));
    const TImagerFieldView serial = FieldViewOf(list);
    EXPECT_EQ(serial.interfaces.last(), "Direct to ttyUSB7");
    EXPECT_EQ(serial.interface_row, serial.interfaces.size() - 1);
}

TEST_F(ImagerFieldsTest, AnEditRebuildsTheEntryFromTheFields)
{
    TAttacher& entry = list_.Entry(list_.Add("Cam", "Kodak HG 2000;Ethernet;10.0.0.1;1;9600"));
    TImagerFieldEdit edit
        = ApplyFieldTexts(entry, { ikRO, "Ethernet", "10.0.300.", "300", "19200" }, true, *ports_);
    EXPECT_TRUE(edit.ip_adjusted);
    EXPECT_EQ(edit.ip_text, "10.0.255.0");
    EXPECT_EQ(edit.identifier_text, "255");
    EXPECT_EQ(entry.Value(), "Kodak RO;Ethernet;10.0.255.0;255;19200");

    // The address is checked only while its field is enabled.
    edit = ApplyFieldTexts(entry, { ikRO, "Direct to ttyS0", "10.0.300.", "???", "" }, false, *ports_);
    EXPECT_FALSE(edit.ip_adjusted);
    EXPECT_EQ(entry.Value(), "Kodak RO;Direct to ttyS0;10.0.300.;;9600");
    EXPECT_EQ(entry.identifier, -1);
}

} // namespace
} // namespace fw
