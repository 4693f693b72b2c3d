#include "imagers/devices/demo_devices.h"
#include "imagers/devices/demo_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace fw {
namespace {

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// A build folder keeps the libraries in build/lib beside build/bin; an installed program keeps
// them in PREFIX/lib/framewright. The simulator lies beside the program in both.
TEST(DemoFiles, FoundInTheBuildAndTheInstalledLayout)
{
    QTemporaryDir root;
    Touch(root.filePath("build/bin/fw-imager-sim"));
    Touch(root.filePath("build/lib/libfw-gpib-sim.so"));
    Touch(root.filePath("build/lib/libfw-imaq-sim.so"));
    const TDemoFiles build = TDemoFiles::Find(root.filePath("build/bin"));
    EXPECT_EQ(build.simulator, root.filePath("build/bin/fw-imager-sim"));
    EXPECT_EQ(build.gpib_library, root.filePath("build/lib/libfw-gpib-sim.so"));
    EXPECT_EQ(build.imaq_library, root.filePath("build/lib/libfw-imaq-sim.so"));

    Touch(root.filePath("usr/lib/framewright/libfw-gpib-sim.so"));
    const TDemoFiles installed = TDemoFiles::Find(root.filePath("usr/bin"));
    EXPECT_EQ(installed.gpib_library, root.filePath("usr/lib/framewright/libfw-gpib-sim.so"));
    EXPECT_EQ(installed.imaq_library, QString());
    // The simulator's path is named even when it is missing, for the message that says so.
    EXPECT_EQ(installed.simulator, root.filePath("usr/bin/fw-imager-sim"));
}

TEST(DemoDevicesText, NamesWhatRunsAndWhatDoesNot)
{
    TDemoSummary summary;
    summary.imagers = QStringList { "Demo HG 2000", "Demo RO" };
    summary.processors = QStringList { "Demo EM 1012" };
    summary.grabbers = QStringList { "Demo Frame Grabber" };
    EXPECT_EQ(DemoDevicesText(summary),
        "Demo devices are running: two simulated imagers on this computer (Demo HG 2000, Demo RO), a "
        "simulated GPIB processor (Demo EM 1012) and a simulated frame grabber (Demo Frame Grabber). "
        "Choose File > Attach Imager... to attach them. They stop when you choose Tools > Demo Devices "
        "again or close Framewright; the demo entries are not kept.");

    summary.processors.clear();
    summary.grabbers.clear();
    summary.not_running << "No GPIB processor is simulated: libfw-gpib-sim.so was not found.";
    const QString text = DemoDevicesText(summary);
    EXPECT_TRUE(text.startsWith("Demo devices are running: two simulated imagers on this computer "
                                "(Demo HG 2000, Demo RO). No GPIB processor is simulated"))
        << text.toStdString();
}

} // namespace
} // namespace fw
