#include "imagers/devices/demo_devices.h"

#include <cerrno>
#include <csignal>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "imagers/attacher.h"
#include "imagers/devices/device_libraries.h"
#include "imagers/gpib/gpib.h"
#include "imagers/hg/hg_comm_layer.h"
#include "imagers/imager_links.h"
#include "imagers/imager_list.h"
#include "imagers/port_list.h"
#include "support/fw_error.h"
#include "support/settings_store.h"

namespace fw {
namespace {

const char* const kVariables[] { "FRAMEWRIGHT_IMAGER_PORT", "FRAMEWRIGHT_GPIB_LIBRARY",
    "FRAMEWRIGHT_IMAQ_LIBRARY", "FW_IMAQ_SIM_FPS" };

bool ProcessGone(qint64 process_id)
{
    return process_id > 0 && ::kill(pid_t(process_id), 0) == -1 && errno == ESRCH;
}

QString BuildLibrary(const char* file_name)
{
    return QDir::cleanPath(QStringLiteral(FW_BIN_DIR "/../lib/") + QLatin1String(file_name));
}

// A computer without GPIB driver or frame grabber: the user's own library names lead nowhere.
// The demo devices run from the build folder.
class DemoDevicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : kVariables)
            qunsetenv(name);
        qputenv("FRAMEWRIGHT_GPIB_LIBRARY", "/nonexistent/libgpib-of-the-user.so");
        qputenv("FRAMEWRIGHT_IMAQ_LIBRARY", "/nonexistent/libimaq-of-the-user.so");
        ports_.RelistDevices(libraries_.GpibLoads(), libraries_.ImaqInterfaces());
    }
    void TearDown() override
    {
        demo_.reset();
        for (const char* name : kVariables)
            qunsetenv(name);
    }

    QStringList Names() const
    {
        QStringList names;
        for (int row = 0; row < list_.Count(); ++row)
            names << list_.Entry(row).name;
        return names;
    }

    std::shared_ptr<TAttacher> Entry(const QString& name) const
    {
        const int row = list_.RowOf(name);
        return row < 0 ? nullptr : list_.SharedEntry(row);
    }

    void ExpectUserEnvironment() const
    {
        EXPECT_FALSE(qEnvironmentVariableIsSet("FRAMEWRIGHT_IMAGER_PORT"));
        EXPECT_FALSE(qEnvironmentVariableIsSet("FW_IMAQ_SIM_FPS"));
        EXPECT_EQ(qgetenv("FRAMEWRIGHT_GPIB_LIBRARY"), "/nonexistent/libgpib-of-the-user.so");
        EXPECT_EQ(qgetenv("FRAMEWRIGHT_IMAQ_LIBRARY"), "/nonexistent/libimaq-of-the-user.so");
    }

    // The link the attach loop would make for the entry, telling the entry when it is attached.
    std::unique_ptr<THGCommLayer> OpenLink(const std::shared_ptr<TAttacher>& entry)
    {
        const TImagerLinks links = HGImagerLinks(HGLinkFactory(list_.Preferences(), {}));
        return links.open(*entry, [entry](bool attached) { entry->attached = attached; });
    }

    QTemporaryDir dir_;
    TPortList ports_ { TPortList::Sources {} };
    TImagerList list_ { ports_ };
    TDeviceLibraries libraries_;
    std::unique_ptr<TDemoDevices> demo_
        = std::make_unique<TDemoDevices>(list_, ports_, libraries_, FW_BIN_DIR);
};

