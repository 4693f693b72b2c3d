#include "imagers/imager_list.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "imagers/imager_test_support.h"
#include "support/settings_store.h"

namespace fw {
namespace {

class ImagerListTest : public ::testing::Test {
protected:
    QStringList Names() const
    {
        QStringList names;
        for (int row = 0; row < list_.Count(); ++row)
            names << list_.Entry(row).name;
        return names;
    }

    QTemporaryDir dir_;
    std::unique_ptr<TPortList> ports_ = test::MakePorts();
    TImagerList list_ { *ports_ };
};

TEST_F(ImagerListTest, SavedListAndPreferencesLoadBack)
{
    SettingsStore store(dir_.filePath("settings.ini"));
    TImagerList empty(*ports_);
    empty.Load(store);
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_TRUE(empty.Preferences().auto_detach);
    EXPECT_TRUE(empty.Preferences().update_clock);
    EXPECT_EQ(empty.Preferences().broadcast_address, "255.255.255.255");

    list_.Add("bench", "Kodak HG 2000;Ethernet;10.0.0.2;2;9600");
    list_.Add("Attic", "Kodak RO;Direct to ttyS0;;1;19200");
    list_.Add("Lab/1", "Kodak EM 1012;GPIB0");
    list_.Preferences().auto_detach = false;
    list_.Preferences().broadcast_address = "127.255.255.255";
    list_.Save(store);
    ASSERT_TRUE(store.sync());
    EXPECT_EQ(store.readString("Imagers", "bench"), "Kodak HG 2000;Ethernet;10.0.0.2;2;9600");
    EXPECT_EQ(store.readString("Imagers", "Lab/1"), "Kodak EM 1012;GPIB0;;;");
    EXPECT_FALSE(store.readBool("Preferences", "Auto Detach", true));

    SettingsStore reread(dir_.filePath("settings.ini"));
    TImagerList loaded(*ports_);
    loaded.Load(reread);
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.Entry(0).name, "Attic");
    EXPECT_EQ(loaded.Entry(1).name, "bench");
    EXPECT_EQ(loaded.Entry(1).Value(), "Kodak HG 2000;Ethernet;10.0.0.2;2;9600");
    EXPECT_FALSE(loaded.Preferences().auto_detach);
    EXPECT_TRUE(loaded.Preferences().update_clock);
    EXPECT_EQ(loaded.Preferences().broadcast_address, "127.255.255.255");

    // Saving rewrites the whole section: a deleted entry does not come back.
    loaded.Remove(0);
    loaded.Save(reread);
    EXPECT_EQ(reread.valueNames("Imagers"), QStringList({ "bench", "Lab/1" }));
}

TEST_F(ImagerListTest, LoadingKeepsStoredNamesThatShareAStem)
{
    SettingsStore store(dir_.filePath("settings.ini"));
    store.writeString("Imagers", "Cam 2", "Kodak RO;Ethernet;10.0.0.2;2;9600");
    store.writeString("Imagers", "Cam", "Kodak RO;Ethernet;10.0.0.1;1;9600");
    list_.Load(store);
    EXPECT_EQ(Names(), QStringList({ "Cam", "Cam 2" }));
}

TEST_F(ImagerListTest, EntriesStaySortedIgnoringCase)
{
    list_.Add("delta", DefaultImagerValue());
    list_.Add("Alpha", DefaultImagerValue());
    list_.Add("charlie", DefaultImagerValue());
    EXPECT_EQ(list_.Add("Bravo", DefaultImagerValue()), 1);
    EXPECT_EQ(Names(), QStringList({ "Alpha", "Bravo", "charlie", "delta" }));
    EXPECT_EQ(list_.RowOf("CHARLIE"), 2);
    EXPECT_EQ(list_.RowOf("echo"), -1);

    list_.SetSelected(0, true);
    EXPECT_EQ(list_.Rename(0, "Zulu"), 3);
    EXPECT_EQ(Names(), QStringList({ "Bravo", "charlie", "delta", "Zulu" }));
    EXPECT_TRUE(list_.IsSelected(3)); // the selection moves with the entry
    EXPECT_EQ(list_.SingleSelectedRow(), 3);
}

TEST_F(ImagerListTest, TakenNamesAreRefusedIgnoringCase)
{
    list_.Add("Bench Cam", DefaultImagerValue());
    EXPECT_EQ(list_.NameTakenText("bench cam"), "An Imager Named BENCH CAM Already Exists.");
    EXPECT_EQ(list_.NameTakenText("Bench"), "");
}

TEST_F(ImagerListTest, NamesUsedBeforeABlankGetANumber)
{
    EXPECT_EQ(Names(), QStringList());
    list_.Add("Kodak HG 2000 #1", DefaultImagerValue());
    EXPECT_EQ(list_.FreeName("Kodak HG 2000 #2"), "Kodak HG 2000 #2");
    // "#1" is no stem of "#10": the blank after the name counts.
    list_.Add("Kodak HG 2000 #10", DefaultImagerValue());
    EXPECT_EQ(list_.FreeName("Kodak HG 2000 #1"), "Kodak HG 2000 #1 (2)");
    list_.Add("Kodak HG 2000 #1", DefaultImagerValue());
    EXPECT_EQ(list_.FreeName("Kodak HG 2000 #1"), "Kodak HG 2000 #1 (3)");
    // A name that begins other names is numbered too, ignoring case.
    list_.Add("cam left", DefaultImagerValue());
    EXPECT_EQ(list_.FreeName("Cam"), "Cam (2)");
    // A counted suffix that is still taken gives way to the next free one.
    list_.Remove(list_.RowOf("Kodak HG 2000 #1"));
    EXPECT_EQ(list_.FreeName("Kodak HG 2000 #1"), "Kodak HG 2000 #1 (3)");
    EXPECT_EQ(Names(), QStringList({ "cam left", "Kodak HG 2000 #1 (2)", "Kodak HG 2000 #10" }));
    list_.Add("Kodak HG 2000 #1 (3)", DefaultImagerValue());
    EXPECT_EQ(list_.FreeName("Kodak HG 2000 #1"), "Kodak HG 2000 #1 (4)");
}

TEST_F(ImagerListTest, OnlySelectedAttachableDetachedEntriesWithAPortAreFlagged)
{
    const int network = list_.Add("a net", "Kodak HG 2000;Ethernet;10.0.0.1;1");
    list_.Add("b serial", "Kodak HG 2000;Direct to ttyS0;;1");
    list_.Add("c gpib", "Kodak EM 1012;GPIB0");
    list_.Add("d gone", "Kodak EM 1012;GPIB9");
    list_.Add("e attached", "Kodak RO;Ethernet;10.0.0.5;5");
    list_.Add("f unselected", "Kodak RO;Ethernet;10.0.0.6;6");
    list_.Entry(list_.RowOf("e attached")).attached = true;
    for (int row = 0; row < 5; ++row)
        list_.SetSelected(row, true);
    list_.Entry(network).selected_for_attach = false;
    list_.Entry(list_.RowOf("f unselected")).selected_for_attach = true; // left from an earlier run
    list_.MarkForAttach();
    QStringList flagged;
    for (const auto& entry : list_.FlaggedForAttach())
        flagged << entry->name;
    EXPECT_EQ(flagged, QStringList({ "a net", "c gpib" }));
}

// A run without a GPIB driver (or with a serial adapter unplugged) lists fewer ports; entries
// stored on them load, are never flagged for attach, and save back as they were stored.
TEST_F(ImagerListTest, EntriesOnPortsThisRunDoesNotListAreKept)
{
    const QStringList stored_values { "Kodak EM 1012;GPIB0;;;", "Kodak 4540;GPIB-ENET;10.0.0.5;;",
        "Kodak RO;Direct to ttyUSB7;10.0.0.9;4;19200" };
    SettingsStore store(dir_.filePath("settings.ini"));
    for (qsizetype index = 0; index < stored_values.size(); ++index)
        store.writeString("Imagers", QStringLiteral("cam %1").arg(index), stored_values[index]);

    const auto without_gpib = test::MakePorts(false);
    TImagerList list(*without_gpib);
    list.Load(store);
    ASSERT_EQ(list.Count(), 3);
    for (int row = 0; row < list.Count(); ++row) {
        EXPECT_EQ(list.Entry(row).port, nullptr) << row;
        EXPECT_EQ(list.Entry(row).Value(), stored_values[row]) << row;
        list.SetSelected(row, true);
    }
    list.MarkForAttach();
    EXPECT_TRUE(list.FlaggedForAttach().empty());
    EXPECT_EQ(list.Entry(1).Description(), "GPIB-ENET");

    store.eraseSection("Imagers");
    list.Save(store);
    for (qsizetype index = 0; index < stored_values.size(); ++index)
        EXPECT_EQ(store.readString("Imagers", QStringLiteral("cam %1").arg(index)), stored_values[index]);

    // With the driver back, the same values find their ports again.
    TImagerList with_gpib(*ports_);
    with_gpib.Load(store);
    EXPECT_EQ(with_gpib.Entry(0).port, ports_->Find("GPIB0"));
    EXPECT_EQ(with_gpib.Entry(1).Description(), "GPIB-ENET at IP 10.0.0.5");
}

// Transient entries (the demo devices') are listed and found like any other but never stored;
// a rename keeps them transient, and the user's own entries beside them are stored as ever.
TEST_F(ImagerListTest, TransientEntriesAreNeverStored)
{
    SettingsStore store(dir_.filePath("settings.ini"));
    store.writeString("Imagers", "Demo RO", "Kodak RO;Ethernet;10.0.0.8;8;");
    list_.Load(store);
    const int mine = list_.RowOf("Demo RO");
    const int demo = list_.Add("Demo RO", "Kodak RO;Ethernet;127.0.0.22;2;");
    list_.Entry(demo).transient = true;
    const TAttacher& demo_entry = list_.Entry(demo);
    EXPECT_EQ(demo_entry.name, "Demo RO (2)");
    list_.Rename(list_.RowOf(demo_entry), "Bench demo");
    EXPECT_EQ(list_.Entry(list_.RowOf(demo_entry)).name, "Bench demo");
    EXPECT_NE(list_.RowOf(demo_entry), list_.RowOf("Demo RO"));
    EXPECT_GE(mine, 0);

    list_.Save(store);
    EXPECT_EQ(store.valueNames("Imagers"), QStringList { "Demo RO" });
    EXPECT_EQ(store.readString("Imagers", "Demo RO"), "Kodak RO;Ethernet;10.0.0.8;8;");

    // An entry removed is no longer found by identity, even though another may take its row.
    const std::shared_ptr<TAttacher> held = list_.SharedEntry(list_.RowOf(demo_entry));
    list_.Remove(list_.RowOf(*held));
    EXPECT_EQ(list_.RowOf(*held), -1);
}

// The GPIB ports and IMAQ interfaces come and go with the device libraries: entries on them lose
// their port (kept by name) and get the same driver back when it is listed again.
TEST_F(ImagerListTest, EntriesFollowRelistedPorts)
{
    list_.Add("em", "Kodak EM 1012;GPIB0;;;");
    list_.Add("grabber", "NI-IMAQ;img0;;;");
    list_.Add("hg", "Kodak HG 2000;Ethernet;10.0.0.2;2;");
    TSharedDriver* const gpib0 = ports_->Find("GPIB0");
    TSharedDriver* const ethernet = ports_->Find("Ethernet");
    ASSERT_NE(gpib0, nullptr);

    ports_->RelistDevices(false, {});
    list_.RelinkPorts();
    const TAttacher& em = list_.Entry(list_.RowOf("em"));
    const TAttacher& grabber = list_.Entry(list_.RowOf("grabber"));
    EXPECT_TRUE(em.PortMissing());
    EXPECT_TRUE(grabber.PortMissing());
    EXPECT_EQ(em.Value(), "Kodak EM 1012;GPIB0;;;");
    EXPECT_EQ(list_.Entry(list_.RowOf("hg")).port, ethernet);

    ports_->RelistDevices(true, { "img0", "img1" });
    list_.RelinkPorts();
    EXPECT_EQ(em.port, gpib0);
    EXPECT_TRUE(grabber.HasValidPort());
    EXPECT_EQ(grabber.Value(), "NI-IMAQ;img0;;;");
}

} // namespace
} // namespace fw