TEST_F(DemoDevicesTest, StartingListsTheSimulatedDevicesForThisRunOnly)
{
    ASSERT_EQ(ports_.Find("GPIB0"), nullptr);
    list_.Add("Bench", "Kodak RO;Ethernet;10.0.0.8;8;");
    const QString text = demo_->Start();
    ASSERT_TRUE(demo_->Running());
    EXPECT_TRUE(
        text.startsWith("Demo devices are running: two simulated imagers on this computer (Demo HG 2000, "
                        "Demo RO), two simulated GPIB processors (Demo EM 1012, Demo HS 4540) and a "
                        "simulated frame grabber (Demo Frame Grabber)."))
        << text.toStdString();

    EXPECT_EQ(qgetenv("FRAMEWRIGHT_IMAGER_PORT"), QByteArray::number(demo_->ImagerPort()));
    EXPECT_EQ(qEnvironmentVariable("FRAMEWRIGHT_GPIB_LIBRARY"), BuildLibrary("libfw-gpib-sim.so"));
    EXPECT_EQ(qEnvironmentVariable("FRAMEWRIGHT_IMAQ_LIBRARY"), BuildLibrary("libfw-imaq-sim.so"));
    EXPECT_EQ(qgetenv("FW_IMAQ_SIM_FPS"), "30");
    EXPECT_EQ(libraries_.Gpib()->LibraryName(), BuildLibrary("libfw-gpib-sim.so"));

    EXPECT_EQ(Names(),
        QStringList(
            { "Bench", "Demo EM 1012", "Demo Frame Grabber", "Demo HG 2000", "Demo HS 4540", "Demo RO" }));
    EXPECT_EQ(Entry("Demo HG 2000")->Value(), "Kodak HG 2000;Ethernet;127.0.0.21;1;");
    EXPECT_EQ(Entry("Demo RO")->Value(), "Kodak RO;Ethernet;127.0.0.22;2;");
    EXPECT_EQ(Entry("Demo EM 1012")->GpibAddress(), "GPIB0:DEV7");
    EXPECT_EQ(Entry("Demo HS 4540")->GpibAddress(), "GPIB0:DEV8");
    EXPECT_EQ(Entry("Demo Frame Grabber")->Value(), "NI-IMAQ;img0;;;");
    ASSERT_EQ(demo_->Entries().size(), 5u);
    for (const std::shared_ptr<TAttacher>& entry : demo_->Entries()) {
        EXPECT_TRUE(entry->transient) << entry->name.toStdString();
        EXPECT_TRUE(entry->HasValidPort() && entry->Attachable()) << entry->name.toStdString();
    }

    SettingsStore store(dir_.filePath("settings.ini"));
    list_.Save(store);
    EXPECT_EQ(store.valueNames("Imagers"), QStringList { "Bench" });

    const qint64 simulator = demo_->SimulatorProcessId();
    demo_->Stop();
    EXPECT_FALSE(demo_->Running());
    EXPECT_TRUE(ProcessGone(simulator));
    ExpectUserEnvironment();
    EXPECT_EQ(Names(), QStringList { "Bench" });
    EXPECT_EQ(ports_.Find("GPIB0"), nullptr);
    EXPECT_EQ(ports_.Find("img0"), nullptr);
    EXPECT_EQ(libraries_.Gpib()->LibraryName(), "/nonexistent/libgpib-of-the-user.so");
}

// The demo imager is reached through the program's own links; while one is attached the demo
// keeps running, since its download window would lose the imager under it.
TEST_F(DemoDevicesTest, AttachedDemoImagersKeepTheDemoRunning)
{
    demo_->Start();
    const std::shared_ptr<TAttacher> hg = Entry("Demo HG 2000");
    std::unique_ptr<THGCommLayer> link = OpenLink(hg);
    ASSERT_TRUE(link->Identify(false));
    EXPECT_TRUE(hg->attached);
    const HGRecordedRange range = link->GetRecordedRange();
    EXPECT_EQ(range.first, -20);
    EXPECT_EQ(range.count, 100);
    std::unique_ptr<THGCommLayer> ro_link = OpenLink(Entry("Demo RO"));
    EXPECT_TRUE(ro_link->Identify(false));
    ro_link.reset();

    try {
        demo_->Stop();
        FAIL() << "stopped under an attached imager";
    } catch (const Error& refusal) {
        EXPECT_EQ(refusal.message(),
            "The demo devices keep running: Demo HG 2000 is attached. Close the download window first, then "
            "choose Tools > Demo Devices again.");
    }
    EXPECT_TRUE(demo_->Running());
    EXPECT_EQ(demo_->Entries().size(), 5u);

    link.reset();
    EXPECT_FALSE(hg->attached);
    demo_->Stop();
    EXPECT_FALSE(demo_->Running());
}

// The program ending ends the demo whatever is attached; the list it leaves holds the user's
// entries only, under their own names.
TEST_F(DemoDevicesTest, TheEndOfTheOwnerEndsTheDemo)
{
    list_.Add("Demo HG 2000", "Kodak HG 2000;Ethernet;10.0.0.2;2;");
    demo_->Start();
    EXPECT_EQ(demo_->Entries().front()->name, "Demo HG 2000 (2)");
    demo_->Entries().front()->attached = true;
    const qint64 simulator = demo_->SimulatorProcessId();
    demo_.reset();
    EXPECT_TRUE(ProcessGone(simulator));
    ExpectUserEnvironment();
    EXPECT_EQ(Names(), QStringList { "Demo HG 2000" });
    EXPECT_EQ(list_.Entry(0).ip_address, "10.0.0.2");
}

// Without the simulator nothing starts and the user is told where it was looked for.
TEST_F(DemoDevicesTest, AMissingSimulatorIsReportedAndChangesNothing)
{
    QTemporaryDir empty;
    TDemoDevices demo(list_, ports_, libraries_, empty.path());
    try {
        demo.Start();
        FAIL() << "started without a simulator";
    } catch (const Error& failure) {
        EXPECT_EQ(failure.message(),
            "The imager simulator was not found: there is no " + empty.filePath("fw-imager-sim") + ".");
    }
    EXPECT_FALSE(demo.Running());
    ExpectUserEnvironment();
    EXPECT_EQ(list_.Count(), 0);
}

} // namespace
} // namespace fw
